// The wait: one select() on the terminal's input and output, ended early by
// a wake signal sent to the waiting thread.
//
// select() is the one wait that every POSIX system serves for terminal
// devices (some systems' poll() refuses them). Its descriptor sets hold only
// descriptors below FD_SETSIZE, so the wake is not a descriptor: wake()
// sends a signal to the thread that made the wait, which keeps the signal
// blocked except inside the wait, where pselect() lets it through in the
// same call that starts waiting. A wake sent while nobody waits stays
// pending and ends the next wait at once. So a parent may leave any number
// of descriptors open: the terminal's own are the standard ones.
//
// The thread that constructs the wait is the one that waits (the main
// thread); wake() may be called from any thread. Nothing here takes a lock.
#pragma once

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <chrono>

namespace console {

// What ended one wait.
struct WaitEvents {
    bool woken = false;
    // The input is readable: it has bytes, or it has ended.
    bool inputReadable = false;
    // The output is readable: it has ended, or has bytes typed that nobody
    // here reads (terminalOutputEnded tells which).
    bool outputReadable = false;
};

class TerminalWait {
public:
    // Blocks the wake signal in the calling thread (the one that will
    // wait); threads it starts later inherit the block.
    TerminalWait();
    TerminalWait(const TerminalWait&) = delete;
    TerminalWait& operator=(const TerminalWait&) = delete;

    // Ends a wait in progress, or the next one to start.
    void wake();
    // Waits until wake() is called, inputFd is readable, outputFd is
    // readable (either -1: not watched), or timeoutMs has passed (-1: no
    // limit). False when the wait ended with nothing (the time is up, or
    // another signal interrupted it). A wake is taken.
    bool wait(int inputFd, int outputFd, int timeoutMs, WaitEvents& events);

private:
    pthread_t waiter_;
    // The waiting thread's signal mask inside the wait: its own, with the
    // wake signal let through.
    sigset_t waitMask_;
    std::atomic<bool> wakeSent_{false};
};

// Whether fd is readable now (bytes, or its end), without waiting.
bool readableNow(int fd);
// Waits until fd takes more output, or timeoutMs has passed.
void waitWritable(int fd, int timeoutMs);
// Whether a terminal output found readable has ended: it fails to say how
// much is there to read, or has nothing (a terminal that hung up). A
// terminal with typed bytes waiting has not.
bool terminalOutputEnded(int fd);

// A wait's timeout in milliseconds from now until the deadline: 0 when it
// has passed, rounded up so that a wait never ends just before it, and at
// most a day.
int millisecondsUntil(std::chrono::steady_clock::time_point now, std::chrono::steady_clock::time_point deadline);

}  // namespace console
