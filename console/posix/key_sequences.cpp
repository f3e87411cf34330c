#include "console/posix/key_sequences.h"

#include <cstdint>

#include "console/platform/us_layout.h"

namespace console {
namespace {

constexpr KeyEvent key(std::uint16_t virtualKey, std::uint16_t scanCode, std::uint8_t character,
                       std::uint32_t controlState) {
    KeyEvent press;
    press.virtualKey = virtualKey;
    press.scanCode = scanCode;
    press.character = character;
    press.controlState = controlState;
    return press;
}

constexpr KeyEvent with(KeyEvent press, std::uint32_t flags) {
    press.controlState |= flags;
    return press;
}

// The grey cursor and editing keys.
constexpr KeyEvent up = key(vkUp, scanUp, 0, enhancedKey);
constexpr KeyEvent down = key(vkDown, scanDown, 0, enhancedKey);
constexpr KeyEvent right = key(vkRight, scanRight, 0, enhancedKey);
constexpr KeyEvent left = key(vkLeft, scanLeft, 0, enhancedKey);
constexpr KeyEvent home = key(vkHome, scanHome, 0, enhancedKey);
constexpr KeyEvent end = key(vkEnd, scanEnd, 0, enhancedKey);
constexpr KeyEvent insert = key(vkInsert, scanInsert, 0, enhancedKey);
constexpr KeyEvent del = key(vkDelete, scanDelete, 0, enhancedKey);
constexpr KeyEvent pageUp = key(vkPrior, scanPageUp, 0, enhancedKey);
constexpr KeyEvent pageDown = key(vkNext, scanPageDown, 0, enhancedKey);
// The keypad's middle key with Num Lock off, which terminals call Begin.
constexpr KeyEvent begin = key(vkClear, scanKeypad5, 0, 0);
constexpr KeyEvent shiftTab = key(vkTab, scanTab, 9, shiftPressed);

constexpr KeyEvent f(int n) {
    return key(static_cast<std::uint16_t>(vkF1 + n - 1), functionKeyScanCode(n), 0, 0);
}

// The keypad in application mode, Num Lock on: the keypad keys with their
// characters.
constexpr KeyEvent keypad(std::uint16_t virtualKey, std::uint16_t scanCode, char character) {
    return key(virtualKey, scanCode, static_cast<std::uint8_t>(character), 0);
}

struct KeySequence {
    std::string_view bytes;
    KeyEvent press;
};

constexpr KeySequence keySequences[] = {
    // Cursor and editing keys: xterm's CSI and SS3 forms, VT220's and rxvt's
    // "CSI n ~".
    {"\x1b[A", up},        {"\x1bOA", up},
    {"\x1b[B", down},      {"\x1bOB", down},
    {"\x1b[C", right},     {"\x1bOC", right},
    {"\x1b[D", left},      {"\x1bOD", left},
    {"\x1b[H", home},      {"\x1bOH", home},      {"\x1b[1~", home}, {"\x1b[7~", home},
    {"\x1b[F", end},       {"\x1bOF", end},       {"\x1b[4~", end},  {"\x1b[8~", end},
    {"\x1b[E", begin},     {"\x1bOE", begin},     {"\x1b[G", begin}, {"\x1bOG", begin},
    {"\x1b[2~", insert},
    {"\x1b[3~", del},
    {"\x1b[5~", pageUp},
    {"\x1b[6~", pageDown},

    // rxvt's arrows with Shift and with Ctrl.
    {"\x1b[a", with(up, shiftPressed)},     {"\x1bOa", with(up, leftCtrlPressed)},
    {"\x1b[b", with(down, shiftPressed)},   {"\x1bOb", with(down, leftCtrlPressed)},
    {"\x1b[c", with(right, shiftPressed)},  {"\x1bOc", with(right, leftCtrlPressed)},
    {"\x1b[d", with(left, shiftPressed)},   {"\x1bOd", with(left, leftCtrlPressed)},

    {"\x1b[Z", shiftTab},

    // Function keys: xterm's F1 to F4 (SS3, and CSI when modified), VT220's
    // "CSI n ~" and the Linux console's F1 to F5.
    {"\x1bOP", f(1)},      {"\x1b[P", f(1)},      {"\x1b[11~", f(1)}, {"\x1b[[A", f(1)},
    {"\x1bOQ", f(2)},      {"\x1b[Q", f(2)},      {"\x1b[12~", f(2)}, {"\x1b[[B", f(2)},
    {"\x1bOR", f(3)},      {"\x1b[R", f(3)},      {"\x1b[13~", f(3)}, {"\x1b[[C", f(3)},
    {"\x1bOS", f(4)},      {"\x1b[S", f(4)},      {"\x1b[14~", f(4)}, {"\x1b[[D", f(4)},
    {"\x1b[15~", f(5)},    {"\x1b[[E", f(5)},
    {"\x1b[17~", f(6)},
    {"\x1b[18~", f(7)},
    {"\x1b[19~", f(8)},
    {"\x1b[20~", f(9)},
    {"\x1b[21~", f(10)},
    {"\x1b[23~", f(11)},
    {"\x1b[24~", f(12)},
    // F13 to F20, which VT220, rxvt and the Linux console send for Shift+F3
    // to Shift+F10.
    {"\x1b[25~", with(f(3), shiftPressed)},
    {"\x1b[26~", with(f(4), shiftPressed)},
    {"\x1b[28~", with(f(5), shiftPressed)},
    {"\x1b[29~", with(f(6), shiftPressed)},
    {"\x1b[31~", with(f(7), shiftPressed)},
    {"\x1b[32~", with(f(8), shiftPressed)},
    {"\x1b[33~", with(f(9), shiftPressed)},
    {"\x1b[34~", with(f(10), shiftPressed)},

    // The keypad in application mode. Its digits and period share their
    // scan codes with the grey keys.
    {"\x1bOM", key(vkReturn, scanEnter, 13, enhancedKey)},
    {"\x1bOj", keypad(vkMultiply, scanKeypadMultiply, '*')},
    {"\x1bOk", keypad(vkAdd, scanKeypadPlus, '+')},
    {"\x1bOl", keypad(vkSeparator, scanDelete, ',')},
    {"\x1bOm", keypad(vkSubtract, scanKeypadMinus, '-')},
    {"\x1bOn", keypad(vkDecimal, scanDelete, '.')},
    {"\x1bOo", with(keypad(vkDivide, scanSlash, '/'), enhancedKey)},
    {"\x1bOp", keypad(vkNumpad0, scanInsert, '0')},
    {"\x1bOq", keypad(vkNumpad1, scanEnd, '1')},
    {"\x1bOr", keypad(vkNumpad2, scanDown, '2')},
    {"\x1bOs", keypad(vkNumpad3, scanPageDown, '3')},
    {"\x1bOt", keypad(vkNumpad4, scanLeft, '4')},
    {"\x1bOu", keypad(vkNumpad5, scanKeypad5, '5')},
    {"\x1bOv", keypad(vkNumpad6, scanRight, '6')},
    {"\x1bOw", keypad(vkNumpad7, scanHome, '7')},
    {"\x1bOx", keypad(vkNumpad8, scanUp, '8')},
    {"\x1bOy", keypad(vkNumpad9, scanPageUp, '9')},
    // The keypad's equals sign is typed as the = key.
    {"\x1bOX", keypad(vkOemPlus, scanEquals, '=')},
};

}  // namespace

const KeyEvent* findKeySequence(std::string_view bytes) {
    for (const KeySequence& sequence : keySequences) {
        if (sequence.bytes == bytes) return &sequence.press;
    }
    return nullptr;
}

}  // namespace console
