#include "console/posix/cp437.h"

#include <array>
#include <cstddef>

namespace console {
namespace {

// The glyph of every byte of code page 437 as a Unicode code point. Byte 0
// has no glyph of its own on the console (it shows as an empty cell), so it
// is drawn as a blank. Bytes 1 to 31 and 127 show their graphic glyphs, as
// the console's cells do: a cell holds a character, never a control.
constexpr std::array<char32_t, 256> glyphs = {
    // 0x00
    U'\u0020', U'\u263A', U'\u263B', U'\u2665', U'\u2666', U'\u2663', U'\u2660', U'\u2022',
    U'\u25D8', U'\u25CB', U'\u25D9', U'\u2642', U'\u2640', U'\u266A', U'\u266B', U'\u263C',
    // 0x10
    U'\u25BA', U'\u25C4', U'\u2195', U'\u203C', U'\u00B6', U'\u00A7', U'\u25AC', U'\u21A8',
    U'\u2191', U'\u2193', U'\u2192', U'\u2190', U'\u221F', U'\u2194', U'\u25B2', U'\u25BC',
    // 0x20 to 0x7E: ASCII
    U' ', U'!', U'"', U'#', U'$', U'%', U'&', U'\'', U'(', U')', U'*', U'+', U',', U'-', U'.', U'/',
    U'0', U'1', U'2', U'3', U'4', U'5', U'6', U'7', U'8', U'9', U':', U';', U'<', U'=', U'>', U'?',
    U'@', U'A', U'B', U'C', U'D', U'E', U'F', U'G', U'H', U'I', U'J', U'K', U'L', U'M', U'N', U'O',
    U'P', U'Q', U'R', U'S', U'T', U'U', U'V', U'W', U'X', U'Y', U'Z', U'[', U'\\', U']', U'^', U'_',
    U'`', U'a', U'b', U'c', U'd', U'e', U'f', U'g', U'h', U'i', U'j', U'k', U'l', U'm', U'n', U'o',
    U'p', U'q', U'r', U's', U't', U'u', U'v', U'w', U'x', U'y', U'z', U'{', U'|', U'}', U'~',
    U'\u2302',
    // 0x80
    U'\u00C7', U'\u00FC', U'\u00E9', U'\u00E2', U'\u00E4', U'\u00E0', U'\u00E5', U'\u00E7',
    U'\u00EA', U'\u00EB', U'\u00E8', U'\u00EF', U'\u00EE', U'\u00EC', U'\u00C4', U'\u00C5',
    // 0x90
    U'\u00C9', U'\u00E6', U'\u00C6', U'\u00F4', U'\u00F6', U'\u00F2', U'\u00FB', U'\u00F9',
    U'\u00FF', U'\u00D6', U'\u00DC', U'\u00A2', U'\u00A3', U'\u00A5', U'\u20A7', U'\u0192',
    // 0xA0
    U'\u00E1', U'\u00ED', U'\u00F3', U'\u00FA', U'\u00F1', U'\u00D1', U'\u00AA', U'\u00BA',
    U'\u00BF', U'\u2310', U'\u00AC', U'\u00BD', U'\u00BC', U'\u00A1', U'\u00AB', U'\u00BB',
    // 0xB0
    U'\u2591', U'\u2592', U'\u2593', U'\u2502', U'\u2524', U'\u2561', U'\u2562', U'\u2556',
    U'\u2555', U'\u2563', U'\u2551', U'\u2557', U'\u255D', U'\u255C', U'\u255B', U'\u2510',
    // 0xC0
    U'\u2514', U'\u2534', U'\u252C', U'\u251C', U'\u2500', U'\u253C', U'\u255E', U'\u255F',
    U'\u255A', U'\u2554', U'\u2569', U'\u2566', U'\u2560', U'\u2550', U'\u256C', U'\u2567',
    // 0xD0
    U'\u2568', U'\u2564', U'\u2565', U'\u2559', U'\u2558', U'\u2552', U'\u2553', U'\u256B',
    U'\u256A', U'\u2518', U'\u250C', U'\u2588', U'\u2584', U'\u258C', U'\u2590', U'\u2580',
    // 0xE0
    U'\u03B1', U'\u00DF', U'\u0393', U'\u03C0', U'\u03A3', U'\u03C3', U'\u00B5', U'\u03C4',
    U'\u03A6', U'\u0398', U'\u03A9', U'\u03B4', U'\u221E', U'\u03C6', U'\u03B5', U'\u2229',
    // 0xF0
    U'\u2261', U'\u00B1', U'\u2265', U'\u2264', U'\u2320', U'\u2321', U'\u00F7', U'\u2248',
    U'\u00B0', U'\u2219', U'\u00B7', U'\u221A', U'\u207F', U'\u00B2', U'\u25A0', U'\u00A0',
};

// Look-alike characters that keyboards and input methods produce for some of
// the Greek and mathematical glyphs; typed, they stand for those bytes.
struct Alias {
    char32_t character;
    std::uint8_t byte;
};
constexpr Alias aliases[] = {
    {U'\u03B2', 0xE1},  // Greek small beta for sharp s
    {U'\u03BC', 0xE6},  // Greek small mu for micro sign
    {U'\u2126', 0xEA},  // ohm sign for capital omega
    {U'\u2205', 0xED},  // empty set for small phi
    {U'\u2208', 0xEE},  // element of for small epsilon
};

// The UTF-8 bytes of every glyph, at most 3 each (all glyphs lie in the
// basic multilingual plane), with their lengths.
struct Utf8Glyphs {
    std::array<std::array<char, 3>, 256> bytes{};
    std::array<std::uint8_t, 256> lengths{};
};

constexpr Utf8Glyphs encodeGlyphs() {
    Utf8Glyphs table;
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        const char32_t c = glyphs[i];
        auto& out = table.bytes[i];
        if (c < 0x80) {
            out[0] = static_cast<char>(c);
            table.lengths[i] = 1;
        } else if (c < 0x800) {
            out[0] = static_cast<char>(0xC0 | (c >> 6));
            out[1] = static_cast<char>(0x80 | (c & 0x3F));
            table.lengths[i] = 2;
        } else {
            out[0] = static_cast<char>(0xE0 | (c >> 12));
            out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out[2] = static_cast<char>(0x80 | (c & 0x3F));
            table.lengths[i] = 3;
        }
    }
    return table;
}

constexpr Utf8Glyphs utf8Glyphs = encodeGlyphs();

}  // namespace

std::string_view cp437ToUtf8(std::uint8_t byte) {
    return {utf8Glyphs.bytes[byte].data(), utf8Glyphs.lengths[byte]};
}

int cp437FromUnicode(char32_t character) {
    // ASCII is itself, control characters included: a typed control
    // character arrives as its own byte, not as a glyph.
    if (character < 0x80) return static_cast<int>(character);
    for (int byte = 0x7F; byte <= 0xFF; ++byte) {
        if (glyphs[static_cast<std::size_t>(byte)] == character) return byte;
    }
    for (const Alias& alias : aliases) {
        if (alias.character == character) return alias.byte;
    }
    return -1;
}

}  // namespace console
