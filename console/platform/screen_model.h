// A console's screen as cells: a buffer of bufferWidth by bufferHeight cells
// with a window of rows over it, a cursor and its visibility, and the current
// attribute. It does the cell work of the platform's screen operations (cell
// writes, block scrolls, fills, window and cursor moves, the screen query)
// and counts the scrolls of the whole buffer, which a terminal shows as line
// feeds. It knows nothing of where the screen is shown; the in-memory
// console and the terminal console each hold one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "console/console_platform.h"

namespace console {

struct Cell {
    std::uint8_t ch = ' ';
    std::uint16_t attribute = 7;
    bool operator==(const Cell&) const = default;
};

class ScreenModel {
public:
    // A buffer of width by bufferHeight cells whose window shows the top
    // windowHeight rows (the whole buffer when windowHeight is 0).
    ScreenModel(int width, int bufferHeight, int windowHeight = 0);

    // --- The screen operations, on the cells --------------------------------
    // Each returns false, changing nothing, where the console refuses the
    // request; the callers check first whether there is a screen at all.
    void getScreenInfo(ScreenInfo& info) const;
    // The cursor stays in the buffer.
    bool setCursorPosition(int x, int y);
    // The window spans the buffer's width and lies within its rows.
    bool setWindow(const CellRect& window);
    // Cells past the row's ends are left out; a row outside the buffer fails.
    bool writeCells(int x, int y, const std::uint8_t* bytes, int n, std::uint16_t cellAttribute);
    // The source is cut to the buffer; destination cells outside it are lost.
    bool scrollBlock(const CellRect& source, int destX, int destY, std::uint8_t fillChar,
                     std::uint16_t fillAttribute);
    // From a cell in the buffer, running on from row to row up to its end.
    bool fillCharacter(std::uint8_t ch, int count, int x, int y);
    bool fillAttribute(std::uint16_t cellAttribute, int count, int x, int y);

    // Whole-buffer content scrolls since the last takeScrolledLines.
    int takeScrolledLines();
    // Change the buffer and window size as a user resizing the console would.
    void resize(int width, int bufferHeight, int windowHeight = 0);

    Cell& cell(int x, int y) { return cells[static_cast<std::size_t>(y * bufferWidth + x)]; }
    const Cell& cell(int x, int y) const { return cells[static_cast<std::size_t>(y * bufferWidth + x)]; }
    // The characters of a buffer row, and of a window row (0 = the window's top).
    std::string rowText(int y) const;
    std::string windowRowText(int row) const;

    // --- The screen ------------------------------------------------------------
    int bufferWidth;
    int bufferHeight;
    std::vector<Cell> cells;  // row by row
    int windowTop = 0;
    int windowBottom;
    int cursorX = 0;
    int cursorY = 0;
    bool cursorVisible = true;
    std::uint16_t attribute = 7;

private:
    bool inBuffer(int x, int y) const { return x >= 0 && y >= 0 && x < bufferWidth && y < bufferHeight; }
    int scrolledLines_ = 0;
};

}  // namespace console
