#include "console/posix/terminal_renderer.h"

#include <algorithm>
#include <string_view>

#include "console/posix/cp437.h"
#include "console/posix/row_shift.h"

namespace console {
namespace {

// --- What the console sends to the terminal ------------------------------------
// Every byte the console sends that is not a glyph is one of these. They are
// the sequences of the ANSI/VT100 family that every terminal in use knows;
// coordinates in them are 1-based.
//
//   ESC[          CSI, the introducer of every sequence below.
//   ESC[0m        SGR with the default rendition: before a clear, at the way
//                 out, and for the console's attribute 7.
//   ESC[0;..m     SGR with colours (30-37, 90-97 foreground; 40-47, 100-107
//                 background), underscore (4) and reverse video (7): a cell's
//                 attribute when it differs from the rendition in force.
//   ESC[H         CUP without parameters: the cursor to the top-left cell.
//   ESC[r;cH      CUP: the cursor to row r, column c (";c" left out for
//                 column 1); where no shorter move is sure.
//   ESC[nC        CUF: the cursor n cells right on its row (n left out for 1);
//                 over a few plain cells, sending them again is shorter.
//   ESC[nG        CHA: the cursor to column n of its row (a move left).
//   ESC[2J        ED 2: blanks the whole screen, before a full paint (the
//                 first one, and after a resize, stop or resume).
//   ESC[K         EL: blanks the row from the cursor to its end, cheaper than
//                 sending the blanks.
//   ESC[n@        ICH: inserts n blank cells at the cursor, moving the rest
//                 of the row right (the cells pushed past its end are lost):
//                 a key typed in the middle of an answer. n left out for 1.
//   ESC[nP        DCH: deletes n cells at the cursor, moving the rest of the
//                 row left and blanking its end: a key deleted there. Both
//                 are sent in the default rendition, whose blanks they make,
//                 with the cursor placed explicitly, so that no deferred
//                 wrap is pending; neither moves the cursor.
//   ESC[?25l/h    DECTCEM: hides or shows the cursor, as the console's
//                 cursor visibility says.
//   CR            the cursor to column 1 of its row.
//   LF            the cursor one row down; on the bottom row it scrolls the
//                 screen up, the top row going into the scrollback (a
//                 scroll of the window, and the text on screen when the
//                 window is cleared for a new round).
//   CR LF         the cursor to the start of the next row (the way out).
//   BS            the cursor one cell left.
//   BEL           the console's tone.
constexpr std::string_view csi = "\x1b[";
constexpr std::string_view defaultRendition = "\x1b[0m";
constexpr std::string_view cursorHome = "\x1b[H";
constexpr std::string_view clearScreen = "\x1b[2J";
constexpr std::string_view eraseToRowEnd = "\x1b[K";
constexpr std::string_view hideCursor = "\x1b[?25l";
constexpr std::string_view showCursor = "\x1b[?25h";
constexpr char cursorPositionFinal = 'H';  // CUP
constexpr char cursorForwardFinal = 'C';   // CUF
constexpr char cursorColumnFinal = 'G';    // CHA
constexpr char insertCellsFinal = '@';     // ICH
constexpr char deleteCellsFinal = 'P';     // DCH
constexpr char renditionFinal = 'm';       // SGR
constexpr char parameterSeparator = ';';
constexpr std::string_view renditionStart = "\x1b[0";  // SGR, from the default rendition on
constexpr int foregroundBase = 30;
constexpr int brightForegroundBase = 90;
constexpr int backgroundBase = 40;
constexpr int brightBackgroundBase = 100;
constexpr std::string_view underscoreParameter = ";4";
constexpr std::string_view reverseVideoParameter = ";7";
constexpr char carriageReturn = '\r';
constexpr char lineFeed = '\n';
constexpr char backspace = '\b';
constexpr char bell = '\a';

constexpr std::uint16_t defaultAttribute = 7;
constexpr Cell blankCell{' ', defaultAttribute};
// Unchanged cells between two changed ones that are sent again rather than
// jumped over with a cursor move (which costs about as many bytes).
constexpr int longestRewrittenGap = 3;
constexpr std::uint16_t underscoreFlag = 0x8000;
constexpr std::uint16_t reverseVideoFlag = 0x4000;

void appendNumber(std::string& out, int value) { out += std::to_string(value); }

// Console colour bits are blue 1, green 2, red 4; the terminal's are red 1,
// green 2, blue 4. The intensity bit 8 picks the bright colours.
int ansiColour(int consoleColour) {
    return ((consoleColour & 1) ? 4 : 0) | (consoleColour & 2) | ((consoleColour & 4) ? 1 : 0);
}

// Absolute cursor placement, 0-based in, 1-based out.
void appendCursorTo(std::string& out, int x, int y) {
    if (x == 0 && y == 0) {
        out += cursorHome;
        return;
    }
    out += csi;
    appendNumber(out, y + 1);
    if (x != 0) {
        out += parameterSeparator;
        appendNumber(out, x + 1);
    }
    out += cursorPositionFinal;
}

Cell& shownCell(ShownScreen& shown, int x, int y) {
    return shown.cells[static_cast<std::size_t>(y * shown.width + x)];
}

// Whether the cells from the cursor up to x (not included) are few, in the
// rendition in force, and plain ASCII, so that sending them again moves the
// cursor in fewer bytes than a cursor move.
bool plainRunAhead(ShownScreen& shown, int x) {
    if (x - shown.cursorX > longestRewrittenGap || !shown.attributeKnown) return false;
    for (int i = shown.cursorX; i < x; ++i) {
        const Cell& cell = shownCell(shown, i, shown.cursorY);
        if (cell.attribute != shown.attribute || cell.ch < 0x20 || cell.ch >= 0x7F) return false;
    }
    return true;
}

// Moves the real cursor to (x, y) with the shortest sequence that is sure.
void moveCursor(std::string& out, ShownScreen& shown, int x, int y) {
    if (shown.cursorKnown && shown.cursorX == x && shown.cursorY == y) return;
    if (!shown.cursorKnown) {
        appendCursorTo(out, x, y);
    } else if (y == shown.cursorY) {
        if (x == 0) {
            out += carriageReturn;
        } else if (x == shown.cursorX - 1) {
            out += backspace;
        } else if (x > shown.cursorX && plainRunAhead(shown, x)) {
            // Sending the few cells passed over again is shorter than a move.
            for (int i = shown.cursorX; i < x; ++i) out += static_cast<char>(shownCell(shown, i, y).ch);
        } else if (x > shown.cursorX) {
            out += csi;
            if (x - shown.cursorX > 1) appendNumber(out, x - shown.cursorX);
            out += cursorForwardFinal;
        } else {
            out += csi;
            appendNumber(out, x + 1);
            out += cursorColumnFinal;
        }
    } else if (x == 0 && y == shown.cursorY + 1) {
        // The row below exists, so this line feed cannot scroll.
        out += carriageReturn;
        out += lineFeed;
    } else {
        appendCursorTo(out, x, y);
    }
    shown.cursorKnown = true;
    shown.cursorX = x;
    shown.cursorY = y;
}

void setRendition(std::string& out, ShownScreen& shown, std::uint16_t attribute) {
    if (shown.attributeKnown && shown.attribute == attribute) return;
    out += renditionFor(attribute);
    shown.attributeKnown = true;
    shown.attribute = attribute;
}

Cell* shownRow(ShownScreen& shown, int y) { return shown.cells.data() + static_cast<std::size_t>(y) * shown.width; }

// Sends the cells x to last of row y.
void writeRun(std::string& out, ShownScreen& shown, const Cell* target, int x, int last, int y,
              GlyphEncoding encoding) {
    moveCursor(out, shown, x, y);
    Cell* row = shownRow(shown, y);
    for (int i = x; i <= last; ++i) {
        setRendition(out, shown, target[i].attribute);
        appendGlyph(out, target[i].ch, encoding);
        row[i] = target[i];
    }
    if (last == shown.width - 1) {
        // The terminal may now hold a deferred wrap at the last column.
        shown.cursorKnown = false;
    } else {
        shown.cursorX = last + 1;
    }
}

// Clears the screen and takes the target's size: the shown screen is blank.
void clearWhole(std::string& out, ShownScreen& shown, const ScreenView& target) {
    out += defaultRendition;
    out += cursorHome;
    out += clearScreen;
    shown.known = true;
    shown.width = target.width;
    shown.height = target.height;
    shown.cells.assign(static_cast<std::size_t>(target.width) * static_cast<std::size_t>(target.height), blankCell);
    shown.cursorKnown = true;
    shown.cursorX = 0;
    shown.cursorY = 0;
    shown.attributeKnown = true;
    shown.attribute = defaultAttribute;
}

// Line feeds on the bottom row: the terminal's content moves up by lines and
// the rows that leave the top go into its scrollback.
void scrollUp(std::string& out, ShownScreen& shown, int lines) {
    lines = std::min(lines, shown.height);
    if (lines <= 0) return;
    // Fresh rows take the current background: use the default one.
    setRendition(out, shown, defaultAttribute);
    moveCursor(out, shown, 0, shown.height - 1);
    out.append(static_cast<std::size_t>(lines), lineFeed);
    const auto width = static_cast<std::ptrdiff_t>(shown.width);
    std::move(shown.cells.begin() + lines * width, shown.cells.end(), shown.cells.begin());
    std::fill(shown.cells.end() - lines * width, shown.cells.end(), blankCell);
}

bool rowHasText(const ShownScreen& shown, int y) {
    for (int x = 0; x < shown.width; ++x) {
        if (!(shown.cells[static_cast<std::size_t>(y * shown.width + x)] == blankCell)) return true;
    }
    return false;
}

// The window was cleared: the rows shown, down to the last one with text,
// go up into the scrollback, as the scrolls send theirs, and the screen is
// left blank.
void pushShownTextIntoScrollback(std::string& out, ShownScreen& shown) {
    int lastTextRow = -1;
    for (int y = shown.height - 1; y >= 0 && lastTextRow < 0; --y) {
        if (rowHasText(shown, y)) lastTextRow = y;
    }
    scrollUp(out, shown, lastTextRow + 1);
}

// The cells of the target's row y: the model's own where the view takes
// whole rows of it, else gathered in scratch.
const Cell* targetRow(const ScreenView& target, int y, std::vector<Cell>& scratch) {
    const ScreenModel& model = *target.model;
    const int modelRow = target.top + y;
    if (target.left == 0 && target.width == model.bufferWidth && modelRow >= 0 && modelRow < model.bufferHeight) {
        return &model.cell(0, modelRow);
    }
    scratch.resize(static_cast<std::size_t>(target.width));
    for (int x = 0; x < target.width; ++x) scratch[static_cast<std::size_t>(x)] = target.cell(x, y);
    return scratch.data();
}

// Sends the cells of row y that differ: runs of changed cells (with short
// unchanged gaps sent again), then an erase of the row's blank end.
void redrawRow(std::string& out, ShownScreen& shown, const Cell* target, int y, GlyphEncoding encoding) {
    const int width = shown.width;
    Cell* row = shownRow(shown, y);
    // The row's text ends at its last cell that is not a default blank; past
    // it, erasing to the end of the row is cheaper than sending blanks.
    int inkEnd = width;
    while (inkEnd > 0 && target[inkEnd - 1] == blankCell) --inkEnd;
    bool tailDiffers = false;
    for (int x = inkEnd; x < width && !tailDiffers; ++x) tailDiffers = !(row[x] == blankCell);

    int x = 0;
    while (x < inkEnd) {
        if (row[x] == target[x]) {
            ++x;
            continue;
        }
        int last = x;
        for (int next = x + 1; next < inkEnd; ++next) {
            if (row[next] == target[next]) {
                if (next - last > longestRewrittenGap) break;
                continue;
            }
            last = next;
        }
        writeRun(out, shown, target, x, last, y, encoding);
        x = last + 1;
    }
    if (tailDiffers) {
        moveCursor(out, shown, inkEnd, y);
        setRendition(out, shown, defaultAttribute);
        out += eraseToRowEnd;
        std::fill(row + inkEnd, row + width, blankCell);
    }
}

// Has the terminal insert or delete cells on row y, as the shift says.
void shiftRow(std::string& out, ShownScreen& shown, int y, RowShift shift) {
    moveCursor(out, shown, shift.column, y);
    setRendition(out, shown, defaultAttribute);
    const int n = shift.count > 0 ? shift.count : -shift.count;
    out += csi;
    if (n > 1) appendNumber(out, n);
    out += shift.count > 0 ? insertCellsFinal : deleteCellsFinal;
    applyRowShift(shownRow(shown, y), shown.width, shift, blankCell);
}

// What a row's update changes of the shown screen: the row's cells, the
// real cursor and the rendition; kept to try another way of sending it.
struct RowState {
    std::vector<Cell> cells;
    bool cursorKnown = false;
    int cursorX = 0;
    int cursorY = 0;
    bool attributeKnown = false;
    std::uint16_t attribute = 0;
};

RowState saveRow(const ShownScreen& shown, int y) {
    const auto begin = shown.cells.begin() + static_cast<std::ptrdiff_t>(y) * shown.width;
    return RowState{std::vector<Cell>(begin, begin + shown.width), shown.cursorKnown, shown.cursorX,
                    shown.cursorY,       shown.attributeKnown,                 shown.attribute};
}

void restoreRow(ShownScreen& shown, int y, const RowState& state) {
    std::copy(state.cells.begin(), state.cells.end(), shownRow(shown, y));
    shown.cursorKnown = state.cursorKnown;
    shown.cursorX = state.cursorX;
    shown.cursorY = state.cursorY;
    shown.attributeKnown = state.attributeKnown;
    shown.attribute = state.attribute;
}

// Brings row y up to the target: by sending the cells that differ, or, when
// the row's cells moved right or left and that costs fewer bytes, by having
// the terminal move them first.
void updateRow(std::string& out, ShownScreen& shown, const Cell* target, int y, GlyphEncoding encoding) {
    const Cell* row = shownRow(shown, y);
    int first = 0;
    while (first < shown.width && row[first] == target[first]) ++first;
    if (first == shown.width) return;
    const RowShift shift = findRowShift(row, target, shown.width, first, blankCell);
    if (shift.count == 0) {
        redrawRow(out, shown, target, y, encoding);
        return;
    }
    const RowState before = saveRow(shown, y);
    std::string redrawn;
    redrawRow(redrawn, shown, target, y, encoding);
    const RowState afterRedraw = saveRow(shown, y);
    restoreRow(shown, y, before);
    std::string shifted;
    shiftRow(shifted, shown, y, shift);
    redrawRow(shifted, shown, target, y, encoding);
    if (shifted.size() < redrawn.size()) {
        out += shifted;
    } else {
        restoreRow(shown, y, afterRedraw);
        out += redrawn;
    }
}

// The window's content scrolled up by lines: line feeds on the bottom row,
// each followed by the row it brings in, written there as it comes in, so
// that the cursor runs down with the text as it would for a printed line
// and never goes back up.
void scrollUpBringingRows(std::string& out, ShownScreen& shown, const ScreenView& target, int lines,
                          GlyphEncoding encoding) {
    if (lines <= 0) return;
    moveCursor(out, shown, 0, shown.height - 1);
    const auto width = static_cast<std::ptrdiff_t>(shown.width);
    std::move(shown.cells.begin() + lines * width, shown.cells.end(), shown.cells.begin());
    std::fill(shown.cells.end() - lines * width, shown.cells.end(), blankCell);
    std::vector<Cell> scratch;
    for (int y = shown.height - lines; y < shown.height; ++y) {
        // Fresh rows take the current background: use the default one. The
        // cursor goes to the start of the bottom row first: by a carriage
        // return, or after a write of the row's last column (a deferred wrap
        // that not every terminal cancels on a carriage return) by placing
        // it there.
        setRendition(out, shown, defaultAttribute);
        if (!shown.cursorKnown) {
            appendCursorTo(out, 0, shown.height - 1);
        } else if (shown.cursorX != 0) {
            out += carriageReturn;
        }
        out += lineFeed;
        // The real cursor is on the bottom row, which ends up as row y.
        shown.cursorKnown = true;
        shown.cursorX = 0;
        shown.cursorY = y;
        redrawRow(out, shown, targetRow(target, y, scratch), y, encoding);
    }
}

void updateRows(std::string& out, ShownScreen& shown, const ScreenView& target, bool everyRow,
                GlyphEncoding encoding) {
    if (!everyRow && !target.anyRowChanged()) return;
    std::vector<Cell> scratch;
    for (int y = 0; y < target.height; ++y) {
        if (everyRow || target.rowChanged(y)) updateRow(out, shown, targetRow(target, y, scratch), y, encoding);
    }
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

std::string renditionFor(std::uint16_t attribute) {
    if (attribute == defaultAttribute) return std::string(defaultRendition);
    std::string out(renditionStart);
    const int foreground = attribute & 0x0F;
    const int background = (attribute >> 4) & 0x0F;
    if (foreground != 7) {
        out += parameterSeparator;
        appendNumber(out, ((foreground & 8) ? brightForegroundBase : foregroundBase) + ansiColour(foreground));
    }
    if (background != 0) {
        out += parameterSeparator;
        appendNumber(out, ((background & 8) ? brightBackgroundBase : backgroundBase) + ansiColour(background));
    }
    if (attribute & underscoreFlag) out += underscoreParameter;
    if (attribute & reverseVideoFlag) out += reverseVideoParameter;
    out += renditionFinal;
    return out;
}

void appendGlyph(std::string& out, std::uint8_t byte, GlyphEncoding encoding) {
    if (encoding == GlyphEncoding::ascii) {
        out += (byte >= 0x20 && byte < 0x7F) ? static_cast<char>(byte) : '?';
        return;
    }
    const std::string_view glyph = cp437ToUtf8(byte);
    // A glyph must take exactly one column: a control character would act
    // on the terminal instead of showing.
    const bool control = glyph.empty() || (glyph.size() == 1 && (static_cast<std::uint8_t>(glyph[0]) < 0x20 ||
                                                                 static_cast<std::uint8_t>(glyph[0]) == 0x7F));
    if (control) {
        out += ' ';
        return;
    }
    out += glyph;
}

std::string renderScreen(ShownScreen& shown, const ScreenView& target, GlyphEncoding encoding) {
    std::string out;
    if (target.width <= 0 || target.height <= 0 || target.model == nullptr) return out;
    if (!target.cursorVisible && (!shown.visibilityKnown || shown.cursorVisible)) {
        out += hideCursor;
        shown.visibilityKnown = true;
        shown.cursorVisible = false;
    }
    bool everyRow = target.everyRow || shown.rowsMoved;
    shown.rowsMoved = false;
    if (!shown.known || shown.width != target.width || shown.height != target.height) {
        clearWhole(out, shown, target);
        everyRow = true;
    } else {
        // The clear came before any scroll still to send: a scroll before
        // it was sent before the window was blanked. The screen left blank
        // is then compared whole, as the rows the model did not change (blank
        // already) may still differ from default blanks in their colours.
        if (target.blankedByFills) {
            pushShownTextIntoScrollback(out, shown);
            everyRow = true;
        }
        // A scroll of a screenful or more leaves nothing shown to run on
        // from: the line feeds go out, and the rows are drawn afterwards.
        if (target.scrolledLines < shown.height) {
            scrollUpBringingRows(out, shown, target, target.scrolledLines, encoding);
        } else {
            scrollUp(out, shown, target.scrolledLines);
        }
    }
    updateRows(out, shown, target, everyRow, encoding);
    moveCursor(out, shown, target.cursorX, target.cursorY);
    if (target.cursorVisible && (!shown.visibilityKnown || !shown.cursorVisible)) {
        out += showCursor;
        shown.visibilityKnown = true;
        shown.cursorVisible = true;
    }
    return out;
}

std::string renderLeave(ShownScreen& shown) {
    std::string out(defaultRendition);
    shown.attributeKnown = true;
    shown.attribute = defaultAttribute;
    if (shown.known && shown.height > 0) {
        int lastTextRow = -1;
        for (int y = 0; y < shown.height; ++y) {
            if (rowHasText(shown, y)) lastTextRow = y;
        }
        if (shown.cursorKnown && shown.cursorX > 0) lastTextRow = std::max(lastTextRow, shown.cursorY);
        if (lastTextRow + 1 < shown.height) {
            moveCursor(out, shown, 0, lastTextRow + 1);
        } else {
            scrollUp(out, shown, 1);
            shown.rowsMoved = true;
        }
    }
    out += showCursor;
    shown.visibilityKnown = true;
    shown.cursorVisible = true;
    return out;
}

std::string renderResetAndNewLine() {
    std::string out(defaultRendition);
    out += showCursor;
    out += carriageReturn;
    out += lineFeed;
    return out;
}

std::string renderBell() { return std::string(1, bell); }

}  // namespace console
