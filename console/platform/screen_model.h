// A console's screen as cells: a buffer of bufferWidth by bufferHeight cells
// with a window of rows over it, a cursor and its visibility, and the current
// attribute. It does the cell work of the platform's screen operations (cell
// writes, block scrolls, fills, window and cursor moves, the screen query)
// and counts the scrolls of the whole buffer, which a terminal shows as line
// feeds. It knows nothing of where the screen is shown; the in-memory
// console and the terminal console each hold one.
//
// For a console that mirrors the model somewhere (the terminal), the model
// also notes what changed since the mirror was last brought up to date (a
// render): the rows whose cells changed, the whole-buffer scrolls, and
// whether the window was blanked by fills (a clear) rather than by text.
// Only the operations below take these notes: cells changed through cell()
// or the cells vector directly are not noted.
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

// The largest screen the model takes in either direction. No terminal in use
// has more cells than this; a reported size beyond it (a terminal's mistake,
// or a size set on purpose to hurt) is cut to it, so that the cells of the
// model and of its mirror always fit in memory (64 MB each at the most).
inline constexpr int largestScreenWidth = 4096;
inline constexpr int largestScreenHeight = 4096;

struct ScreenSize {
    int width = 0;
    int height = 0;
};

// A size cut to what the model takes: 1 to the largest in each direction.
ScreenSize clampedScreenSize(int width, int height);

class ScreenModel {
public:
    // A buffer of width by bufferHeight cells whose window shows the top
    // windowHeight rows (the whole buffer when windowHeight is 0). Sizes are
    // clamped as clampedScreenSize says.
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

    // Whole-buffer content scrolls since the last takeScrolledLines (or the
    // last changesRendered).
    int takeScrolledLines();
    int scrolledLines() const { return scrolledLines_; }
    // How many lines this block move scrolls the whole buffer's content up
    // (what scrollBlock counts), or 0 when it is not such a scroll.
    int wholeBufferScrollLines(const CellRect& source, int destX, int destY) const;
    // Change the buffer and window size as a user resizing the console
    // would. Sizes are clamped as clampedScreenSize says.
    void resize(int width, int bufferHeight, int windowHeight = 0);

    // --- What changed since the last render -----------------------------------
    // A row is changed when a cell of it may differ from what the last render
    // showed, once the scrolls since then are taken into account: a row that
    // merely moved up with a whole-buffer scroll is not changed, the rows a
    // scroll brings in at the bottom are.
    bool rowChanged(int y) const { return (rowNotes_[static_cast<std::size_t>(y)] & changedNote) != 0; }
    bool anyRowChanged() const { return anyRowChanged_; }
    // Whether a whole-buffer scroll of lines would take off the buffer a row
    // changed since the last render, or leave more scrolled lines than one
    // render sends (the window's height): a mirror must render first, or
    // lines on their way to its scrollback are lost.
    bool scrollOutrunsRender(int lines) const;
    // Whether text was written or blocks moved since the last render: every
    // change but fills.
    bool textSinceRender() const { return textSinceRender_; }
    // Whether fills (not text writes) left every window row blank since the
    // last render, as the clear at the start of a round does.
    bool windowBlankedByFills() const { return windowBlankedByFills_; }
    // The render showed the model: no row is changed, the notes and the
    // scroll count start again.
    void changesRendered();

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
    static constexpr std::uint8_t changedNote = 1;
    // The whole row was blanked by a fill, and no text came since.
    static constexpr std::uint8_t filledBlankNote = 2;

    bool inBuffer(int x, int y) const { return x >= 0 && y >= 0 && x < bufferWidth && y < bufferHeight; }
    void noteRowChanged(int y);
    void noteEveryRowChanged();
    // The rows of a full-width block moved to destY, in place; the source
    // cells it does not cover take the fill.
    void moveRows(int top, int bottom, int destY, Cell fill);
    void moveBlock(const CellRect& src, int destX, int destY, Cell fill);
    // After a blanking fill: whether every window row is now blank by fills.
    void checkWindowBlankedByFills();

    int scrolledLines_ = 0;
    std::vector<std::uint8_t> rowNotes_;  // one per buffer row
    bool anyRowChanged_ = true;
    bool textSinceRender_ = true;
    bool windowBlankedByFills_ = false;
};

}  // namespace console
