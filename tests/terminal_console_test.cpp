// The terminal console on a pseudo-terminal: its size, raw key reading tied
// to the processed-input bit, keys decoded into events, the held Escape
// released after its wait, the key wait's pause, a paste larger than the key
// buffer, the terminal going away, presents reaching the terminal, and the
// terminal's settings put back exactly.
#include "console/posix/terminal_console.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "console/console_state.h"
#include "console/key_polling.h"

namespace console {
namespace {

class PseudoTerminal {
public:
    PseudoTerminal(int width, int height) {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return;
        slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
        setSize(width, height);
    }
    ~PseudoTerminal() {
        if (slave >= 0) ::close(slave);
        if (master >= 0) ::close(master);
    }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool open() const { return master >= 0 && slave >= 0; }
    void setSize(int width, int height) {
        winsize size{};
        size.ws_col = static_cast<unsigned short>(width);
        size.ws_row = static_cast<unsigned short>(height);
        ::ioctl(master, TIOCSWINSZ, &size);
    }
    void type(const std::string& bytes) { ASSERT_EQ(::write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size())); }
    // Waits (up to 5 s) until the terminal holds count typed bytes for the
    // program to read.
    bool holdsTyped(int count) {
        for (int step = 0; step < 500; ++step) {
            int queued = 0;
            if (::ioctl(slave, FIONREAD, &queued) == 0 && queued >= count) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    // The terminal goes away, as when its emulator ends.
    void closeMaster() {
        ::close(master);
        master = -1;
    }
    // What the program wrote on the terminal so far.
    std::string output() {
        std::string out;
        for (;;) {
            pollfd fd{master, POLLIN, 0};
            if (::poll(&fd, 1, 50) <= 0) return out;
            char buffer[4096];
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n <= 0) return out;
            out.append(buffer, static_cast<std::size_t>(n));
        }
    }

    int master = -1;
    int slave = -1;
};

bool recordControlEvent(std::uint32_t eventType, void* context) {
    static_cast<std::vector<std::uint32_t>*>(context)->push_back(eventType);
    return false;
}

TerminalOptions onTerminal(const PseudoTerminal& pty) {
    TerminalOptions options;
    options.inputFd = pty.slave;
    options.outputFd = pty.slave;
    options.takeSignals = false;
    options.charset = TerminalOptions::Charset::utf8;
    return options;
}

termios settingsOf(int fd) {
    termios settings{};
    ::tcgetattr(fd, &settings);
    return settings;
}

TEST(TerminalConsole, RawKeyReadingFollowsProcessedInputAndIsPutBackExactly) {
    PseudoTerminal pty(80, 25);
    if (!pty.open()) GTEST_SKIP() << "no pseudo-terminal";
    const termios found = settingsOf(pty.slave);
    ASSERT_TRUE(found.c_lflag & ISIG);
    {
        TerminalConsole terminal(onTerminal(pty));
        EXPECT_TRUE(terminal.inputIsConsole());
        EXPECT_TRUE(terminal.outputIsConsole());
        termios raw = settingsOf(pty.slave);
        EXPECT_FALSE(raw.c_lflag & (ICANON | ECHO | IEXTEN));
        EXPECT_FALSE(raw.c_iflag & (ICRNL | IXON));
        EXPECT_TRUE(raw.c_lflag & ISIG);

        // The processed-input bit decides whether Ctrl+C is a signal or a key.
        std::uint32_t mode = 0;
        ASSERT_TRUE(terminal.getInputMode(mode));
        EXPECT_TRUE(mode & enableProcessedInput);
        ASSERT_TRUE(terminal.setInputMode(mode & ~enableProcessedInput));
        EXPECT_FALSE(settingsOf(pty.slave).c_lflag & ISIG);
        ASSERT_TRUE(terminal.setInputMode(mode));
        EXPECT_TRUE(settingsOf(pty.slave).c_lflag & ISIG);
    }
    const termios after = settingsOf(pty.slave);
    EXPECT_EQ(after.c_iflag, found.c_iflag);
    EXPECT_EQ(after.c_oflag, found.c_oflag);
    EXPECT_EQ(after.c_cflag, found.c_cflag);
    EXPECT_EQ(after.c_lflag, found.c_lflag);
    EXPECT_EQ(std::memcmp(after.c_cc, found.c_cc, sizeof found.c_cc), 0);
}

TEST(TerminalConsole, TakesTheTerminalsSizeAndItsChanges) {
    PseudoTerminal pty(100, 30);
    if (!pty.open()) GTEST_SKIP() << "no pseudo-terminal";
    TerminalConsole terminal(onTerminal(pty));
    ScreenInfo info;
    ASSERT_TRUE(terminal.getScreenInfo(info));
    EXPECT_EQ(info.bufferWidth, 100);
    EXPECT_EQ(info.bufferHeight, 30);
    EXPECT_EQ(info.windowBottom, 29);

    const std::uint8_t text[] = {'O', 'h', 'i', 'o'};
    terminal.writeCells(0, 0, text, 4, 7);
    pty.setSize(60, 20);
    terminal.noteResize();
    ASSERT_TRUE(terminal.getScreenInfo(info));
    EXPECT_EQ(info.bufferWidth, 60);
    EXPECT_EQ(info.bufferHeight, 20);
    // The model keeps its content across the resize.
    EXPECT_EQ(terminal.screen().windowRowText(0).substr(0, 4), "Ohio");
}

// The highest row that a cursor placement in the bytes names (1-based).
int lowestPlacedRow(const std::string& bytes) {
    int lowest = 0;
    for (std::size_t at = bytes.find("\x1b["); at != std::string::npos; at = bytes.find("\x1b[", at + 1)) {
        std::size_t end = at + 2;
        while (end < bytes.size() && (std::isdigit(static_cast<unsigned char>(bytes[end])) || bytes[end] == ';')) ++end;
        if (end < bytes.size() && bytes[end] == 'H') lowest = std::max(lowest, std::atoi(bytes.c_str() + at + 2));
    }
    return lowest;
}

TEST(TerminalConsole, TheSizeIsKeptWhileKeptAndNeverOneTheServicesCannotUse) {
    PseudoTerminal pty(80, 25);
    if (!pty.open()) GTEST_SKIP() << "no pseudo-terminal";
    TerminalConsole terminal(onTerminal(pty));
    ScreenInfo info;
    const auto size = [&] {
        EXPECT_TRUE(terminal.getScreenInfo(info));
        return std::make_pair(info.bufferWidth, info.windowBottom - info.windowTop + 1);
    };
    const std::uint8_t text[] = {'O', 'h', 'i', 'o'};
    terminal.writeCells(0, 20, text, 4, 7);
    terminal.setCursorPosition(4, 20);
    terminal.present();
    terminal.sleep(0);
    pty.output();

    // Kept, the model stays as it is; the terminal shows what fits: the
    // rows up to the cursor's, in the terminal's five.
    terminal.keepBufferSize(true);
    pty.setSize(40, 5);
    terminal.noteResize();
    EXPECT_EQ(size(), std::make_pair(80, 25));
    terminal.present();
    terminal.sleep(0);
    const std::string painted = pty.output();
    EXPECT_NE(painted.find("Ohio"), std::string::npos);
    EXPECT_EQ(lowestPlacedRow(painted), 5) << painted;
    // Given back, the size changed meanwhile is the model's at once.
    terminal.keepBufferSize(false);
    EXPECT_EQ(terminal.screen().bufferWidth, 40);
    EXPECT_EQ(size(), std::make_pair(40, 5));
    EXPECT_EQ(terminal.screen().windowRowText(4).substr(0, 4), "Ohio");
    // Also a change whose signal has not come yet.
    terminal.keepBufferSize(true);
    pty.setSize(60, 5);
    terminal.keepBufferSize(false);
    EXPECT_EQ(terminal.screen().bufferWidth, 60);

    // One row, one column, or too narrow for an answer: the model keeps its
    // own size in that dimension. A size no terminal has is held.
    const std::vector<std::pair<std::pair<int, int>, std::pair<int, int>>> sizes = {
        {{70, 1}, {70, 5}}, {{1, 30}, {70, 30}}, {{smallestModelWidth - 1, 1}, {70, 30}},
        {{smallestModelWidth, smallestModelHeight}, {smallestModelWidth, smallestModelHeight}},
        {{60000, 12}, {largestScreenWidth, 12}}};
    for (const auto& [terminalSize, modelSize] : sizes) {
        pty.setSize(terminalSize.first, terminalSize.second);
        terminal.noteResize();
        EXPECT_EQ(size(), modelSize) << terminalSize.first << "x" << terminalSize.second;
    }
}

TEST(TerminalConsole, PresentsReachTheTerminalAndLeavingRestoresIt) {
    PseudoTerminal pty(20, 5);
    if (!pty.open()) GTEST_SKIP() << "no pseudo-terminal";
    {
        TerminalConsole terminal(onTerminal(pty));
        const std::uint8_t text[] = {'O', 'h', 'i', 'o', 0x81};
        terminal.writeCells(0, 1, text, 5, 7);
        terminal.setCursorPosition(5, 1);
        terminal.present();
        // A present only notes the change; it goes out before a wait.
        EXPECT_EQ(pty.output(), "");
        terminal.sleep(0);
        const std::string painted = pty.output();
        EXPECT_NE(painted.find("\x1b[2J"), std::string::npos);
        EXPECT_NE(painted.find("Ohio\xC3\xBC"), std::string::npos);
        terminal.present();
        terminal.sleep(0);
        EXPECT_EQ(pty.output(), "");
        // The cursor hidden around an echo (as the line editor does) is not
        // sent: the echo costs its glyph alone. A hide goes out before a wait.
        terminal.setCursorVisible(false);
        terminal.present();
        const std::uint8_t dot = '.';
        terminal.writeCells(5, 1, &dot, 1, 7);
        terminal.setCursorPosition(6, 1);
        terminal.present();
        terminal.setCursorVisible(true);
        terminal.present();
        terminal.sleep(0);
        EXPECT_EQ(pty.output(), ".");
        terminal.setCursorVisible(false);
        terminal.present();
        terminal.sleep(0);
        EXPECT_EQ(pty.output(), "\x1b[?25l");
    }
    // Default rendition, the cursor at the start of the row below the text
    // (CR LF as the terminal's output processing sends it), cursor visible.
    EXPECT_EQ(pty.output(), "\x1b[0m\r\r\n\x1b[?25h");
}

TEST(TerminalConsole, KeysBecomeEventsAndALoneEscapeWaitsItsTime) {
    PseudoTerminal pty(80, 25);
    if (!pty.open()) GTEST_SKIP() << "no pseudo-terminal";
    TerminalConsole terminal(onTerminal(pty));
    TerminalConsole::Clock::time_point now{};
    terminal.clock = [&now] { return now; };

    pty.type("a");
    // The byte is there before the wait: it ends at once.
    terminal.waitForInput();
    bool pending = false;
    ASSERT_TRUE(terminal.peekInput(pending));
    ASSERT_TRUE(pending);
    InputRecord record;
    ASSERT_TRUE(terminal.readInput(record));
    EXPECT_TRUE(record.key.keyDown);
    EXPECT_EQ(record.key.character, 'a');
    ASSERT_TRUE(terminal.readInput(record));
    EXPECT_FALSE(record.key.keyDown);

    // A lone Escape may start a sequence: held until its wait is over.
    pty.type("\x1b");
    terminal.sleep(0);
    ASSERT_TRUE(terminal.peekInput(pending));
    EXPECT_FALSE(pending);
    now += TerminalConsole::sequenceWait - std::chrono::milliseconds(1);
    ASSERT_TRUE(terminal.peekInput(pending));
    EXPECT_FALSE(pending);
    now += std::chrono::milliseconds(1);
    ASSERT_TRUE(terminal.peekInput(pending));
    ASSERT_TRUE(pending);
    ASSERT_TRUE(terminal.readInput(record));
    EXPECT_EQ(record.key.character, 0x1B);

    // A sequence that arrives whole is one key: the up arrow.
    while (terminal.readInput(record)) {
    }
    pty.type("\x1b[A");
    terminal.sleep(0);
    ASSERT_TRUE(terminal.peekInput(pending));
    ASSERT_TRUE(pending);
    ASSERT_TRUE(terminal.readInput(record));
    EXPECT_EQ(record.key.virtualKey, 0x26);
}

TEST(TerminalConsole, HeldBytesEndAWaitForInputWithTheRealClock) {
    PseudoTerminal pty(80, 25);
    if (!pty.open()) GTEST_SKIP() << "no pseudo-terminal";
    TerminalConsole terminal(onTerminal(pty));
    pty.type("\x1b");
    terminal.waitForInput();  // the byte arrived
    bool pending = false;
    terminal.peekInput(pending);
    // Waiting again ends when the held Escape's wait is over, not never.
    if (!pending) terminal.waitForInput();
    ASSERT_TRUE(terminal.peekInput(pending));
    EXPECT_TRUE(pending);
}

TEST(TerminalConsole, TheKeyWaitsPauseEndsWhenSomethingCanHaveArrived) {
    PseudoTerminal pty(80, 25);
    if (!pty.open()) GTEST_SKIP() << "no pseudo-terminal";
    TerminalConsole terminal(onTerminal(pty));
    bool pending = false;

    // A typed key.
    pty.type("a");
    terminal.sleep(25);
    ASSERT_TRUE(terminal.peekInput(pending));
    EXPECT_TRUE(pending);
    InputRecord record;
    while (terminal.readInput(record)) {
    }

    // A resize, as a control event or a resume, writes the wake pipe.
    terminal.noteResize();
    terminal.sleep(25);

    // A held Escape: the pause ends when its wait is over, not never.
    pty.type("\x1b");
    terminal.sleep(25);  // the byte arrived
    terminal.peekInput(pending);
    if (!pending) terminal.sleep(25);
    ASSERT_TRUE(terminal.peekInput(pending));
    EXPECT_TRUE(pending);
    ASSERT_TRUE(terminal.readInput(record));
    EXPECT_EQ(record.key.character, 0x1B);
}

TEST(TerminalConsole, APasteLargerThanTheKeyBufferLeavesItsNewest511Keys) {
    PseudoTerminal pty(80, 25);
    if (!pty.open()) GTEST_SKIP() << "no pseudo-terminal";
    TerminalConsole terminal(onTerminal(pty));
    ConsoleState cs(terminal);
    // Letters with an Up arrow now and then, so that keys and bytes differ
    // and sequences straddle the pieces the terminal is read in; within what
    // the terminal holds at once.
    std::string pasted;
    std::vector<std::string> keys;
    for (int i = 0; pasted.size() < 3600; ++i) {
        if (i % 7 == 3) {
            pasted += "\x1b[A";
            keys.push_back("\xff\x48");
        } else {
            const char letter = static_cast<char>('a' + i % 26);
            pasted += letter;
            keys.push_back(std::string(1, letter));
        }
    }
    pty.type(pasted);
    ASSERT_TRUE(pty.holdsTyped(static_cast<int>(pasted.size())));

    // One pump takes it all; the key buffer keeps the newest 511 keys.
    ASSERT_TRUE(keyAvailable(cs));
    std::vector<std::string> taken;
    for (std::string key = pollKey(cs); !key.empty(); key = pollKey(cs)) taken.push_back(key);
    const std::vector<std::string> newest(keys.end() - 511, keys.end());
    EXPECT_EQ(taken, newest);
}

TEST(TerminalConsole, TheTerminalGoingAwayIsACloseAtThePromptAndBetweenRounds) {
    for (const bool atPrompt : {true, false}) {
        SCOPED_TRACE(atPrompt ? "at the prompt" : "between rounds");
        PseudoTerminal pty(80, 25);
        if (!pty.open()) GTEST_SKIP() << "no pseudo-terminal";
        TerminalConsole terminal(onTerminal(pty));
        std::vector<std::uint32_t> events;
        ASSERT_TRUE(terminal.addControlHandler(recordControlEvent, &events));
        pty.closeMaster();
        // The wait ends on the hang-up, and the read that follows takes it
        // as a close; this console does not own the process, so it stays.
        if (atPrompt) {
            terminal.sleep(25);
        } else {
            terminal.waitForInput();
        }
        bool pending = true;
        terminal.peekInput(pending);
        EXPECT_FALSE(pending);
        EXPECT_EQ(events, std::vector<std::uint32_t>{ctrlCloseEvent});
        // One close, however often the terminal is asked after.
        terminal.peekInput(pending);
        terminal.sleep(25);
        EXPECT_EQ(events.size(), 1u);
    }
}

// After a read that took everything the terminal had, more input is looked
// for only once the services pause (a pause of 0 included), and a wait's
// report that another reader made stale is no end of the terminal.
TEST(TerminalConsole, AfterAReadTheTerminalIsAskedAgainAtThePauseAndAStaleReportIsNoEnd) {
    PseudoTerminal pty(80, 25);
    if (!pty.open()) GTEST_SKIP() << "no pseudo-terminal";
    TerminalConsole terminal(onTerminal(pty));
    std::vector<std::uint32_t> events;
    ASSERT_TRUE(terminal.addControlHandler(recordControlEvent, &events));
    bool pending = false;
    InputRecord record;
    const auto typeAndWait = [&](const char* key) {
        pty.type(key);
        ASSERT_TRUE(pty.holdsTyped(1));
        terminal.sleep(10);  // ends at once: the key is there
    };
    typeAndWait("a");
    ASSERT_TRUE(terminal.peekInput(pending));
    ASSERT_TRUE(pending);
    while (terminal.readInput(record)) {
    }

    pty.type("b");
    ASSERT_TRUE(pty.holdsTyped(1));
    terminal.sleep(0);
    ASSERT_TRUE(terminal.peekInput(pending));
    ASSERT_TRUE(pending);
    ASSERT_TRUE(terminal.readInput(record));
    EXPECT_EQ(record.key.character, 'b');
    while (terminal.readInput(record)) {
    }

    typeAndWait("c");
    char taken = 0;
    ASSERT_EQ(::read(pty.slave, &taken, 1), 1);
    terminal.peekInput(pending);
    EXPECT_FALSE(pending);
    EXPECT_TRUE(events.empty());
    typeAndWait("d");
    ASSERT_TRUE(terminal.peekInput(pending));
    ASSERT_TRUE(pending);
    ASSERT_TRUE(terminal.readInput(record));
    EXPECT_EQ(record.key.character, 'd');
}

}  // namespace
}  // namespace console
