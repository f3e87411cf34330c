// The run-time start-up: the settings the program makes before the quiz does
// anything, apart from any console.
#pragma once

namespace console {

// The character-type locale switched to the user's default (the key
// translation's case swap relies on it) and floating-point arithmetic set to
// a 64-bit mantissa with rounding to nearest. Prints nothing and touches no
// console setting.
void runtimeStartup();

}  // namespace console
