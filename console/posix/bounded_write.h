// Writes to the terminal that never hold the way out: what the terminal does
// not take within a short time is dropped.
//
// A terminal that reads nothing (a stopped emulator, a frozen remote link)
// fills its buffer, and a plain write then waits until it reads again. The
// way out must not wait for it: the process ends all the same, with the
// terminal's settings already put back.
#pragma once

#include <cstddef>

namespace console {

// Writes n bytes to fd, giving up once timeLimitMs have passed without the
// terminal taking the rest. The descriptor's blocking mode is shared with
// every process that uses the terminal (the shell among them), so it is made
// non-blocking only for the while and put back as it was. Safe in a signal
// handler: it keeps errno and calls only async-signal-safe functions.
// Returns whether every byte went out.
bool writeWithin(int fd, const char* bytes, std::size_t n, int timeLimitMs);

}  // namespace console
