#include "random/seconds_timer.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <chrono>
#endif

namespace randomness {

#ifdef _WIN32

namespace {
// Process-wide: which counter the clock reads and its period, found at the
// first reading and the same for the whole process. The main thread alone
// reads the clock.
enum class ClockMode { undecided, tickCount, performanceCounter };
ClockMode clockMode = ClockMode::undecided;
double counterPeriod = 0.0;
}  // namespace

double secondsTimer() {
    if (clockMode == ClockMode::undecided) {
        LARGE_INTEGER frequency;
        if (QueryPerformanceFrequency(&frequency) && frequency.QuadPart != 0) {
            counterPeriod = 1.0 / static_cast<double>(frequency.QuadPart);
            clockMode = ClockMode::performanceCounter;
        } else {
            clockMode = ClockMode::tickCount;
        }
    }
    if (clockMode == ClockMode::tickCount) return secondsFromTicks(GetTickCount());
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return static_cast<double>(count.QuadPart) * counterPeriod;
}

#else

double secondsTimer() {
    const auto sinceOrigin = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration<double>(sinceOrigin).count();
}

#endif

}  // namespace randomness
