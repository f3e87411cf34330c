// What the terminal console sends and when, driven by the console services
// on a pseudo-terminal: a screen update goes out in one write when the
// program waits, every scrolled line and the screen a clear replaces reach
// the terminal's scrollback (checked through a terminal emulator), and sizes
// no terminal has are cut to what the screen model takes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "console/console.h"
#include "console/console_state.h"
#include "console/posix/terminal_console.h"
#include "console/screen_scroll.h"
#include "console/text_output.h"

#ifdef CAPITALS_HAVE_VTERM
#include "fuzz/renderer_invariants.h"
#endif

namespace console {
namespace {

// A pseudo-terminal of a given size; the console runs on its terminal side,
// the test reads what it sends from the other.
class Pty {
public:
    Pty(int width, int height) {
        winsize size{};
        size.ws_col = static_cast<unsigned short>(width);
        size.ws_row = static_cast<unsigned short>(height);
        if (::openpty(&master_, &terminal_, nullptr, nullptr, &size) != 0) master_ = terminal_ = -1;
    }
    ~Pty() {
        if (terminal_ >= 0) ::close(terminal_);
        if (master_ >= 0) ::close(master_);
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool open() const { return master_ >= 0; }
    TerminalOptions options() const {
        TerminalOptions options;
        options.inputFd = terminal_;
        options.outputFd = terminal_;
        options.takeSignals = false;
        options.charset = TerminalOptions::Charset::utf8;
        return options;
    }
    // What the console has sent so far.
    std::string output() {
        std::string out;
        pollfd fd{master_, POLLIN, 0};
        while (::poll(&fd, 1, 20) > 0) {
            char buffer[4096];
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n <= 0) break;
            out.append(buffer, static_cast<std::size_t>(n));
        }
        return out;
    }

private:
    int master_ = -1;
    int terminal_ = -1;
};

void print(ConsoleState& cs, const std::string& text) { printText(cs, text, lineEnd); }

TEST(TerminalPresent, AScreenUpdateGoesOutInOneWriteWhenTheProgramWaits) {
    Pty pty(80, 25);
    if (!pty.open()) GTEST_SKIP() << "no pseudo-terminal";
    TerminalConsole terminal(pty.options());
    ConsoleState cs{terminal};
    clearScreen(cs);
    printInteger(cs, 1, 0);
    printText(cs, " of", 0);
    printInteger(cs, 50, lineEnd);
    print(cs, "Name the capital of Ohio");
    printText(cs, "? ", 0);
    // Every print presented, and nothing went out yet.
    EXPECT_EQ(terminal.presentsSent(), 0u);
    EXPECT_EQ(pty.output(), "");

    terminal.sleep(0);
    EXPECT_EQ(terminal.presentsSent(), 1u);
    const std::string sent = pty.output();
    EXPECT_NE(sent.find(" 1 of 50\r\r\nName the capital of Ohio\r\r\n? "), std::string::npos) << sent;

    // Nothing changed: a wait sends nothing at all.
    terminal.sleep(0);
    EXPECT_EQ(terminal.presentsSent(), 1u);
    EXPECT_EQ(pty.output(), "");

    // A key echoed at the end of the line is its glyph alone.
    printText(cs, "C", 0);
    terminal.sleep(0);
    EXPECT_EQ(pty.output(), "C");
}

TEST(TerminalPresent, SizesNoTerminalHasAreCut) {
    Pty pty(65535, 65535);
    if (!pty.open()) GTEST_SKIP() << "no pseudo-terminal";
    TerminalConsole terminal(pty.options());
    ScreenInfo info;
    ASSERT_TRUE(terminal.getScreenInfo(info));
    EXPECT_EQ(info.bufferWidth, largestScreenWidth);
    EXPECT_EQ(info.bufferHeight, largestScreenHeight);
}

#ifdef CAPITALS_HAVE_VTERM
std::vector<std::u32string> lines(int from, int to) {
    std::vector<std::u32string> result;
    for (int i = from; i < to; ++i) {
        const std::string line = "line " + std::to_string(i);
        result.emplace_back(line.begin(), line.end());
    }
    return result;
}
#endif  // CAPITALS_HAVE_VTERM

// A round's text scrolls far past the window with no wait between, then the
// next round's clear comes, with or without a wait before it (a key typed
// ahead ends the wait between rounds at once): the terminal's scrollback
// holds every line, the last screenful included, and the screen shows the
// new round alone.
TEST(TerminalPresent, EveryLineReachesTheScrollbackThroughScrollsAndTheClear) {
#ifndef CAPITALS_HAVE_VTERM
    GTEST_SKIP() << "libvterm is not installed";
#else
    for (const bool waitBeforeTheClear : {true, false}) {
        Pty pty(20, 5);
        if (!pty.open()) GTEST_SKIP() << "no pseudo-terminal";
        fuzzing::Emulator emulator(20, 5);
        {
            TerminalConsole terminal(pty.options());
            ConsoleState cs{terminal};
            clearScreen(cs);
            for (int i = 0; i < 30; ++i) print(cs, "line " + std::to_string(i));
            printText(cs, "Press a key", 0);
            if (waitBeforeTheClear) terminal.sleep(0);
            emulator.feed(pty.output());
            clearScreen(cs);
            printText(cs, " 1 of 12", lineEnd);
            terminal.sleep(0);
            emulator.feed(pty.output());
        }
        std::vector<std::u32string> expected = lines(0, 30);
        expected.push_back(U"Press a key");
        EXPECT_EQ(emulator.scrollback, expected) << (waitBeforeTheClear ? "with a wait" : "without a wait");
        EXPECT_EQ(emulator.cell(1, 0).chars[0], U'1');
        EXPECT_EQ(emulator.cell(0, 1).chars[0], 0u);
    }
#endif
}

}  // namespace
}  // namespace console
