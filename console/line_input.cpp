#include "console/line_input.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <tuple>

#include "console/console.h"
#include "console/key_polling.h"
#include "console/text_output.h"

namespace console {

bool inputIsConsole(ConsoleState& cs) {
    std::uint32_t mode = 0;
    return cs.platform.getInputMode(mode);
}

void beginInput(ConsoleState& cs, std::string_view prompt, int questionMark, int newlineAfter) {
    bringUpConsole(cs);
    InputSource& source = cs.inputSource;
    if (!inputIsConsole(cs)) {
        // The stream's unread rest, put-back byte included, stays for the
        // next field.
        source.kind = InputSource::Kind::stream;
        source.lineText.clear();
        source.readPos = 0;
        return;
    }
    source.lineText.clear();
    source.kind = InputSource::Kind::consoleLine;
    source.readPos = 0;
    source.lineText = readInputLine(cs, prompt, questionMark, newlineAfter);
}

std::string readInputLine(ConsoleState& cs, std::string_view prompt, int questionMark, int newlineAfter) {
    // A wrap deferred by earlier output happens now, so the prompt starts
    // on a fresh row.
    consoleWrite(cs, nullptr, 0, syncWhenEmpty);
    printText(cs, prompt, 0);
    if (questionMark != 0) printText(cs, "? ", 0);
    std::string text = editLine(cs);
    if (newlineAfter != 0) printEnd(cs, lineEnd);
    return text;
}

namespace {

// Key values the editor acts on, as queued (keyCodeFromString).
constexpr KeyCode keyBackspace = 8;
constexpr KeyCode keyTab = 9;
constexpr KeyCode keyLineFeed = 10;
constexpr KeyCode keyEnter = 13;
constexpr KeyCode keyEscape = 27;
constexpr KeyCode keyHome = extendedKey(0x47);
constexpr KeyCode keyUp = extendedKey(0x48);
constexpr KeyCode keyLeft = extendedKey(0x4B);
constexpr KeyCode keyRight = extendedKey(0x4D);
constexpr KeyCode keyEnd = extendedKey(0x4F);
constexpr KeyCode keyDown = extendedKey(0x50);
constexpr KeyCode keyDelete = extendedKey(0x53);

// The cell d cells after (col, row), 1-based, counting along rows of the
// given width; rows above or below the window are kept as they come out.
struct Cell {
    long long col;
    long long row;
};

Cell cellAfter(int col, int row, long long d, int width) {
    const long long target = static_cast<long long>(row - 1) * width + (col - 1) + d;
    long long targetRow = target / width;
    if (target % width != 0 && target < 0) --targetRow;  // rounded down
    return {target - targetRow * width + 1, targetRow + 1};
}

void writeBytes(ConsoleState& cs, const std::string& bytes, std::size_t from) {
    consoleWrite(cs, reinterpret_cast<const std::uint8_t*>(bytes.data()) + from, bytes.size() - from, 0);
}

// The editor's state during one line.
struct LineEditor {
    ConsoleState& cs;
    int width;
    int height;
    std::string text;
    std::size_t pos = 0;
    // The cursor cell read before the key, moved along by the key's moves.
    int col = 0;
    int row = 0;

    std::size_t len() const { return text.size(); }

    void moveBy(long long d) { moveCursorBy(cs, col, row, d, width, height); }

    // Inserts the bytes at pos: the new bytes and the old tail are drawn
    // from the cursor on, then the cursor goes to the cell after them.
    void insert(std::string_view bytes) {
        locateCursor(cs, 0, 0, 0);
        const int c0 = col;
        const int r0 = row;
        const bool atEnd = pos == len();
        text.insert(pos, bytes);
        const std::size_t n = bytes.size();
        writeBytes(cs, text, pos);
        if (atEnd) {
            pos = len();
            moveBy(static_cast<long long>(n));
            return;
        }
        // Where the redrawn text ended, worked out from where it started:
        // past the window's last cell means the window scrolled under it.
        const auto [ce, re] = cellAfter(c0, r0, static_cast<long long>(len() - pos), width);
        pos += n;
        if (re > height + 1 || (re == height + 1 && ce > 1)) {
            // Back from the text's real end on screen to the new pos.
            std::pair<int, int> endCell = readCursor(cs);
            if (cs.pendingWrap) endCell = {1, cs.printArea.lastRow + 1};
            col = endCell.first;
            row = endCell.second;
            moveBy(static_cast<long long>(pos) - static_cast<long long>(len()));
        } else {
            moveBy(static_cast<long long>(n));
        }
    }

    // Deletes k bytes at pos: the tail is drawn k cells further left and
    // the k cells it no longer covers are blanked; the cursor stays at pos.
    void erase(std::size_t k) {
        locateCursor(cs, 0, 0, 0);
        text.erase(pos, k);
        std::string redraw = text.substr(pos);
        redraw.append(k, ' ');
        writeBytes(cs, redraw, 0);
        locateCursor(cs, row, col, -1);
    }

    // Acts on one key; returns true when the key ends the line.
    bool act(KeyCode key) {
        const std::size_t w = static_cast<std::size_t>(width);
        if (key >= 32 && key <= 255) {
            insert(std::string(1, static_cast<char>(key)));
            return false;
        }
        switch (key) {
            case keyTab:
                insert(std::string(8 - pos % 8, ' '));
                break;
            case keyBackspace:
                if (pos > 0) {
                    moveBy(-1);
                    --pos;
                    erase(1);
                }
                break;
            case keyDelete:
                if (pos < len()) {
                    erase(1);
                } else {
                    consoleBeep(cs);
                }
                break;
            case keyEscape:
                moveBy(-static_cast<long long>(pos));
                pos = 0;
                if (len() > 0) erase(len());
                break;
            case keyLeft:
                if (pos > 0) {
                    --pos;
                    moveBy(-1);
                }
                break;
            case keyRight:
                if (pos < len()) {
                    ++pos;
                    moveBy(1);
                }
                break;
            case keyHome:
                moveBy(-static_cast<long long>(pos));
                pos = 0;
                break;
            case keyEnd:
                moveBy(static_cast<long long>(len() - pos));
                pos = len();
                break;
            case keyUp:
                if (pos >= w) {
                    moveBy(-width);
                    pos -= w;
                }
                break;
            case keyDown:
                if (pos + w <= len()) {
                    moveBy(width);
                    pos += w;
                }
                break;
            case keyEnter:
            case keyLineFeed:
                return true;
            default:  // every other key, the close key among them, is ignored
                break;
        }
        return false;
    }
};

}  // namespace

std::string editLine(ConsoleState& cs) {
    const auto [width, height] = consoleSize(cs);
    const bool savedVisibility = locateCursor(cs, 0, 0, -1);
    locateCursor(cs, 0, 0, 0);
    locateCursor(cs, 0, 0, 1);

    LineEditor editor{cs, width, height, {}};
    for (;;) {
        std::tie(editor.col, editor.row) = readCursor(cs);
        const std::string key = waitKey(cs);
        if (key.empty()) continue;  // no key after all: wait again
        const bool done = editor.act(keyCodeFromString(key));
        locateCursor(cs, 0, 0, 1);
        if (done) break;
    }

    // The line is accepted as a whole: the cursor goes past its end.
    std::tie(editor.col, editor.row) = readCursor(cs);
    editor.moveBy(static_cast<long long>(editor.len() - editor.pos));
    locateCursor(cs, 0, 0, savedVisibility ? 1 : 0);
    return std::move(editor.text);
}

std::pair<int, int> readCursor(ConsoleState& cs) {
    ScreenInfo info;
    if (!cs.platform.getScreenInfo(info)) return {0, 0};
    return {info.cursorX - cs.bounds.left + 1, info.cursorY - cs.bounds.top + 1};
}

bool locateCursor(ConsoleState& cs, int row, int col, int visibility) {
    bringUpConsole(cs);
    fixPrintArea(cs);
    bool wasVisible = false;
    const bool visibilityKnown = cs.platform.getCursorVisible(wasVisible);

    const int width = consoleSize(cs).first;
    const bool rowOutside = row != 0 && (row < cs.printArea.firstRow || row > cs.printArea.lastRow);
    const bool colOutside = col != 0 && (col < 1 || col > width);
    if (rowOutside || colOutside || row == 0 || col == 0) {
        // The cursor stays in its cell, or keeps the coordinate not given.
        const auto [currentCol, currentRow] = readCursor(cs);
        if (rowOutside || colOutside) {
            row = currentRow;
            col = currentCol;
        } else {
            if (row == 0) row = currentRow;
            if (col == 0) col = currentCol;
        }
    }

    if (visibility >= 0) {
        const bool show = visibility != 0;
        if (!visibilityKnown || show != wasVisible) cs.platform.setCursorVisible(show);
    }
    setCursor(cs, col - 1 + cs.bounds.left, row - 1 + cs.bounds.top);
    cs.platform.present();
    return wasVisible;
}

void moveCursorBy(ConsoleState& cs, int& col, int& row, long long d, int width, int height) {
    const Cell target = cellAfter(col, row, d, width);
    col = static_cast<int>(target.col);
    row = static_cast<int>(std::clamp<long long>(target.row, INT_MIN / 2, INT_MAX / 2));
    if (row == height + 1 && col == 1) {
        // The cell just after the bottom-right cell: the area scrolls up one
        // row and the cursor starts the bottom row. Only a console scrolls;
        // redirected output must not receive a line ending nobody typed.
        if (!boundsUsable(cs.bounds)) return;
        locateCursor(cs, height, width, -1);
        consoleWrite(cs, reinterpret_cast<const std::uint8_t*>("\r\n"), 2, 0);
        return;
    }
    // A row above the window is not applied, like any other row outside the
    // print area; passed as 0 it would mean "keep the row" and put the
    // cursor in the wrong cell of the current row.
    locateCursor(cs, row < 1 ? -1 : row, col, -1);
}

}  // namespace console
