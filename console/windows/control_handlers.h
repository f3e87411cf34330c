// The process's list of control handlers on the Windows console. The console
// calls one plain function per registration, without a context, so the layer
// registers a single trampoline that asks the listed handlers in turn.
#pragma once

#include "console/console_platform.h"

namespace console::windows {

// Adds a handler to the list; the first one registers the trampoline with the
// console. False when the console refuses it; the list is then unchanged.
bool addListedHandler(ControlHandler handler, void* context);
// Removes the most recently added matching entry; the last one out takes the
// trampoline off the console. False when no entry matches.
bool removeListedHandler(ControlHandler handler, void* context);

}  // namespace console::windows
