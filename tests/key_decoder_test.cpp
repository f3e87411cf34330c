// Terminal input decoded into key events and through key polling into
// KeyStrings: real byte sequences of xterm, VT220, rxvt and the Linux console,
// with and without modifiers, characters in UTF-8 and as single bytes, Alt
// as an Escape prefix, the wait for the rest of a sequence, and the reports
// and broken sequences that yield nothing.
#include "console/posix/key_decoder.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "console/key_polling.h"
#include "console/memory/memory_console.h"
#include "console/platform/us_layout.h"

namespace console {
namespace {

std::string ext(int code) { return std::string{'\xFF', static_cast<char>(code)}; }
std::string one(int byte) { return std::string(1, static_cast<char>(byte)); }

std::vector<InputRecord> decode(KeyDecoder& decoder, std::string_view bytes) {
    std::vector<InputRecord> out;
    decoder.feed(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), out);
    return out;
}

// The records of bytes read at once, then the end of the wait.
std::vector<InputRecord> recordsOf(std::string_view bytes, bool utf8 = true) {
    KeyDecoder decoder(utf8);
    std::vector<InputRecord> out = decode(decoder, bytes);
    decoder.flush(out);
    return out;
}

// The KeyStrings that key polling makes of the records.
std::vector<std::string> keysFrom(const std::vector<InputRecord>& records) {
    MemoryConsole con;
    ConsoleState cs{con};
    for (const InputRecord& r : records) con.events.push_back(r);
    std::vector<std::string> keys;
    for (std::string key = pollKey(cs); !key.empty(); key = pollKey(cs)) keys.push_back(key);
    return keys;
}

std::vector<std::string> keysOf(std::string_view bytes, bool utf8 = true) { return keysFrom(recordsOf(bytes, utf8)); }

std::string printable(std::string_view bytes) {
    std::string s;
    for (unsigned char c : bytes) {
        if (c == 27) {
            s += "ESC ";
        } else if (c >= 32 && c < 127) {
            s += static_cast<char>(c);
            s += ' ';
        } else {
            s += "\\x";
            s += "0123456789abcdef"[c >> 4];
            s += "0123456789abcdef"[c & 15];
            s += ' ';
        }
    }
    return s;
}

struct Case {
    std::string_view bytes;
    std::vector<std::string> keys;
};

void expectKeys(const std::vector<Case>& cases, bool utf8 = true) {
    for (const Case& c : cases) {
        EXPECT_EQ(keysOf(c.bytes, utf8), c.keys) << "bytes: " << printable(c.bytes);
        // The same keys when the bytes come one read at a time.
        KeyDecoder decoder(utf8);
        std::vector<InputRecord> records;
        for (char byte : c.bytes) {
            const auto b = static_cast<std::uint8_t>(byte);
            decoder.feed(&b, 1, records);
        }
        decoder.flush(records);
        EXPECT_EQ(keysFrom(records), c.keys) << "bytes one at a time: " << printable(c.bytes);
    }
}

using namespace std::string_view_literals;

TEST(KeyDecoderKeys, TypedCharactersAndControlKeys) {
    expectKeys({
        {"a", {"a"}},
        {"Z", {"Z"}},
        {"Ohio 2!", {"O", "h", "i", "o", " ", "2", "!"}},
        {"~`{}|\\\"'", {"~", "`", "{", "}", "|", "\\", "\"", "'"}},
        {"\r", {one(13)}},
        {"\n", {one(10)}},  // Ctrl+J: ends the line as Enter does
        {"\t", {one(9)}},
        {"\x7f", {one(8)}},
        {"\x08", {one(8)}},
        {"\x1b", {one(27)}},
        {"\x01", {one(1)}},
        {"\x1a", {one(26)}},
        {"\x03", {one(3)}},
        {"\x1c\x1d\x1e\x1f", {one(28), one(29), one(30), one(31)}},
        {"\0"sv, {}},  // Ctrl+Space / Ctrl+@ names no key, as Ctrl+@ on a console
        {"\x1b[Z", {ext(0x0F)}},  // Shift+Tab
    });
}

TEST(KeyDecoderKeys, AltAsEscapePrefix) {
    expectKeys({
        {"\x1bx", {ext(0x2D)}},
        {"\x1bX", {ext(0x2D)}},
        {"\x1b" "a", {ext(0x1E)}},
        {"\x1b" "1", {ext(0x78)}},
        {"\x1b=", {ext(0x83)}},
        {"\x1b/", {ext(0x35)}},
        {"\x1b!", {"!"}},  // Alt+Shift+1: the character is not the key's own
        {"\x1b\r", {ext(0x1C)}},
        {"\x1b\t", {ext(0x0F)}},
        {"\x1b\x7f", {ext(0xE0)}},
        {"\x1b\x08", {ext(0xE0)}},
        {"\x1b[", {ext(0x1A)}},  // the sequence introducer alone is Alt+[
        {"\x1bO", {ext(0x18)}},
        {"\x1b\x1b", {one(27), one(27)}},
        {"\x1b\x1bx", {one(27), ext(0x2D)}},
        {"\x1b\x1b[A", {ext(0x98)}},  // rxvt: Alt+Up
        {"\x1b\x1bOA", {ext(0x98)}},
        {"\x1b\x1b[11~", {ext(104)}},  // rxvt: Alt+F1
        {"\x1b\x1b[", {one(27), ext(0x1A)}},
    });
}

TEST(KeyDecoderKeys, CursorAndEditingKeysXterm) {
    expectKeys({
        {"\x1b[A", {ext(0x48)}},        {"\x1b[B", {ext(0x50)}},        {"\x1b[C", {ext(0x4D)}},
        {"\x1b[D", {ext(0x4B)}},        {"\x1b[H", {ext(0x47)}},        {"\x1b[F", {ext(0x4F)}},
        {"\x1bOA", {ext(0x48)}},        {"\x1bOD", {ext(0x4B)}},        {"\x1bOH", {ext(0x47)}},
        {"\x1bOF", {ext(0x4F)}},        {"\x1b[2~", {ext(0x52)}},       {"\x1b[3~", {ext(0x53)}},
        {"\x1b[5~", {ext(0x49)}},       {"\x1b[6~", {ext(0x51)}},
        // Modifier parameters: 2 Shift, 3 Alt, 4 Alt+Shift, 5 Ctrl, 6 Ctrl+Shift, 7 Ctrl+Alt, 8 all.
        {"\x1b[1;2A", {ext(0x48)}},     {"\x1b[1;3A", {ext(0x98)}},     {"\x1b[1;4A", {ext(0x98)}},
        {"\x1b[1;5A", {ext(0x8D)}},     {"\x1b[1;6A", {ext(0x8D)}},     {"\x1b[1;7A", {ext(0x98)}},
        {"\x1b[1;8A", {ext(0x98)}},     {"\x1b[1;5B", {ext(0x91)}},     {"\x1b[1;5C", {ext(0x74)}},
        {"\x1b[1;5D", {ext(0x73)}},     {"\x1b[1;3D", {ext(0x9B)}},     {"\x1b[1;5H", {ext(0x77)}},
        {"\x1b[1;5F", {ext(0x75)}},     {"\x1b[1;3F", {ext(0x9F)}},     {"\x1b[2;5~", {ext(0x92)}},
        {"\x1b[3;5~", {ext(0x93)}},     {"\x1b[3;3~", {ext(0xA3)}},     {"\x1b[5;5~", {ext(0x84)}},
        {"\x1b[6;5~", {ext(0x76)}},     {"\x1b[6;3~", {ext(0xA1)}},     {"\x1b[3;2~", {ext(0x53)}},
        {"\x1bO5A", {ext(0x8D)}},  // older form: the modifier as the only parameter
        {"\x1b[E", {ext(0x4C)}},   // keypad 5, Num Lock off
    });
}

TEST(KeyDecoderKeys, FunctionKeysXterm) {
    expectKeys({
        {"\x1bOP", {ext(59)}},           {"\x1bOQ", {ext(60)}},           {"\x1bOR", {ext(61)}},
        {"\x1bOS", {ext(62)}},           {"\x1b[15~", {ext(63)}},         {"\x1b[17~", {ext(64)}},
        {"\x1b[18~", {ext(65)}},         {"\x1b[19~", {ext(66)}},         {"\x1b[20~", {ext(67)}},
        {"\x1b[21~", {ext(68)}},         {"\x1b[23~", {ext(0x85)}},       {"\x1b[24~", {ext(0x86)}},
        {"\x1b[1;2P", {ext(84)}},        {"\x1b[1;5P", {ext(94)}},        {"\x1b[1;3P", {ext(104)}},
        {"\x1b[1;2S", {ext(87)}},        {"\x1b[15;2~", {ext(88)}},       {"\x1b[21;5~", {ext(0x67)}},
        {"\x1b[17;3~", {ext(0x6D)}},     {"\x1b[23;2~", {ext(0x87)}},     {"\x1b[24;5~", {ext(0x8A)}},
        {"\x1b[23;3~", {ext(0x8B)}},     {"\x1b[24;3~", {ext(0x8C)}},     {"\x1bO2P", {ext(84)}},
    });
}

TEST(KeyDecoderKeys, Vt220RxvtAndLinuxConsole) {
    expectKeys({
        // VT220 and the Linux console.
        {"\x1b[1~", {ext(0x47)}},  {"\x1b[4~", {ext(0x4F)}},  {"\x1b[11~", {ext(59)}}, {"\x1b[12~", {ext(60)}},
        {"\x1b[13~", {ext(61)}},   {"\x1b[14~", {ext(62)}},   {"\x1b[[A", {ext(59)}},  {"\x1b[[B", {ext(60)}},
        {"\x1b[[E", {ext(63)}},    {"\x1b[25~", {ext(86)}},   {"\x1b[34~", {ext(93)}},
        // rxvt.
        {"\x1b[7~", {ext(0x47)}},  {"\x1b[8~", {ext(0x4F)}},  {"\x1b[a", {ext(0x48)}}, {"\x1b[d", {ext(0x4B)}},
        {"\x1bOa", {ext(0x8D)}},   {"\x1bOb", {ext(0x91)}},   {"\x1bOc", {ext(0x74)}}, {"\x1bOd", {ext(0x73)}},
        {"\x1b[2$", {ext(0x52)}},  {"\x1b[3^", {ext(0x93)}},  {"\x1b[7^", {ext(0x77)}}, {"\x1b[5^", {ext(0x84)}},
        {"\x1b[11^", {ext(94)}},   {"\x1b[23$", {ext(0x87)}}, {"\x1b[24^", {ext(0x8A)}}, {"\x1b[11@", {ext(94)}},
        {"\x1b[25^", {ext(96)}},
        // The keypad in application mode.
        {"\x1bOM", {one(13)}},     {"\x1bOx", {"8"}},         {"\x1bOp", {"0"}},       {"\x1bOo", {"/"}},
        {"\x1bOj", {"*"}},         {"\x1bOk", {"+"}},         {"\x1bOm", {"-"}},       {"\x1bOn", {"."}},
    });
}

TEST(KeyDecoderKeys, CharactersBeyondAscii) {
    expectKeys({
        {"\xc3\xa9", {one(0x82)}},                  // é
        {"\xc3\x87\xc3\xbc", {one(0x80), one(0x81)}},  // Ç ü
        {"\xe2\x94\x82", {one(0xB3)}},              // │
        {"\xc2\xa0", {one(0xFF)}},                  // no-break space
        {"\xe2\x8c\x82", {one(0x7F)}},              // ⌂
        {"\xe2\x82\xac" "a", {"a"}},               // € is not in the code page
        {"\xf0\x9f\x98\x80" "b", {"b"}},           // nor is an emoji
        {"\x1b\xc3\xa9", {one(0x82)}},              // Alt+é keeps its character
        {"\xe2\x98\xba", {}},                       // the glyph of byte 1 is no typed character
    });
    expectKeys(
        {
            {"\xc3\xa9", {one(0xC3), one(0xA9)}},
            {"\x82\xff", {one(0x82), one(0xFF)}},
            {"\x1b\x82", {one(0x82)}},
        },
        false);
}

TEST(KeyDecoderKeys, MalformedUtf8IsDroppedWithoutHarm) {
    expectKeys({
        {"\x80" "a", {"a"}},                  // stray continuation byte
        {"\xc3" "a", {"a"}},                  // cut short by an ASCII byte
        {"\xc3", {}},                         // cut short by the end of the wait
        {"\xc0\xaf" "a", {"a"}},              // overlong slash
        {"\xe0\x80\xaf" "a", {"a"}},
        {"\xe0\x83\x87" "a", {"a"}},          // overlong capital C cedilla
        {"\xf0\x80\x83\x87" "a", {"a"}},
        {"\xed\xa0\x80" "a", {"a"}},          // surrogate
        {"\xf4\x90\x80\x80" "a", {"a"}},      // beyond U+10FFFF
        {"\xff\xfe" "a", {"a"}},
        {"\xe2\x94\x1b[A", {ext(0x48)}},      // cut short by a sequence
        {"\x1b\xc3", {one(27)}},
        {"\x1b\x80" "a", {one(27), "a"}},
    });
}

TEST(KeyDecoderKeys, ReportsAndUnknownSequencesYieldNothing) {
    expectKeys({
        {"\x1b[I\x1b[O", {}},                            // focus in and out
        {"\x1b[200~hi\x1b[201~", {"h", "i"}},            // pasted text arrives as typed
        {"\x1b[<0;10;5M\x1b[<0;10;5m" "a", {"a"}},       // SGR mouse
        {"\x1b[M !!a", {"a"}},                           // X10 mouse: three raw bytes
        {"\x1b[M\xff\xff\xff" "a", {"a"}},
        {"\x1b[32;10;5M" "a", {"a"}},                    // urxvt mouse
        {"\x1b[12;40R" "a", {"a"}},                      // cursor position reports
        {"\x1b[12;5R" "a", {"a"}},
        {"\x1b[?1;2c" "a", {"a"}},                       // device attributes
        {"\x1b[99~" "a", {"a"}},
        {"\x1b[1;17A" "a", {"a"}},                       // modifier out of range
        {"\x1b[1;5;3A" "a", {"a"}},
        {"\x1b[27;5;13~" "a", {"a"}},
        {"\x1b[[Z" "a", {"a"}},
        {"\x1bOz" "a", {"a"}},
        {"\x1b[ q" "a", {"a"}},                          // intermediate byte
    });
}

TEST(KeyDecoderKeys, BrokenSequencesDoNotSwallowWhatFollows) {
    expectKeys({
        {"\x1b[1;5\x1b[A", {ext(0x48)}},
        {"\x1b[1\rx", {one(13), "x"}},
        {"\x1bO\x7f", {one(8)}},
        {"\x1b[[\x1bOP", {ext(59)}},
        {"\x1b[1;5", {}},
        {"\x1b[M!", {}},
        {"\x1b[\xc3\xa9", {one(0x82)}},
    });
}

TEST(KeyDecoderHolding, LoneEscapeWaitsThenNeverAltersLaterKeys) {
    KeyDecoder decoder(true);
    EXPECT_TRUE(decode(decoder, "\x1b").empty());
    EXPECT_TRUE(decoder.holding());
    std::vector<InputRecord> out;
    decoder.flush(out);
    EXPECT_FALSE(decoder.holding());
    EXPECT_EQ(keysFrom(out), std::vector<std::string>{one(27)});
    EXPECT_EQ(keysFrom(decode(decoder, "x")), std::vector<std::string>{"x"});
    // Without the end of the wait, the Escape is Alt for the next key.
    EXPECT_TRUE(decode(decoder, "\x1b").empty());
    EXPECT_EQ(keysFrom(decode(decoder, "x")), std::vector<std::string>{ext(0x2D)});
    EXPECT_FALSE(decoder.holding());
}

TEST(KeyDecoderHolding, SequenceSplitAcrossReadsIsOneKey) {
    KeyDecoder decoder(true);
    EXPECT_TRUE(decode(decoder, "\x1b[1;").empty());
    EXPECT_TRUE(decoder.holding());
    EXPECT_TRUE(decode(decoder, "5").empty());
    EXPECT_EQ(keysFrom(decode(decoder, "A")), std::vector<std::string>{ext(0x8D)});
    EXPECT_FALSE(decoder.holding());
    EXPECT_TRUE(decode(decoder, "\xe2\x94").empty());
    EXPECT_TRUE(decoder.holding());
    EXPECT_EQ(keysFrom(decode(decoder, "\x82")), std::vector<std::string>{one(0xB3)});
}

TEST(KeyDecoderHolding, PartialSequenceAtTheEndOfTheWaitIsDropped) {
    KeyDecoder decoder(true);
    EXPECT_TRUE(decode(decoder, "\x1b[1;5").empty());
    std::vector<InputRecord> out;
    decoder.flush(out);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(keysFrom(decode(decoder, "A")), std::vector<std::string>{"A"});
}

TEST(KeyDecoderHolding, OverlongSequenceIsBoundedAndConsumedToItsFinalByte) {
    KeyDecoder decoder(true);
    std::string sequence = "\x1b[";
    for (int i = 0; i < 200; ++i) sequence += "1;";
    std::vector<InputRecord> out;
    for (char c : sequence) {
        const auto b = static_cast<std::uint8_t>(c);
        decoder.feed(&b, 1, out);
        ASSERT_LE(decoder.heldLength(), KeyDecoder::maxHeldBytes);
        ASSERT_TRUE(decoder.holding());
    }
    // Its final byte ends it: the keys after it arrive.
    EXPECT_TRUE(decode(decoder, "A").empty());
    EXPECT_FALSE(decoder.holding());
    EXPECT_EQ(keysFrom(decode(decoder, "b")), std::vector<std::string>{"b"});
    // A control byte inside ends it too and is a key of its own.
    decode(decoder, sequence);
    EXPECT_EQ(keysFrom(decode(decoder, "\r")), std::vector<std::string>{one(13)});
    // And so does the end of the wait.
    decode(decoder, sequence);
    decoder.flush(out);
    EXPECT_FALSE(decoder.holding());
    EXPECT_EQ(keysFrom(decode(decoder, "c")), std::vector<std::string>{"c"});
}

// The event fields themselves, as a console reports them.
TEST(KeyDecoderRecords, PressAndReleaseWithLayoutFields) {
    struct Expected {
        std::string_view bytes;
        std::uint16_t virtualKey;
        std::uint16_t scanCode;
        std::uint8_t character;
        std::uint32_t controlState;
    };
    const Expected table[] = {
        {"a", 0x41, 30, 'a', 0},
        {"A", 0x41, 30, 'A', shiftPressed},
        {" ", 0x20, 57, ' ', 0},
        {"?", 0xBF, 53, '?', shiftPressed},
        {"\r", vkReturn, scanEnter, 13, 0},
        {"\n", 0x4A, 36, 10, leftCtrlPressed},
        {"\x7f", vkBack, scanBackspace, 8, 0},
        {"\x01", 0x41, 30, 1, leftCtrlPressed},
        {"\0"sv, 0x32, 3, 0, leftCtrlPressed | shiftPressed},
        {"\x1b", vkEscape, scanEscape, 27, 0},
        {"\x1bx", 0x58, 45, 'x', leftAltPressed},
        {"\x1b\x01", 0x41, 30, 1, leftAltPressed | leftCtrlPressed},
        {"\x1b[A", vkUp, scanUp, 0, enhancedKey},
        {"\x1b[1;6D", vkLeft, scanLeft, 0, enhancedKey | leftCtrlPressed | shiftPressed},
        {"\x1b[3;3~", vkDelete, scanDelete, 0, enhancedKey | leftAltPressed},
        {"\x1bOP", vkF1, 59, 0, 0},
        {"\x1b[24;2~", vkF1 + 11, 88, 0, shiftPressed},
        {"\x1b[Z", vkTab, scanTab, 9, shiftPressed},
        {"\xc3\xa9", 0, 0, 0x82, 0},
        {"\x1bOM", vkReturn, scanEnter, 13, enhancedKey},
    };
    for (const Expected& e : table) {
        const std::vector<InputRecord> records = recordsOf(e.bytes);
        ASSERT_EQ(records.size(), 2u) << printable(e.bytes);
        for (int i = 0; i < 2; ++i) {
            const KeyEvent& k = records[static_cast<std::size_t>(i)].key;
            EXPECT_EQ(records[static_cast<std::size_t>(i)].eventType, keyEventType);
            EXPECT_EQ(k.keyDown, i == 0) << printable(e.bytes);
            EXPECT_EQ(k.repeatCount, 1) << printable(e.bytes);
            EXPECT_EQ(k.virtualKey, e.virtualKey) << printable(e.bytes);
            EXPECT_EQ(k.scanCode, e.scanCode) << printable(e.bytes);
            EXPECT_EQ(k.character, e.character) << printable(e.bytes);
            EXPECT_EQ(k.controlState, e.controlState) << printable(e.bytes);
        }
    }
}

}  // namespace
}  // namespace console
