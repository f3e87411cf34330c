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

WindowImage terminalView(const ScreenModel& model, int width, int height) {
    WindowImage window = windowImage(model);
    if (width == window.width && height == window.height) return window;

    WindowImage view;
    view.width = width;
    view.height = height;
    view.cells.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), Cell{});
    const int firstColumn = firstShown(window.width, width, window.cursorX);
    const int firstRow = firstShown(window.height, height, window.cursorY);
    const int columns = std::min(width, window.width - firstColumn);
    const int rows = std::min(height, window.height - firstRow);
    for (int y = 0; y < rows; ++y) {
        const auto from = window.cells.begin() +
                          static_cast<std::ptrdiff_t>(firstRow + y) * window.width + firstColumn;
        std::copy(from, from + columns, view.cells.begin() + static_cast<std::ptrdiff_t>(y) * width);
    }
    view.cursorX = window.cursorX - firstColumn;
    view.cursorY = window.cursorY - firstRow;
    view.cursorVisible = window.cursorVisible;
    return view;
}

}  // namespace console
