#include "console/posix/terminal_renderer.h"

#include <algorithm>
#include <vector>

#include "console/posix/row_shift.h"

namespace console {
namespace {

// --- Writing cells ---------------------------------------------------------------

// Sends the cells x to last of row y.
void writeRun(std::string& out, ShownScreen& shown, const Cell* target, int x, int last, int y,
              GlyphEncoding encoding) {
    moveCursor(out, shown, x, y);
    Cell* row = shownRow(shown, y);
    for (int i = x; i <= last; ++i) {
        setRendition(out, shown, target[i].attribute);
        appendGlyph(out, target[i].ch, encoding);
        row[i] = target[i];
    }
    if (last == shown.width - 1) {
        // The terminal may now hold a deferred wrap at the last column.
        shown.cursorKnown = false;
    } else {
        shown.cursorX = last + 1;
    }
}

// The last of the changed cells from x on that go out in one run with x:
// unchanged gaps of a few cells are sent again.
int runEnd(const Cell* row, const Cell* target, int x, int end) {
    int last = x;
    for (int next = x + 1; next < end; ++next) {
        if (row[next] == target[next]) {
            if (next - last > longestRewrittenGap) break;
            continue;
        }
        last = next;
    }
    return last;
}

// Sends the cells of row y that differ: runs of changed cells (with short
// unchanged gaps sent again), then an erase of the row's blank end.
void redrawRow(std::string& out, ShownScreen& shown, const Cell* target, int y, GlyphEncoding encoding) {
    const int width = shown.width;
    Cell* row = shownRow(shown, y);
    // Past the end of the target's text, erasing to the end of the row is
    // cheaper than sending blanks.
    const int targetEnd = textEnd(target, width);
    const bool tailDiffers = textEnd(row, width) > targetEnd;
    int x = 0;
    while (x < targetEnd) {
        if (row[x] == target[x]) {
            ++x;
            continue;
        }
        const int last = runEnd(row, target, x, targetEnd);
        writeRun(out, shown, target, x, last, y, encoding);
        x = last + 1;
    }
    if (tailDiffers) {
        moveCursor(out, shown, targetEnd, y);
        setRendition(out, shown, defaultAttribute);
        out += eraseToRowEnd;
        std::fill(row + targetEnd, row + width, blankCell);
    }
}

// --- Rows moved within a row: inserts and deletes by the terminal -------------------

// Has the terminal insert or delete cells on row y, as the shift says.
void shiftRow(std::string& out, ShownScreen& shown, int y, RowShift shift) {
    moveCursor(out, shown, shift.column, y);
    setRendition(out, shown, defaultAttribute);
    appendShiftCells(out, shift.count);
    applyRowShift(shownRow(shown, y), shown.width, shift, blankCell);
}

// What a row's update changes of the shown screen: the row's cells (kept in
// the render's room), the real cursor and the rendition; kept to try
// another way of sending it.
struct RowState {
    std::vector<Cell>* cells = nullptr;
    bool cursorKnown = false;
    int cursorX = 0;
    int cursorY = 0;
    bool attributeKnown = false;
    std::uint16_t attribute = 0;
};

RowState saveRow(ShownScreen& shown, int y, std::vector<Cell>& cells) {
    const Cell* row = shownRow(shown, y);
    cells.assign(row, row + shown.width);
    return RowState{&cells,         shown.cursorKnown, shown.cursorX, shown.cursorY, shown.attributeKnown,
                    shown.attribute};
}

void restoreRow(ShownScreen& shown, int y, const RowState& state) {
    std::copy(state.cells->begin(), state.cells->end(), shownRow(shown, y));
    shown.cursorKnown = state.cursorKnown;
    shown.cursorX = state.cursorX;
    shown.cursorY = state.cursorY;
    shown.attributeKnown = state.attributeKnown;
    shown.attribute = state.attribute;
}

// Brings row y up to the target: by sending the cells that differ, or, when
// the row's cells moved right or left and that costs fewer bytes, by having
// the terminal move them first.
void updateRow(std::string& out, ShownScreen& shown, const Cell* target, int y, GlyphEncoding encoding,
               RenderRoom& room) {
    const Cell* row = shownRow(shown, y);
    int first = 0;
    while (first < shown.width && row[first] == target[first]) ++first;
    if (first == shown.width) return;
    const RowShift shift = findRowShift(row, target, shown.width, first, blankCell);
    if (shift.count == 0) {
        redrawRow(out, shown, target, y, encoding);
        return;
    }
    const RowState before = saveRow(shown, y, room.rowBefore);
    room.redrawn.clear();
    redrawRow(room.redrawn, shown, target, y, encoding);
    const RowState afterRedraw = saveRow(shown, y, room.rowRedrawn);
    restoreRow(shown, y, before);
    room.shifted.clear();
    shiftRow(room.shifted, shown, y, shift);
    redrawRow(room.shifted, shown, target, y, encoding);
    if (room.shifted.size() < room.redrawn.size()) {
        out += room.shifted;
    } else {
        restoreRow(shown, y, afterRedraw);
        out += room.redrawn;
    }
}

// The cells of the target's row y: the model's own where the view takes
// whole rows of it, else gathered in scratch.
const Cell* targetRow(const ScreenView& target, int y, std::vector<Cell>& scratch) {
    const ScreenModel& model = *target.model;
    const int modelRow = target.top + y;
    if (target.left == 0 && target.width == model.bufferWidth && modelRow >= 0 && modelRow < model.bufferHeight) {
        return &model.cell(0, modelRow);
    }
    scratch.resize(static_cast<std::size_t>(target.width));
    for (int x = 0; x < target.width; ++x) scratch[static_cast<std::size_t>(x)] = target.cell(x, y);
    return scratch.data();
}

void updateRows(std::string& out, ShownScreen& shown, const ScreenView& target, bool everyRow,
                GlyphEncoding encoding, RenderRoom& room) {
    if (!everyRow && !target.anyRowChanged()) return;
    for (int y = 0; y < target.height; ++y) {
        if (everyRow || target.rowChanged(y)) {
            updateRow(out, shown, targetRow(target, y, room.targetCells), y, encoding, room);
        }
    }
}

// --- Scrolls: line feeds on the bottom row --------------------------------------------

// The terminal's content moves up by lines and the rows that leave the top
// go into its scrollback.
void scrollUp(std::string& out, ShownScreen& shown, int lines) {
    lines = std::min(lines, shown.height);
    if (lines <= 0) return;
    // Fresh rows take the current background: use the default one.
    setRendition(out, shown, defaultAttribute);
    moveCursor(out, shown, 0, shown.height - 1);
    out.append(static_cast<std::size_t>(lines), lineFeed);
    shiftShownRowsUp(shown, lines);
}

// The window's content scrolled up by lines: line feeds on the bottom row,
// each followed by the row it brings in, written there as it comes in, so
// that the cursor runs down with the text as it would for a printed line
// and never goes back up.
void scrollUpBringingRows(std::string& out, ShownScreen& shown, const ScreenView& target, int lines,
                          GlyphEncoding encoding, std::vector<Cell>& scratch) {
    if (lines <= 0) return;
    moveCursor(out, shown, 0, shown.height - 1);
    shiftShownRowsUp(shown, lines);
    for (int y = shown.height - lines; y < shown.height; ++y) {
        // Fresh rows take the current background: use the default one. The
        // cursor goes to the start of the bottom row first: by a carriage
        // return, or after a write of the row's last column (a deferred wrap
        // that not every terminal cancels on a carriage return) by placing
        // it there.
        setRendition(out, shown, defaultAttribute);
        if (!shown.cursorKnown) {
            appendCursorTo(out, 0, shown.height - 1);
        } else if (shown.cursorX != 0) {
            out += carriageReturn;
        }
        out += lineFeed;
        // The real cursor is on the bottom row, which ends up as row y.
        shown.cursorKnown = true;
        shown.cursorX = 0;
        shown.cursorY = y;
        redrawRow(out, shown, targetRow(target, y, scratch), y, encoding);
    }
}

// The scrolls and the clear by fills since the last render, in the order
// they happened; returns whether every row must be compared afterwards.
bool sendScrolls(std::string& out, ShownScreen& shown, const ScreenView& target, GlyphEncoding encoding,
                 RenderRoom& room) {
    bool everyRow = false;
    // The clear came before any scroll still to send: a scroll before it was
    // sent before the window was blanked. The rows shown, down to the last
    // one with text, go up into the scrollback and the screen is left blank,
    // which is then compared whole, as the rows the model did not change
    // (blank already) may still differ from default blanks in their colours.
    if (target.blankedByFills) {
        scrollUp(out, shown, lastTextRow(shown) + 1);
        everyRow = true;
    }
    // A scroll of a screenful or more leaves nothing shown to run on from:
    // the line feeds go out, and the rows are drawn afterwards.
    if (target.scrolledLines < shown.height) {
        scrollUpBringingRows(out, shown, target, target.scrolledLines, encoding, room.targetCells);
    } else {
        scrollUp(out, shown, target.scrolledLines);
    }
    return everyRow;
}

}  // namespace

void renderScreen(ShownScreen& shown, const ScreenView& target, GlyphEncoding encoding, RenderRoom& room,
                  std::string& out) {
    if (target.width <= 0 || target.height <= 0 || target.model == nullptr) return;
    if (!target.cursorVisible) setCursorVisibility(out, shown, false);
    bool everyRow = target.everyRow || shown.rowsMoved;
    shown.rowsMoved = false;
    if (!shown.known || shown.width != target.width || shown.height != target.height) {
        clearWhole(out, shown, target.width, target.height);
        everyRow = true;
    } else if (sendScrolls(out, shown, target, encoding, room)) {
        everyRow = true;
    }
    updateRows(out, shown, target, everyRow, encoding, room);
    moveCursor(out, shown, target.cursorX, target.cursorY);
    if (target.cursorVisible) setCursorVisibility(out, shown, true);
}

std::string renderScreen(ShownScreen& shown, const ScreenView& target, GlyphEncoding encoding) {
    RenderRoom room;
    std::string out;
    renderScreen(shown, target, encoding, room, out);
    return out;
}

std::string renderLeave(ShownScreen& shown) {
    std::string out(defaultRendition);
    shown.attributeKnown = true;
    shown.attribute = defaultAttribute;
    if (shown.known && shown.height > 0) {
        int lastRow = lastTextRow(shown);
        if (shown.cursorKnown && shown.cursorX > 0) lastRow = std::max(lastRow, shown.cursorY);
        if (lastRow + 1 < shown.height) {
            moveCursor(out, shown, 0, lastRow + 1);
        } else {
            scrollUp(out, shown, 1);
            shown.rowsMoved = true;
        }
    }
    // Whatever the terminal is believed to show, the shell gets a visible
    // cursor.
    shown.visibilityKnown = false;
    setCursorVisibility(out, shown, true);
    return out;
}

}  // namespace console
