#include "console/posix/terminal_view.h"

#include <algorithm>
#include <cstddef>

#include "console/posix/terminal_sequences.h"

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

Cell ScreenView::cell(int x, int y) const {
    const int modelColumn = left + x;
    const int modelRow = top + y;
    if (model == nullptr || modelColumn < 0 || modelColumn >= model->bufferWidth || modelRow < 0 ||
        modelRow >= model->bufferHeight) {
        return blankCell;
    }
    return model->cell(modelColumn, modelRow);
}

bool ScreenView::rowChanged(int y) const {
    const int modelRow = top + y;
    return everyRow || (model != nullptr && modelRow >= 0 && modelRow < model->bufferHeight && model->rowChanged(modelRow));
}

bool ScreenView::anyRowChanged() const { return everyRow || (model != nullptr && model->anyRowChanged()); }

ScreenView windowView(const ScreenModel& model) {
    ScreenView view;
    view.model = &model;
    view.width = model.bufferWidth;
    const int lastRow = std::max(model.bufferHeight - 1, 0);
    view.top = std::clamp(model.windowTop, 0, lastRow);
    const int bottom = std::clamp(model.windowBottom, view.top, lastRow);
    view.height = model.bufferHeight > 0 ? bottom - view.top + 1 : 0;
    view.cursorX = std::clamp(model.cursorX, 0, std::max(view.width - 1, 0));
    view.cursorY = std::clamp(model.cursorY - view.top, 0, std::max(view.height - 1, 0));
    view.cursorVisible = model.cursorVisible;
    view.scrolledLines = model.scrolledLines();
    view.blankedByFills = model.windowBlankedByFills();
    return view;
}

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
