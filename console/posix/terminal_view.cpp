#include "console/posix/terminal_view.h"

#include <algorithm>
#include <cstddef>

namespace console {
namespace {

// The first of the window's cells along one dimension that a view of
// `shown` cells starts at: 0 when all fit or the cursor is within the first
// `shown`; else as far on as puts the cursor on the view's last cell.
int firstShown(int windowCells, int shown, int cursor) {
    if (shown >= windowCells) return 0;
    return std::clamp(cursor - shown + 1, 0, windowCells - shown);
}

}  // namespace

ScreenView terminalView(const ScreenModel& model, int width, int height) {
    ScreenView view = windowView(model);
    if (width == view.width && height == view.height) return view;

    const int firstColumn = firstShown(view.width, width, view.cursorX);
    const int firstRow = firstShown(view.height, height, view.cursorY);
    view.left = firstColumn;
    view.top += firstRow;
    view.cursorX -= firstColumn;
    view.cursorY -= firstRow;
    view.width = width;
    view.height = height;
    // The part shown follows the cursor, so its rows need not be the model
    // rows that the last render drew: every row is compared.
    view.everyRow = true;
    return view;
}

}  // namespace console
