#include "console/exit_actions.h"

#include <cstdlib>

namespace console {
namespace {

constexpr int exitActionCount = 2;

// Process-wide: the at-exit list takes functions without arguments, so the
// actions it runs are kept here, in the order they run.
void (*exitActions[exitActionCount])() = {};

void runExitActions() {
    for (void (*action)() : exitActions) {
        if (action != nullptr) action();
    }
}

}  // namespace

void setExitAction(ExitAction which, void (*action)()) {
    static const bool registered = (std::atexit(runExitActions), true);
    (void)registered;
    exitActions[static_cast<int>(which)] = action;
}

}  // namespace console
