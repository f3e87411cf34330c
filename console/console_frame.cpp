#include "console/console_frame.h"

namespace console {

// --- Set-up ----------------------------------------------------------------------

void setUpConsole(ConsoleState& cs) {
    setUpStandardHandles(cs);
    if (!cs.boundsRead) readBounds(cs);
}

void setUpStandardHandles(ConsoleState& cs) {
    if (cs.handlesSetUp) return;
    cs.handlesSetUp = true;
    cs.platform.fetchStandardHandles();
    std::uint32_t mode = 0;
    if (cs.platform.getInputMode(mode)) cs.platform.setInputMode(mode | enableProcessedInput);
}

// --- Bounds and print area ----------------------------------------------------------

void readBounds(ConsoleState& cs) {
    ScreenInfo info;
    cs.boundsRead = true;
    if (!cs.platform.getScreenInfo(info)) {
        cs.bounds = ConsoleBounds{};
        return;
    }
    cs.bounds.left = 0;
    cs.bounds.top = static_cast<std::int16_t>(info.windowTop);
    cs.bounds.right = static_cast<std::int16_t>(info.bufferWidth - 1);
    cs.bounds.bottom = static_cast<std::int16_t>(info.windowBottom);
}

bool boundsUsable(const ConsoleBounds& bounds) { return bounds.left != bounds.right && bounds.top != bounds.bottom; }

void readUnusableBoundsAgain(ConsoleState& cs) {
    if (!boundsUsable(cs.bounds)) readBounds(cs);
}

std::pair<int, int> consoleSize(const ConsoleState& cs) {
    if (!boundsUsable(cs.bounds)) return {80, 25};
    return {cs.bounds.right - cs.bounds.left + 1, cs.bounds.bottom - cs.bounds.top + 1};
}

void freezePrintArea(ConsoleState& cs) {
    if (cs.printArea.fixed) return;
    cs.printArea.fixed = true;
    cs.printArea.firstRow = 1;
    const int height = consoleSize(cs).second;
    cs.printArea.lastRow = height == 0 ? 25 : height;
}

// --- Cursor --------------------------------------------------------------------------

void setCursor(ConsoleState& cs, int column, int row) {
    cs.platform.setCursorPosition(column, row);
    cs.pendingWrap = false;
}

std::pair<int, int> readCursor(ConsoleState& cs) {
    ScreenInfo info;
    if (!cs.platform.getScreenInfo(info)) return {0, 0};
    return {info.cursorX - cs.bounds.left + 1, info.cursorY - cs.bounds.top + 1};
}

namespace {

// The cell locateCursor places the cursor in: the target, or the cursor's
// own cell where the target is outside or a coordinate is kept.
std::pair<int, int> cursorTarget(ConsoleState& cs, int row, int col) {
    const int width = consoleSize(cs).first;
    const bool rowOutside = row != keepCoordinate && (row < cs.printArea.firstRow || row > cs.printArea.lastRow);
    const bool colOutside = col != keepCoordinate && (col < 1 || col > width);
    if (!rowOutside && !colOutside && row != keepCoordinate && col != keepCoordinate) return {col, row};
    const auto [currentCol, currentRow] = readCursor(cs);
    if (rowOutside || colOutside) return {currentCol, currentRow};
    return {col == keepCoordinate ? currentCol : col, row == keepCoordinate ? currentRow : row};
}

}  // namespace

bool locateCursor(ConsoleState& cs, int row, int col, CursorVisibility visibility) {
    setUpConsole(cs);
    freezePrintArea(cs);
    bool wasVisible = false;
    const bool visibilityKnown = cs.platform.getCursorVisible(wasVisible);

    const auto [targetCol, targetRow] = cursorTarget(cs, row, col);

    if (visibility != CursorVisibility::keep) {
        const bool show = visibility == CursorVisibility::show;
        if (!visibilityKnown || show != wasVisible) cs.platform.setCursorVisible(show);
    }
    setCursor(cs, targetCol - 1 + cs.bounds.left, targetRow - 1 + cs.bounds.top);
    cs.platform.present();
    return wasVisible;
}

}  // namespace console
