// Console set-up, the control-event handler and the run-time start-up.
#pragma once

#include <cstdint>

#include "console/console_state.h"

namespace console {

// Locale for character classification and floating-point precision; once,
// before the quiz does anything.
void runtimeStartup();
// Standard handles and processed input; once, at the first console use.
void consoleSetup(ConsoleState& cs);
// Adds the control handler; once, from the first key pump.
void installEventHandler(ConsoleState& cs);
// Called by the platform with the event type; returns whether it was handled.
bool consoleEventHandler(std::uint32_t eventType, void* context);

}  // namespace console
