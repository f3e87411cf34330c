// What a terminal of any size shows of the screen model's window.
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
#include "console/posix/terminal_renderer.h"

namespace console {

// The view of the model's window that a terminal of width by height cells
// shows (both at least 1); the window itself when the sizes agree.
ScreenView terminalView(const ScreenModel& model, int width, int height);

}  // namespace console
