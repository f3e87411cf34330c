// Key polling on the in-memory console: the event pump, the translation of
// key events into KeyStrings, Alt + keypad numbers, waitKey's pauses and the
// close key pushed from the control thread.
#include "console/key_polling.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "console/key_tables.h"
#include "console/memory/memory_console.h"
#include "console/platform/us_layout.h"

namespace console {
namespace {

constexpr std::uint16_t vkCapital = 0x14;  // Caps Lock
constexpr std::uint16_t vkPause = 0x13;
constexpr std::uint16_t vkSnapshot = 0x2C;  // Print Screen
constexpr std::uint16_t vkLeftWin = 0x5B;
constexpr std::uint16_t vkApps = 0x5D;  // menu key
constexpr std::uint16_t vkNumLock = 0x90;
constexpr std::uint16_t vkScroll = 0x91;

std::string ext(int code) { return std::string{'\xFF', static_cast<char>(code)}; }
std::string one(int byte) { return std::string(1, static_cast<char>(byte)); }

KeyEvent keyPress(std::uint16_t virtualKey, std::uint16_t scanCode, std::uint8_t character,
                  std::uint32_t controlState = 0) {
    KeyEvent e;
    e.keyDown = true;
    e.repeatCount = 1;
    e.virtualKey = virtualKey;
    e.scanCode = scanCode;
    e.character = character;
    e.controlState = controlState;
    return e;
}

KeyEvent keyRelease(KeyEvent e) {
    e.keyDown = false;
    return e;
}

class KeyPollingTest : public ::testing::Test {
protected:
    MemoryConsole con;
    ConsoleState cs{con};

    void queue(const KeyEvent& e) {
        InputRecord r;
        r.eventType = keyEventType;
        r.key = e;
        con.events.push_back(r);
    }
    void queueOther(std::uint16_t eventType) {
        InputRecord r;
        r.eventType = eventType;
        con.events.push_back(r);
    }
    // A press and a release, as a key typed once.
    void tap(const KeyEvent& press) {
        queue(press);
        queue(keyRelease(press));
    }
    // Every key the queued events yield, in order.
    std::vector<std::string> drain() {
        std::vector<std::string> keys;
        for (std::string k = pollKey(cs); !k.empty(); k = pollKey(cs)) keys.push_back(k);
        return keys;
    }
    // The keys one typed key yields.
    std::vector<std::string> keysOf(const KeyEvent& press) {
        tap(press);
        return drain();
    }
};

using Keys = std::vector<std::string>;

TEST_F(KeyPollingTest, NothingPendingGivesEmptyKeyWithoutWaiting) {
    EXPECT_EQ(pollKey(cs), "");
    EXPECT_FALSE(keyAvailable(cs));
    EXPECT_TRUE(con.sleeps.empty());
    EXPECT_EQ(con.counts.waitsForInput, 0);
}

TEST_F(KeyPollingTest, TypedLetterYieldsOneByteOnceAndStaysQueuedUntilTaken) {
    con.typeText("a");
    EXPECT_TRUE(keyAvailable(cs));
    EXPECT_TRUE(keyAvailable(cs));  // asking removes nothing
    EXPECT_TRUE(con.events.empty());
    EXPECT_EQ(pollKey(cs), "a");
    EXPECT_EQ(pollKey(cs), "");
    EXPECT_FALSE(keyAvailable(cs));

    con.typeText("xy");
    EXPECT_EQ(drain(), (Keys{"x", "y"}));
}

TEST_F(KeyPollingTest, ModifierAndLockKeysAloneYieldNothing) {
    tap(keyPress(vkShift, scanShift, 0, shiftPressed));
    tap(keyPress(vkShift, 54, 0, shiftPressed));  // right Shift
    tap(keyPress(vkControl, scanCtrl, 0, leftCtrlPressed));
    tap(keyPress(vkControl, scanCtrl, 0, rightCtrlPressed | enhancedKey));
    tap(keyPress(vkMenu, scanAlt, 0, leftAltPressed));
    tap(keyPress(vkMenu, scanAlt, 0, rightAltPressed | enhancedKey));
    tap(keyPress(vkCapital, 58, 0, capsLockOn));
    tap(keyPress(vkNumLock, 69, 0, numLockOn | enhancedKey));
    tap(keyPress(vkScroll, 70, 0, scrollLockOn));
    EXPECT_EQ(drain(), Keys{});
    EXPECT_TRUE(con.events.empty());
}

TEST_F(KeyPollingTest, KeysWithoutCharacterOrTableEntryYieldNothing) {
    tap(keyPress(vkLeftWin, 91, 0, enhancedKey));
    tap(keyPress(vkApps, 93, 0, enhancedKey));
    tap(keyPress(vkSnapshot, 55, 0, enhancedKey));
    tap(keyPress(vkPause, 69, 0));
    tap(keyPress(vkLeftWin, 91, 0));  // above the scan code table
    EXPECT_EQ(drain(), Keys{});
}

TEST_F(KeyPollingTest, NonKeyEventsAreConsumedAndYieldNothing) {
    queueOther(mouseEventType);
    queueOther(focusEventType);
    queueOther(menuEventType);
    queueOther(windowBufferSizeEventType);
    EXPECT_FALSE(keyAvailable(cs));
    EXPECT_TRUE(con.events.empty());

    queueOther(mouseEventType);
    con.typeText("b");
    queueOther(focusEventType);
    con.typeText("c");
    EXPECT_EQ(drain(), (Keys{"b", "c"}));
}

TEST_F(KeyPollingTest, FunctionKeysGiveTheirExtendedCodesInEveryColumn) {
    const std::uint16_t f1 = functionKeyScanCode(1);
    const std::uint16_t f12 = functionKeyScanCode(12);
    EXPECT_EQ(keysOf(keyPress(vkF1, f1, 0)), Keys{ext(59)});
    EXPECT_EQ(keysOf(keyPress(vkF1, f1, 0, shiftPressed)), Keys{ext(84)});
    EXPECT_EQ(keysOf(keyPress(vkF1, f1, 0, leftCtrlPressed)), Keys{ext(94)});
    EXPECT_EQ(keysOf(keyPress(vkF1, f1, 0, leftAltPressed)), Keys{ext(104)});
    EXPECT_EQ(keysOf(keyPress(vkF1 + 9, functionKeyScanCode(10), 0, rightAltPressed)), Keys{ext(0x71)});
    EXPECT_EQ(keysOf(keyPress(vkF1 + 10, functionKeyScanCode(11), 0)), Keys{ext(0x85)});
    EXPECT_EQ(keysOf(keyPress(vkF1 + 11, f12, 0)), Keys{ext(134)});
    EXPECT_EQ(keysOf(keyPress(vkF1 + 11, f12, 0, shiftPressed)), Keys{ext(0x88)});
    EXPECT_EQ(keysOf(keyPress(vkF1 + 11, f12, 0, rightCtrlPressed)), Keys{ext(0x8A)});
    EXPECT_EQ(keysOf(keyPress(vkF1 + 11, f12, 0, leftAltPressed)), Keys{ext(0x8C)});
    // Alt+F4 is the close key.
    EXPECT_EQ(keysOf(keyPress(vkF1 + 3, functionKeyScanCode(4), 0, leftAltPressed)), Keys{keyStringFromCode(closeKey)});
}

TEST_F(KeyPollingTest, CursorKeysOnTheGreyBlockAndTheKeypad) {
    // Grey Up, and keypad 8 with Num Lock off: the same key.
    EXPECT_EQ(keysOf(keyPress(vkUp, scanUp, 0, enhancedKey)), Keys{ext(72)});
    EXPECT_EQ(keysOf(keyPress(vkUp, scanUp, 0)), Keys{ext(72)});
    // Keypad 8 with Num Lock on types its digit, although the key's own
    // character is that digit and the plain column has a code.
    EXPECT_EQ(keysOf(keyPress(vkNumpad0 + 8, scanUp, '8', numLockOn)), Keys{"8"});
    // Keypad Home with Shift and Num Lock off has no Shift code; the grey
    // Home key has one.
    EXPECT_EQ(keysOf(keyPress(vkHome, scanHome, 0, shiftPressed)), Keys{});
    EXPECT_EQ(keysOf(keyPress(vkHome, scanHome, 0, shiftPressed | enhancedKey)), Keys{ext(0x47)});
    EXPECT_EQ(keysOf(keyPress(vkHome, scanHome, 0, leftCtrlPressed)), Keys{ext(0x77)});
    EXPECT_EQ(keysOf(keyPress(vkHome, scanHome, 0, leftAltPressed | enhancedKey)), Keys{ext(0x97)});
    EXPECT_EQ(keysOf(keyPress(vkDelete, scanDelete, 0, rightCtrlPressed | enhancedKey)), Keys{ext(0x93)});
    // Keypad 5 with Num Lock off.
    EXPECT_EQ(keysOf(keyPress(0x0C, 76, 0, leftCtrlPressed)), Keys{ext(0x8F)});
}

TEST_F(KeyPollingTest, EnhancedKeypadEnterAndSlash) {
    constexpr std::uint16_t vkDivide = 0x6F;
    EXPECT_EQ(keysOf(keyPress(vkDivide, 53, 0, enhancedKey | leftCtrlPressed)), Keys{ext(0x95)});
    EXPECT_EQ(keysOf(keyPress(vkDivide, 53, 0, enhancedKey | shiftPressed)), Keys{"?"});
    EXPECT_EQ(keysOf(keyPress(vkDivide, 53, 0, enhancedKey | leftAltPressed)), Keys{ext(0xA4)});
    // With a character the key takes the ordinary path and yields it.
    EXPECT_EQ(keysOf(keyPress(vkReturn, scanEnter, 13, enhancedKey)), Keys{"\r"});
    EXPECT_EQ(keysOf(keyPress(vkDivide, 53, '/', enhancedKey)), Keys{"/"});
    EXPECT_EQ(keysOf(keyPress(vkReturn, scanEnter, 0, enhancedKey | rightCtrlPressed)), Keys{"\n"});
    EXPECT_EQ(keysOf(keyPress(vkReturn, scanEnter, 0, enhancedKey | leftAltPressed)), Keys{ext(0xA6)});
}

TEST_F(KeyPollingTest, AltCombinationsAndTheirExceptions) {
    constexpr std::uint16_t vkX = 0x58;
    constexpr std::uint16_t vkQ = 0x51;
    constexpr std::uint16_t vkA = 0x41;
    constexpr std::uint16_t vk2 = 0x32;
    constexpr std::uint16_t vkBackslash = 0xDC;
    EXPECT_EQ(keysOf(keyPress(vkX, 45, 'x', leftAltPressed)), Keys{ext(0x2D)});
    EXPECT_EQ(keysOf(keyPress(vkX, 45, 'X', leftAltPressed)), Keys{ext(0x2D)});
    EXPECT_EQ(keysOf(keyPress(vkBack, scanBackspace, 8, leftAltPressed)), Keys{ext(0xE0)});
    EXPECT_EQ(keysOf(keyPress(vkBack, scanBackspace, 0, leftAltPressed)), Keys{});
    EXPECT_EQ(keysOf(keyPress(vkTab, scanTab, 9, leftAltPressed)), Keys{ext(0x0F)});
    EXPECT_EQ(keysOf(keyPress(vkTab, scanTab, 9, shiftPressed)), Keys{ext(0x0F)});
    EXPECT_EQ(keysOf(keyPress(vkTab, scanTab, 9)), Keys{"\t"});
    EXPECT_EQ(keysOf(keyPress(vkEscape, scanEscape, 27, rightAltPressed)), Keys{ext(0x01)});
    EXPECT_EQ(keysOf(keyPress(vkEscape, scanEscape, 27)), Keys{"\x1b"});
    EXPECT_EQ(keysOf(keyPress(vk2, 3, '2', leftAltPressed)), Keys{ext(0x79)});
    // Ctrl and Alt (AltGr) with a character not the key's own keep it.
    EXPECT_EQ(keysOf(keyPress(vkQ, 16, '@', leftCtrlPressed | rightAltPressed)), Keys{"@"});
    // Ctrl+2 with no character matches neither 2 nor its case swap.
    EXPECT_EQ(keysOf(keyPress(vk2, 3, 0, leftCtrlPressed)), Keys{});
    // Ctrl+letter is the control character the console reports.
    EXPECT_EQ(keysOf(keyPress(vkA, 30, 1, leftCtrlPressed)), Keys{one(1)});
    // The backslash key has no Alt code.
    EXPECT_EQ(keysOf(keyPress(vkBackslash, 43, '\\', leftAltPressed)), Keys{"\\"});
    // Beyond the scan code table only the character counts.
    EXPECT_EQ(keysOf(keyPress(vkX, 100, 'x', leftAltPressed)), Keys{"x"});
    EXPECT_EQ(keysOf(keyPress(vkX, 100, 0, leftAltPressed)), Keys{});
}

TEST_F(KeyPollingTest, ByteTwoFiftyFiveIsAOneByteKeyToldApartByLength) {
    EXPECT_EQ(keysOf(keyPress(0, 0, 255)), Keys{one(255)});
    EXPECT_EQ(keysOf(keyPress(0, 0, 0xE9, leftAltPressed)), Keys{one(0xE9)});
    EXPECT_EQ(keyStringFromCode(255), one(255));
    EXPECT_EQ(keyStringFromCode(0), one(0));
    EXPECT_EQ(keyStringFromCode(noKey), "");
    EXPECT_EQ(keyStringFromCode(closeKey), "\xFFk");
}

TEST_F(KeyPollingTest, OnePressYieldsOneKeyWhateverItsRepeatCount) {
    KeyEvent held = keyPress(0x41, 30, 'a');
    held.repeatCount = 3;
    tap(held);
    KeyEvent ignored = keyPress(0x42, 48, 'b');
    ignored.repeatCount = 0;
    tap(ignored);
    EXPECT_EQ(drain(), Keys{"a"});
}

class AltNumberTest : public KeyPollingTest {
protected:
    void altDown() { queue(keyPress(vkMenu, scanAlt, 0, leftAltPressed)); }
    void altUp() { queue(keyRelease(keyPress(vkMenu, scanAlt, 0, 0))); }
    void keypadDigits(const std::string& digits) {
        static constexpr std::uint16_t scans[10] = {82, 79, 80, 81, 75, 76, 77, 71, 72, 73};
        for (char d : digits) {
            const int n = d - '0';
            tap(keyPress(static_cast<std::uint16_t>(vkNumpad0 + n), scans[n], 0, leftAltPressed | numLockOn));
        }
    }
    std::vector<std::string> compose(const std::string& digits) {
        altDown();
        keypadDigits(digits);
        altUp();
        return drain();
    }
};

TEST_F(AltNumberTest, KeypadDigitsWithAltGiveOneByteAtTheReleaseOfAlt) {
    altDown();
    keypadDigits("65");
    EXPECT_FALSE(keyAvailable(cs));
    altUp();
    EXPECT_EQ(drain(), Keys{"A"});

    EXPECT_EQ(compose("321"), Keys{"A"});
    EXPECT_EQ(compose("256"), Keys{one(0)});
    EXPECT_EQ(compose("0"), Keys{});
    EXPECT_EQ(compose("4294967361"), Keys{"A"});  // wraps modulo 2^32
    EXPECT_EQ(compose("65"), Keys{"A"});          // each number starts afresh
}

TEST_F(AltNumberTest, CtrlOrShiftDuringCompositionDeliversTheNumberSoFar) {
    altDown();
    keypadDigits("66");
    queue(keyPress(vkControl, scanCtrl, 0, leftAltPressed | leftCtrlPressed));
    EXPECT_EQ(drain(), Keys{"B"});
    altUp();
    EXPECT_EQ(drain(), Keys{});

    altDown();
    keypadDigits("67");
    queue(keyPress(vkShift, scanShift, 0, leftAltPressed | shiftPressed));
    altUp();
    EXPECT_EQ(drain(), Keys{"C"});
}

TEST_F(AltNumberTest, AnAltKeyWithACodeAbandonsTheNumber) {
    altDown();
    keypadDigits("6");
    tap(keyPress(0x58, 45, 'x', leftAltPressed));
    altUp();
    EXPECT_EQ(drain(), Keys{ext(0x2D)});

    // A key that yields nothing keeps the number going.
    altDown();
    keypadDigits("6");
    tap(keyPress(vkBack, scanBackspace, 0, leftAltPressed));
    keypadDigits("5");
    altUp();
    EXPECT_EQ(drain(), Keys{"A"});
}

TEST_F(KeyPollingTest, BurstBeyondTheRingKeepsTheNewest511InOrder) {
    constexpr int typed = 600;
    auto charOf = [](int i) { return static_cast<std::uint8_t>(1 + i % 255); };
    for (int i = 0; i < typed; ++i) tap(keyPress(0, 0, charOf(i)));
    const Keys keys = drain();
    EXPECT_TRUE(con.events.empty());
    ASSERT_EQ(keys.size(), 511u);
    for (int i = 0; i < 511; ++i) ASSERT_EQ(keys[static_cast<std::size_t>(i)], one(charOf(89 + i))) << i;
}

TEST_F(KeyPollingTest, NoEventsAreReadWhenInputIsNotAConsoleOrThePeekFails) {
    con.typeText("a");
    con.failPeek = true;
    EXPECT_EQ(pollKey(cs), "");
    EXPECT_FALSE(keyAvailable(cs));
    con.failPeek = false;
    con.inputIsConsole = false;
    EXPECT_EQ(pollKey(cs), "");
    con.inputIsConsole = true;
    EXPECT_EQ(pollKey(cs), "a");
}

TEST_F(KeyPollingTest, WaitKeyChecksAtOnceThenPausesBetweenChecks) {
    con.typeText("q");
    EXPECT_EQ(waitKey(cs), "q");
    EXPECT_TRUE(con.sleeps.empty());

    int idles = 0;
    con.onIdle = [&] {
        ++idles;
        if (idles == 2) tap(keyPress(vkShift, scanShift, 0, shiftPressed));  // yields nothing
        if (idles == 3) tap(keyPress(vkUp, scanUp, 0, enhancedKey));
    };
    EXPECT_EQ(waitKey(cs), ext(72));
    EXPECT_EQ(con.sleeps, (std::vector<unsigned>{25, 25, 25}));
}

TEST_F(KeyPollingTest, CloseKeyFromTheControlThreadComesBehindQueuedKeys) {
    con.typeText("ab");
    EXPECT_TRUE(keyAvailable(cs));  // the first pump installs the handler
    std::thread control([&] { EXPECT_TRUE(con.raiseControlEvent(ctrlCloseEvent)); });
    control.join();
    EXPECT_EQ(drain(), (Keys{"a", "b", ext(0x6B)}));
    EXPECT_EQ(ext(0x6B), "\xFF"
                         "k");
}

// The control thread pushes close keys while the main thread pumps and
// takes typed keys: every key arrives once, and typed keys keep their order.
TEST_F(KeyPollingTest, ClosePushesFromAnotherThreadInterleaveSafelyWithPolling) {
    constexpr int closes = 300;
    constexpr int rounds = 400;
    const std::string word = "abcdefgh";
    EXPECT_FALSE(keyAvailable(cs));
    std::atomic<bool> start{false};
    std::thread control([&] {
        while (!start.load()) std::this_thread::yield();
        for (int i = 0; i < closes; ++i) {
            con.raiseControlEvent(ctrlCloseEvent);
            if (i % 16 == 0) std::this_thread::yield();
        }
    });
    start = true;
    std::string typedBack;
    int closeKeys = 0;
    for (int r = 0; r < rounds; ++r) {
        con.typeText(word);
        for (std::string k = pollKey(cs); !k.empty(); k = pollKey(cs)) {
            if (k == ext(0x6B)) {
                ++closeKeys;
            } else {
                typedBack += k;
            }
            (void)keyAvailable(cs);
        }
    }
    control.join();
    for (std::string k = pollKey(cs); !k.empty(); k = pollKey(cs)) {
        if (k == ext(0x6B)) ++closeKeys;
    }
    EXPECT_EQ(closeKeys, closes);
    std::string expected;
    for (int r = 0; r < rounds; ++r) expected += word;
    EXPECT_EQ(typedBack, expected);
    EXPECT_FALSE(con.endedByDefaultHandling);
}

// The tables as constant data: every cell of the scan code table against
// the extended codes of the PC keyboard, key by key. Scan codes not listed
// (0, 29, 42, 43, 54 to 58, 69, 70, 74, 78 and 84 to 86) have none.
TEST(KeyTablesTest, ScanCodeTableHoldsExtendedCodesOnlyWhereTheKeyboardHasThem) {
    struct Row {
        int scanCode;
        int codes[keyColumns];  // Plain, Shift, Ctrl, Alt; 0 for none
    };
    const Row keyboard[] = {
        { 1, {   0,    0,    0, 0x01}},  // Esc
        { 2, {   0,    0,    0, 0x78}},  // 1
        { 3, {   0,    0, 0x03, 0x79}},  // 2
        { 4, {   0,    0,    0, 0x7A}},  // 3
        { 5, {   0,    0,    0, 0x7B}},  // 4
        { 6, {   0,    0,    0, 0x7C}},  // 5
        { 7, {   0,    0,    0, 0x7D}},  // 6
        { 8, {   0,    0,    0, 0x7E}},  // 7
        { 9, {   0,    0,    0, 0x7F}},  // 8
        {10, {   0,    0,    0, 0x80}},  // 9
        {11, {   0,    0,    0, 0x81}},  // 0
        {12, {   0,    0,    0, 0x82}},  // minus
        {13, {   0,    0,    0, 0x83}},  // equals
        {14, {   0,    0,    0, 0xE0}},  // Backspace
        {15, {   0, 0x0F, 0x94, 0x0F}},  // Tab
        {16, {   0,    0,    0, 0x10}},  // Q
        {17, {   0,    0,    0, 0x11}},  // W
        {18, {   0,    0,    0, 0x12}},  // E
        {19, {   0,    0,    0, 0x13}},  // R
        {20, {   0,    0,    0, 0x14}},  // T
        {21, {   0,    0,    0, 0x15}},  // Y
        {22, {   0,    0,    0, 0x16}},  // U
        {23, {   0,    0,    0, 0x17}},  // I
        {24, {   0,    0,    0, 0x18}},  // O
        {25, {   0,    0,    0, 0x19}},  // P
        {26, {   0,    0,    0, 0x1A}},  // left bracket
        {27, {   0,    0,    0, 0x1B}},  // right bracket
        {28, {   0,    0,    0, 0x1C}},  // Enter
        {30, {   0,    0,    0, 0x1E}},  // A
        {31, {   0,    0,    0, 0x1F}},  // S
        {32, {   0,    0,    0, 0x20}},  // D
        {33, {   0,    0,    0, 0x21}},  // F
        {34, {   0,    0,    0, 0x22}},  // G
        {35, {   0,    0,    0, 0x23}},  // H
        {36, {   0,    0,    0, 0x24}},  // J
        {37, {   0,    0,    0, 0x25}},  // K
        {38, {   0,    0,    0, 0x26}},  // L
        {39, {   0,    0,    0, 0x27}},  // semicolon
        {40, {   0,    0,    0, 0x28}},  // apostrophe
        {41, {   0,    0,    0, 0x29}},  // backquote
        {44, {   0,    0,    0, 0x2C}},  // Z
        {45, {   0,    0,    0, 0x2D}},  // X
        {46, {   0,    0,    0, 0x2E}},  // C
        {47, {   0,    0,    0, 0x2F}},  // V
        {48, {   0,    0,    0, 0x30}},  // B
        {49, {   0,    0,    0, 0x31}},  // N
        {50, {   0,    0,    0, 0x32}},  // M
        {51, {   0,    0,    0, 0x33}},  // comma
        {52, {   0,    0,    0, 0x34}},  // period
        {53, {   0,    0,    0, 0x35}},  // slash
        {59, {0x3B, 0x54, 0x5E, 0x68}},  // F1
        {60, {0x3C, 0x55, 0x5F, 0x69}},  // F2
        {61, {0x3D, 0x56, 0x60, 0x6A}},  // F3
        {62, {0x3E, 0x57, 0x61, 0x6B}},  // F4
        {63, {0x3F, 0x58, 0x62, 0x6C}},  // F5
        {64, {0x40, 0x59, 0x63, 0x6D}},  // F6
        {65, {0x41, 0x5A, 0x64, 0x6E}},  // F7
        {66, {0x42, 0x5B, 0x65, 0x6F}},  // F8
        {67, {0x43, 0x5C, 0x66, 0x70}},  // F9
        {68, {0x44, 0x5D, 0x67, 0x71}},  // F10
        {71, {0x47,    0, 0x77,    0}},  // keypad 7 / Home
        {72, {0x48,    0, 0x8D,    0}},  // keypad 8 / Up
        {73, {0x49,    0, 0x84,    0}},  // keypad 9 / Page Up
        {75, {0x4B,    0, 0x73,    0}},  // keypad 4 / Left
        {76, {0x4C,    0, 0x8F, 0x4C}},  // keypad 5
        {77, {0x4D,    0, 0x74,    0}},  // keypad 6 / Right
        {79, {0x4F,    0, 0x75,    0}},  // keypad 1 / End
        {80, {0x50,    0, 0x91,    0}},  // keypad 2 / Down
        {81, {0x51,    0, 0x76,    0}},  // keypad 3 / Page Down
        {82, {0x52,    0, 0x92,    0}},  // keypad 0 / Insert
        {83, {0x53,    0, 0x93,    0}},  // keypad period / Delete
        {87, {0x85, 0x87, 0x89, 0x8B}},  // F11
        {88, {0x86, 0x88, 0x8A, 0x8C}},  // F12
    };
    for (int sc = 0; sc <= lastTableScanCode; ++sc) {
        const Row* row = nullptr;
        for (const Row& r : keyboard) {
            if (r.scanCode == sc) row = &r;
        }
        for (std::size_t col = 0; col < keyColumns; ++col) {
            const KeyEntry& e = ScanCodeTable[sc][col];
            const int want = row != nullptr ? row->codes[col] : 0;
            if (want == 0) {
                EXPECT_EQ(e.kind, KeyEntry::Kind::none) << "scan " << sc << " column " << col;
            } else {
                EXPECT_EQ(e.kind, KeyEntry::Kind::extended) << "scan " << sc << " column " << col;
                EXPECT_EQ(e.value, want) << "scan " << sc << " column " << col;
            }
        }
    }
}

TEST(KeyTablesTest, EnhancedKeyTableHasTwelveDistinctScanCodes) {
    const std::uint16_t scans[] = {28, 53, 71, 72, 73, 75, 77, 79, 80, 81, 82, 83};
    for (std::uint16_t sc : scans) {
        const EnhancedKeyRow* row = findEnhancedKey(sc);
        ASSERT_NE(row, nullptr) << sc;
        EXPECT_EQ(row->scanCode, sc);
        for (const KeyEntry& e : row->columns) EXPECT_NE(e.kind, KeyEntry::Kind::none) << sc;
    }
    EXPECT_EQ(findEnhancedKey(76), nullptr);
    EXPECT_EQ(findEnhancedKey(91), nullptr);
}

// A keyboard layout whose map reports values beyond one byte.
class WideMapConsole : public MemoryConsole {
public:
    std::uint32_t mapped = 0;
    std::uint32_t mapVirtualKeyToChar(std::uint16_t) override { return mapped; }
};

TEST(KeyTranslationTest, OnlyTheLowSixteenBitsOfTheMapCountAndWideValuesAreNotClassified) {
    WideMapConsole con;
    ConsoleState cs{con};
    // A flag in the high bits (a dead key) leaves the character X.
    con.mapped = 0x80000058;
    EXPECT_EQ(translateKey(cs, keyPress(0x58, 45, 'x', leftAltPressed)), 0x2D * 256 + 255);
    // A base beyond one byte matches no byte character.
    con.mapped = 0x1258;
    EXPECT_EQ(translateKey(cs, keyPress(0x58, 45, 'X', leftAltPressed)), 'X');
    con.mapped = 0xFFFF;
    EXPECT_EQ(translateKey(cs, keyPress(0x58, 45, 0, leftAltPressed)), noKey);
}

}  // namespace
}  // namespace console
