// What a typed key costs in heap allocations: none, once the line editor and
// the terminal console are warm. The console runs on a pseudo-terminal and
// edits a line on this thread while a typist thread types one key at a
// time, each once the echo of the one before has come back, so that every
// key goes through a wait, a read, the editor and a present of its own.
// Every allocation of this thread is counted (operator new is replaced in
// this test program alone).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <thread>

#include "console/console_state.h"
#include "console/line_editor.h"
#include "console/posix/terminal_console.h"

namespace {

std::atomic<std::thread::id> countedThread{};
std::atomic<long> allocations{0};

}  // namespace

// Every form that the deletes below free, so that none comes from another
// allocator.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (std::this_thread::get_id() == countedThread.load(std::memory_order_relaxed)) ++allocations;
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new(std::size_t size) {
    if (void* memory = operator new(size, std::nothrow)) return memory;
    throw std::bad_alloc();
}
// The memory comes from malloc above, so free is its match.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }

namespace console {
namespace {

// The typist's side of a pseudo-terminal of 80 by 25 cells.
struct Typist {
    int master = -1;
    int slave = -1;

    Typist() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return;
        slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
        winsize size{};
        size.ws_col = 80;
        size.ws_row = 25;
        ::ioctl(master, TIOCSWINSZ, &size);
    }
    ~Typist() {
        if (slave >= 0) ::close(slave);
        if (master >= 0) ::close(master);
    }

    // Types the bytes and takes what the terminal shows up to the echo (at
    // most 5 s).
    bool typeAndSeeEcho(const char* bytes) {
        if (::write(master, bytes, std::strlen(bytes)) < 0) return false;
        pollfd output{master, POLLIN, 0};
        if (::poll(&output, 1, 5000) <= 0) return false;
        char shown[4096];
        return ::read(master, shown, sizeof shown) > 0;
    }
    // This thread's allocations over count keys.
    long allocationsOver(int count, const char* key) {
        const long before = allocations.load();
        for (int i = 0; i < count; ++i) {
            if (!typeAndSeeEcho(key)) return -1;
        }
        return allocations.load() - before;
    }
};

TEST(TypedKeyCost, NoAllocationOnceWarmAtTheEndAndInTheMiddleOfAnAnswer) {
    Typist typist;
    if (typist.slave < 0) GTEST_SKIP() << "no pseudo-terminal";
    TerminalOptions options;
    options.inputFd = typist.slave;
    options.outputFd = typist.slave;
    options.takeSignals = false;
    options.charset = TerminalOptions::Charset::utf8;
    TerminalConsole terminal(options);
    ConsoleState cs(terminal);

    long atTheEnd = -1;
    long inTheMiddle = -1;
    std::thread typing([&] {
        // Warm: the first keys of the line, and the first moves.
        typist.allocationsOver(20, "w");
        atTheEnd = typist.allocationsOver(100, "x");
        typist.allocationsOver(40, "\x1b[D");
        typist.allocationsOver(10, "v");
        inTheMiddle = typist.allocationsOver(100, "y");
        // Enter ends the line; what it shows goes out at the next wait.
        ASSERT_EQ(::write(typist.master, "\r", 1), 1);
    });
    countedThread = std::this_thread::get_id();
    const std::string answer = editLine(cs);
    countedThread = std::thread::id{};
    typing.join();

    EXPECT_EQ(answer.size(), 230U);
    EXPECT_EQ(atTheEnd, 0) << "allocations over 100 keys at the end of the answer";
    EXPECT_EQ(inTheMiddle, 0) << "allocations over 100 keys in the middle of the answer";
}

}  // namespace
}  // namespace console
