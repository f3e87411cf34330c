/* A poll() that treats terminals as a system whose poll() does not serve
 * devices does: every terminal descriptor in the set comes back POLLNVAL at
 * once, whatever was asked of it; the other descriptors are polled as usual
 * (without waiting, when a terminal was in the set). Preloaded into the
 * program by hostile_start, so that the terminal tests show the program's
 * wait on such a system. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <poll.h>
#include <unistd.h>

int poll(struct pollfd* fds, nfds_t count, int timeout) {
    static int (*systemPoll)(struct pollfd*, nfds_t, int);
    /* The form POSIX gives for taking a function from dlsym(). */
    if (systemPoll == NULL) *(void**)(&systemPoll) = dlsym(RTLD_NEXT, "poll");
    int terminals = 0;
    for (nfds_t i = 0; i < count; ++i) {
        if (fds[i].fd >= 0 && isatty(fds[i].fd)) ++terminals;
    }
    if (terminals == 0) return systemPoll(fds, count, timeout);
    int ready = 0;
    for (nfds_t i = 0; i < count; ++i) {
        if (fds[i].fd >= 0 && isatty(fds[i].fd)) {
            fds[i].revents = POLLNVAL;
            ++ready;
        } else {
            struct pollfd other = fds[i];
            fds[i].revents = systemPoll(&other, 1, 0) > 0 ? other.revents : 0;
            if (fds[i].revents != 0) ++ready;
        }
    }
    return ready;
}
