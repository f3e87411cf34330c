// The seconds clock the random source is seeded from.
#pragma once

#include <cstdint>

namespace randomness {

// Seconds since the fixed origin of the platform's steady counter.
double secondsTimer();

// Tick-count mode: milliseconds since system start, wrapping after 2^32 ms.
inline double secondsFromTicks(std::uint32_t ticks) { return ticks * 0.001; }

}  // namespace randomness
