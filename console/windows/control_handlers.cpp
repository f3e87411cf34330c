#include "console/windows/control_handlers.h"

#include <iterator>
#include <mutex>
#include <vector>

#include "console/windows/windows_console.h"
#include "console/windows/windows_handles.h"

namespace console::windows {
namespace {

struct ListedHandler {
    ControlHandler handler;
    void* context;
};

// The console runs the trampoline on a thread of its own, so the list is
// guarded. It is reached through functions so that it exists before its
// first use, whatever the order in which the process builds its statics.
std::mutex& listLock() {
    static std::mutex lock;
    return lock;
}

std::vector<ListedHandler>& handlerList() {
    static std::vector<ListedHandler> list;
    return list;
}

// Asks the listed handlers, the last added first, as the console itself asks
// its own list; an event none of them handles goes on to the console's
// default handling, which ends the process.
BOOL WINAPI controlTrampoline(DWORD eventType) {
    std::vector<ListedHandler> snapshot;
    {
        std::lock_guard<std::mutex> guard(listLock());
        snapshot = handlerList();
    }
    for (auto it = snapshot.rbegin(); it != snapshot.rend(); ++it) {
        if (it->handler(eventType, it->context)) return TRUE;
    }
    return FALSE;
}

}  // namespace

bool addListedHandler(ControlHandler handler, void* context) {
    std::lock_guard<std::mutex> guard(listLock());
    std::vector<ListedHandler>& list = handlerList();
    if (list.empty() && !SetConsoleCtrlHandler(controlTrampoline, TRUE)) return false;
    list.push_back({handler, context});
    return true;
}

bool removeListedHandler(ControlHandler handler, void* context) {
    std::lock_guard<std::mutex> guard(listLock());
    std::vector<ListedHandler>& list = handlerList();
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        if (it->handler != handler || it->context != context) continue;
        list.erase(std::next(it).base());
        if (list.empty()) SetConsoleCtrlHandler(controlTrampoline, FALSE);
        return true;
    }
    return false;
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
