#include "console/posix/terminal_sequences.h"

#include "console/posix/cp437.h"

namespace console {
namespace {

constexpr std::string_view csi = "\x1b[";
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
constexpr std::uint16_t underscoreFlag = 0x8000;
constexpr std::uint16_t reverseVideoFlag = 0x4000;

void appendNumber(std::string& out, int value) { out += std::to_string(value); }

// A sequence with one count that is left out when it is 1.
void appendCounted(std::string& out, int n, char final) {
    out += csi;
    if (n != 1) appendNumber(out, n);
    out += final;
}

// Console colour bits are blue 1, green 2, red 4; the terminal's are red 1,
// green 2, blue 4. The intensity bit 8 picks the bright colours.
int ansiColour(int consoleColour) {
    return ((consoleColour & 1) ? 4 : 0) | (consoleColour & 2) | ((consoleColour & 4) ? 1 : 0);
}

}  // namespace

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

void appendCursorForward(std::string& out, int n) { appendCounted(out, n, cursorForwardFinal); }

void appendCursorToColumn(std::string& out, int x) {
    out += csi;
    appendNumber(out, x + 1);
    out += cursorColumnFinal;
}

void appendShiftCells(std::string& out, int count) {
    if (count > 0) {
        appendCounted(out, count, insertCellsFinal);
    } else {
        appendCounted(out, -count, deleteCellsFinal);
    }
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

std::string renderResetAndNewLine() {
    std::string out(defaultRendition);
    out += showCursor;
    out += carriageReturn;
    out += lineFeed;
    return out;
}

std::string renderBell() { return std::string(1, bell); }

}  // namespace console
