// Code page 437: the console's 256 glyphs, as UTF-8 for the terminal and
// back from Unicode for typed characters.
#pragma once

#include <cstdint>
#include <string_view>

namespace console {

// The UTF-8 form of the glyph of a byte (every byte 0 to 255 has one). Bytes
// 1 to 31 and 127 show their graphic glyphs (1 is a smiling face, 127 a
// house); byte 0 shows as a blank, as an empty console cell does.
std::string_view cp437ToUtf8(std::uint8_t byte);
// The byte whose glyph is this Unicode character, or -1 when none is. ASCII
// (control characters included) is itself; the graphic glyphs of bytes 1 to
// 31 are not typed characters and give -1.
int cp437FromUnicode(char32_t character);

}  // namespace console
