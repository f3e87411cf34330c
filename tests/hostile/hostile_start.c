/* Starts a program the way a hostile system or parent would:
 *
 *   hostile_start refusing-poll PROGRAM [ARGUMENT...]
 *       with a poll() that refuses terminals preloaded (refusing_poll.c);
 *   hostile_start many-descriptors PROGRAM [ARGUMENT...]
 *       with descriptors 3 to 1,499 left open on the null device, so that
 *       every descriptor the program makes lands above 1,024.
 *
 * It execs the program in its own process, so that the caller's process is
 * the program's. REFUSING_POLL_LIBRARY is the preload's path. */
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <unistd.h>

enum { highestLeftOpen = 1499 };

static int leaveDescriptorsOpen(void) {
    struct rlimit limit;
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return -1;
    if (limit.rlim_cur < highestLeftOpen + 64) {
        if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < highestLeftOpen + 64) return -1;
        limit.rlim_cur = highestLeftOpen + 64;
        if (setrlimit(RLIMIT_NOFILE, &limit) != 0) return -1;
    }
    for (;;) {
        const int fd = open("/dev/null", O_RDWR);
        if (fd < 0) return -1;
        if (fd >= highestLeftOpen) return 0;
    }
}

static void preloadRefusingPoll(void) {
    setenv("LD_PRELOAD", REFUSING_POLL_LIBRARY, 1);
    /* A sanitized program wants its runtime first; the preload comes before
     * it and changes nothing the sanitizers watch. */
    const char* options = getenv("ASAN_OPTIONS");
    char combined[1024];
    snprintf(combined, sizeof combined, "%s%sverify_asan_link_order=0", options ? options : "",
             options && *options ? ":" : "");
    setenv("ASAN_OPTIONS", combined, 1);
}

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: hostile_start refusing-poll|many-descriptors PROGRAM [ARGUMENT...]\n");
        return 2;
    }
    if (strcmp(argv[1], "refusing-poll") == 0) {
        preloadRefusingPoll();
    } else if (strcmp(argv[1], "many-descriptors") == 0) {
        if (leaveDescriptorsOpen() != 0) {
            perror("hostile_start: cannot leave descriptors 3 to 1,499 open");
            return 2;
        }
    } else {
        fprintf(stderr, "hostile_start: no such way to start: %s\n", argv[1]);
        return 2;
    }
    execv(argv[2], argv + 2);
    perror("hostile_start: exec");
    return 127;
}
