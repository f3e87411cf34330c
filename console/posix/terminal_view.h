// What the renderer draws: a view of the screen model's window the size of
// the terminal.
//
// The model's size follows the terminal's, but not always at once: it is
// kept while a line is edited, and below the smallest size it keeps its own
// (terminal_size.h). Whatever the two sizes, the renderer is given a view
// of the terminal's size:
//   - rows: all of the window's from the top, blank rows below when the
//     terminal has more; when it has fewer, the rows up to the cursor's,
//     the cursor's on the bottom row (or the window's top rows while the
//     cursor is among them);
//   - columns: the same rule along the cursor's row: all of them from the
//     left, blank beyond when the terminal is wider; when it is narrower,
//     the columns that keep the cursor in view, from the left while they
//     can.
// The cursor is the model's, moved with the view.
#pragma once

#include "console/platform/screen_model.h"

namespace console {

// A view copies nothing; it says which model cell each terminal cell shows,
// and what changed since the last render.
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

// The view of the model's window (rows windowTop to windowBottom) at the
// model's own size, with the model's notes of what changed.
ScreenView windowView(const ScreenModel& model);

// The view of the model's window that a terminal of width by height cells
// shows (both at least 1); the window itself when the sizes agree.
ScreenView terminalView(const ScreenModel& model, int width, int height);

}  // namespace console
