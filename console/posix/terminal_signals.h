// The console's control-event thread: one thread waits for the terminal's
// signals (interrupt, quit, hang-up, termination, stop, continue, window
// size) and hands each to the console, while every other thread keeps them
// blocked.
#pragma once

#include <atomic>
#include <csignal>
#include <functional>
#include <thread>

namespace console {

// The signals the thread takes.
sigset_t consoleSignals();

// Blocks the console's signals in the calling thread; threads it starts
// later inherit the block. Call before any other thread starts.
void blockConsoleSignals();

// Ends the process by the signal's default action: default disposition,
// unblocked in the calling thread, raised. Does not return.
[[noreturn]] void endBySignal(int signal);

// Stops the process as the stop key's default action does; returns once the
// process has been continued (at once where the system refuses to stop it).
void stopBySignal(int signal);

class SignalThread {
public:
    SignalThread() = default;
    ~SignalThread();
    SignalThread(const SignalThread&) = delete;
    SignalThread& operator=(const SignalThread&) = delete;

    // Starts the thread, which calls onSignal with each signal it takes.
    // The caller must have blocked the console's signals first.
    void start(std::function<void(int)> onSignal);
    // Ends the thread and waits for it.
    void stop();

private:
    std::thread thread_;
    std::function<void(int)> onSignal_;
    std::atomic<bool> stopping_{false};
};

}  // namespace console
