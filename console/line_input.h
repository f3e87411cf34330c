// Console line input: the prompt, and the choice between a line edited on the
// console and the standard input stream as the source of input fields.
#pragma once

#include <string>
#include <string_view>

#include "console/console_state.h"

namespace console {

void beginInput(ConsoleState& cs, std::string_view prompt, int questionMark, int newlineAfter);
// The console branch: the prompt printed, one line edited, the line ending.
std::string readInputLine(ConsoleState& cs, std::string_view prompt, int questionMark, int newlineAfter);

// True when standard input is a console (its input mode can be read).
bool inputIsConsole(ConsoleState& cs);

}  // namespace console
