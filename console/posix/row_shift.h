// A row's new cells against the cells the terminal shows: whether the new
// ones are the shown ones moved right (cells inserted) or left (cells
// deleted) from some column, as an insert or delete in the middle of an
// answer makes them. The terminal can move the cells itself, and then only
// the cells that still differ need sending.
#pragma once

#include "console/platform/screen_model.h"

namespace console {

struct RowShift {
    int column = 0;
    // Cells inserted at column (more than 0) or deleted there (less than 0);
    // 0 when no shift leaves fewer cells to send.
    int count = 0;
};

// The longest shift looked for: a Tab inserts up to 8 cells.
inline constexpr int longestRowShift = 16;

// The shift of shown that leaves the fewest cells differing from target,
// both width cells, where first is the first column in which they differ.
// The terminal fills the cells a shift opens with blanks.
RowShift findRowShift(const Cell* shown, const Cell* target, int width, int first, Cell blank);

// The cells after the terminal has made the shift: the cells pushed past the
// row's end are lost, the cells opened are blank.
void applyRowShift(Cell* cells, int width, RowShift shift, Cell blank);

}  // namespace console
