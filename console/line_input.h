// Console line input: the prompt, the line editor behind it, and the choice
// between the console line and the standard input stream.
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "console/console_state.h"

namespace console {

void beginInput(ConsoleState& cs, std::string_view prompt, int questionMark, int newlineAfter);
std::string readInputLine(ConsoleState& cs, std::string_view prompt, int questionMark, int newlineAfter);
std::string editLine(ConsoleState& cs);

// True when standard input is a console (its input mode can be read).
bool inputIsConsole(ConsoleState& cs);
// The cursor cell, 1-based relative to the window; (0, 0) when it cannot be read.
std::pair<int, int> readCursor(ConsoleState& cs);
// Moves the cursor to (row, col), 0 keeping a coordinate; visibility 1 shows,
// 0 hides, -1 keeps. Returns whether the cursor was visible before.
bool locateCursor(ConsoleState& cs, int row, int col, int visibility);
// Moves the cursor d cells along the text from (col, row); updates both.
void moveCursorBy(ConsoleState& cs, int& col, int& row, long long d, int width, int height);

}  // namespace console
