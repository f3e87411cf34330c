// The console's control events: the handler that the platform asks about an
// interrupt, break, close, logoff or shutdown, its installation by the first
// key pump, and its removal at exit.
#pragma once

#include <cstdint>

#include "console/console_state.h"

namespace console {

// Adds the control handler to the platform and registers its removal at
// exit; once, from the first key pump.
void installControlHandler(ConsoleState& cs);
// Called by the platform, on a thread of its own, with the event type and
// the console state; returns whether it handled the event. A close, logoff
// or shutdown queues the close key; every other event goes on to the
// platform's default handling, which ends the process.
bool handleControlEvent(std::uint32_t eventType, void* context);

}  // namespace console
