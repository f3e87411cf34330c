// The US PC keyboard layout: virtual keys, set-1 scan codes and the
// characters they produce, for the console models that make their own key events.
#pragma once

#include <cstdint>

namespace console {

// Virtual keys used by the console models.
inline constexpr std::uint16_t vkBack = 0x08;
inline constexpr std::uint16_t vkClear = 0x0C;  // keypad 5 with Num Lock off
inline constexpr std::uint16_t vkTab = 0x09;
inline constexpr std::uint16_t vkReturn = 0x0D;
inline constexpr std::uint16_t vkShift = 0x10;
inline constexpr std::uint16_t vkControl = 0x11;
inline constexpr std::uint16_t vkMenu = 0x12;  // Alt
inline constexpr std::uint16_t vkEscape = 0x1B;
inline constexpr std::uint16_t vkSpace = 0x20;
inline constexpr std::uint16_t vkPrior = 0x21;  // Page Up
inline constexpr std::uint16_t vkNext = 0x22;   // Page Down
inline constexpr std::uint16_t vkEnd = 0x23;
inline constexpr std::uint16_t vkHome = 0x24;
inline constexpr std::uint16_t vkLeft = 0x25;
inline constexpr std::uint16_t vkUp = 0x26;
inline constexpr std::uint16_t vkRight = 0x27;
inline constexpr std::uint16_t vkDown = 0x28;
inline constexpr std::uint16_t vkInsert = 0x2D;
inline constexpr std::uint16_t vkDelete = 0x2E;
// The keypad with Num Lock on.
inline constexpr std::uint16_t vkNumpad0 = 0x60;  // the digits 0 to 9 are 0x60 to 0x69
inline constexpr std::uint16_t vkNumpad1 = 0x61;
inline constexpr std::uint16_t vkNumpad2 = 0x62;
inline constexpr std::uint16_t vkNumpad3 = 0x63;
inline constexpr std::uint16_t vkNumpad4 = 0x64;
inline constexpr std::uint16_t vkNumpad5 = 0x65;
inline constexpr std::uint16_t vkNumpad6 = 0x66;
inline constexpr std::uint16_t vkNumpad7 = 0x67;
inline constexpr std::uint16_t vkNumpad8 = 0x68;
inline constexpr std::uint16_t vkNumpad9 = 0x69;
inline constexpr std::uint16_t vkMultiply = 0x6A;
inline constexpr std::uint16_t vkAdd = 0x6B;
inline constexpr std::uint16_t vkSeparator = 0x6C;
inline constexpr std::uint16_t vkSubtract = 0x6D;
inline constexpr std::uint16_t vkDecimal = 0x6E;
inline constexpr std::uint16_t vkDivide = 0x6F;
inline constexpr std::uint16_t vkF1 = 0x70;  // F1 to F12 are 0x70 to 0x7B
inline constexpr std::uint16_t vkOemPlus = 0xBB;  // the = and + key

// Scan codes of the keys without a character, and of the keys the key
// decoder names. The keypad's digits and period share their scan codes with
// the grey cursor and editing keys (keypad 7 is Home, 8 Up, 0 Insert...),
// which the console tells apart by the Enhanced flag; so does the keypad's
// slash with the slash key.
inline constexpr std::uint16_t scanEscape = 1;
inline constexpr std::uint16_t scanEquals = 13;
inline constexpr std::uint16_t scanBackspace = 14;
inline constexpr std::uint16_t scanTab = 15;
inline constexpr std::uint16_t scanEnter = 28;
inline constexpr std::uint16_t scanCtrl = 29;
inline constexpr std::uint16_t scanShift = 42;
inline constexpr std::uint16_t scanSlash = 53;
inline constexpr std::uint16_t scanKeypadMultiply = 55;
inline constexpr std::uint16_t scanAlt = 56;
inline constexpr std::uint16_t scanF1 = 59;  // F1 to F10 are 59 to 68

inline constexpr std::uint16_t scanHome = 71;
inline constexpr std::uint16_t scanUp = 72;
inline constexpr std::uint16_t scanPageUp = 73;
inline constexpr std::uint16_t scanKeypadMinus = 74;
inline constexpr std::uint16_t scanLeft = 75;
inline constexpr std::uint16_t scanKeypad5 = 76;
inline constexpr std::uint16_t scanRight = 77;
inline constexpr std::uint16_t scanKeypadPlus = 78;
inline constexpr std::uint16_t scanEnd = 79;
inline constexpr std::uint16_t scanDown = 80;
inline constexpr std::uint16_t scanPageDown = 81;
inline constexpr std::uint16_t scanInsert = 82;
inline constexpr std::uint16_t scanDelete = 83;
inline constexpr std::uint16_t scanF11 = 87;  // F11 and F12 are 87 and 88

// The key that types an ASCII character on the US layout.
struct LayoutKey {
    std::uint16_t virtualKey = 0;  // 0 when no key types it
    std::uint16_t scanCode = 0;
    bool shift = false;
};

// The key for a character 0 to 127 (control characters 8, 9, 13 and 27
// are Backspace, Tab, Enter and Escape; Ctrl+letter is the letter's key).
LayoutKey layoutKeyFor(std::uint8_t character);

// The unshifted character of a virtual key, or 0; letters give capitals.
std::uint32_t unshiftedCharacter(std::uint16_t virtualKey);

// The set-1 scan code of F1 to F12 (n from 1 to 12), or 0.
constexpr std::uint16_t functionKeyScanCode(int n) {
    if (n >= 1 && n <= 10) return static_cast<std::uint16_t>(scanF1 + n - 1);
    if (n == 11 || n == 12) return static_cast<std::uint16_t>(scanF11 + n - 11);
    return 0;
}

}  // namespace console
