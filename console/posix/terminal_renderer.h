// The screen model's window turned into terminal output: given what the
// terminal shows now and what the window holds, the bytes that make the
// terminal show the window, cursor and visibility included.
//
// Only rows that changed are looked at, and only cells that changed are sent.
// A content scroll of the whole window goes out as line feeds on the
// terminal's bottom row, so the lines scrolled off enter the terminal's
// scrollback; so does the text on screen when the window was cleared. A row
// whose new cells are its old ones moved right or left from some column (an
// insert or delete in the middle of an answer) has the terminal insert or
// delete the cells, and only the cells still differing are sent, when that
// costs fewer bytes. The real cursor is placed explicitly after any write of
// a row's last column (the terminal's deferred autowrap leaves its position
// uncertain), so writing the bottom-right cell never scrolls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "console/platform/screen_model.h"

namespace console {

// What the renderer draws: a view of the screen model the size of the
// terminal. It copies nothing; it says which model cell each terminal cell
// shows, and what changed since the last render.
//
//   width, height   the terminal's size in cells.
//   model, left, top  view cell (x, y) shows the model's cell
//                   (left + x, top + y); view cells past the model's width
//                   or rows show default blanks.
//   cursorX/Y       the cursor, in view cells; cursorVisible, its visibility.
//   scrolledLines   whole-window content scrolls since the last render: sent
//                   as line feeds on the bottom row, so the lines scrolled
//                   off enter the terminal's scrollback.
//   blankedByFills  the window was blanked by fills since the last render
//                   (the clear at the start of a round): the text shown goes
//                   up into the scrollback before the blank screen is drawn.
//   everyRow        compare every row, not only the rows the model notes as
//                   changed; for a view whose rows are not the model rows the
//                   last render drew.
//
// The rows the model notes as changed (rowChanged of model row top + y) are
// the only rows compared otherwise; a render that finds the terminal's size
// changed, or the shown screen unknown, paints every row. Once the bytes are
// taken, the caller tells the model (changesRendered).
struct ScreenView {
    int width = 0;
    int height = 0;
    const ScreenModel* model = nullptr;
    int left = 0;
    int top = 0;
    int cursorX = 0;
    int cursorY = 0;
    bool cursorVisible = true;
    int scrolledLines = 0;
    bool blankedByFills = false;
    bool everyRow = false;

    // The cell shown at (x, y), for x and y inside the view.
    Cell cell(int x, int y) const;
    // Whether row y may differ from what the last render drew.
    bool rowChanged(int y) const;
    // Whether any row may.
    bool anyRowChanged() const;
};

// What the terminal shows, as far as the renderer knows it.
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

// How glyphs go out: UTF-8 forms of the code page 437 glyphs, or plain bytes
// (printable ASCII as itself, anything else as '?').
enum class GlyphEncoding { utf8, ascii };

// The view of the model's window (rows windowTop to windowBottom) at the
// model's own size, with the model's notes of what changed.
ScreenView windowView(const ScreenModel& model);

// The bytes that turn the shown screen into the view. Updates shown to it.
std::string renderScreen(ShownScreen& shown, const ScreenView& target, GlyphEncoding encoding);

// The terminal's rendition for a console attribute: the default rendition
// for 7 (light grey on black), the 16 console colours otherwise.
std::string renditionFor(std::uint16_t attribute);

// The bytes that send one cell's character.
void appendGlyph(std::string& out, std::uint8_t byte, GlyphEncoding encoding);

// The bytes that leave the terminal fit for the shell: default rendition,
// cursor visible, and the cursor at the start of the row below the printed
// text (a line feed on the bottom row when the text reaches it). Updates
// shown accordingly.
std::string renderLeave(ShownScreen& shown);

// The way out when what the terminal shows is not known (a crash, or a
// present that did not finish): default rendition, cursor visible, a new
// line.
std::string renderResetAndNewLine();

// The bytes of the console's tone: the terminal's bell.
std::string renderBell();

}  // namespace console
