// A console's list of control handlers. The platform asks them on a thread of
// its own while the main thread may add or remove one, so the list is
// guarded; the asking goes over a copy taken under the guard, so that a
// handler may itself add or remove one. A removal waits until no other
// thread is asking: once it returns, the handler it removed runs no more, so
// the owner of its context may go.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "console/console_platform.h"

namespace console {

class ControlHandlerList {
public:
    // Adds the handler at the end. beforeFirst, when given, runs first when
    // the list is empty (the Windows layer registers its trampoline there);
    // when it fails, the list is left unchanged and add fails.
    bool add(ControlHandler handler, void* context, bool (*beforeFirst)() = nullptr);
    // Removes the most recently added entry with this handler and context;
    // afterLast, when given, runs when that leaves the list empty. False when
    // no entry matches.
    bool remove(ControlHandler handler, void* context, void (*afterLast)() = nullptr);
    // Asks the handlers with the event, the last added first, until one
    // handles it; returns whether one did.
    bool ask(std::uint32_t eventType) const;

    std::size_t size() const;
    bool empty() const { return size() == 0; }

private:
    struct Entry {
        ControlHandler handler;
        void* context;
    };
    mutable std::mutex lock_;
    // Held while the handlers are asked; a removal takes it first. The thread
    // that asks may take it again from a handler.
    mutable std::recursive_mutex asking_;
    std::vector<Entry> entries_;
};

}  // namespace console
