// The key buffer: the queue of keys between the key pump and the readers,
// the queued form of a key (KeyCode) and its KeyString codec.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "console/key_tables.h"

namespace console {

// A key as queued: -1 no key, 0 to 255 a one-byte key, an extended key as
// extended code * 256 + 255.
using KeyCode = std::int32_t;
inline constexpr KeyCode noKey = -1;

inline constexpr std::uint8_t extendedKeyPrefix = 255;
// The queued value of an extended key: its extended code * 256 + 255.
constexpr KeyCode extendedKey(std::uint8_t code) { return static_cast<KeyCode>(code) * 256 + extendedKeyPrefix; }
// The key that a console close queues: the extended code of Alt+F4.
inline constexpr KeyCode closeKey = extendedKey(extendedAltF4);

inline constexpr int keyBufferSlots = 512;

// The queue of keys: a ring of 512 slots that holds at most 511 keys. The
// lock guards both indexes, since the close handler pushes from its own thread.
struct KeyBuffer {
    std::mutex lock;
    KeyCode slots[keyBufferSlots] = {};
    int readIndex = 0;
    int writeIndex = 0;
};

// Queues a key behind the others; a full ring drops its oldest key.
void pushKey(KeyBuffer& buffer, KeyCode key);
// The oldest queued key, taken out of the queue; noKey when it is empty.
KeyCode takeKey(KeyBuffer& buffer);
// The oldest queued key, left in the queue; noKey when it is empty.
KeyCode peekKey(KeyBuffer& buffer);

// The KeyString of a queued key: none for noKey, one byte for 0 to 255,
// else the low byte then the extended code.
std::string keyStringFromCode(KeyCode key);
// The queued value of a KeyString: noKey for an empty string, its byte for
// one byte, else its second byte as an extended code (the first byte is not
// looked at).
KeyCode keyCodeFromString(const std::string& key);

}  // namespace console
