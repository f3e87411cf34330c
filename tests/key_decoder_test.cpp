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

// The extended codes of the keys, as the key tables give them.
constexpr int shiftTab = 0x0F;
constexpr int altTab = 0x0F;  // the same code as Shift+Tab
constexpr int altO = 0x18;
constexpr int altP = 0x19;
constexpr int altLeftBracket = 0x1A;
constexpr int altRightBracket = 0x1B;
constexpr int altEnter = 0x1C;
constexpr int altA = 0x1E;
constexpr int altX = 0x2D;
constexpr int altSlash = 0x35;
constexpr int f1 = 59, f2 = 60, f3 = 61, f4 = 62, f5 = 63, f6 = 64, f7 = 65, f8 = 66, f9 = 67, f10 = 68;
constexpr int home = 0x47;
constexpr int up = 0x48;
constexpr int pageUp = 0x49;
constexpr int left = 0x4B;
constexpr int keypad5 = 0x4C;
constexpr int right = 0x4D;
constexpr int end = 0x4F;
constexpr int down = 0x50;
constexpr int pageDown = 0x51;
constexpr int insert = 0x52;
constexpr int deleteKey = 0x53;
constexpr int shiftF1 = 84, shiftF3 = 86, shiftF4 = 87, shiftF5 = 88, shiftF10 = 93;
constexpr int ctrlF1 = 94, ctrlF3 = 96, ctrlF10 = 0x67;
constexpr int altF1 = 104, altF6 = 0x6D;
constexpr int ctrlLeft = 0x73;
constexpr int ctrlRight = 0x74;
constexpr int ctrlEnd = 0x75;
constexpr int ctrlPageDown = 0x76;
constexpr int ctrlHome = 0x77;
constexpr int alt1 = 0x78;
constexpr int altEquals = 0x83;
constexpr int ctrlPageUp = 0x84;
constexpr int f11 = 0x85, f12 = 0x86;
constexpr int shiftF11 = 0x87;
constexpr int ctrlF12 = 0x8A;
constexpr int altF11 = 0x8B, altF12 = 0x8C;
constexpr int ctrlUp = 0x8D;
constexpr int ctrlDown = 0x91;
constexpr int ctrlInsert = 0x92;
constexpr int ctrlDelete = 0x93;
constexpr int altUp = 0x98;
constexpr int altLeft = 0x9B;
constexpr int altEnd = 0x9F;
constexpr int altDown = 0xA0;
constexpr int altPageDown = 0xA1;
constexpr int altDelete = 0xA3;
constexpr int altBackspace = 0xE0;

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
        {"\x1b[Z", {ext(shiftTab)}},  // Shift+Tab
    });
}

TEST(KeyDecoderKeys, AltAsEscapePrefix) {
    expectKeys({
        {"\x1bx", {ext(altX)}},
        {"\x1bX", {ext(altX)}},
        {"\x1b" "a", {ext(altA)}},
        {"\x1b" "1", {ext(alt1)}},
        {"\x1b=", {ext(altEquals)}},
        {"\x1b/", {ext(altSlash)}},
        {"\x1b!", {"!"}},  // Alt+Shift+1: the character is not the key's own
        {"\x1b\r", {ext(altEnter)}},
        {"\x1b\t", {ext(altTab)}},
        {"\x1b\x7f", {ext(altBackspace)}},
        {"\x1b\x08", {ext(altBackspace)}},
        {"\x1b[", {ext(altLeftBracket)}},  // the sequence introducer alone is Alt+[
        {"\x1bO", {ext(altO)}},
        {"\x1b\x1b", {one(27), one(27)}},
        {"\x1b\x1bx", {one(27), ext(altX)}},
        {"\x1b\x1b[A", {ext(altUp)}},  // rxvt: Alt+Up
        {"\x1b\x1bOA", {ext(altUp)}},
        {"\x1b\x1b[11~", {ext(altF1)}},  // rxvt: Alt+F1
        {"\x1b\x1b[", {one(27), ext(altLeftBracket)}},
    });
}

TEST(KeyDecoderKeys, CursorAndEditingKeysXterm) {
    expectKeys({
        {"\x1b[A", {ext(up)}},      {"\x1b[B", {ext(down)}},      {"\x1b[C", {ext(right)}},
        {"\x1b[D", {ext(left)}},    {"\x1b[H", {ext(home)}},      {"\x1b[F", {ext(end)}},
        {"\x1bOA", {ext(up)}},      {"\x1bOD", {ext(left)}},      {"\x1bOH", {ext(home)}},
        {"\x1bOF", {ext(end)}},     {"\x1b[2~", {ext(insert)}},   {"\x1b[3~", {ext(deleteKey)}},
        {"\x1b[5~", {ext(pageUp)}}, {"\x1b[6~", {ext(pageDown)}},
        // Modifier parameters: 2 Shift, 3 Alt, 4 Alt+Shift, 5 Ctrl, 6 Ctrl+Shift, 7 Ctrl+Alt, 8 all.
        {"\x1b[1;2A", {ext(up)}},           {"\x1b[1;3A", {ext(altUp)}},       {"\x1b[1;4A", {ext(altUp)}},
        {"\x1b[1;5A", {ext(ctrlUp)}},       {"\x1b[1;6A", {ext(ctrlUp)}},      {"\x1b[1;7A", {ext(altUp)}},
        {"\x1b[1;8A", {ext(altUp)}},        {"\x1b[1;5B", {ext(ctrlDown)}},    {"\x1b[1;5C", {ext(ctrlRight)}},
        {"\x1b[1;5D", {ext(ctrlLeft)}},     {"\x1b[1;3D", {ext(altLeft)}},     {"\x1b[1;5H", {ext(ctrlHome)}},
        {"\x1b[1;5F", {ext(ctrlEnd)}},      {"\x1b[1;3F", {ext(altEnd)}},      {"\x1b[2;5~", {ext(ctrlInsert)}},
        {"\x1b[3;5~", {ext(ctrlDelete)}},   {"\x1b[3;3~", {ext(altDelete)}},   {"\x1b[5;5~", {ext(ctrlPageUp)}},
        {"\x1b[6;5~", {ext(ctrlPageDown)}}, {"\x1b[6;3~", {ext(altPageDown)}}, {"\x1b[3;2~", {ext(deleteKey)}},
        {"\x1bO5A", {ext(ctrlUp)}},  // older form: the modifier as the only parameter
        {"\x1b[E", {ext(keypad5)}},    // keypad 5, Num Lock off
    });
}

TEST(KeyDecoderKeys, FunctionKeysXterm) {
    expectKeys({
        {"\x1bOP", {ext(f1)}},         {"\x1bOQ", {ext(f2)}},           {"\x1bOR", {ext(f3)}},
        {"\x1bOS", {ext(f4)}},         {"\x1b[15~", {ext(f5)}},         {"\x1b[17~", {ext(f6)}},
        {"\x1b[18~", {ext(f7)}},       {"\x1b[19~", {ext(f8)}},         {"\x1b[20~", {ext(f9)}},
        {"\x1b[21~", {ext(f10)}},      {"\x1b[23~", {ext(f11)}},        {"\x1b[24~", {ext(f12)}},
        {"\x1b[1;2P", {ext(shiftF1)}}, {"\x1b[1;5P", {ext(ctrlF1)}},    {"\x1b[1;3P", {ext(altF1)}},
        {"\x1b[1;2S", {ext(shiftF4)}}, {"\x1b[15;2~", {ext(shiftF5)}},  {"\x1b[21;5~", {ext(ctrlF10)}},
        {"\x1b[17;3~", {ext(altF6)}},  {"\x1b[23;2~", {ext(shiftF11)}}, {"\x1b[24;5~", {ext(ctrlF12)}},
        {"\x1b[23;3~", {ext(altF11)}}, {"\x1b[24;3~", {ext(altF12)}},   {"\x1bO2P", {ext(shiftF1)}},
    });
}

TEST(KeyDecoderKeys, Vt220RxvtAndLinuxConsole) {
    expectKeys({
        // VT220 and the Linux console.
        {"\x1b[1~", {ext(home)}}, {"\x1b[4~", {ext(end)}},      {"\x1b[11~", {ext(f1)}},       {"\x1b[12~", {ext(f2)}},
        {"\x1b[13~", {ext(f3)}},  {"\x1b[14~", {ext(f4)}},      {"\x1b[[A", {ext(f1)}},        {"\x1b[[B", {ext(f2)}},
        {"\x1b[[E", {ext(f5)}},   {"\x1b[25~", {ext(shiftF3)}}, {"\x1b[34~", {ext(shiftF10)}},
        // rxvt.
        {"\x1b[7~", {ext(home)}},       {"\x1b[8~", {ext(end)}},       {"\x1b[a", {ext(up)}},
        {"\x1b[d", {ext(left)}},        {"\x1bOa", {ext(ctrlUp)}},     {"\x1bOb", {ext(ctrlDown)}},
        {"\x1bOc", {ext(ctrlRight)}},   {"\x1bOd", {ext(ctrlLeft)}},   {"\x1b[2$", {ext(insert)}},
        {"\x1b[3^", {ext(ctrlDelete)}}, {"\x1b[7^", {ext(ctrlHome)}},  {"\x1b[5^", {ext(ctrlPageUp)}},
        {"\x1b[11^", {ext(ctrlF1)}},    {"\x1b[23$", {ext(shiftF11)}}, {"\x1b[24^", {ext(ctrlF12)}},
        {"\x1b[11@", {ext(ctrlF1)}},    {"\x1b[25^", {ext(ctrlF3)}},
        // The keypad in application mode.
        {"\x1bOM", {one(13)}}, {"\x1bOx", {"8"}}, {"\x1bOp", {"0"}}, {"\x1bOo", {"/"}},
        {"\x1bOj", {"*"}},     {"\x1bOk", {"+"}}, {"\x1bOm", {"-"}}, {"\x1bOn", {"."}},
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
        {"\xe2\x94\x1b[A", {ext(up)}},      // cut short by a sequence
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
        {"\x1b[1;5\x1b[A", {ext(up)}},
        {"\x1b[1\rx", {one(13), "x"}},
        {"\x1bO\x7f", {one(8)}},
        {"\x1b[[\x1bOP", {ext(f1)}},
        {"\x1b[1;5", {}},
        {"\x1b[M!", {}},
        {"\x1b[\xc3\xa9", {one(0x82)}},
    });
}

// The strings terminals send as replies: OSC (ESC ]), DCS (ESC P), APC
// (ESC _), PM (ESC ^) and SOS (ESC X), ended by BEL or ST (ESC \).
constexpr std::string_view colourReply = "\x1b]11;rgb:1e1e/1e1e/1e1e\x07";
constexpr std::string_view settingReply = "\x1bP1$r0m\x1b\\";

TEST(KeyDecoderStrings, RepliesAreConsumedToTheirTerminatorAndNeverTyped) {
    const std::string colourThenKey = std::string(colourReply) + "a";
    const std::string keyThenSettingThenKey = "x" + std::string(settingReply) + "y";
    expectKeys({
        {colourThenKey, {"a"}},
        {"\x1b]11;rgb:1e1e/1e1e/1e1e\x1b\\" "a", {"a"}},  // the same ended by ST
        {keyThenSettingThenKey, {"x", "y"}},
        {"\x1bP1+r544e=787465726d\x1b\\" "b", {"b"}},      // a capability reply
        {"\x1b_Gi=31;OK\x1b\\" "c", {"c"}},                 // APC
        {"\x1b^note\x1b\\" "d", {"d"}},                     // PM
        {"\x1bXsos\x1b\\" "e", {"e"}},                      // SOS
        {"\x1b]0;\xc3\xa9\r\t[A~\x1b\\" "f", {"f"}},        // anything inside is dropped
        {"\x1b]\x07" "g", {"g"}},                           // an empty one
    });
    // The 7-bit forms are strings whatever the terminal's character set.
    expectKeys({{colourThenKey, {"a"}}}, false);
}

TEST(KeyDecoderStrings, AnotherEscapeEndsAStringAndBeginsWhatFollows) {
    expectKeys({
        {"\x1b]0;title\x1b[A", {ext(up)}},
        {"\x1b]0;title\x1bx", {ext(altX)}},
        {"\x1bPq#0\x1b\x1b[A", {ext(altUp)}},
    });
}

TEST(KeyDecoderStrings, IntroducerAloneAtTheEndOfTheWaitIsStillAltAndItsKey) {
    expectKeys({
        {"\x1b]", {ext(altRightBracket)}},
        {"\x1bP", {ext(altP)}},
        {"\x1b_", {"_"}},  // Alt+Shift+minus: the character is not the key's own
        {"\x1b^", {"^"}},
    });
}

TEST(KeyDecoderStrings, EightBitIntroducersAreCodePageCharacters) {
    // Without UTF-8 every byte is a character of the code page; 0x9D, 0x90
    // and 0x9C are the letters a terminal types, not string controls, since
    // the program never asks for 8-bit replies.
    expectKeys({{"\x9d" "a\x90\x9c", {one(0x9D), "a", one(0x90), one(0x9C)}}}, false);
}

TEST(KeyDecoderStrings, EverySplitGivesTheSameKeys) {
    const Case cases[] = {
        {"\x1b]11;rgb:1e1e/1e1e/1e1e\x07" "a", {"a"}},
        {"\x1bP1$r0m\x1b\\" "b", {"b"}},
        {"\x1b]0;title\x1b[1;5A", {ext(ctrlUp)}},
        {"k\x1b_x\x1b\\\x1b\x1b[B", {"k", ext(altDown)}},
    };
    for (const auto& [bytes, keys] : cases) {
        for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
            KeyDecoder decoder(true);
            std::vector<InputRecord> records = decode(decoder, bytes.substr(0, cut));
            const std::vector<InputRecord> rest = decode(decoder, bytes.substr(cut));
            records.insert(records.end(), rest.begin(), rest.end());
            decoder.flush(records);
            EXPECT_EQ(keysFrom(records), keys) << printable(bytes) << " cut at " << cut;
        }
    }
}

TEST(KeyDecoderStrings, UnterminatedStringEndsWithTheWaitAndTheNextKeyArrives) {
    KeyDecoder decoder(true);
    EXPECT_TRUE(decode(decoder, "\x1b]2;a title that never ends").empty());
    EXPECT_TRUE(decoder.holding());
    // Bytes in the same burst still belong to the string.
    EXPECT_TRUE(decode(decoder, "more").empty());
    std::vector<InputRecord> out;
    decoder.flush(out);
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(decoder.holding());
    EXPECT_EQ(keysFrom(decode(decoder, "k")), std::vector<std::string>{"k"});
}

TEST(KeyDecoderStrings, LongStringIsDroppedWithoutBeingHeld) {
    KeyDecoder decoder(true);
    std::vector<InputRecord> out;
    const std::string opening = "\x1b]2;";
    decoder.feed(reinterpret_cast<const std::uint8_t*>(opening.data()), opening.size(), out);
    // Title text with UTF-8 and the bytes of sequences, but no Escape,
    // which would end it.
    constexpr std::string_view content = "title \xc3\xa9[1;5A\r";
    for (std::size_t i = 0; i < 100000; ++i) {
        const auto b = static_cast<std::uint8_t>(content[i % content.size()]);
        decoder.feed(&b, 1, out);
        ASSERT_LE(decoder.heldLength(), KeyDecoder::maxHeldBytes);
        ASSERT_TRUE(decoder.holding());
    }
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(decode(decoder, "\x07").empty());
    EXPECT_FALSE(decoder.holding());
    EXPECT_EQ(keysFrom(decode(decoder, "z")), std::vector<std::string>{"z"});
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
    EXPECT_EQ(keysFrom(decode(decoder, "x")), std::vector<std::string>{ext(altX)});
    EXPECT_FALSE(decoder.holding());
}

TEST(KeyDecoderHolding, SequenceSplitAcrossReadsIsOneKey) {
    KeyDecoder decoder(true);
    EXPECT_TRUE(decode(decoder, "\x1b[1;").empty());
    EXPECT_TRUE(decoder.holding());
    EXPECT_TRUE(decode(decoder, "5").empty());
    EXPECT_EQ(keysFrom(decode(decoder, "A")), std::vector<std::string>{ext(ctrlUp)});
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
