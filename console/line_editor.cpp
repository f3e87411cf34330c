#include "console/line_editor.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string_view>
#include <tuple>
#include <utility>

#include "console/console_frame.h"
#include "console/key_buffer.h"
#include "console/key_polling.h"
#include "console/key_tables.h"
#include "console/text_output.h"

namespace console {
namespace {

// Key values the editor acts on, as queued (keyCodeFromString): the control
// bytes, and the grey editing keys' extended codes from the key tables.
constexpr KeyCode keyBackspace = 8;
constexpr KeyCode keyTab = 9;
constexpr KeyCode keyLineFeed = 10;
constexpr KeyCode keyEnter = 13;
constexpr KeyCode keyEscape = 27;
constexpr KeyCode keyHome = extendedKey(extendedHome);
constexpr KeyCode keyUp = extendedKey(extendedUp);
constexpr KeyCode keyLeft = extendedKey(extendedLeft);
constexpr KeyCode keyRight = extendedKey(extendedRight);
constexpr KeyCode keyEnd = extendedKey(extendedEnd);
constexpr KeyCode keyDown = extendedKey(extendedDown);
constexpr KeyCode keyDelete = extendedKey(extendedDelete);

// The room a line's text starts with: more than any capital's name.
constexpr std::size_t lineRoom = 256;

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

// The editor's state during one line, and one action per editing key.
struct LineEditor {
    ConsoleState& cs;
    int width;
    int height;
    std::string text;
    std::size_t pos = 0;
    // The cursor cell read before the key, moved along by the key's moves.
    int col = 0;
    int row = 0;
    bool accepted = false;

    std::size_t len() const { return text.size(); }
    std::size_t rowLength() const { return static_cast<std::size_t>(width); }
    void moveBy(long long d) { moveCursorBy(cs, col, row, d, width, height); }

    void hideForRedraw();
    void insert(std::string_view bytes);
    void erase(std::size_t k);

    // The editing actions.
    void insertCharacter(std::uint8_t byte);
    void insertTab();
    void backspace();
    void deleteAtCursor();
    void clearLine();
    void left();
    void right();
    void home();
    void end();
    void up();
    void down();
    void accept();

    // Acts on one key; returns true when the key ends the line.
    bool act(KeyCode key);
    // The cursor goes past the end of the accepted text.
    void finish();
};

// The cursor is hidden while text is redrawn, so that it is not seen running
// along the row; editLine shows it again once the key is done.
void LineEditor::hideForRedraw() { applyCursorVisibility(cs, CursorVisibility::hide); }

// Inserts the bytes at pos: the new bytes and the old tail are drawn from
// the cursor on, then the cursor goes to the cell after them.
void LineEditor::insert(std::string_view bytes) {
    hideForRedraw();
    const int startCol = col;
    const int startRow = row;
    const bool atEnd = pos == len();
    text.insert(pos, bytes);
    const std::size_t n = bytes.size();
    writeBytes(cs, text, pos);
    if (atEnd) {
        pos = len();
        moveBy(static_cast<long long>(n));
        return;
    }
    // Where the redrawn text ended, worked out from where it started: past
    // the window's last cell means the window scrolled under it.
    const auto [endCol, endRow] = cellAfter(startCol, startRow, static_cast<long long>(len() - pos), width);
    pos += n;
    if (endRow > height + 1 || (endRow == height + 1 && endCol > 1)) {
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

// Deletes k bytes at pos: the tail is drawn k cells further left and the k
// cells it no longer covers are blanked; the cursor stays at pos.
void LineEditor::erase(std::size_t k) {
    hideForRedraw();
    text.erase(pos, k);
    // The blanks go out behind the tail in the same write, from the text's
    // own room, and come off again.
    text.append(k, ' ');
    writeBytes(cs, text, pos);
    text.resize(len() - k);
    locateCursor(cs, row, col, CursorVisibility::keep);
}

void LineEditor::insertCharacter(std::uint8_t byte) { insert(std::string(1, static_cast<char>(byte))); }

// Blanks up to the next multiple of 8 of the text position.
void LineEditor::insertTab() { insert(std::string(8 - pos % 8, ' ')); }

void LineEditor::backspace() {
    if (pos == 0) return;
    moveBy(-1);
    --pos;
    erase(1);
}

// The byte at the cursor deleted; at the end of the text, a beep instead.
void LineEditor::deleteAtCursor() {
    if (pos < len()) {
        erase(1);
    } else {
        consoleBeep(cs);
    }
}

// Escape: the whole line blanked, the cursor where it began.
void LineEditor::clearLine() {
    moveBy(-static_cast<long long>(pos));
    pos = 0;
    if (len() > 0) erase(len());
}

void LineEditor::left() {
    if (pos == 0) return;
    --pos;
    moveBy(-1);
}

void LineEditor::right() {
    if (pos == len()) return;
    ++pos;
    moveBy(1);
}

void LineEditor::home() {
    moveBy(-static_cast<long long>(pos));
    pos = 0;
}

void LineEditor::end() {
    moveBy(static_cast<long long>(len() - pos));
    pos = len();
}

// One screen row up, same column, when the text reaches that far back.
void LineEditor::up() {
    if (pos < rowLength()) return;
    moveBy(-width);
    pos -= rowLength();
}

// One screen row down, same column, when the text reaches that far on.
void LineEditor::down() {
    if (pos + rowLength() > len()) return;
    moveBy(width);
    pos += rowLength();
}

// Enter or line feed: the line is done.
void LineEditor::accept() { accepted = true; }

void LineEditor::finish() {
    std::tie(col, row) = readCursor(cs);
    moveBy(static_cast<long long>(len() - pos));
}

struct KeyAction {
    KeyCode key;
    void (LineEditor::*action)();
};

// The editing keys besides the bytes 32 to 255, which are inserted; every
// other key, the close key among them, is ignored.
constexpr KeyAction keyActions[] = {
    {keyTab, &LineEditor::insertTab},
    {keyBackspace, &LineEditor::backspace},
    {keyDelete, &LineEditor::deleteAtCursor},
    {keyEscape, &LineEditor::clearLine},
    {keyLeft, &LineEditor::left},
    {keyRight, &LineEditor::right},
    {keyHome, &LineEditor::home},
    {keyEnd, &LineEditor::end},
    {keyUp, &LineEditor::up},
    {keyDown, &LineEditor::down},
    {keyEnter, &LineEditor::accept},
    {keyLineFeed, &LineEditor::accept},
};

bool LineEditor::act(KeyCode key) {
    if (key >= 32 && key <= 255) {
        insertCharacter(static_cast<std::uint8_t>(key));
        return false;
    }
    for (const KeyAction& entry : keyActions) {
        if (entry.key == key) {
            (this->*entry.action)();
            break;
        }
    }
    return accepted;
}

}  // namespace

std::string editLine(ConsoleState& cs) {
    // The width and height are read once and the cursor arithmetic of the
    // whole line rests on them: the console keeps its buffer's size until
    // the line is done.
    cs.platform.keepBufferSize(true);
    const auto [width, height] = consoleSize(cs);
    const bool savedVisibility = applyCursorVisibility(cs, CursorVisibility::keep);
    // Hidden and shown again: the cursor starts the line visible whatever
    // it was before.
    applyCursorVisibility(cs, CursorVisibility::hide);
    applyCursorVisibility(cs, CursorVisibility::show);

    LineEditor editor{cs, width, height, {}};
    // Room for a line longer than any answer, so that typing it allocates
    // nothing; a longer line still grows as it must.
    editor.text.reserve(lineRoom);
    for (;;) {
        std::tie(editor.col, editor.row) = readCursor(cs);
        const std::string key = waitKey(cs);
        if (key.empty()) continue;  // no key after all: wait again
        const bool done = editor.act(keyCodeFromString(key));
        applyCursorVisibility(cs, CursorVisibility::show);
        if (done) break;
    }

    editor.finish();
    applyCursorVisibility(cs, savedVisibility ? CursorVisibility::show : CursorVisibility::hide);
    cs.platform.keepBufferSize(false);
    return std::move(editor.text);
}

void moveCursorBy(ConsoleState& cs, int& col, int& row, long long d, int width, int height) {
    const Cell target = cellAfter(col, row, d, width);
    col = static_cast<int>(target.col);
    // The target row is worked out in long long, since d is as long as the
    // text. Narrowed to an int it is clamped to half the int range: a row
    // that far out lies outside the window, where it is not applied anyway,
    // and the next move's row - 1 and the comparison with height + 1 cannot
    // overflow.
    row = static_cast<int>(std::clamp<long long>(target.row, INT_MIN / 2, INT_MAX / 2));
    if (row == height + 1 && col == 1) {
        // The cell just after the bottom-right cell: the area scrolls up one
        // row and the cursor starts the bottom row. Only a console scrolls;
        // redirected output must not receive a line ending nobody typed.
        if (!boundsUsable(cs.bounds)) return;
        locateCursor(cs, height, width, CursorVisibility::keep);
        consoleWrite(cs, reinterpret_cast<const std::uint8_t*>("\r\n"), 2, 0);
        return;
    }
    // A row above the window is not applied, like any other row outside the
    // print area. Row 0 would be keepCoordinate and put the cursor in the
    // wrong cell of the current row, so every such row goes as outsideWindow.
    locateCursor(cs, row < 1 ? outsideWindow : row, col, CursorVisibility::keep);
}

}  // namespace console
