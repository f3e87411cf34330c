// The screen model's window turned into terminal output: given what the
// terminal shows now and what the window holds, the bytes that make the
// terminal show the window, cursor and visibility included.
//
// Only cells that changed are sent. A content scroll of the whole window goes
// out as line feeds on the terminal's bottom row, so the lines scrolled off
// enter the terminal's scrollback. The real cursor is placed explicitly after
// any write of a row's last column (the terminal's deferred autowrap leaves
// its position uncertain), so writing the bottom-right cell never scrolls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "console/platform/screen_model.h"

namespace console {

// The window of the model as the renderer sees it: height rows of width
// cells, the cursor relative to the window's top-left cell.
struct WindowImage {
    int width = 0;
    int height = 0;
    std::vector<Cell> cells;  // row by row
    int cursorX = 0;
    int cursorY = 0;
    bool cursorVisible = true;
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
};

// How glyphs go out: UTF-8 forms of the code page 437 glyphs, or plain bytes
// (printable ASCII as itself, anything else as '?').
enum class GlyphEncoding { utf8, ascii };

// The window of the model (rows windowTop to windowBottom).
WindowImage windowImage(const ScreenModel& model);

// The bytes that turn the shown screen into the target, which has had
// scrolledLines whole-window content scrolls since the shown screen was
// drawn. Updates shown to the target.
std::string renderScreen(ShownScreen& shown, const WindowImage& target, int scrolledLines,
                         GlyphEncoding encoding);

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
