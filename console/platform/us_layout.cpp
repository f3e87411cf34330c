#include "console/platform/us_layout.h"

namespace console {
namespace {

// The printable keys of the US layout: each row gives the key's virtual key,
// its scan code, and the characters it types without and with Shift.
struct PrintableKey {
    std::uint16_t virtualKey;
    std::uint16_t scanCode;
    char plain;
    char shifted;
};

constexpr PrintableKey printableKeys[] = {
    {0x31, 2, '1', '!'},  {0x32, 3, '2', '@'},  {0x33, 4, '3', '#'},   {0x34, 5, '4', '$'},
    {0x35, 6, '5', '%'},  {0x36, 7, '6', '^'},  {0x37, 8, '7', '&'},   {0x38, 9, '8', '*'},
    {0x39, 10, '9', '('}, {0x30, 11, '0', ')'}, {0xBD, 12, '-', '_'},  {0xBB, 13, '=', '+'},
    {0x51, 16, 'q', 'Q'}, {0x57, 17, 'w', 'W'}, {0x45, 18, 'e', 'E'},  {0x52, 19, 'r', 'R'},
    {0x54, 20, 't', 'T'}, {0x59, 21, 'y', 'Y'}, {0x55, 22, 'u', 'U'},  {0x49, 23, 'i', 'I'},
    {0x4F, 24, 'o', 'O'}, {0x50, 25, 'p', 'P'}, {0xDB, 26, '[', '{'},  {0xDD, 27, ']', '}'},
    {0x41, 30, 'a', 'A'}, {0x53, 31, 's', 'S'}, {0x44, 32, 'd', 'D'},  {0x46, 33, 'f', 'F'},
    {0x47, 34, 'g', 'G'}, {0x48, 35, 'h', 'H'}, {0x4A, 36, 'j', 'J'},  {0x4B, 37, 'k', 'K'},
    {0x4C, 38, 'l', 'L'}, {0xBA, 39, ';', ':'}, {0xDE, 40, '\'', '"'}, {0xC0, 41, '`', '~'},
    {0xDC, 43, '\\', '|'}, {0x5A, 44, 'z', 'Z'}, {0x58, 45, 'x', 'X'}, {0x43, 46, 'c', 'C'},
    {0x56, 47, 'v', 'V'}, {0x42, 48, 'b', 'B'}, {0x4E, 49, 'n', 'N'},  {0x4D, 50, 'm', 'M'},
    {0xBC, 51, ',', '<'}, {0xBE, 52, '.', '>'}, {0xBF, 53, '/', '?'},  {0x20, 57, ' ', ' '},
};

// Keypad keys with a character of their own (Num Lock on).
struct KeypadKey {
    std::uint16_t virtualKey;
    char character;
};

constexpr KeypadKey keypadKeys[] = {
    {vkNumpad0, '0'},  {vkNumpad1, '1'}, {vkNumpad2, '2'},   {vkNumpad3, '3'},   {vkNumpad4, '4'},
    {vkNumpad5, '5'},  {vkNumpad6, '6'}, {vkNumpad7, '7'},   {vkNumpad8, '8'},   {vkNumpad9, '9'},
    {vkMultiply, '*'}, {vkAdd, '+'},     {vkSubtract, '-'}, {vkDecimal, '.'}, {vkDivide, '/'},
};

}  // namespace

LayoutKey layoutKeyFor(std::uint8_t character) {
    switch (character) {
    case 8: return {vkBack, scanBackspace, false};
    case 9: return {vkTab, scanTab, false};
    case 13: return {vkReturn, scanEnter, false};
    case 27: return {vkEscape, scanEscape, false};
    default: break;
    }
    if (character >= 1 && character <= 26) {  // Ctrl+letter
        return layoutKeyFor(static_cast<std::uint8_t>('a' + character - 1));
    }
    for (const PrintableKey& key : printableKeys) {
        if (key.plain == static_cast<char>(character)) return {key.virtualKey, key.scanCode, false};
        if (key.shifted == static_cast<char>(character)) return {key.virtualKey, key.scanCode, true};
    }
    return {};
}

std::uint32_t unshiftedCharacter(std::uint16_t virtualKey) {
    switch (virtualKey) {
    case vkBack: return 8;
    case vkTab: return 9;
    case vkReturn: return 13;
    case vkEscape: return 27;
    default: break;
    }
    for (const PrintableKey& key : printableKeys) {
        if (key.virtualKey != virtualKey) continue;
        // Letters map to their capitals, as the platform's map does.
        if (key.plain >= 'a' && key.plain <= 'z') return static_cast<std::uint32_t>(key.shifted);
        return static_cast<std::uint8_t>(key.plain);
    }
    for (const KeypadKey& key : keypadKeys) {
        if (key.virtualKey == virtualKey) return static_cast<std::uint8_t>(key.character);
    }
    return 0;
}

}  // namespace console
