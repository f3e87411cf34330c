#include "console/posix/terminal_wait.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>

namespace console {

// Both ends non-blocking and closed on exec.
TerminalWait::TerminalWait() {
    int pipeEnds[2];
#if defined(__APPLE__)
    if (::pipe(pipeEnds) != 0) return;
    for (int fd : pipeEnds) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
#else
    if (::pipe2(pipeEnds, O_NONBLOCK | O_CLOEXEC) != 0) return;
#endif
    wakeRead_ = pipeEnds[0];
    wakeWrite_ = pipeEnds[1];
}

TerminalWait::~TerminalWait() {
    if (wakeRead_ >= 0) ::close(wakeRead_);
    if (wakeWrite_ >= 0) ::close(wakeWrite_);
}

void TerminalWait::wake() {
    if (wakeWrite_ < 0) return;
    const char byte = 'w';
    [[maybe_unused]] const ssize_t result = ::write(wakeWrite_, &byte, 1);
}

void TerminalWait::drain() {
    char drained[64];
    while (::read(wakeRead_, drained, sizeof drained) > 0) {
    }
}

bool TerminalWait::poll(int inputFd, int outputFd, int timeoutMs, WaitEvents& events) {
    events = WaitEvents{};
    // The wake pipe; the terminal's input; the terminal's output, for a
    // hang-up only.
    pollfd watched[3];
    nfds_t count = 0;
    const nfds_t wakeSlot = count;
    if (wakeRead_ >= 0) watched[count++] = pollfd{wakeRead_, POLLIN, 0};
    const nfds_t inputSlot = count;
    if (inputFd >= 0) watched[count++] = pollfd{inputFd, POLLIN, 0};
    const nfds_t outputSlot = count;
    if (outputFd >= 0) watched[count++] = pollfd{outputFd, 0, 0};
    if (::poll(watched, count, timeoutMs) <= 0) return false;
    if (wakeRead_ >= 0 && (watched[wakeSlot].revents & POLLIN)) {
        drain();
        events.woken = true;
    }
    if (inputFd >= 0) events.input = watched[inputSlot].revents;
    if (outputFd >= 0) events.output = watched[outputSlot].revents;
    return true;
}

int millisecondsUntil(std::chrono::steady_clock::time_point now, std::chrono::steady_clock::time_point deadline) {
    if (deadline <= now) return 0;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
    return static_cast<int>(std::min<long long>(wait, 24LL * 3600 * 1000));
}

}  // namespace console
