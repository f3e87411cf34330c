// The constant key translation tables: what a key press becomes under each
// modifier column, for the enhanced keys (searched by scan code) and for
// every scan code from 0 to 88.
#pragma once

#include <cstddef>
#include <cstdint>

namespace console {

// One table entry: nothing, a one-byte key or an extended code.
struct KeyEntry {
    enum class Kind : std::uint8_t { none, byte, extended };
    Kind kind = Kind::none;
    std::uint8_t value = 0;
};

// The extended codes that the program itself acts on, named here once. The
// grey cursor and editing keys that the line editor acts on: each key's own
// scan code, as EnhancedKeyTable gives it in the plain and Shift columns
// (and ScanCodeTable in the plain column of the keypad key that shares the
// scan code).
inline constexpr std::uint8_t extendedHome = 0x47;
inline constexpr std::uint8_t extendedUp = 0x48;
inline constexpr std::uint8_t extendedLeft = 0x4B;
inline constexpr std::uint8_t extendedRight = 0x4D;
inline constexpr std::uint8_t extendedEnd = 0x4F;
inline constexpr std::uint8_t extendedDown = 0x50;
inline constexpr std::uint8_t extendedDelete = 0x53;
// The extended code of Alt+F4 (ScanCodeTable's Alt column of F4), which a
// console close queues as the close key.
inline constexpr std::uint8_t extendedAltF4 = 0x6B;

// The column chosen by the modifiers held.
enum KeyColumn : std::size_t { plainColumn = 0, shiftColumn = 1, ctrlColumn = 2, altColumn = 3 };
inline constexpr std::size_t keyColumns = 4;

struct EnhancedKeyRow {
    std::uint16_t scanCode;
    KeyEntry columns[keyColumns];
};

inline constexpr std::size_t enhancedKeyRows = 12;
extern const EnhancedKeyRow EnhancedKeyTable[enhancedKeyRows];

// Indexed by scan code, 0 to lastTableScanCode.
inline constexpr std::uint16_t lastTableScanCode = 88;
extern const KeyEntry ScanCodeTable[lastTableScanCode + 1][keyColumns];

// The row of EnhancedKeyTable for a scan code, or nullptr.
const EnhancedKeyRow* findEnhancedKey(std::uint16_t scanCode);

}  // namespace console
