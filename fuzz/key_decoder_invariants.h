// What must hold for any terminal input, whatever its bytes: the key decoder
// holds a bounded number of bytes, every record is a well-formed key event
// (a press and its release), the keys do not depend on how the bytes are
// split between reads (only on where the waits for more bytes ended), and
// after a wait has ended nothing of the past affects the next key.
// Shared by the fuzz target and the replay test.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "console/console_platform.h"
#include "console/posix/key_decoder.h"

namespace console::fuzzing {

// Terminal input as it comes: chunks of bytes, each read at once, and after
// some of them the wait for more bytes ends (flush).
struct DecoderScript {
    bool utf8 = true;
    std::vector<std::vector<std::uint8_t>> chunks;
    std::vector<bool> flushAfter;  // one per chunk
};

inline bool sameRecord(const InputRecord& a, const InputRecord& b) {
    return a.eventType == b.eventType && a.key.keyDown == b.key.keyDown && a.key.repeatCount == b.key.repeatCount &&
           a.key.virtualKey == b.key.virtualKey && a.key.scanCode == b.key.scanCode &&
           a.key.character == b.key.character && a.key.controlState == b.key.controlState;
}

inline bool sameRecords(const std::vector<InputRecord>& a, const std::vector<InputRecord>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (!sameRecord(a[i], b[i])) return false;
    }
    return true;
}

// Why a record list is not a list of well-formed key presses and releases,
// or empty when it is.
inline std::string recordFault(const std::vector<InputRecord>& records) {
    constexpr std::uint32_t allowedFlags = leftAltPressed | leftCtrlPressed | shiftPressed | enhancedKey;
    if (records.size() % 2 != 0) return "odd number of records";
    for (std::size_t i = 0; i < records.size(); i += 2) {
        const InputRecord& press = records[i];
        const InputRecord& release = records[i + 1];
        const KeyEvent& e = press.key;
        if (press.eventType != keyEventType || !e.keyDown) return "record is not a key press";
        if (release.eventType != keyEventType || release.key.keyDown) return "press not followed by its release";
        InputRecord expected = release;
        expected.key.keyDown = true;
        if (!sameRecord(press, expected)) return "release differs from its press";
        if (e.repeatCount != 1) return "repeat count is not 1";
        if ((e.controlState & ~allowedFlags) != 0) return "unexpected control-state flag";
        if (e.scanCode > 88) return "scan code beyond the layout";
        if (e.virtualKey == 0 && (e.scanCode != 0 || e.character < 0x7F)) return "character key with a key position";
        if (e.virtualKey != 0 && e.scanCode == 0) return "key without a scan code";
        if ((e.controlState & enhancedKey) != 0) {
            switch (e.scanCode) {
            case 28: case 53: case 71: case 72: case 73: case 75:
            case 77: case 79: case 80: case 81: case 82: case 83: break;
            default: return "enhanced flag on a key that has none";
            }
        }
    }
    return {};
}

// Runs the script three ways (as chunked, byte by byte, and one piece
// between flushes) and returns the first broken rule, or empty.
inline std::string checkDecoderScript(const DecoderScript& script) {
    std::vector<InputRecord> chunked;
    std::vector<InputRecord> byteByByte;
    std::vector<InputRecord> joined;
    KeyDecoder a(script.utf8);
    KeyDecoder b(script.utf8);
    KeyDecoder c(script.utf8);
    std::vector<std::uint8_t> pending;
    for (std::size_t i = 0; i < script.chunks.size(); ++i) {
        const std::vector<std::uint8_t>& chunk = script.chunks[i];
        a.feed(chunk.data(), chunk.size(), chunked);
        if (a.heldLength() > KeyDecoder::maxHeldBytes) return "too many bytes held";
        if (a.heldLength() > 0 && !a.holding()) return "bytes held but not reported";
        for (std::uint8_t byte : chunk) {
            b.feed(&byte, 1, byteByByte);
            if (b.heldLength() > KeyDecoder::maxHeldBytes) return "too many bytes held";
        }
        pending.insert(pending.end(), chunk.begin(), chunk.end());
        const bool flush = i < script.flushAfter.size() && script.flushAfter[i];
        if (flush) {
            a.flush(chunked);
            b.flush(byteByByte);
            c.feed(pending.data(), pending.size(), joined);
            c.flush(joined);
            pending.clear();
            if (a.holding() || a.heldLength() != 0) return "still holding after flush";
        }
    }
    c.feed(pending.data(), pending.size(), joined);
    if (!sameRecords(chunked, byteByByte)) return "keys differ between chunked and byte-by-byte reads";
    if (!sameRecords(chunked, joined)) return "keys differ between chunked and whole reads";
    if (std::string fault = recordFault(chunked); !fault.empty()) return fault;

    // After the wait ends, a key typed later arrives unchanged.
    a.flush(chunked);
    if (a.holding()) return "still holding after flush";
    std::vector<InputRecord> later;
    const std::uint8_t z = 'z';
    a.feed(&z, 1, later);
    if (later.size() != 2 || later[0].key.character != 'z' || later[0].key.controlState != 0 || a.holding()) {
        return "a key after a flush was lost or altered";
    }
    return {};
}

// Reads a script from raw fuzz bytes: the first byte picks UTF-8 or not;
// then each control byte gives a chunk's length (low 6 bits) and whether the
// wait ends after it (bit 6), followed by the chunk's bytes.
inline DecoderScript scriptFromBytes(const std::uint8_t* data, std::size_t size) {
    DecoderScript script;
    if (size == 0) return script;
    script.utf8 = (data[0] & 1) == 0;
    std::size_t i = 1;
    while (i < size) {
        const std::uint8_t control = data[i++];
        std::size_t length = control & 0x3F;
        if (length > size - i) length = size - i;
        script.chunks.emplace_back(data + i, data + i + length);
        script.flushAfter.push_back((control & 0x40) != 0);
        i += length;
    }
    return script;
}

}  // namespace console::fuzzing
