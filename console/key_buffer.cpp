#include "console/key_buffer.h"

namespace console {
namespace {

bool bufferEmpty(const KeyBuffer& buffer) { return buffer.readIndex == buffer.writeIndex; }

int nextSlot(int index) { return (index + 1) % keyBufferSlots; }

}  // namespace

void pushKey(KeyBuffer& buffer, KeyCode key) {
    const std::lock_guard<std::mutex> guard(buffer.lock);
    buffer.slots[buffer.writeIndex] = key;
    buffer.writeIndex = nextSlot(buffer.writeIndex);
    // A full ring drops its oldest key, keeping the newest 511.
    if (buffer.writeIndex == buffer.readIndex) buffer.readIndex = nextSlot(buffer.readIndex);
}

KeyCode takeKey(KeyBuffer& buffer) {
    const std::lock_guard<std::mutex> guard(buffer.lock);
    if (bufferEmpty(buffer)) return noKey;
    const KeyCode key = buffer.slots[buffer.readIndex];
    buffer.readIndex = nextSlot(buffer.readIndex);
    return key;
}

KeyCode peekKey(KeyBuffer& buffer) {
    const std::lock_guard<std::mutex> guard(buffer.lock);
    if (bufferEmpty(buffer)) return noKey;
    return buffer.slots[buffer.readIndex];
}

std::string keyStringFromCode(KeyCode key) {
    if (key < 0) return {};
    if (key < 256) return std::string(1, static_cast<char>(key));
    return {static_cast<char>(key & 0xFF), static_cast<char>((key >> 8) & 0xFF)};
}

KeyCode keyCodeFromString(const std::string& key) {
    if (key.empty()) return noKey;
    if (key.size() == 1) return static_cast<std::uint8_t>(key[0]);
    return extendedKey(static_cast<std::uint8_t>(key[1]));
}

}  // namespace console
