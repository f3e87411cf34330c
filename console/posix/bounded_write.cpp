#include "console/posix/bounded_write.h"

#include <fcntl.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

namespace console {
namespace {

// How long a write that found the terminal full waits before it tries again.
constexpr int retryPauseMs = 5;

long long monotonicMs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

}  // namespace

bool writeWithin(int fd, const char* bytes, std::size_t n, int timeLimitMs) {
    const int savedErrno = errno;
    const int flags = ::fcntl(fd, F_GETFL);
    const bool madeNonBlocking = flags != -1 && (flags & O_NONBLOCK) == 0 &&
                                 ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != -1;
    const long long deadline = monotonicMs() + timeLimitMs;
    std::size_t sent = 0;
    while (sent < n) {
        const ssize_t result = ::write(fd, bytes + sent, n - sent);
        if (result > 0) {
            sent += static_cast<std::size_t>(result);
            continue;
        }
        if (result < 0 && errno == EINTR) continue;
        if (!(result < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))) break;  // the terminal is gone
        const long long left = deadline - monotonicMs();
        if (left <= 0) break;
        // A plain pause rather than a wait for room: while another thread's
        // write holds the terminal, it reports room and still refuses.
        ::poll(nullptr, 0, static_cast<int>(left < retryPauseMs ? left : retryPauseMs));
    }
    if (madeNonBlocking) ::fcntl(fd, F_SETFL, flags);
    errno = savedErrno;
    return sent == n;
}

}  // namespace console
