#include "console/windows/control_handlers.h"

#include "console/platform/control_handler_list.h"
#include "console/windows/windows_console.h"
#include "console/windows/windows_handles.h"

namespace console::windows {
namespace {

// The console runs the trampoline on a thread of its own; the list guards
// itself. It is reached through a function so that it exists before its
// first use, whatever the order in which the process builds its statics.
ControlHandlerList& handlerList() {
    static ControlHandlerList list;
    return list;
}

// Asks the listed handlers, the last added first, as the console itself asks
// its own list; an event none of them handles goes on to the console's
// default handling, which ends the process.
BOOL WINAPI controlTrampoline(DWORD eventType) { return handlerList().ask(eventType) ? TRUE : FALSE; }

bool registerTrampoline() { return SetConsoleCtrlHandler(controlTrampoline, TRUE) != 0; }

void unregisterTrampoline() { SetConsoleCtrlHandler(controlTrampoline, FALSE); }

}  // namespace

bool addListedHandler(ControlHandler handler, void* context) {
    return handlerList().add(handler, context, registerTrampoline);
}

bool removeListedHandler(ControlHandler handler, void* context) {
    return handlerList().remove(handler, context, unregisterTrampoline);
}

}  // namespace console::windows

namespace console {

bool WindowsConsole::addControlHandler(ControlHandler handler, void* context) {
    return windows::addListedHandler(handler, context);
}

bool WindowsConsole::removeControlHandler(ControlHandler handler, void* context) {
    return windows::removeListedHandler(handler, context);
}

}  // namespace console
