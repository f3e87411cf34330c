// The console services' process-wide state: one ConsoleState is made in main
// and lives for the whole process. Every console operation takes it first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "console/console_platform.h"
#include "console/key_buffer.h"

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

struct ConsoleState {
    explicit ConsoleState(ConsolePlatform& platformToUse) : platform(platformToUse) {}
    // Removes the control handler if installed, and forgets the console for
    // the exit action (defined with the control events).
    ~ConsoleState();
    ConsoleState(const ConsoleState&) = delete;
    ConsoleState& operator=(const ConsoleState&) = delete;

    ConsolePlatform& platform;

    // Console set-up (the console frame) and control events.
    bool handlesSetUp = false;
    bool boundsRead = false;
    bool handlerInstalled = false;

    // Output.
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
