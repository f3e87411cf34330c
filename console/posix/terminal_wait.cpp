#include "console/posix/terminal_wait.h"

#include <sys/ioctl.h>
#include <sys/select.h>

#include <algorithm>

namespace console {
namespace {

// A signal nothing else here uses, whose default action is to be ignored:
// one sent from outside ends a wait early and changes nothing else.
constexpr int wakeSignal = SIGURG;

// Its handler does nothing: that it interrupts the wait is the whole effect.
extern "C" void takeWakeSignal(int) {}

void watch(int fd, fd_set& set, int& highest) {
    if (fd < 0 || fd >= FD_SETSIZE) return;
    FD_SET(fd, &set);
    highest = std::max(highest, fd);
}

bool marked(int fd, const fd_set& set) { return fd >= 0 && fd < FD_SETSIZE && FD_ISSET(fd, &set); }

}  // namespace

TerminalWait::TerminalWait() : waiter_(::pthread_self()) {
    struct sigaction action {};
    action.sa_handler = takeWakeSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(wakeSignal, &action, nullptr);
    sigset_t wakeOnly;
    sigemptyset(&wakeOnly);
    sigaddset(&wakeOnly, wakeSignal);
    ::pthread_sigmask(SIG_BLOCK, &wakeOnly, &waitMask_);
    sigdelset(&waitMask_, wakeSignal);
}

void TerminalWait::wake() {
    wakeSent_.store(true);
    ::pthread_kill(waiter_, wakeSignal);
}

bool TerminalWait::wait(int inputFd, int outputFd, int timeoutMs, WaitEvents& events) {
    events = WaitEvents{};
    fd_set readable;
    FD_ZERO(&readable);
    int highest = -1;
    watch(inputFd, readable, highest);
    watch(outputFd, readable, highest);
    timespec limit{};
    limit.tv_sec = timeoutMs / 1000;
    limit.tv_nsec = static_cast<long>(timeoutMs % 1000) * 1000000L;
    const int ready = ::pselect(highest + 1, &readable, nullptr, nullptr, timeoutMs < 0 ? nullptr : &limit,
                                &waitMask_);
    // A wake that came with input is taken now; its signal, still pending,
    // ends the next wait at once, which then finds nothing.
    events.woken = wakeSent_.exchange(false);
    if (ready > 0) {
        events.inputReadable = marked(inputFd, readable);
        events.outputReadable = marked(outputFd, readable);
    }
    return ready > 0 || events.woken;
}

bool readableNow(int fd) {
    if (fd < 0 || fd >= FD_SETSIZE) return false;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(fd, &readable);
    timeval now{0, 0};
    return ::select(fd + 1, &readable, nullptr, nullptr, &now) > 0;
}

void waitWritable(int fd, int timeoutMs) {
    fd_set writable;
    FD_ZERO(&writable);
    int highest = -1;
    watch(fd, writable, highest);
    timeval limit{};
    limit.tv_sec = timeoutMs / 1000;
    limit.tv_usec = static_cast<suseconds_t>(timeoutMs % 1000 * 1000);
    ::select(highest + 1, nullptr, &writable, nullptr, &limit);
}

bool terminalOutputEnded(int fd) {
    int waiting = 0;
    return ::ioctl(fd, FIONREAD, &waiting) != 0 || waiting <= 0;
}

int millisecondsUntil(std::chrono::steady_clock::time_point now, std::chrono::steady_clock::time_point deadline) {
    if (deadline <= now) return 0;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
    return static_cast<int>(std::min<long long>(wait, 24LL * 3600 * 1000));
}

}  // namespace console
