#include "console/key_tables.h"

namespace console {
namespace {

constexpr KeyEntry no{};  // nothing
constexpr KeyEntry b(std::uint8_t value) { return {KeyEntry::Kind::byte, value}; }
constexpr KeyEntry x(std::uint8_t code) { return {KeyEntry::Kind::extended, code}; }

}  // namespace

// The enhanced keys: the keypad's Enter and slash keys and the grey cursor
// and editing keys, looked up by scan code.
const EnhancedKeyRow EnhancedKeyTable[enhancedKeyRows] = {
    //    Plain              Shift              Ctrl               Alt
    {28, {b(13),             b(13),             b(10),             x(0xA6)}},  // keypad Enter
    {53, {b(47),             b(63),             x(0x95),           x(0xA4)}},  // keypad slash
    {71, {x(extendedHome),   x(extendedHome),   x(0x77),           x(0x97)}},  // Home
    {72, {x(extendedUp),     x(extendedUp),     x(0x8D),           x(0x98)}},  // Up
    {73, {x(0x49),           x(0x49),           x(0x84),           x(0x99)}},  // Page Up
    {75, {x(extendedLeft),   x(extendedLeft),   x(0x73),           x(0x9B)}},  // Left
    {77, {x(extendedRight),  x(extendedRight),  x(0x74),           x(0x9D)}},  // Right
    {79, {x(extendedEnd),    x(extendedEnd),    x(0x75),           x(0x9F)}},  // End
    {80, {x(extendedDown),   x(extendedDown),   x(0x91),           x(0xA0)}},  // Down
    {81, {x(0x51),           x(0x51),           x(0x76),           x(0xA1)}},  // Page Down
    {82, {x(0x52),           x(0x52),           x(0x92),           x(0xA2)}},  // Insert
    {83, {x(extendedDelete), x(extendedDelete), x(0x93),           x(0xA3)}},  // Delete
};

// The extended codes of every scan code of the PC keyboard, set 1. A key
// without an entry in its column yields its own character. Alt+Backspace is
// 0xE0, Alt+Tab shares 0x0F with Shift+Tab, only the 2 key has a Ctrl code
// on the digit row, and the backslash key has no Alt code.
const KeyEntry ScanCodeTable[lastTableScanCode + 1][keyColumns] = {
    //Plain    Shift    Ctrl     Alt
    {no,      no,      no,      no},        //  0
    {no,      no,      no,      x(0x01)},   //  1 Esc
    {no,      no,      no,      x(0x78)},   //  2 1
    {no,      no,      x(0x03), x(0x79)},   //  3 2
    {no,      no,      no,      x(0x7A)},   //  4 3
    {no,      no,      no,      x(0x7B)},   //  5 4
    {no,      no,      no,      x(0x7C)},   //  6 5
    {no,      no,      no,      x(0x7D)},   //  7 6
    {no,      no,      no,      x(0x7E)},   //  8 7
    {no,      no,      no,      x(0x7F)},   //  9 8
    {no,      no,      no,      x(0x80)},   // 10 9
    {no,      no,      no,      x(0x81)},   // 11 0
    {no,      no,      no,      x(0x82)},   // 12 minus
    {no,      no,      no,      x(0x83)},   // 13 equals
    {no,      no,      no,      x(0xE0)},   // 14 Backspace
    {no,      x(0x0F), x(0x94), x(0x0F)},   // 15 Tab
    {no,      no,      no,      x(0x10)},   // 16 Q
    {no,      no,      no,      x(0x11)},   // 17 W
    {no,      no,      no,      x(0x12)},   // 18 E
    {no,      no,      no,      x(0x13)},   // 19 R
    {no,      no,      no,      x(0x14)},   // 20 T
    {no,      no,      no,      x(0x15)},   // 21 Y
    {no,      no,      no,      x(0x16)},   // 22 U
    {no,      no,      no,      x(0x17)},   // 23 I
    {no,      no,      no,      x(0x18)},   // 24 O
    {no,      no,      no,      x(0x19)},   // 25 P
    {no,      no,      no,      x(0x1A)},   // 26 left bracket
    {no,      no,      no,      x(0x1B)},   // 27 right bracket
    {no,      no,      no,      x(0x1C)},   // 28 Enter
    {no,      no,      no,      no},        // 29 Ctrl
    {no,      no,      no,      x(0x1E)},   // 30 A
    {no,      no,      no,      x(0x1F)},   // 31 S
    {no,      no,      no,      x(0x20)},   // 32 D
    {no,      no,      no,      x(0x21)},   // 33 F
    {no,      no,      no,      x(0x22)},   // 34 G
    {no,      no,      no,      x(0x23)},   // 35 H
    {no,      no,      no,      x(0x24)},   // 36 J
    {no,      no,      no,      x(0x25)},   // 37 K
    {no,      no,      no,      x(0x26)},   // 38 L
    {no,      no,      no,      x(0x27)},   // 39 semicolon
    {no,      no,      no,      x(0x28)},   // 40 apostrophe
    {no,      no,      no,      x(0x29)},   // 41 backquote
    {no,      no,      no,      no},        // 42 left Shift
    {no,      no,      no,      no},        // 43 backslash
    {no,      no,      no,      x(0x2C)},   // 44 Z
    {no,      no,      no,      x(0x2D)},   // 45 X
    {no,      no,      no,      x(0x2E)},   // 46 C
    {no,      no,      no,      x(0x2F)},   // 47 V
    {no,      no,      no,      x(0x30)},   // 48 B
    {no,      no,      no,      x(0x31)},   // 49 N
    {no,      no,      no,      x(0x32)},   // 50 M
    {no,      no,      no,      x(0x33)},   // 51 comma
    {no,      no,      no,      x(0x34)},   // 52 period
    {no,      no,      no,      x(0x35)},   // 53 slash
    {no,      no,      no,      no},        // 54 right Shift
    {no,      no,      no,      no},        // 55 keypad star
    {no,      no,      no,      no},        // 56 Alt
    {no,      no,      no,      no},        // 57 Space
    {no,      no,      no,      no},        // 58 Caps Lock
    {x(0x3B), x(0x54), x(0x5E), x(0x68)},   // 59 F1
    {x(0x3C), x(0x55), x(0x5F), x(0x69)},   // 60 F2
    {x(0x3D), x(0x56), x(0x60), x(0x6A)},   // 61 F3
    {x(0x3E), x(0x57), x(0x61), x(0x6B)},   // 62 F4
    {x(0x3F), x(0x58), x(0x62), x(0x6C)},   // 63 F5
    {x(0x40), x(0x59), x(0x63), x(0x6D)},   // 64 F6
    {x(0x41), x(0x5A), x(0x64), x(0x6E)},   // 65 F7
    {x(0x42), x(0x5B), x(0x65), x(0x6F)},   // 66 F8
    {x(0x43), x(0x5C), x(0x66), x(0x70)},   // 67 F9
    {x(0x44), x(0x5D), x(0x67), x(0x71)},   // 68 F10
    {no,      no,      no,      no},        // 69 Num Lock
    {no,      no,      no,      no},        // 70 Scroll Lock
    {x(0x47), no,      x(0x77), no},        // 71 keypad 7 / Home
    {x(0x48), no,      x(0x8D), no},        // 72 keypad 8 / Up
    {x(0x49), no,      x(0x84), no},        // 73 keypad 9 / Page Up
    {no,      no,      no,      no},        // 74 keypad minus
    {x(0x4B), no,      x(0x73), no},        // 75 keypad 4 / Left
    {x(0x4C), no,      x(0x8F), x(0x4C)},   // 76 keypad 5
    {x(0x4D), no,      x(0x74), no},        // 77 keypad 6 / Right
    {no,      no,      no,      no},        // 78 keypad plus
    {x(0x4F), no,      x(0x75), no},        // 79 keypad 1 / End
    {x(0x50), no,      x(0x91), no},        // 80 keypad 2 / Down
    {x(0x51), no,      x(0x76), no},        // 81 keypad 3 / Page Down
    {x(0x52), no,      x(0x92), no},        // 82 keypad 0 / Insert
    {x(0x53), no,      x(0x93), no},        // 83 keypad period / Delete
    {no,      no,      no,      no},        // 84 SysRq
    {no,      no,      no,      no},        // 85
    {no,      no,      no,      no},        // 86
    {x(0x85), x(0x87), x(0x89), x(0x8B)},   // 87 F11
    {x(0x86), x(0x88), x(0x8A), x(0x8C)},   // 88 F12
};

const EnhancedKeyRow* findEnhancedKey(std::uint16_t scanCode) {
    for (const EnhancedKeyRow& row : EnhancedKeyTable) {
        if (row.scanCode == scanCode) return &row;
    }
    return nullptr;
}

}  // namespace console
