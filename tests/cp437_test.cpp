// Code page 437: every byte's glyph as UTF-8 for the terminal, and typed
// Unicode characters back to bytes.
#include "console/posix/cp437.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace console {
namespace {

// The one code point of a UTF-8 text, or -1 when it is not exactly one
// well-formed character.
long singleCodePoint(std::string_view text) {
    if (text.empty()) return -1;
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3 : 0;
    if (length == 0 || text.size() != length) return -1;
    long value = length == 1 ? lead : lead & (length == 2 ? 0x1F : 0x0F);
    for (std::size_t i = 1; i < length; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c & 0xC0) != 0x80) return -1;
        value = (value << 6) | (c & 0x3F);
    }
    const long smallest = length == 1 ? 0 : length == 2 ? 0x80 : 0x800;
    if (value < smallest || (value >= 0xD800 && value <= 0xDFFF)) return -1;
    return value;
}

TEST(Cp437, EveryByteHasItsOwnPrintableGlyph) {
    std::set<long> seen;
    for (int byte = 0; byte < 256; ++byte) {
        const long glyph = singleCodePoint(cp437ToUtf8(static_cast<std::uint8_t>(byte)));
        ASSERT_GE(glyph, 0) << "byte " << byte;
        // Nothing the terminal would act on instead of showing it.
        EXPECT_FALSE(glyph < 0x20 || (glyph >= 0x7F && glyph < 0xA0)) << "byte " << byte;
        if (byte != 0) {
            EXPECT_TRUE(seen.insert(glyph).second) << "byte " << byte << " repeats a glyph";
        }
    }
}

TEST(Cp437, KnownGlyphs) {
    EXPECT_EQ(cp437ToUtf8(0x00), " ");  // an empty cell
    EXPECT_EQ(cp437ToUtf8(0x01), "\u263A");
    EXPECT_EQ(cp437ToUtf8(0x0D), "\u266A");
    EXPECT_EQ(cp437ToUtf8(0x1B), "\u2190");
    EXPECT_EQ(cp437ToUtf8(' '), " ");
    EXPECT_EQ(cp437ToUtf8('A'), "A");
    EXPECT_EQ(cp437ToUtf8('~'), "~");
    EXPECT_EQ(cp437ToUtf8(0x7F), "\u2302");
    EXPECT_EQ(cp437ToUtf8(0x80), "\u00C7");
    EXPECT_EQ(cp437ToUtf8(0x82), "\u00E9");
    EXPECT_EQ(cp437ToUtf8(0x9E), "\u20A7");
    EXPECT_EQ(cp437ToUtf8(0xB3), "\u2502");
    EXPECT_EQ(cp437ToUtf8(0xC4), "\u2500");
    EXPECT_EQ(cp437ToUtf8(0xC9), "\u2554");
    EXPECT_EQ(cp437ToUtf8(0xDB), "\u2588");
    EXPECT_EQ(cp437ToUtf8(0xE1), "\u00DF");
    EXPECT_EQ(cp437ToUtf8(0xE6), "\u00B5");
    EXPECT_EQ(cp437ToUtf8(0xFE), "\u25A0");
    EXPECT_EQ(cp437ToUtf8(0xFF), "\u00A0");
}

TEST(Cp437, TypedCharactersComeBackAsTheirBytes) {
    for (int byte = 0x20; byte < 256; ++byte) {
        const long glyph = singleCodePoint(cp437ToUtf8(static_cast<std::uint8_t>(byte)));
        EXPECT_EQ(cp437FromUnicode(static_cast<char32_t>(glyph)), byte) << "byte " << byte;
    }
    for (int ascii = 0; ascii < 0x80; ++ascii) EXPECT_EQ(cp437FromUnicode(static_cast<char32_t>(ascii)), ascii);
    // Look-alikes that input methods produce.
    EXPECT_EQ(cp437FromUnicode(U'\u03B2'), 0xE1);
    EXPECT_EQ(cp437FromUnicode(U'\u03BC'), 0xE6);
    EXPECT_EQ(cp437FromUnicode(U'\u2126'), 0xEA);
}

TEST(Cp437, CharactersOutsideTheCodePageHaveNoByte) {
    EXPECT_EQ(cp437FromUnicode(U'\u263A'), -1);  // the glyph of byte 1 is not typed
    EXPECT_EQ(cp437FromUnicode(U'\u20AC'), -1);
    EXPECT_EQ(cp437FromUnicode(U'\u0080'), -1);
    EXPECT_EQ(cp437FromUnicode(U'\u00C0'), -1);
    EXPECT_EQ(cp437FromUnicode(U'\U0001F600'), -1);
    EXPECT_EQ(cp437FromUnicode(static_cast<char32_t>(0x110000)), -1);
}

}  // namespace
}  // namespace console
