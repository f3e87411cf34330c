#include "console/posix/terminal_console.h"

#include <fcntl.h>
#include <langinfo.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iterator>
#include <vector>

namespace console {
namespace {

constexpr int fallbackWidth = 80;
constexpr int fallbackHeight = 25;
constexpr std::uint32_t lineAndEchoModes = 0x0006;
// The longest an exit waits for a present in progress on the main thread.
constexpr std::chrono::milliseconds outputLockWait{200};

// The one console whose terminal the at-exit action puts back.
std::atomic<TerminalConsole*> exitConsole{nullptr};

void leaveAtExit() {
    if (TerminalConsole* terminal = exitConsole.load()) terminal->leaveTerminal();
}

// What a crash needs to put the terminal back, where its handler can reach
// it: the settings found at start and the descriptors. A crash cannot wait
// for the screen's state, so it only resets the rendition, shows the cursor
// and starts a new line.
struct CrashRestore {
    int inputFd = -1;
    int outputFd = -1;
    bool settingsFound = false;
    termios found{};
};
CrashRestore crashRestore;
constexpr int crashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
struct sigaction crashActionsBefore[std::size(crashSignals)];

void restoreTerminalOnCrash(int signal) {
    if (crashRestore.settingsFound) ::tcsetattr(crashRestore.inputFd, TCSANOW, &crashRestore.found);
    if (crashRestore.outputFd >= 0) {
        static constexpr char reset[] = "\x1b[0m\x1b[?25h\r\n";
        [[maybe_unused]] const ssize_t written = ::write(crashRestore.outputFd, reset, sizeof reset - 1);
    }
    // The crash then takes its course as before: the action that was there
    // (the default, or a sanitizer's report) runs when the signal comes again.
    for (std::size_t i = 0; i < std::size(crashSignals); ++i) {
        if (crashSignals[i] == signal) ::sigaction(signal, &crashActionsBefore[i], nullptr);
    }
    ::raise(signal);
}

void restoreTerminalOnCrashes(int inputFd, int outputFd, bool inputIsTerminal, bool outputIsTerminal) {
    crashRestore.inputFd = inputFd;
    crashRestore.outputFd = outputIsTerminal ? outputFd : -1;
    crashRestore.settingsFound = inputIsTerminal && ::tcgetattr(inputFd, &crashRestore.found) == 0;
    struct sigaction action {};
    action.sa_handler = restoreTerminalOnCrash;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < std::size(crashSignals); ++i) {
        ::sigaction(crashSignals[i], &action, &crashActionsBefore[i]);
    }
}

GlyphEncoding decideEncoding(TerminalOptions::Charset charset) {
    if (charset == TerminalOptions::Charset::utf8) return GlyphEncoding::utf8;
    if (charset == TerminalOptions::Charset::ascii) return GlyphEncoding::ascii;
    const char* codeset = nl_langinfo(CODESET);
    if (codeset == nullptr) return GlyphEncoding::ascii;
    std::string name;
    for (const char* p = codeset; *p != '\0'; ++p) {
        if (*p != '-' && *p != '_') name.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(*p))));
    }
    return name == "UTF8" ? GlyphEncoding::utf8 : GlyphEncoding::ascii;
}

// The terminal's size in cells, or the fallback.
void terminalSize(int fd, int& width, int& height) {
    winsize size{};
    if (::ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0) {
        width = size.ws_col;
        height = size.ws_row;
    } else {
        width = fallbackWidth;
        height = fallbackHeight;
    }
}

int millisecondsUntil(TerminalConsole::Clock::time_point now, TerminalConsole::Clock::time_point deadline) {
    if (deadline <= now) return 0;
    // Rounded up, so that a wait never ends just before its deadline.
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
    return static_cast<int>(std::min<long long>(wait, 24LL * 3600 * 1000));
}

}  // namespace

TerminalConsole::TerminalConsole() : TerminalConsole(TerminalOptions{}) {}

TerminalConsole::TerminalConsole(const TerminalOptions& options)
    : MemoryConsole(fallbackWidth, fallbackHeight),
      options_(options),
      encoding_(decideEncoding(options.charset)),
      decoder_(encoding_ == GlyphEncoding::utf8) {
    if (options_.takeSignals) {
        // Before any other thread starts, so that every thread but the
        // signal thread keeps them blocked.
        blockConsoleSignals();
        std::signal(SIGPIPE, SIG_IGN);
    }
    outputIsConsole = ::isatty(options_.outputFd) == 1;
    inputIsConsole = ::isatty(options_.inputFd) == 1;

    if (outputIsConsole) {
        int width = fallbackWidth;
        int height = fallbackHeight;
        terminalSize(options_.outputFd, width, height);
        resize(width, height);
    }
    // The screen's content and the real cursor are unknown: the model starts
    // blank with its cursor at the top-left, and the first present clears
    // the screen and paints it.
    cursorX = 0;
    cursorY = 0;

    if (options_.takeSignals && (inputIsConsole || outputIsConsole)) {
        restoreTerminalOnCrashes(options_.inputFd, options_.outputFd, inputIsConsole, outputIsConsole);
    }
    if (inputIsConsole && mode_.capture(options_.inputFd)) {
        inputMode = lineAndEchoModes | (mode_.signalKeysFound() ? enableProcessedInput : 0);
        signalKeys_ = (inputMode & enableProcessedInput) != 0;
        mode_.enterRaw(signalKeys_);
    } else if (inputIsConsole) {
        inputIsConsole = false;
    }

    int pipeEnds[2];
    if (::pipe(pipeEnds) == 0) {
        wakeRead_ = pipeEnds[0];
        wakeWrite_ = pipeEnds[1];
        for (int fd : pipeEnds) {
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        }
    }

    if (options_.takeSignals) {
        exitConsole = this;
        static const bool atExitRegistered = (std::atexit(leaveAtExit), true);
        (void)atExitRegistered;
        signalThread_.start([this](int signal) { takeSignal(signal); });
    }
}

TerminalConsole::~TerminalConsole() {
    signalThread_.stop();
    leaveTerminal();
    TerminalConsole* self = this;
    exitConsole.compare_exchange_strong(self, nullptr);
    if (wakeRead_ >= 0) ::close(wakeRead_);
    if (wakeWrite_ >= 0) ::close(wakeWrite_);
}

// --- Screen ------------------------------------------------------------------

bool TerminalConsole::getScreenInfo(ScreenInfo& info) {
    applyPendingResize();
    return MemoryConsole::getScreenInfo(info);
}

void TerminalConsole::noteResize() {
    resizePending_ = true;
    if (wakeWrite_ >= 0) {
        const char byte = 'w';
        [[maybe_unused]] const ssize_t result = ::write(wakeWrite_, &byte, 1);
    }
}

void TerminalConsole::applyPendingResize() {
    if (!resizePending_.exchange(false) || !outputIsConsole) return;
    int width = fallbackWidth;
    int height = fallbackHeight;
    terminalSize(options_.outputFd, width, height);
    if (width != bufferWidth || height != bufferHeight) resize(width, height);
    // The terminal may have moved or cut its content: paint it whole.
    repaintPending_ = true;
}

void TerminalConsole::present() { presentNow(false); }

void TerminalConsole::presentNow(bool beforeWait) {
    MemoryConsole::present();
    const int scrolled = takeScrolledLines();
    if (!outputIsConsole) return;
    applyPendingResize();
    const std::lock_guard<std::timed_mutex> guard(outputLock_);
    if (left_) return;
    if (repaintPending_.exchange(false)) shown_.known = false;
    WindowImage image = windowImage(*this);
    // The line editor hides the cursor around each echo. A hide goes out
    // only before a wait, where it lasts: an echoed key costs its glyph alone.
    if (!beforeWait && !image.cursorVisible && shown_.cursorVisible) image.cursorVisible = true;
    const std::string bytes = renderScreen(shown_, image, scrolled, encoding_);
    if (bytes.empty()) return;
    bytesPresented_ += bytes.size();
    ++presentsSent_;
    writeAll(bytes);
}

void TerminalConsole::writeAll(const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t result = ::write(options_.outputFd, bytes.data() + sent, bytes.size() - sent);
        if (result > 0) {
            sent += static_cast<std::size_t>(result);
        } else if (result < 0 && errno == EAGAIN) {
            pollfd output{options_.outputFd, POLLOUT, 0};
            ::poll(&output, 1, 100);
        } else if (!(result < 0 && errno == EINTR)) {
            return;  // the terminal is gone
        }
    }
}

bool TerminalConsole::writeFile(const std::uint8_t* bytes, std::size_t n, std::size_t& written) {
    written = 0;
    for (;;) {
        const ssize_t result = ::write(options_.outputFd, bytes, n);
        if (result < 0 && errno == EINTR) continue;
        if (result < 0) return false;
        written = static_cast<std::size_t>(result);
        return true;
    }
}

void TerminalConsole::beep(unsigned frequency, unsigned milliseconds) {
    (void)frequency;
    presentNow(true);
    if (outputIsConsole) {
        const std::lock_guard<std::timed_mutex> guard(outputLock_);
        if (!left_) writeAll("\a");
    }
    // The tone's length, whatever arrives meanwhile.
    const Clock::time_point deadline = clock() + std::chrono::milliseconds(milliseconds);
    waitFor(false, &deadline);
}

// --- Leaving and resuming ------------------------------------------------------

std::unique_lock<std::timed_mutex> TerminalConsole::waitForPresent() {
    // A present in progress is let finish, so that no sequence is cut; one
    // that cannot finish (a terminal that takes no output) is not waited for.
    std::unique_lock<std::timed_mutex> guard(outputLock_, std::defer_lock);
    [[maybe_unused]] const bool locked = guard.try_lock_for(outputLockWait);
    return guard;
}

void TerminalConsole::leaveTerminalLocked(bool presentFinished) {
    if (outputIsConsole) {
        // Without the finished present the screen's state is the main
        // thread's: the way out then only resets and starts a new line.
        writeAll(presentFinished ? renderLeave(shown_) : std::string("\x1b[0m\x1b[?25h\r\n"));
    }
    mode_.restore();
}

void TerminalConsole::leaveTerminal() {
    const std::unique_lock<std::timed_mutex> guard = waitForPresent();
    if (left_.exchange(true)) return;
    leaveTerminalLocked(guard.owns_lock());
}

void TerminalConsole::resumeTerminal() {
    const std::unique_lock<std::timed_mutex> guard = waitForPresent();
    // Not while the terminal belongs to another job: it would stop us.
    if (inputIsConsole && ::tcgetpgrp(options_.inputFd) == ::getpgrp()) mode_.enterRaw(signalKeys_);
    left_ = false;
    repaintPending_ = true;
    if (wakeWrite_ >= 0) {
        const char byte = 'c';
        [[maybe_unused]] const ssize_t result = ::write(wakeWrite_, &byte, 1);
    }
}

bool TerminalConsole::askHandlers(std::uint32_t eventType) {
    std::vector<HandlerEntry> asked;
    {
        const std::lock_guard<std::mutex> guard(handlersLock_);
        asked = handlers;
    }
    for (auto it = asked.rbegin(); it != asked.rend(); ++it) {
        if (it->handler(eventType, it->context)) return true;
    }
    return false;
}

void TerminalConsole::takeSignal(int signal) {
    switch (signal) {
    case SIGINT:
    case SIGQUIT:
    case SIGHUP:
    case SIGTERM: {
        const std::uint32_t event = signal == SIGINT    ? ctrlCEvent
                                    : signal == SIGQUIT ? ctrlBreakEvent
                                    : signal == SIGHUP  ? ctrlCloseEvent
                                                        : ctrlShutdownEvent;
        // A handled close has queued the close key; either way the process
        // ends now, as the signal's default action ends it.
        askHandlers(event);
        leaveTerminal();
        endBySignal(signal);
        break;
    }
    case SIGTSTP: {
        {
            const std::unique_lock<std::timed_mutex> guard = waitForPresent();
            if (!left_.exchange(true)) leaveTerminalLocked(guard.owns_lock());
            // The shell writes on the terminal while the process is stopped;
            // the resume repaints the screen whole.
            if (guard.owns_lock()) shown_.known = false;
        }
        stopBySignal(SIGTSTP);
        resumeTerminal();
        break;
    }
    case SIGCONT:
        resumeTerminal();
        break;
    case SIGWINCH:
        noteResize();
        break;
    default:
        break;
    }
}

// --- Input ---------------------------------------------------------------------

bool TerminalConsole::setInputMode(std::uint32_t mode) {
    if (!MemoryConsole::setInputMode(mode)) return false;
    signalKeys_ = (mode & enableProcessedInput) != 0;
    const std::lock_guard<std::timed_mutex> guard(outputLock_);
    if (!left_) mode_.enterRaw(signalKeys_);
    return true;
}

void TerminalConsole::readTerminalInput() {
    if (!inputIsConsole) return;
    std::vector<InputRecord> decoded;
    while (!inputEnded_) {
        pollfd input{options_.inputFd, POLLIN, 0};
        if (::poll(&input, 1, 0) <= 0 || !(input.revents & (POLLIN | POLLHUP | POLLERR))) break;
        std::uint8_t bytes[256];
        const ssize_t count = ::read(options_.inputFd, bytes, sizeof bytes);
        if (count < 0 && (errno == EINTR || errno == EAGAIN)) break;
        if (count <= 0) {
            // The terminal hung up: no key will ever come.
            inputEnded_ = true;
            break;
        }
        decoder_.feed(bytes, static_cast<std::size_t>(count), decoded);
        lastInputByte_ = clock();
    }
    if (decoder_.holding() && clock() - lastInputByte_ >= sequenceWait) decoder_.flush(decoded);
    events.insert(events.end(), decoded.begin(), decoded.end());
}

bool TerminalConsole::peekInput(bool& pending) {
    readTerminalInput();
    return MemoryConsole::peekInput(pending);
}

bool TerminalConsole::readInput(InputRecord& record) {
    if (events.empty()) readTerminalInput();
    return MemoryConsole::readInput(record);
}

int TerminalConsole::readInputByte() {
    if (inputPos_ == inputLength_) {
        ssize_t result;
        do {
            result = ::read(options_.inputFd, inputBuffer_, sizeof inputBuffer_);
        } while (result < 0 && errno == EINTR);
        if (result <= 0) return -1;
        inputLength_ = static_cast<std::size_t>(result);
        inputPos_ = 0;
    }
    return inputBuffer_[inputPos_++];
}

bool TerminalConsole::addControlHandler(ControlHandler handler, void* context) {
    const std::lock_guard<std::mutex> guard(handlersLock_);
    return MemoryConsole::addControlHandler(handler, context);
}

bool TerminalConsole::removeControlHandler(ControlHandler handler, void* context) {
    const std::lock_guard<std::mutex> guard(handlersLock_);
    return MemoryConsole::removeControlHandler(handler, context);
}

// --- Waiting -------------------------------------------------------------------

void TerminalConsole::waitFor(bool waitOnInput, const Clock::time_point* deadline) {
    for (;;) {
        const bool watchInput = waitOnInput && inputIsConsole && !inputEnded_;
        const Clock::time_point now = clock();
        int timeout = -1;
        if (deadline != nullptr) timeout = millisecondsUntil(now, *deadline);
        // Held bytes of a key sequence come out when their wait is over,
        // which counts as input.
        if (watchInput && decoder_.holding()) {
            const int held = millisecondsUntil(now, lastInputByte_ + sequenceWait);
            if (held == 0) return;
            timeout = timeout < 0 ? held : std::min(timeout, held);
        }
        if (timeout == 0) return;

        pollfd watched[2];
        nfds_t count = 0;
        if (wakeRead_ >= 0) watched[count++] = pollfd{wakeRead_, POLLIN, 0};
        const nfds_t inputSlot = count;
        if (watchInput) watched[count++] = pollfd{options_.inputFd, POLLIN, 0};
        const int ready = ::poll(watched, count, timeout);
        if (ready < 0) continue;  // interrupted
        if (ready == 0) continue;  // the next round finds the deadline passed
        if (wakeRead_ >= 0 && (watched[0].revents & POLLIN)) {
            char drained[64];
            while (::read(wakeRead_, drained, sizeof drained) > 0) {
            }
            // A resize or a resume: show the model as it stands.
            if (resizePending_ || repaintPending_) presentNow(true);
        }
        if (watchInput && watched[inputSlot].revents != 0) return;
    }
}

void TerminalConsole::sleep(unsigned milliseconds) {
    presentNow(true);
    const Clock::time_point deadline = clock() + std::chrono::milliseconds(milliseconds);
    waitFor(true, &deadline);
}

void TerminalConsole::waitForInput() {
    ++counts.waitsForInput;
    presentNow(true);
    // With no terminal to read, no key can ever come: this waits for ever,
    // still repainting after a resize or resume, until a signal ends the
    // process.
    waitFor(true, nullptr);
}

}  // namespace console
