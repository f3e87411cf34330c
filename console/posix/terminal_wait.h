// The wait: a pipe to itself that ends a wait in progress, and the poll that
// waits on it, the terminal's input and the terminal's output.
//
// Owns the wake pipe. wake() may be called from any thread (the signal
// thread wakes the main thread's wait); everything else is the main
// thread's. Nothing here takes a lock.
#pragma once

#include <chrono>

namespace console {

// What ended one poll of the wait.
struct WaitEvents {
    bool woken = false;
    // The poll events of the input and of the output (0: none, or not
    // watched).
    short input = 0;
    short output = 0;
};

class TerminalWait {
public:
    TerminalWait();
    ~TerminalWait();
    TerminalWait(const TerminalWait&) = delete;
    TerminalWait& operator=(const TerminalWait&) = delete;

    // Ends a wait in progress, or the next one to start.
    void wake();
    // Waits until the wake pipe is written, inputFd has input or reports a
    // hang-up, outputFd reports a hang-up (either -1: not watched), or
    // timeoutMs has passed (-1: no limit). False when the poll ended with
    // nothing (the time is up, or a signal interrupted it). A wake is taken:
    // the pipe is emptied.
    bool poll(int inputFd, int outputFd, int timeoutMs, WaitEvents& events);

private:
    void drain();

    int wakeRead_ = -1;
    int wakeWrite_ = -1;
};

// A poll timeout in milliseconds from now until the deadline: 0 when it has
// passed, rounded up so that a wait never ends just before it, and at most a
// day.
int millisecondsUntil(std::chrono::steady_clock::time_point now, std::chrono::steady_clock::time_point deadline);

}  // namespace console
