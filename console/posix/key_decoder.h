// Terminal input bytes decoded into the console's key events: printable
// characters, control keys, Alt as an Escape prefix, and the cursor, editing
// and function keys in their xterm, VT220, rxvt and Linux console forms.
//
// Each key becomes a press and a release with the US layout's virtual key
// and set-1 scan code, the character in code page 437 (0 for keys without
// one) and the modifier flags, so that key polling makes of it what it makes
// of the same key on a console. The fixed sequences and their keys are the
// table of key_sequences.h. Mouse, focus and paste-bracket reports,
// sequences that name no key, and the strings terminals send as replies
// (OSC, DCS, APC, PM and SOS) are consumed and yield nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "console/console_platform.h"

namespace console {

class KeyDecoder {
public:
    // The most bytes held at once. A longer sequence is consumed up to its
    // final byte without being kept.
    static constexpr std::size_t maxHeldBytes = 32;

    // utf8: the terminal sends UTF-8; otherwise each byte is one character.
    explicit KeyDecoder(bool utf8);

    // Decodes the bytes, appending a press and a release for each key to
    // out. Bytes that may start a longer sequence (a lone Escape, a partial
    // sequence or UTF-8 character) are held until more bytes come or flush.
    // The result depends only on the bytes and the flushes between them,
    // never on how the bytes are split between calls.
    void feed(const std::uint8_t* bytes, std::size_t n, std::vector<InputRecord>& out);
    // True while bytes are held or a sequence or string is being consumed:
    // the terminal layer then calls flush when no byte has come for a short
    // while (at most 50 ms), so that a lone Escape is the Escape key and an
    // unterminated string ends.
    bool holding() const;
    // How many bytes are held (at most maxHeldBytes).
    std::size_t heldLength() const { return held_.size(); }
    // The wait for the rest of a sequence is over: held bytes are decoded as
    // they stand (a lone Escape is the Escape key; a partial sequence or
    // character yields nothing), and a string being consumed ends.
    void flush(std::vector<InputRecord>& out);

private:
    void feedByte(std::uint8_t byte, std::vector<InputRecord>& out);
    // Decodes from the start of the held bytes while they make up whole
    // characters, keys or sequences; at the end of input, partial ones are
    // settled too.
    void decodeHeld(bool atEnd, std::vector<InputRecord>& out);
    // A terminal string has opened and the held bytes from `from` on are its
    // first: they and the rest of it are dropped.
    void dropString(std::size_t from, std::vector<InputRecord>& out);

    // What is being dropped as it comes, without being held.
    enum class Dropping {
        nothing,
        // The rest of a sequence too long to hold, up to its final byte.
        longSequence,
        // A terminal string, up to its terminator: BEL, or ST (ESC \). Any
        // other Escape ends it too and begins what follows.
        string,
        // The Escape inside a terminal string that ends it.
        stringEscape,
    };

    bool utf8_;
    Dropping dropping_ = Dropping::nothing;
    std::vector<std::uint8_t> held_;
};

}  // namespace console
