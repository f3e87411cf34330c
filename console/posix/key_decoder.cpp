#include "console/posix/key_decoder.h"

#include "console/platform/key_events.h"
#include "console/platform/us_layout.h"
#include "console/posix/cp437.h"
#include "console/posix/key_sequences.h"
#include "console/posix/sequence_keys.h"

namespace console {
namespace {

constexpr std::uint8_t bellByte = 7;
constexpr std::uint8_t escapeByte = 27;

// A key typed with Ctrl on the layout key of another character: the key of
// keyCharacter, with Ctrl, delivering the control character.
KeyEvent ctrlOnKeyOf(std::uint8_t keyCharacter, std::uint8_t delivered) {
    KeyEvent press = typedCharacterPress(keyCharacter);
    press.character = delivered;
    press.controlState |= leftCtrlPressed;
    return press;
}

// The key that sends a byte on its own: printable characters on their US
// layout keys, control characters as the keys that send them, and in a
// terminal that does not send UTF-8, each byte beyond ASCII as a character
// of the code page.
KeyEvent byteKey(std::uint8_t byte) {
    switch (byte) {
    // Ctrl+Space, Ctrl+@ and Ctrl+2 all send NUL; a console reports Ctrl+@
    // with character 0, which names no key.
    case 0: return ctrlOnKeyOf('@', 0);
    case 127: return typedCharacterPress(8);  // the Backspace key
    case 28: return ctrlOnKeyOf('\\', 28);
    case 29: return ctrlOnKeyOf(']', 29);
    case 30: return ctrlOnKeyOf('^', 30);
    case 31: return ctrlOnKeyOf('_', 31);
    default: return typedCharacterPress(byte);
    }
}

// The byte after Escape that opens a terminal string: OSC (ESC ]), DCS
// (ESC P), APC (ESC _), PM (ESC ^) and SOS (ESC X). Terminals send them as
// replies (a colour or a setting asked for) and never for a key.
bool opensControlString(std::uint8_t c) { return c == ']' || c == 'P' || c == '_' || c == '^' || c == 'X'; }

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

// Decodes what stands at the start of the held bytes: one character, one
// control key or one escape sequence, and emits the key it names, if any.
class LeadingKeyDecoder {
public:
    // addedFlags: modifier flags added to every key emitted (Alt, for a
    // sequence behind an Escape prefix).
    LeadingKeyDecoder(bool utf8, const std::uint8_t* bytes, std::size_t n, bool atEnd, std::vector<InputRecord>& out,
                      std::uint32_t addedFlags = 0)
        : utf8_(utf8), bytes_(bytes), length_(n), atEnd_(atEnd), out_(out), addedFlags_(addedFlags) {}

    // Returns how many bytes it takes (having emitted its key, if it names
    // one), or 0 when more bytes are needed to tell. At the end of input it
    // always takes at least one.
    std::size_t decode() {
        const std::uint8_t c = bytes_[0];
        if (c == escapeByte) return escape();
        if (c < 0x80 || !utf8_) {
            emit(byteKey(c));
            return 1;
        }
        std::int32_t codePoint = -1;
        const std::size_t taken = decodeUtf8(bytes_, length_, atEnd_, codePoint);
        if (taken == 0) return 0;
        const int byte = typedByte(codePoint);
        if (byte >= 0) emit(typedCharacterPress(static_cast<std::uint8_t>(byte)));
        return taken;
    }

    // Whether the bytes taken opened a terminal string, whose bytes up to
    // its terminator the caller drops.
    bool opensString() const { return opensString_; }

private:
    void emit(KeyEvent press, std::uint32_t flags = 0) {
        press.controlState |= flags | addedFlags_;
        appendKeyStroke(out_, press);
    }

    std::size_t escapeKey() {
        emit(byteKey(escapeByte));
        return 1;
    }

    std::size_t escape() {
        if (length_ == 1) return atEnd_ ? escapeKey() : 0;
        const std::uint8_t next = bytes_[1];
        if (next == '[') return csi();
        if (next == 'O') return ss3();
        if (next == escapeByte) return escapeBeforeEscape();
        if (opensControlString(next)) {
            // The introducer alone at the end of the wait is Alt and that key.
            if (length_ == 2) return atEnd_ ? altKey() : 0;
            opensString_ = true;
            return 2;
        }
        if (next >= 0x80 && utf8_) return altCharacter();
        return altKey();
    }

    // Alt as an Escape prefix to the next byte's key.
    std::size_t altKey() {
        emit(byteKey(bytes_[1]), leftAltPressed);
        return 2;
    }

    // Alt as an Escape prefix to a UTF-8 character.
    std::size_t altCharacter() {
        std::int32_t codePoint = -1;
        const std::size_t taken = decodeUtf8(bytes_ + 1, length_ - 1, atEnd_, codePoint);
        if (taken == 0) return 0;
        // A malformed character after Escape: the Escape stands alone.
        if (codePoint < 0) return escapeKey();
        const int byte = typedByte(codePoint);
        if (byte >= 0) emit(typedCharacterPress(static_cast<std::uint8_t>(byte)), leftAltPressed);
        return 1 + taken;
    }

    // Escape, Escape is two Escape keys, unless a CSI or SS3 sequence
    // follows with at least one byte after its introducer: then the first
    // Escape is Alt for the key the rest names (rxvt). "ESC ESC [" alone is
    // Escape, then Alt+[.
    std::size_t escapeBeforeEscape() {
        if (length_ == 2) return atEnd_ ? escapeKey() : 0;
        if (bytes_[2] != '[' && bytes_[2] != 'O') return escapeKey();
        if (length_ == 3) return atEnd_ ? escapeKey() : 0;
        LeadingKeyDecoder rest(utf8_, bytes_ + 1, length_ - 1, atEnd_, out_, addedFlags_ | leftAltPressed);
        const std::size_t taken = rest.decode();
        return taken == 0 ? 0 : 1 + taken;
    }

    // A whole CSI or SS3 sequence: its parameter bytes and its final byte.
    void sequence(std::uint8_t introducer, const std::uint8_t* parameterBytes, std::size_t n, std::uint8_t finalByte) {
        Parameters parameters;
        if (!parseParameters(parameterBytes, n, parameters)) return;
        std::uint32_t flags = 0;
        const bool numbered =
            introducer == '[' && (finalByte == '~' || finalByte == '$' || finalByte == '^' || finalByte == '@');
        const KeyEvent* key = numbered ? numberedKey(parameters, finalByte, flags)
                                       : letterKey(introducer, parameters, finalByte, flags);
        // Focus reports, mouse reports and everything else name no key.
        if (key != nullptr) emit(*key, flags);
    }

    std::size_t csi() {
        const std::size_t start = 2;
        if (length_ == start) return atEnd_ ? altKey() : 0;  // "ESC [" alone is Alt+[
        if (bytes_[start] == '[') {
            // The Linux console's F1 to F5: "CSI [ A" to "CSI [ E".
            if (length_ == start + 1) return atEnd_ ? length_ : 0;
            const std::uint8_t c = bytes_[start + 1];
            if (const KeyEvent* key = findKeySequence({reinterpret_cast<const char*>(bytes_), start + 2})) {
                emit(*key);
                return start + 2;
            }
            return isFinalByte(c) ? start + 2 : start + 1;
        }
        for (std::size_t i = start; i < length_; ++i) {
            const std::uint8_t c = bytes_[i];
            if (isParameterByte(c)) continue;
            if (c == '$' && rxvtNumber(start, i)) {
                sequence('[', bytes_ + start, i - start, c);
                return i + 1;
            }
            if (isIntermediateByte(c)) continue;
            if (isFinalByte(c)) {
                // A mouse report in the X10 form carries three raw bytes.
                if (c == 'M' && i == start) {
                    if (length_ >= i + 4) return i + 4;
                    return atEnd_ ? length_ : 0;
                }
                sequence('[', bytes_ + start, i - start, c);
                return i + 1;
            }
            return i;  // broken: dropped, and the byte decoded afresh
        }
        return atEnd_ ? length_ : 0;
    }

    // rxvt ends its shifted keys with '$' right after the key number.
    bool rxvtNumber(std::size_t start, std::size_t end) const {
        if (end == start) return false;
        for (std::size_t i = start; i < end; ++i) {
            if (bytes_[i] < '0' || bytes_[i] > '9') return false;
        }
        return true;
    }

    std::size_t ss3() {
        const std::size_t start = 2;
        if (length_ == start) return atEnd_ ? altKey() : 0;  // "ESC O" alone is Alt+O
        for (std::size_t i = start; i < length_; ++i) {
            const std::uint8_t c = bytes_[i];
            if (isParameterByte(c)) continue;
            if (isFinalByte(c)) {
                sequence('O', bytes_ + start, i - start, c);
                return i + 1;
            }
            return i;
        }
        return atEnd_ ? length_ : 0;
    }

    bool utf8_;
    const std::uint8_t* bytes_;
    std::size_t length_;
    bool atEnd_;
    std::vector<InputRecord>& out_;
    std::uint32_t addedFlags_;
    bool opensString_ = false;
};

}  // namespace

KeyDecoder::KeyDecoder(bool utf8) : utf8_(utf8) { held_.reserve(maxHeldBytes); }

void KeyDecoder::feed(const std::uint8_t* bytes, std::size_t n, std::vector<InputRecord>& out) {
    for (std::size_t i = 0; i < n; ++i) feedByte(bytes[i], out);
}

bool KeyDecoder::holding() const { return dropping_ != Dropping::nothing || !held_.empty(); }

void KeyDecoder::flush(std::vector<InputRecord>& out) {
    dropping_ = Dropping::nothing;
    decodeHeld(true, out);
}

void KeyDecoder::feedByte(std::uint8_t byte, std::vector<InputRecord>& out) {
    switch (dropping_) {
    case Dropping::nothing: break;
    case Dropping::longSequence:
        if (isParameterByte(byte) || isIntermediateByte(byte)) return;
        dropping_ = Dropping::nothing;
        if (isFinalByte(byte)) return;
        break;
    case Dropping::string:
        if (byte == bellByte) dropping_ = Dropping::nothing;
        if (byte == escapeByte) dropping_ = Dropping::stringEscape;
        return;
    case Dropping::stringEscape:
        dropping_ = Dropping::nothing;
        if (byte == '\\') return;  // ESC \ is the string terminator
        // Any other Escape ends the string too, and begins what follows.
        held_.push_back(escapeByte);
        break;
    }
    held_.push_back(byte);
    decodeHeld(false, out);
    if (held_.size() >= maxHeldBytes) {
        // Only a sequence's parameters run this long: the rest of it is
        // dropped as it comes, up to its final byte.
        held_.clear();
        dropping_ = Dropping::longSequence;
    }
}

void KeyDecoder::decodeHeld(bool atEnd, std::vector<InputRecord>& out) {
    std::size_t start = 0;
    while (start < held_.size()) {
        LeadingKeyDecoder key(utf8_, held_.data() + start, held_.size() - start, atEnd, out);
        const std::size_t taken = key.decode();
        if (taken == 0) break;
        start += taken;
        if (key.opensString()) {
            dropString(start, out);
            return;
        }
    }
    held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(start));
}

void KeyDecoder::dropString(std::size_t from, std::vector<InputRecord>& out) {
    // The bytes held behind the introducer are the string's first bytes.
    std::uint8_t rest[maxHeldBytes];
    const std::size_t n = held_.size() - from;
    for (std::size_t i = 0; i < n; ++i) rest[i] = held_[from + i];
    held_.clear();
    dropping_ = Dropping::string;
    for (std::size_t i = 0; i < n; ++i) feedByte(rest[i], out);
}

}  // namespace console
