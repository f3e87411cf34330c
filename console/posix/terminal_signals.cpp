#include "console/posix/terminal_signals.h"

#include <pthread.h>
#include <unistd.h>

namespace console {
namespace {

constexpr int takenSignals[] = {SIGINT, SIGQUIT, SIGHUP, SIGTERM, SIGTSTP, SIGCONT, SIGWINCH};

// The thread is woken to end with a signal it takes anyway and that does
// nothing by default.
constexpr int wakeSignal = SIGWINCH;

void unblockInThisThread(int signal) {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

void blockInThisThread(int signal) {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

}  // namespace

sigset_t consoleSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : takenSignals) sigaddset(&set, signal);
    return set;
}

void blockConsoleSignals() {
    const sigset_t set = consoleSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void endBySignal(int signal) {
    std::signal(signal, SIG_DFL);
    unblockInThisThread(signal);
    ::raise(signal);
    // A default action that does not end the process (it cannot happen for
    // the signals taken here) still must not let the process go on.
    ::_exit(128 + signal);
}

void stopBySignal(int signal) {
    std::signal(signal, SIG_DFL);
    // Raised while blocked, the stop waits for the unblock below, and takes
    // effect there; the process goes on from the unblock once continued.
    ::raise(signal);
    unblockInThisThread(signal);
    blockInThisThread(signal);
}

SignalThread::~SignalThread() { stop(); }

void SignalThread::start(std::function<void(int)> onSignal) {
    onSignal_ = std::move(onSignal);
    stopping_ = false;
    thread_ = std::thread([this] {
        const sigset_t set = consoleSignals();
        for (;;) {
            int signal = 0;
            if (sigwait(&set, &signal) != 0) continue;
            if (stopping_) return;
            onSignal_(signal);
        }
    });
}

void SignalThread::stop() {
    if (!thread_.joinable()) return;
    stopping_ = true;
    pthread_kill(thread_.native_handle(), wakeSignal);
    thread_.join();
}

}  // namespace console
