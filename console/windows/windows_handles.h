// What the Windows layer's files share: the platform header, and the
// conversions between the console services' cells and the console's own.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace console::windows {

// A handle as the layer keeps it: the platform's "no handle" values both
// become null, so that every operation has one test for a missing handle.
inline HANDLE usableHandle(HANDLE handle) { return handle == INVALID_HANDLE_VALUE ? nullptr : handle; }

// Console coordinates are 16-bit; a value beyond that range is clamped to
// it, so that the console rejects or clips it rather than wrapping around.
inline SHORT toShort(int value) {
    if (value < -32768) return -32768;
    if (value > 32767) return 32767;
    return static_cast<SHORT>(value);
}

inline COORD toCoord(int x, int y) {
    COORD coord;
    coord.X = toShort(x);
    coord.Y = toShort(y);
    return coord;
}

}  // namespace console::windows
