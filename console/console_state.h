// The console services' process-wide state: one ConsoleState is made in main
// and lives for the whole process. Every console operation takes it first.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "console/console_platform.h"

namespace console {

// The console geometry shared by all console operations, in 16-bit signed
// screen-buffer coordinates. All zero when the console cannot be queried.
struct ConsoleBounds {
    std::int16_t left = 0;
    std::int16_t top = 0;
    std::int16_t right = 0;
    std::int16_t bottom = 0;
};

// The band of window rows in which text prints and scrolls, 1-based from
// the window's top row; fixed at its first use.
struct PrintArea {
    bool fixed = false;
    int firstRow = 1;
    int lastRow = 25;
};

// Where input fields are taken from: the accepted console line with its read
// position, or standard input with a one-byte put-back slot.
struct InputSource {
    enum class Kind { consoleLine, stream };
    Kind kind = Kind::stream;
    std::string lineText;
    std::size_t readPos = 0;
    int putBack = -1;  // the put-back byte of the stream, -1 when empty
};

// A key as queued: -1 no key, 0 to 255 a one-byte key, an extended key as
// extended code * 256 + 255.
using KeyCode = std::int32_t;
inline constexpr KeyCode noKey = -1;
inline constexpr int keyBufferSlots = 512;

// The queue of keys: a ring of 512 slots that holds at most 511 keys. The
// lock guards both indexes, since the close handler pushes from its own thread.
struct KeyBuffer {
    std::mutex lock;
    KeyCode slots[keyBufferSlots] = {};
    int readIndex = 0;
    int writeIndex = 0;
};

struct ConsoleState {
    explicit ConsoleState(ConsolePlatform& platformToUse) : platform(platformToUse) {}
    // Forgets the console for the at-exit action if it was the installed one.
    ~ConsoleState();
    ConsoleState(const ConsoleState&) = delete;
    ConsoleState& operator=(const ConsoleState&) = delete;

    ConsolePlatform& platform;

    // Console set-up and events.
    bool setUp = false;
    bool handlerInstalled = false;

    // Output.
    bool boundsRead = false;
    ConsoleBounds bounds;
    PrintArea printArea;
    bool pendingWrap = false;

    // Input.
    InputSource inputSource;

    // Keys.
    KeyBuffer keyBuffer;
    std::uint32_t altNumber = 0;
};

}  // namespace console
