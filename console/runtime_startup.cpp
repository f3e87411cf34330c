#include "console/runtime_startup.h"

#include <clocale>

#ifdef _WIN32
#include <float.h>
#endif

namespace console {

void runtimeStartup() {
    std::setlocale(LC_CTYPE, "");
#if defined(_WIN32) && !defined(_WIN64)
    // 64-bit mantissa and rounding to nearest. On x64 the precision control
    // does not exist: doubles there are computed at double precision, which
    // gives the quiz the same exact values.
    _controlfp(_PC_64, _MCW_PC);
#endif
#ifdef _WIN32
    _controlfp(_RC_NEAR, _MCW_RC);
#endif
}

}  // namespace console
