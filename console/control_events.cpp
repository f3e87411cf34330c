#include "console/control_events.h"

#include "console/exit_actions.h"
#include "console/key_buffer.h"

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

// Process-wide: the console whose handler the exit action removes. The
// exit actions take no argument, so the one installed instance is kept here.
ConsoleState* installedConsole = nullptr;

void removeControlHandlerAtExit() {
    if (installedConsole != nullptr && installedConsole->handlerInstalled) {
        installedConsole->platform.removeControlHandler(handleControlEvent, installedConsole);
    }
}

}  // namespace

ConsoleState::~ConsoleState() {
    // No control event may reach a console that is gone.
    if (handlerInstalled) platform.removeControlHandler(handleControlEvent, this);
    if (installedConsole == this) installedConsole = nullptr;
}

void installControlHandler(ConsoleState& cs) {
    if (cs.handlerInstalled) return;
    cs.handlerInstalled = true;
    setExitAction(ExitAction::removeControlHandler, removeControlHandlerAtExit);
    installedConsole = &cs;
    cs.platform.addControlHandler(handleControlEvent, &cs);
}

bool handleControlEvent(std::uint32_t eventType, void* context) {
    for (const ControlEventAction& action : controlEventActions) {
        if (action.eventType != eventType) continue;
        if (!action.queuesCloseKey) return false;
        pushKey(static_cast<ConsoleState*>(context)->keyBuffer, closeKey);
        return true;
    }
    return false;
}

}  // namespace console
