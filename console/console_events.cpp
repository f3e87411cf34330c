#include "console/console_events.h"

#include <clocale>
#include <cstdlib>

#ifdef _WIN32
#include <float.h>
#endif

#include "console/key_polling.h"

namespace console {
namespace {

// What the handler does with each control event: the close, logoff and
// shutdown events queue the close key and count as handled; the interrupt
// and break events, and any other, go on to the platform's default handling.
struct ControlEventAction {
    std::uint32_t eventType;
    bool queuesCloseKey;
};

constexpr ControlEventAction controlEventActions[] = {
    {ctrlCEvent, false},     {ctrlBreakEvent, false},    {ctrlCloseEvent, true},
    {ctrlLogoffEvent, true}, {ctrlShutdownEvent, true},
};

// The console whose handler the at-exit action removes. The at-exit list
// takes no argument, so the one installed instance is kept here.
ConsoleState* installedConsole = nullptr;

void removeEventHandlerAtExit() {
    if (installedConsole != nullptr && installedConsole->handlerInstalled) {
        installedConsole->platform.removeControlHandler(consoleEventHandler, installedConsole);
    }
}

}  // namespace

ConsoleState::~ConsoleState() {
    if (installedConsole == this) installedConsole = nullptr;
}

void runtimeStartup() {
    std::setlocale(LC_CTYPE, "");
#if defined(_WIN32) && !defined(_WIN64)
    // 64-bit mantissa and rounding to nearest. On x64 the precision control
    // does not exist: doubles there are computed at double precision, which
    // gives the quiz the same exact values.
    _controlfp(_PC_64, _MCW_PC);
#endif
#ifdef _WIN32
    _controlfp(_RC_NEAR, _MCW_RC);
#endif
}

void consoleSetup(ConsoleState& cs) {
    if (cs.setUp) return;
    cs.setUp = true;
    cs.platform.fetchStandardHandles();
    std::uint32_t mode = 0;
    if (cs.platform.getInputMode(mode)) cs.platform.setInputMode(mode | enableProcessedInput);
}

void installEventHandler(ConsoleState& cs) {
    if (cs.handlerInstalled) return;
    cs.handlerInstalled = true;
    static const bool atExitRegistered = (std::atexit(removeEventHandlerAtExit), true);
    (void)atExitRegistered;
    installedConsole = &cs;
    cs.platform.addControlHandler(consoleEventHandler, &cs);
}

bool consoleEventHandler(std::uint32_t eventType, void* context) {
    for (const ControlEventAction& action : controlEventActions) {
        if (action.eventType != eventType) continue;
        if (!action.queuesCloseKey) return false;
        pushKey(*static_cast<ConsoleState*>(context), closeKey);
        return true;
    }
    return false;
}

}  // namespace console
