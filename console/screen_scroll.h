// Screen clearing and scrolling: the operations that change whole bands of
// the screen buffer at once.
#pragma once

#include <cstdint>

#include "console/console_frame.h"
#include "console/console_state.h"

namespace console {

// Scrolls the print area up by lines (at least 1); afterwards cursorY equals
// areaBottom. Moves the window down the buffer first when the area is the window.
// Reads and moves the context's area rows and cursor row.
void scrollArea(ConsoleWriteContext& context, int lines);
// Blanks the print area and homes the cursor.
void clearScreen(ConsoleState& cs);
// Blanks each row of the band, from the last row to the first.
void fillRows(ConsoleState& cs, int firstRow, int lastRow, int firstColumn, int columnCount,
              std::uint16_t attribute);

}  // namespace console
