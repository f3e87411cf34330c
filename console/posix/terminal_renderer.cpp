#include "console/posix/terminal_renderer.h"

#include <algorithm>

#include "console/posix/cp437.h"

namespace console {
namespace {

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
    out += "\x1b[";
    if (x == 0 && y == 0) {
        out += 'H';
        return;
    }
    appendNumber(out, y + 1);
    if (x != 0) {
        out += ';';
        appendNumber(out, x + 1);
    }
    out += 'H';
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
            out += '\r';
        } else if (x == shown.cursorX - 1) {
            out += '\b';
        } else if (x > shown.cursorX && plainRunAhead(shown, x)) {
            // Sending the few cells passed over again is shorter than a move.
            for (int i = shown.cursorX; i < x; ++i) out += static_cast<char>(shownCell(shown, i, y).ch);
        } else if (x > shown.cursorX) {
            out += "\x1b[";
            if (x - shown.cursorX > 1) appendNumber(out, x - shown.cursorX);
            out += 'C';
        } else {
            out += "\x1b[";
            appendNumber(out, x + 1);
            out += 'G';
        }
    } else if (x == 0 && y == shown.cursorY + 1) {
        // The row below exists, so this line feed cannot scroll.
        out += "\r\n";
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
    out += "\x1b[0m\x1b[H\x1b[2J";
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
    out.append(static_cast<std::size_t>(lines), '\n');
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
        out += "\x1b[K";
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

WindowImage windowImage(const MemoryConsole& model) {
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
    if (attribute == defaultAttribute) return "\x1b[0m";
    std::string out = "\x1b[0";
    const int foreground = attribute & 0x0F;
    const int background = (attribute >> 4) & 0x0F;
    if (foreground != 7) {
        out += ';';
        appendNumber(out, ((foreground & 8) ? 90 : 30) + ansiColour(foreground));
    }
    if (background != 0) {
        out += ';';
        appendNumber(out, ((background & 8) ? 100 : 40) + ansiColour(background));
    }
    if (attribute & underscoreFlag) out += ";4";
    if (attribute & reverseVideoFlag) out += ";7";
    out += 'm';
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
        out += "\x1b[?25l";
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
        out += "\x1b[?25h";
        shown.visibilityKnown = true;
        shown.cursorVisible = true;
    }
    return out;
}

std::string renderLeave(ShownScreen& shown) {
    std::string out = "\x1b[0m";
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
    out += "\x1b[?25h";
    shown.visibilityKnown = true;
    shown.cursorVisible = true;
    return out;
}

}  // namespace console
