#include "console/platform/control_handler_list.h"

#include <iterator>

namespace console {

bool ControlHandlerList::add(ControlHandler handler, void* context, bool (*beforeFirst)()) {
    const std::lock_guard<std::mutex> guard(lock_);
    if (entries_.empty() && beforeFirst != nullptr && !beforeFirst()) return false;
    entries_.push_back({handler, context});
    return true;
}

bool ControlHandlerList::remove(ControlHandler handler, void* context, void (*afterLast)()) {
    const std::lock_guard<std::recursive_mutex> noAsking(asking_);
    const std::lock_guard<std::mutex> guard(lock_);
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
        if (it->handler != handler || it->context != context) continue;
        entries_.erase(std::next(it).base());
        if (entries_.empty() && afterLast != nullptr) afterLast();
        return true;
    }
    return false;
}

bool ControlHandlerList::ask(std::uint32_t eventType) const {
    const std::lock_guard<std::recursive_mutex> asking(asking_);
    std::vector<Entry> asked;
    {
        const std::lock_guard<std::mutex> guard(lock_);
        asked = entries_;
    }
    for (auto it = asked.rbegin(); it != asked.rend(); ++it) {
        if (it->handler(eventType, it->context)) return true;
    }
    return false;
}

std::size_t ControlHandlerList::size() const {
    const std::lock_guard<std::mutex> guard(lock_);
    return entries_.size();
}

}  // namespace console
