// The line editor behind the input prompt: one line typed and edited from
// the cursor on, echoed through the console writer, until Enter.
#pragma once

#include <string>

#include "console/console_state.h"

namespace console {

// Edits one line from the cursor's cell on; returns the accepted text and
// leaves the cursor just after its end.
std::string editLine(ConsoleState& cs);
// Moves the cursor d cells along the text from (col, row), rows width cells
// wide in a window height rows high; updates both to the target cell.
void moveCursorBy(ConsoleState& cs, int& col, int& row, long long d, int width, int height);

}  // namespace console
