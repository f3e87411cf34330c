// The screen model's window turned into terminal output: given what the
// terminal shows now (shown_screen.h) and a view of the window
// (terminal_view.h), the bytes that make the terminal show the view, cursor
// and visibility included, in the vocabulary of terminal_sequences.h.
//
// Only rows that changed are compared, and only cells that changed are sent.
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

#include <string>
#include <vector>

#include "console/posix/shown_screen.h"
#include "console/posix/terminal_sequences.h"
#include "console/posix/terminal_view.h"

namespace console {

// The room a render works in, kept from one render to the next so that a
// render allocates nothing once it has seen a screen of its size.
struct RenderRoom {
    // A row sent by its changed cells, and the same row sent by an insert
    // or delete first; the cheaper goes out.
    std::string redrawn;
    std::string shifted;
    // A target row gathered from the model, and a shown row kept to try the
    // other way of sending it.
    std::vector<Cell> targetCells;
    std::vector<Cell> rowBefore;
    std::vector<Cell> rowRedrawn;
};

// Appends to out the bytes that turn the shown screen into the view.
// Updates shown to it.
void renderScreen(ShownScreen& shown, const ScreenView& target, GlyphEncoding encoding, RenderRoom& room,
                  std::string& out);
// The same with a room of its own, returning the bytes.
std::string renderScreen(ShownScreen& shown, const ScreenView& target, GlyphEncoding encoding);

// The bytes that leave the terminal fit for the shell: default rendition,
// cursor visible, and the cursor at the start of the row below the printed
// text (a line feed on the bottom row when the text reaches it). Updates
// shown accordingly.
std::string renderLeave(ShownScreen& shown);

}  // namespace console
