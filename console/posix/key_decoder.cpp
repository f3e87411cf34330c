#include "console/posix/key_decoder.h"

#include "console/posix/cp437.h"
#include "console/us_layout.h"

namespace console {
namespace {

constexpr std::uint8_t escapeByte = 27;
constexpr std::uint16_t vkClear = 0x0C;  // keypad 5 with Num Lock off
constexpr std::uint16_t scanKeypad5 = 76;

// A key to deliver: the event fields of its press and release.
struct KeyShape {
    std::uint16_t virtualKey = 0;
    std::uint16_t scanCode = 0;
    std::uint8_t character = 0;
    std::uint32_t flags = 0;
};

void emit(const KeyShape& key, std::vector<InputRecord>& out) {
    InputRecord record;
    record.eventType = keyEventType;
    record.key.keyDown = true;
    record.key.repeatCount = 1;
    record.key.virtualKey = key.virtualKey;
    record.key.scanCode = key.scanCode;
    record.key.character = key.character;
    record.key.controlState = key.flags;
    out.push_back(record);
    record.key.keyDown = false;
    out.push_back(record);
}

KeyShape layoutKey(std::uint8_t character, std::uint8_t delivered, std::uint32_t flags) {
    const LayoutKey key = layoutKeyFor(character);
    return {key.virtualKey, key.scanCode, delivered, flags | (key.shift ? shiftPressed : 0u)};
}

// The key that sends an ASCII byte: printable characters on their US layout
// keys, control characters as the keys that send them.
KeyShape asciiKey(std::uint8_t byte) {
    switch (byte) {
    // Ctrl+Space, Ctrl+@ and Ctrl+2 all send NUL; a console reports Ctrl+@
    // with character 0, which names no key.
    case 0: return layoutKey('@', 0, leftCtrlPressed);
    case 8:
    case 127: return {vkBack, scanBackspace, 8, 0};
    case 9: return {vkTab, scanTab, 9, 0};
    case 13: return {vkReturn, scanEnter, 13, 0};
    case escapeByte: return {vkEscape, scanEscape, escapeByte, 0};
    case 28: return layoutKey('\\', 28, leftCtrlPressed);
    case 29: return layoutKey(']', 29, leftCtrlPressed);
    case 30: return layoutKey('^', 30, leftCtrlPressed);
    case 31: return layoutKey('_', 31, leftCtrlPressed);
    default: break;
    }
    // Ctrl+letter, line feed (Ctrl+J) included: the letter's key.
    if (byte < 32) return layoutKey(byte, byte, leftCtrlPressed);
    return layoutKey(byte, byte, 0);
}

// A character of the code page beyond ASCII: no key of the layout types
// it, so it comes with virtual key and scan code 0.
KeyShape codePageCharacter(std::uint8_t byte) { return {0, 0, byte, 0}; }

// The keys that sequences name, without modifiers.
enum class NamedKey { up, down, right, left, home, end, insert, del, pageUp, pageDown, begin };

KeyShape namedKey(NamedKey key) {
    switch (key) {
    case NamedKey::up: return {vkUp, scanUp, 0, enhancedKey};
    case NamedKey::down: return {vkDown, scanDown, 0, enhancedKey};
    case NamedKey::right: return {vkRight, scanRight, 0, enhancedKey};
    case NamedKey::left: return {vkLeft, scanLeft, 0, enhancedKey};
    case NamedKey::home: return {vkHome, scanHome, 0, enhancedKey};
    case NamedKey::end: return {vkEnd, scanEnd, 0, enhancedKey};
    case NamedKey::insert: return {vkInsert, scanInsert, 0, enhancedKey};
    case NamedKey::del: return {vkDelete, scanDelete, 0, enhancedKey};
    case NamedKey::pageUp: return {vkPrior, scanPageUp, 0, enhancedKey};
    case NamedKey::pageDown: return {vkNext, scanPageDown, 0, enhancedKey};
    case NamedKey::begin: return {vkClear, scanKeypad5, 0, 0};
    }
    return {};
}

KeyShape functionKey(int n) {
    return {static_cast<std::uint16_t>(vkF1 + n - 1), functionKeyScanCode(n), 0, 0};
}

// The keypad in application mode (SS3 and a letter), Num Lock on: the keys
// with their keypad virtual keys and scan codes and their characters.
struct KeypadEntry {
    std::uint8_t finalByte;
    std::uint16_t virtualKey;
    std::uint16_t scanCode;
    std::uint8_t character;
    std::uint32_t flags;
};

constexpr KeypadEntry keypadEntries[] = {
    {'M', vkReturn, scanEnter, 13, enhancedKey},
    {'j', 0x6A, 55, '*', 0},
    {'k', 0x6B, 78, '+', 0},
    {'l', 0x6C, 83, ',', 0},
    {'m', 0x6D, 74, '-', 0},
    {'n', 0x6E, 83, '.', 0},
    {'o', 0x6F, 53, '/', enhancedKey},
    {'p', 0x60, 82, '0', 0},
    {'q', 0x61, 79, '1', 0},
    {'r', 0x62, 80, '2', 0},
    {'s', 0x63, 81, '3', 0},
    {'t', 0x64, 75, '4', 0},
    {'u', 0x65, 76, '5', 0},
    {'v', 0x66, 77, '6', 0},
    {'w', 0x67, 71, '7', 0},
    {'x', 0x68, 72, '8', 0},
    {'y', 0x69, 73, '9', 0},
    {'X', 0xBB, 13, '=', 0},
};

// The key a letter final byte names in CSI and SS3 sequences (xterm).
bool letterKey(std::uint8_t finalByte, KeyShape& key) {
    switch (finalByte) {
    case 'A': key = namedKey(NamedKey::up); return true;
    case 'B': key = namedKey(NamedKey::down); return true;
    case 'C': key = namedKey(NamedKey::right); return true;
    case 'D': key = namedKey(NamedKey::left); return true;
    case 'H': key = namedKey(NamedKey::home); return true;
    case 'F': key = namedKey(NamedKey::end); return true;
    case 'E':
    case 'G': key = namedKey(NamedKey::begin); return true;
    case 'P': key = functionKey(1); return true;
    case 'Q': key = functionKey(2); return true;
    case 'R': key = functionKey(3); return true;
    case 'S': key = functionKey(4); return true;
    default: return false;
    }
}

// The key a number names in "CSI number ~" (VT220, xterm, rxvt and the Linux
// console). 25 to 34 are F13 to F20, which those terminals send for
// Shift+F3 to Shift+F10.
bool tildeKey(int number, KeyShape& key) {
    switch (number) {
    case 1:
    case 7: key = namedKey(NamedKey::home); return true;
    case 2: key = namedKey(NamedKey::insert); return true;
    case 3: key = namedKey(NamedKey::del); return true;
    case 4:
    case 8: key = namedKey(NamedKey::end); return true;
    case 5: key = namedKey(NamedKey::pageUp); return true;
    case 6: key = namedKey(NamedKey::pageDown); return true;
    default: break;
    }
    constexpr int functionKeyNumbers[] = {11, 12, 13, 14, 15, 17, 18, 19, 20, 21, 23, 24};
    for (int n = 1; n <= 12; ++n) {
        if (functionKeyNumbers[n - 1] == number) {
            key = functionKey(n);
            return true;
        }
    }
    constexpr int shiftedNumbers[] = {25, 26, 28, 29, 31, 32, 33, 34};
    for (int n = 3; n <= 10; ++n) {
        if (shiftedNumbers[n - 3] == number) {
            key = functionKey(n);
            key.flags |= shiftPressed;
            return true;
        }
    }
    return false;
}

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

// The numeric parameters of a sequence: digits separated by semicolons, an
// empty one counting as 0. Anything else (private markers, sub-parameters,
// intermediate bytes) makes a sequence that names no key.
struct Parameters {
    static constexpr int most = 4;
    int values[most] = {};
    int count = 0;
};

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

// The modifier of a letter-final sequence: "CSI 1;m A", or the older
// "CSI m A" and "SS3 m A". A first parameter other than 1 in the two-parameter
// form is no key (a cursor position report "CSI row;column R" among them).
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

// rxvt's arrows with Shift or Ctrl, by final byte 'a' to 'd'.
constexpr NamedKey rxvtArrows[] = {NamedKey::up, NamedKey::down, NamedKey::right, NamedKey::left};

void emitWith(KeyShape key, std::uint32_t flags, std::vector<InputRecord>& out) {
    key.flags |= flags;
    emit(key, out);
}

// A whole CSI sequence: its parameter bytes and its final byte.
void decodeCsi(const std::uint8_t* parameterBytes, std::size_t n, std::uint8_t finalByte, std::uint32_t alt,
               std::vector<InputRecord>& out) {
    Parameters parameters;
    if (!parseParameters(parameterBytes, n, parameters)) return;
    KeyShape key;
    std::uint32_t flags = 0;
    if (letterKey(finalByte, key)) {
        if (letterModifier(parameters, flags)) emitWith(key, flags | alt, out);
        return;
    }
    switch (finalByte) {
    case 'Z':  // Shift+Tab
        if (letterModifier(parameters, flags)) emitWith({vkTab, scanTab, 9, shiftPressed}, flags | alt, out);
        return;
    case 'a':  // rxvt: Shift with the arrows
    case 'b':
    case 'c':
    case 'd':
        if (parameters.count == 0) {
            emitWith(namedKey(rxvtArrows[finalByte - 'a']), shiftPressed | alt, out);
        }
        return;
    case '~':
        if (parameters.count < 1 || parameters.count > 2) return;
        if (!tildeKey(parameters.values[0], key)) return;
        if (parameters.count == 2 && !modifierFlags(parameters.values[1], flags)) return;
        emitWith(key, flags | alt, out);
        return;
    case '$':  // rxvt: the same keys with Shift, Ctrl, or both
    case '^':
    case '@':
        if (parameters.count != 1 || !tildeKey(parameters.values[0], key)) return;
        flags = finalByte == '$' ? shiftPressed
              : finalByte == '^' ? leftCtrlPressed
                                 : leftCtrlPressed | shiftPressed;
        emitWith(key, flags | alt, out);
        return;
    default:  // focus reports, mouse reports and everything else
        return;
    }
}

// A whole SS3 sequence: its parameter bytes and its final byte.
void decodeSs3(const std::uint8_t* parameterBytes, std::size_t n, std::uint8_t finalByte, std::uint32_t alt,
               std::vector<InputRecord>& out) {
    Parameters parameters;
    if (!parseParameters(parameterBytes, n, parameters)) return;
    std::uint32_t flags = 0;
    if (!letterModifier(parameters, flags)) return;
    KeyShape key;
    if (letterKey(finalByte, key)) {
        emitWith(key, flags | alt, out);
        return;
    }
    if (finalByte >= 'a' && finalByte <= 'd') {  // rxvt: Ctrl with the arrows
        emitWith(namedKey(rxvtArrows[finalByte - 'a']), leftCtrlPressed | flags | alt, out);
        return;
    }
    for (const KeypadEntry& entry : keypadEntries) {
        if (entry.finalByte == finalByte) {
            emitWith({entry.virtualKey, entry.scanCode, entry.character, entry.flags}, flags | alt, out);
            return;
        }
    }
}

bool isParameterByte(std::uint8_t c) { return c >= 0x30 && c <= 0x3F; }
bool isIntermediateByte(std::uint8_t c) { return c >= 0x20 && c <= 0x2F; }
bool isFinalByte(std::uint8_t c) { return c >= 0x40 && c <= 0x7E; }

// One UTF-8 character at the start of bytes. Returns the bytes it takes, 0
// when more are needed; codePoint is -1 for a malformed or cut-off one, whose
// bytes are dropped up to the first byte that cannot continue it.
std::size_t decodeUtf8(const std::uint8_t* bytes, std::size_t n, bool atEnd, std::int32_t& codePoint) {
    codePoint = -1;
    const std::uint8_t lead = bytes[0];
    std::size_t length = 0;
    std::uint8_t low = 0x80;  // the range of the second byte
    std::uint8_t high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;   // no overlong forms
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;  // nothing beyond U+10FFFF
    } else {
        return 1;  // a stray continuation byte or an invalid lead byte
    }
    std::int32_t value = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if (i == n) return atEnd ? n : 0;
        const std::uint8_t c = bytes[i];
        const std::uint8_t min = i == 1 ? low : 0x80;
        const std::uint8_t max = i == 1 ? high : 0xBF;
        if (c < min || c > max) return i;
        value = (value << 6) | (c & 0x3F);
    }
    codePoint = value;
    return length;
}

// The byte of a typed Unicode character beyond ASCII, or -1 when the code
// page has none.
int typedByte(std::int32_t codePoint) {
    if (codePoint < 0x80) return -1;
    return cp437FromUnicode(static_cast<char32_t>(codePoint));
}

class ItemDecoder {
public:
    ItemDecoder(bool utf8, const std::uint8_t* bytes, std::size_t n, bool atEnd, std::vector<InputRecord>& out)
        : utf8_(utf8), b_(bytes), n_(n), atEnd_(atEnd), out_(out) {}

    // Decodes the item at the start of the bytes: returns how many bytes it
    // takes (having emitted its key, if it names one), or 0 when more bytes
    // are needed to tell. At the end of input it always takes at least one.
    std::size_t decode() {
        const std::uint8_t c = b_[0];
        if (c == escapeByte) return escape();
        if (c < 0x80) {
            emit(asciiKey(c), out_);
            return 1;
        }
        if (!utf8_) {
            emit(codePageCharacter(c), out_);
            return 1;
        }
        std::int32_t codePoint = -1;
        const std::size_t taken = decodeUtf8(b_, n_, atEnd_, codePoint);
        if (taken == 0) return 0;
        const int byte = typedByte(codePoint);
        if (byte >= 0) emit(codePageCharacter(static_cast<std::uint8_t>(byte)), out_);
        return taken;
    }

private:
    std::size_t escapeKey() {
        emit(asciiKey(escapeByte), out_);
        return 1;
    }

    std::size_t escape() {
        if (n_ == 1) return atEnd_ ? escapeKey() : 0;
        const std::uint8_t next = b_[1];
        if (next == '[') return csi(2, 0);
        if (next == 'O') return ss3(2, 0);
        if (next == escapeByte) {
            // Escape, Escape is two Escape keys, unless a sequence follows:
            // then the first Escape is Alt for the key it names (rxvt).
            if (n_ == 2) return atEnd_ ? escapeKey() : 0;
            if (b_[2] == '[') return csi(3, leftAltPressed);
            if (b_[2] == 'O') return ss3(3, leftAltPressed);
            return escapeKey();
        }
        // Alt as an Escape prefix to the next key.
        if (next < 0x80) {
            emitWith(asciiKey(next), leftAltPressed, out_);
            return 2;
        }
        if (!utf8_) {
            emitWith(codePageCharacter(next), leftAltPressed, out_);
            return 2;
        }
        std::int32_t codePoint = -1;
        const std::size_t taken = decodeUtf8(b_ + 1, n_ - 1, atEnd_, codePoint);
        if (taken == 0) return 0;
        // A malformed character after Escape: the Escape stands alone.
        if (codePoint < 0) return escapeKey();
        const int byte = typedByte(codePoint);
        if (byte >= 0) emitWith(codePageCharacter(static_cast<std::uint8_t>(byte)), leftAltPressed, out_);
        return 1 + taken;
    }

    // The introducer alone at the end of input: "ESC [" is Alt+[ and
    // "ESC ESC [" is Escape followed by that.
    std::size_t introducerOnly(std::size_t start, std::uint32_t alt) {
        if (alt != 0) return escapeKey();
        emitWith(asciiKey(b_[start - 1]), leftAltPressed, out_);
        return start;
    }

    std::size_t csi(std::size_t start, std::uint32_t alt) {
        if (n_ == start) return atEnd_ ? introducerOnly(start, alt) : 0;
        if (b_[start] == '[') {
            // Linux console F1 to F5: "CSI [ A" to "CSI [ E".
            if (n_ == start + 1) return atEnd_ ? n_ : 0;
            const std::uint8_t c = b_[start + 1];
            if (c >= 'A' && c <= 'E') {
                emitWith(functionKey(c - 'A' + 1), alt, out_);
                return start + 2;
            }
            return isFinalByte(c) ? start + 2 : start + 1;
        }
        for (std::size_t i = start; i < n_; ++i) {
            const std::uint8_t c = b_[i];
            if (isParameterByte(c)) continue;
            if (c == '$' && rxvtNumber(start, i)) {
                decodeCsi(b_ + start, i - start, c, alt, out_);
                return i + 1;
            }
            if (isIntermediateByte(c)) continue;
            if (isFinalByte(c)) {
                // A mouse report in the X10 form carries three raw bytes.
                if (c == 'M' && i == start) {
                    if (n_ >= i + 4) return i + 4;
                    return atEnd_ ? n_ : 0;
                }
                decodeCsi(b_ + start, i - start, c, alt, out_);
                return i + 1;
            }
            return i;  // broken: dropped, and the byte decoded afresh
        }
        return atEnd_ ? n_ : 0;
    }

    // rxvt ends its shifted keys with '$' right after the key number.
    bool rxvtNumber(std::size_t start, std::size_t end) const {
        if (end == start) return false;
        for (std::size_t i = start; i < end; ++i) {
            if (b_[i] < '0' || b_[i] > '9') return false;
        }
        return true;
    }

    std::size_t ss3(std::size_t start, std::uint32_t alt) {
        if (n_ == start) return atEnd_ ? introducerOnly(start, alt) : 0;
        for (std::size_t i = start; i < n_; ++i) {
            const std::uint8_t c = b_[i];
            if (isParameterByte(c)) continue;
            if (isFinalByte(c)) {
                decodeSs3(b_ + start, i - start, c, alt, out_);
                return i + 1;
            }
            return i;
        }
        return atEnd_ ? n_ : 0;
    }

    bool utf8_;
    const std::uint8_t* b_;
    std::size_t n_;
    bool atEnd_;
    std::vector<InputRecord>& out_;
};

}  // namespace

KeyDecoder::KeyDecoder(bool utf8) : utf8_(utf8) { held_.reserve(maxHeldBytes); }

void KeyDecoder::feed(const std::uint8_t* bytes, std::size_t n, std::vector<InputRecord>& out) {
    for (std::size_t i = 0; i < n; ++i) feedByte(bytes[i], out);
}

bool KeyDecoder::holding() const { return skipping_ || !held_.empty(); }

void KeyDecoder::flush(std::vector<InputRecord>& out) {
    skipping_ = false;
    decodeHeld(true, out);
}

void KeyDecoder::feedByte(std::uint8_t byte, std::vector<InputRecord>& out) {
    if (skipping_) {
        if (isParameterByte(byte) || isIntermediateByte(byte)) return;
        skipping_ = false;
        if (isFinalByte(byte)) return;
    }
    held_.push_back(byte);
    decodeHeld(false, out);
    if (held_.size() >= maxHeldBytes) {
        // Only a sequence's parameters run this long: the rest of it is
        // dropped as it comes, up to its final byte.
        held_.clear();
        skipping_ = true;
    }
}

void KeyDecoder::decodeHeld(bool atEnd, std::vector<InputRecord>& out) {
    std::size_t start = 0;
    while (start < held_.size()) {
        ItemDecoder item(utf8_, held_.data() + start, held_.size() - start, atEnd, out);
        const std::size_t taken = item.decode();
        if (taken == 0) break;
        start += taken;
    }
    held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(start));
}

}  // namespace console
