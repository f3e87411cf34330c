// The keys that the general forms of the terminal's escape sequences name:
// the sequence's parameters parsed, the modifier they carry, and its plain
// form looked up in the key sequence table (key_sequences.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "console/console_platform.h"

namespace console {

// The numeric parameters of a sequence: digits separated by semicolons, an
// empty one counting as 0. Anything else (private markers, sub-parameters,
// intermediate bytes) makes a sequence that names no key.
struct Parameters {
    static constexpr int most = 4;
    int values[most] = {};
    int count = 0;
};

// Parses the n parameter bytes; false when they name no key.
bool parseParameters(const std::uint8_t* bytes, std::size_t n, Parameters& parameters);

// The key a numbered sequence names, with its modifier: "CSI n ~" and
// "CSI n;m ~" (VT220, xterm, rxvt and the Linux console), and rxvt's
// "CSI n $" with Shift, "CSI n ^" with Ctrl and "CSI n @" with both; nullptr
// for none.
const KeyEvent* numberedKey(const Parameters& parameters, std::uint8_t finalByte, std::uint32_t& flags);

// The key a sequence ending in a letter names, with its modifier: "CSI X",
// "CSI 1;m X", "CSI m X", "SS3 X" and "SS3 m X"; nullptr for none.
const KeyEvent* letterKey(std::uint8_t introducer, const Parameters& parameters, std::uint8_t finalByte,
                          std::uint32_t& flags);

// The classes of a control sequence's bytes after its introducer.
inline bool isParameterByte(std::uint8_t c) { return c >= 0x30 && c <= 0x3F; }
inline bool isIntermediateByte(std::uint8_t c) { return c >= 0x20 && c <= 0x2F; }
inline bool isFinalByte(std::uint8_t c) { return c >= 0x40 && c <= 0x7E; }

}  // namespace console
