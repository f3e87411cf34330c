// What the terminal shows, as far as the renderer knows it, and the
// bookkeeping that keeps that knowledge true as bytes are added: the real
// cursor, its visibility, the rendition in force, and the shown cells when
// the terminal's own line feeds move them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "console/platform/screen_model.h"

namespace console {

struct ShownScreen {
    // False until the first paint, and after anything that may have changed
    // the terminal behind the renderer's back (a resize, a stop and resume):
    // the next render clears the screen and paints it whole.
    bool known = false;
    int width = 0;
    int height = 0;
    std::vector<Cell> cells;
    // Where the real cursor stands; unknown after a write of a row's last
    // column, where the terminal may hold a deferred wrap.
    bool cursorKnown = false;
    int cursorX = 0;
    int cursorY = 0;
    bool visibilityKnown = false;
    bool cursorVisible = true;
    // The rendition in force; unknown at first.
    bool attributeKnown = false;
    std::uint16_t attribute = 7;
    // The shown rows moved since the last render of the model (the way out
    // scrolled them): the next render compares every row.
    bool rowsMoved = false;
};

// Unchanged cells between two changed ones (or ahead of the cursor) that
// are sent again rather than jumped over with a cursor move, which costs
// about as many bytes.
inline constexpr int longestRewrittenGap = 3;

// The shown cells of row y.
Cell* shownRow(ShownScreen& shown, int y);
// The end of a row's text: the column after its last cell that is not a
// default blank (0 for a blank row).
int textEnd(const Cell* row, int width);
// The last shown row with text; -1 when there is none.
int lastTextRow(const ShownScreen& shown);

// Moves the real cursor to (x, y) with the shortest sequence that is sure.
void moveCursor(std::string& out, ShownScreen& shown, int x, int y);
// Makes the attribute's rendition the one in force.
void setRendition(std::string& out, ShownScreen& shown, std::uint16_t attribute);
// Hides or shows the cursor, unless the terminal is known to already.
void setCursorVisibility(std::string& out, ShownScreen& shown, bool visible);
// Clears the screen and takes the size: the shown screen is blank, the
// cursor at the top-left, the default rendition in force.
void clearWhole(std::string& out, ShownScreen& shown, int width, int height);
// The terminal moved its rows up by lines (line feeds on the bottom row):
// the shown cells move with them, the rows brought in are blank.
void shiftShownRowsUp(ShownScreen& shown, int lines);

}  // namespace console
