#include "console/posix/sequence_keys.h"

#include <string_view>

#include "console/posix/key_sequences.h"

namespace console {
namespace {

// The flags of an xterm modifier parameter: 1 + Shift 1 + Alt 2 + Ctrl 4
// (+ Meta 8, taken as Alt). 0 stands for an omitted parameter.
bool modifierFlags(int parameter, std::uint32_t& flags) {
    if (parameter == 0) parameter = 1;
    if (parameter > 16) return false;
    const int bits = parameter - 1;
    flags = 0;
    if (bits & 1) flags |= shiftPressed;
    if (bits & (2 | 8)) flags |= leftAltPressed;
    if (bits & 4) flags |= leftCtrlPressed;
    return true;
}

// The modifier of a sequence ending in a letter: "CSI 1;m A", or the older
// "CSI m A" and "SS3 m A". A first parameter other than 1 in the
// two-parameter form is no key (a cursor position report "CSI row;column R"
// among them).
bool letterModifier(const Parameters& parameters, std::uint32_t& flags) {
    switch (parameters.count) {
    case 0: flags = 0; return true;
    case 1: return modifierFlags(parameters.values[0], flags);
    case 2:
        if (parameters.values[0] > 1) return false;
        return modifierFlags(parameters.values[1], flags);
    default: return false;
    }
}

// The plain form "CSI n ~" of a numbered key.
std::string_view numberedKeySequence(int number, char (&buffer)[12]) {
    char digits[8];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + number % 10);
        number /= 10;
    } while (number > 0 && count < 8);
    std::size_t n = 0;
    buffer[n++] = '\x1b';
    buffer[n++] = '[';
    while (count > 0) buffer[n++] = digits[--count];
    buffer[n++] = '~';
    return {buffer, n};
}

}  // namespace

bool parseParameters(const std::uint8_t* bytes, std::size_t n, Parameters& parameters) {
    parameters = {};
    if (n == 0) return true;
    parameters.count = 1;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t c = bytes[i];
        if (c == ';') {
            if (parameters.count == Parameters::most) return false;
            ++parameters.count;
        } else if (c >= '0' && c <= '9') {
            int& value = parameters.values[parameters.count - 1];
            if (value < 10000) value = value * 10 + (c - '0');
        } else {
            return false;
        }
    }
    return true;
}

const KeyEvent* numberedKey(const Parameters& parameters, std::uint8_t finalByte, std::uint32_t& flags) {
    flags = 0;
    if (finalByte == '~') {
        if (parameters.count < 1 || parameters.count > 2) return nullptr;
        if (parameters.count == 2 && !modifierFlags(parameters.values[1], flags)) return nullptr;
    } else {
        if (parameters.count != 1) return nullptr;
        flags = finalByte == '$' ? shiftPressed
              : finalByte == '^' ? leftCtrlPressed
                                 : leftCtrlPressed | shiftPressed;
    }
    char buffer[12];
    return findKeySequence(numberedKeySequence(parameters.values[0], buffer));
}

const KeyEvent* letterKey(std::uint8_t introducer, const Parameters& parameters, std::uint8_t finalByte,
                          std::uint32_t& flags) {
    flags = 0;
    // rxvt's Shift with the arrows takes no modifier.
    const bool rxvtShiftArrow = introducer == '[' && finalByte >= 'a' && finalByte <= 'd';
    if (rxvtShiftArrow ? parameters.count != 0 : !letterModifier(parameters, flags)) return nullptr;
    const char plain[3] = {'\x1b', static_cast<char>(introducer), static_cast<char>(finalByte)};
    return findKeySequence({plain, 3});
}

}  // namespace console
