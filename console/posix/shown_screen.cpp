#include "console/posix/shown_screen.h"

#include <algorithm>
#include <cstddef>

#include "console/posix/terminal_sequences.h"

namespace console {
namespace {

// Whether the cells from the cursor up to x (not included) are few, in the
// rendition in force, and plain ASCII, so that sending them again moves the
// cursor in fewer bytes than a cursor move.
bool plainRunAhead(ShownScreen& shown, int x) {
    if (x - shown.cursorX > longestRewrittenGap || !shown.attributeKnown) return false;
    const Cell* row = shownRow(shown, shown.cursorY);
    for (int i = shown.cursorX; i < x; ++i) {
        if (row[i].attribute != shown.attribute || row[i].ch < 0x20 || row[i].ch >= 0x7F) return false;
    }
    return true;
}

// A move along the cursor's own row.
void moveAlongRow(std::string& out, ShownScreen& shown, int x) {
    if (x == 0) {
        out += carriageReturn;
    } else if (x == shown.cursorX - 1) {
        out += backspace;
    } else if (x > shown.cursorX && plainRunAhead(shown, x)) {
        // Sending the few cells passed over again is shorter than a move.
        const Cell* row = shownRow(shown, shown.cursorY);
        for (int i = shown.cursorX; i < x; ++i) out += static_cast<char>(row[i].ch);
    } else if (x > shown.cursorX) {
        appendCursorForward(out, x - shown.cursorX);
    } else {
        appendCursorToColumn(out, x);
    }
}

}  // namespace

Cell* shownRow(ShownScreen& shown, int y) { return shown.cells.data() + static_cast<std::size_t>(y) * shown.width; }

int textEnd(const Cell* row, int width) {
    int end = width;
    while (end > 0 && row[end - 1] == blankCell) --end;
    return end;
}

int lastTextRow(const ShownScreen& shown) {
    for (int y = shown.height - 1; y >= 0; --y) {
        if (textEnd(shown.cells.data() + static_cast<std::size_t>(y) * shown.width, shown.width) > 0) return y;
    }
    return -1;
}

void moveCursor(std::string& out, ShownScreen& shown, int x, int y) {
    if (shown.cursorKnown && shown.cursorX == x && shown.cursorY == y) return;
    if (!shown.cursorKnown) {
        appendCursorTo(out, x, y);
    } else if (y == shown.cursorY) {
        moveAlongRow(out, shown, x);
    } else if (x == 0 && y == shown.cursorY + 1) {
        // The row below exists, so this line feed cannot scroll.
        out += carriageReturn;
        out += lineFeed;
    } else {
        appendCursorTo(out, x, y);
    }
    shown.cursorKnown = true;
    shown.cursorX = x;
    shown.cursorY = y;
}

void setRendition(std::string& out, ShownScreen& shown, std::uint16_t attribute) {
    if (shown.attributeKnown && shown.attribute == attribute) return;
    out += renditionFor(attribute);
    shown.attributeKnown = true;
    shown.attribute = attribute;
}

void setCursorVisibility(std::string& out, ShownScreen& shown, bool visible) {
    if (shown.visibilityKnown && shown.cursorVisible == visible) return;
    out += visible ? showCursor : hideCursor;
    shown.visibilityKnown = true;
    shown.cursorVisible = visible;
}

void clearWhole(std::string& out, ShownScreen& shown, int width, int height) {
    out += defaultRendition;
    out += cursorHome;
    out += eraseScreen;
    shown.known = true;
    shown.width = width;
    shown.height = height;
    shown.cells.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), blankCell);
    shown.cursorKnown = true;
    shown.cursorX = 0;
    shown.cursorY = 0;
    shown.attributeKnown = true;
    shown.attribute = defaultAttribute;
}

void shiftShownRowsUp(ShownScreen& shown, int lines) {
    const auto width = static_cast<std::ptrdiff_t>(shown.width);
    std::move(shown.cells.begin() + lines * width, shown.cells.end(), shown.cells.begin());
    std::fill(shown.cells.end() - lines * width, shown.cells.end(), blankCell);
}

}  // namespace console
