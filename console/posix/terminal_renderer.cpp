#include "console/posix/terminal_renderer.h"

#include <algorithm>
#include <string_view>

#include "console/posix/cp437.h"

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
//   ESC[?25l/h    DECTCEM: hides or shows the cursor, as the console's
//                 cursor visibility says.
//   CR            the cursor to column 1 of its row.
//   LF            the cursor one row down; on the bottom row it scrolls the
//                 screen up, the top row going into the scrollback.
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

const Cell& targetCell(const WindowImage& target, int x, int y) {
    return target.cells[static_cast<std::size_t>(y * target.width + x)];
}

// Sends the cells x to last of row y.
void writeRun(std::string& out, ShownScreen& shown, const WindowImage& target, int x, int last, int y,
              GlyphEncoding encoding) {
    moveCursor(out, shown, x, y);
    for (int i = x; i <= last; ++i) {
        const Cell& cell = targetCell(target, i, y);
        setRendition(out, shown, cell.attribute);
        appendGlyph(out, cell.ch, encoding);
        shownCell(shown, i, y) = cell;
    }
    if (last == shown.width - 1) {
        // The terminal may now hold a deferred wrap at the last column.
        shown.cursorKnown = false;
    } else {
        shown.cursorX = last + 1;
    }
}

// Clears the screen and takes the target's size: the shown screen is blank.
void clearWhole(std::string& out, ShownScreen& shown, const WindowImage& target) {
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

void updateRow(std::string& out, ShownScreen& shown, const WindowImage& target, int y, GlyphEncoding encoding) {
    const int width = target.width;
    // The row's text ends at its last cell that is not a default blank; past
    // it, erasing to the end of the row is cheaper than sending blanks.
    int inkEnd = width;
    while (inkEnd > 0 && targetCell(target, inkEnd - 1, y) == blankCell) --inkEnd;
    bool tailDiffers = false;
    for (int x = inkEnd; x < width && !tailDiffers; ++x) tailDiffers = !(shownCell(shown, x, y) == blankCell);

    int x = 0;
    while (x < inkEnd) {
        if (shownCell(shown, x, y) == targetCell(target, x, y)) {
            ++x;
            continue;
        }
        int last = x;
        for (int next = x + 1; next < inkEnd; ++next) {
            if (shownCell(shown, next, y) == targetCell(target, next, y)) {
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
        for (int i = inkEnd; i < width; ++i) shownCell(shown, i, y) = blankCell;
    }
}

bool rowHasText(const ShownScreen& shown, int y) {
    for (int x = 0; x < shown.width; ++x) {
        if (!(shown.cells[static_cast<std::size_t>(y * shown.width + x)] == blankCell)) return true;
    }
    return false;
}

}  // namespace

WindowImage windowImage(const ScreenModel& model) {
    WindowImage image;
    image.width = model.bufferWidth;
    const int top = std::clamp(model.windowTop, 0, std::max(model.bufferHeight - 1, 0));
    const int bottom = std::clamp(model.windowBottom, top, std::max(model.bufferHeight - 1, 0));
    image.height = model.bufferHeight > 0 ? bottom - top + 1 : 0;
    image.cells.reserve(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height));
    for (int y = top; y < top + image.height; ++y) {
        for (int x = 0; x < image.width; ++x) image.cells.push_back(model.cell(x, y));
    }
    image.cursorX = std::clamp(model.cursorX, 0, std::max(image.width - 1, 0));
    image.cursorY = std::clamp(model.cursorY - top, 0, std::max(image.height - 1, 0));
    image.cursorVisible = model.cursorVisible;
    return image;
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

std::string renderScreen(ShownScreen& shown, const WindowImage& target, int scrolledLines,
                         GlyphEncoding encoding) {
    std::string out;
    if (target.width <= 0 || target.height <= 0) return out;
    if (!target.cursorVisible && (!shown.visibilityKnown || shown.cursorVisible)) {
        out += hideCursor;
        shown.visibilityKnown = true;
        shown.cursorVisible = false;
    }
    if (!shown.known || shown.width != target.width || shown.height != target.height) {
        clearWhole(out, shown, target);
    } else {
        scrollUp(out, shown, scrolledLines);
    }
    for (int y = 0; y < target.height; ++y) updateRow(out, shown, target, y, encoding);
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
