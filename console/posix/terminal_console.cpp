// The terminal console's platform operations: the screen model and its
// presents, raw key input decoded into events, redirected input, control
// handlers, the tone and the waits. The terminal session (taking the
// terminal and putting it back) is in terminal_session.cpp.
#include "console/posix/terminal_console.h"

#include <fcntl.h>
#include <langinfo.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <vector>

#include "console/platform/us_layout.h"
#include "console/posix/standard_descriptors.h"
#include "console/posix/terminal_view.h"

namespace console {
namespace {

constexpr int fallbackWidth = 80;
constexpr int fallbackHeight = 25;
constexpr std::uint32_t lineAndEchoModes = 0x0006;
// The terminal's input is read in pieces of this many bytes, the next one
// only once the events of the last are taken. A piece decodes into at most a
// press and a release per byte (and per byte held from the piece before), so
// the event queue never holds more than that, whatever is pasted. No key is
// dropped here: the key buffer's own rule decides which keys are kept.
constexpr std::size_t inputPieceBytes = 1024;

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

// The terminal's size in cells held to the largest, or the fallback.
TerminalSize terminalSize(int fd) {
    winsize size{};
    if (::ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0) {
        return heldToLargest(TerminalSize{size.ws_col, size.ws_row});
    }
    return TerminalSize{fallbackWidth, fallbackHeight};
}

int millisecondsUntil(TerminalConsole::Clock::time_point now, TerminalConsole::Clock::time_point deadline) {
    if (deadline <= now) return 0;
    // Rounded up, so that a wait never ends just before its deadline.
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
    return static_cast<int>(std::min<long long>(wait, 24LL * 3600 * 1000));
}

// One block of standard input for the read-ahead; context is the descriptor.
long readDescriptor(void* context, unsigned char* buffer, std::size_t capacity) {
    const int fd = *static_cast<const int*>(context);
    ssize_t result;
    do {
        result = ::read(fd, buffer, capacity);
    } while (result < 0 && errno == EINTR);
    return static_cast<long>(result);
}

}  // namespace

TerminalConsole::TerminalConsole() : TerminalConsole(TerminalOptions{}) {}

TerminalConsole::TerminalConsole(const TerminalOptions& options)
    : options_(options),
      encoding_(decideEncoding(options.charset)),
      screen_(fallbackWidth, fallbackHeight),
      terminalSize_{fallbackWidth, fallbackHeight},
      decoder_(encoding_ == GlyphEncoding::utf8),
      inputMode_(lineAndEchoModes) {
    // Before any descriptor of the console's own is made.
    if (options_.takeSignals) openClosedStandardDescriptors();
    if (options_.takeSignals) takeProcessSignals();
    outputIsConsole_ = ::isatty(options_.outputFd) == 1;
    // The input is a terminal exactly when its settings can be had: the
    // settings found are taken in the same call, for raw key reading and
    // for the crash handler to put back.
    inputIsConsole_ = mode_.capture(options_.inputFd);
    if (outputIsConsole_) takeTerminalSize();
    // The screen's content and the real cursor are unknown: the model starts
    // blank with its cursor at the top-left, and the first present clears
    // the screen and paints it.
    screen_.cursorX = 0;
    screen_.cursorY = 0;

    if (options_.takeSignals && (inputIsConsole_ || outputIsConsole_)) restoreOnCrashes();
    if (inputIsConsole_) enterKeyReading();
    openWakePipe();
    if (options_.takeSignals) startSession();
}

TerminalConsole::~TerminalConsole() {
    endSession();
    if (wakeRead_ >= 0) ::close(wakeRead_);
    if (wakeWrite_ >= 0) ::close(wakeWrite_);
}

// Raw key reading from the settings found at construction.
void TerminalConsole::enterKeyReading() {
    inputMode_ = lineAndEchoModes | (mode_.signalKeysFound() ? enableProcessedInput : 0);
    signalKeys_ = (inputMode_ & enableProcessedInput) != 0;
    mode_.enterRaw(signalKeys_);
}

// A pipe to itself that ends a wait in progress: written by the signal
// thread, watched by every wait.
void TerminalConsole::openWakePipe() {
    int pipeEnds[2];
#if defined(__APPLE__)
    if (::pipe(pipeEnds) != 0) return;
    for (int fd : pipeEnds) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
#else
    // Both ends made non-blocking and closed on exec in the one call.
    if (::pipe2(pipeEnds, O_NONBLOCK | O_CLOEXEC) != 0) return;
#endif
    wakeRead_ = pipeEnds[0];
    wakeWrite_ = pipeEnds[1];
}

void TerminalConsole::wakeTheWait() {
    if (wakeWrite_ < 0) return;
    const char byte = 'w';
    [[maybe_unused]] const ssize_t result = ::write(wakeWrite_, &byte, 1);
}

void TerminalConsole::drainWakePipe() {
    char drained[64];
    while (::read(wakeRead_, drained, sizeof drained) > 0) {
    }
}

void TerminalConsole::fetchStandardHandles() {}

// --- Screen ------------------------------------------------------------------
// The screen operations act on the model when standard output is the
// terminal; renders show the model on it. Every change of the model is made
// under the output lock, so that the signal thread can render the model as
// it stands on its way out (see "Presenting" below).

bool TerminalConsole::getScreenInfo(ScreenInfo& info) {
    applyPendingResize();
    if (!outputIsConsole_) return false;
    fitScreenToTerminal();
    screen_.getScreenInfo(info);
    return true;
}

bool TerminalConsole::setCursorPosition(int x, int y) {
    if (!outputIsConsole_) return false;
    const std::lock_guard<std::timed_mutex> guard(outputLock_);
    return screen_.setCursorPosition(x, y);
}

bool TerminalConsole::getCursorVisible(bool& visible) {
    if (!outputIsConsole_) return false;
    visible = screen_.cursorVisible;
    return true;
}

bool TerminalConsole::setCursorVisible(bool visible) {
    if (!outputIsConsole_) return false;
    const std::lock_guard<std::timed_mutex> guard(outputLock_);
    screen_.cursorVisible = visible;
    return true;
}

bool TerminalConsole::setWindow(const CellRect& window) {
    if (!outputIsConsole_) return false;
    const std::lock_guard<std::timed_mutex> guard(outputLock_);
    return screen_.setWindow(window);
}

bool TerminalConsole::writeCells(int x, int y, const std::uint8_t* bytes, int n, std::uint16_t attribute) {
    if (!outputIsConsole_) return false;
    const std::lock_guard<std::timed_mutex> guard(outputLock_);
    return screen_.writeCells(x, y, bytes, n, attribute);
}

bool TerminalConsole::scrollBlock(const CellRect& source, int destX, int destY, std::uint8_t fillChar,
                                  std::uint16_t fillAttribute) {
    if (!outputIsConsole_) return false;
    const std::lock_guard<std::timed_mutex> guard(outputLock_);
    // While the terminal is left, the resume repaints it whole anyway.
    if (!left_ && screen_.scrollOutrunsRender(screen_.wholeBufferScrollLines(source, destX, destY))) {
        sendChanges(false);
    }
    return screen_.scrollBlock(source, destX, destY, fillChar, fillAttribute);
}

bool TerminalConsole::fillCharacter(std::uint8_t ch, int count, int x, int y) {
    if (!outputIsConsole_) return false;
    const std::lock_guard<std::timed_mutex> guard(outputLock_);
    sendChangesBeforeFill();
    return screen_.fillCharacter(ch, count, x, y);
}

bool TerminalConsole::fillAttribute(std::uint16_t attribute, int count, int x, int y) {
    if (!outputIsConsole_) return false;
    const std::lock_guard<std::timed_mutex> guard(outputLock_);
    sendChangesBeforeFill();
    return screen_.fillAttribute(attribute, count, x, y);
}

void TerminalConsole::resizeModel(int width, int height) {
    const std::lock_guard<std::timed_mutex> guard(outputLock_);
    screen_.resize(width, height);
}

// --- The terminal's size -------------------------------------------------------
// The model's size follows the terminal's (terminal_size.h) when the
// services query the screen, except while kept; a present shows the model
// at the terminal's size in any case (terminal_view.h).

void TerminalConsole::takeTerminalSize() {
    readTerminalSize();
    fitScreenToTerminal();
}

void TerminalConsole::readTerminalSize() { terminalSize_ = terminalSize(options_.outputFd); }

void TerminalConsole::fitScreenToTerminal() {
    if (sizeKept_) return;
    const TerminalSize model{screen_.bufferWidth, screen_.bufferHeight};
    const TerminalSize fitted = modelSizeFor(terminalSize_, model);
    if (fitted != model) resizeModel(fitted.width, fitted.height);
}

void TerminalConsole::keepBufferSize(bool keep) {
    sizeKept_ = keep;
    if (keep || !outputIsConsole_) return;
    // A size that changed while kept is the model's now: the size as the
    // terminal has it at this moment, so that a change whose signal is
    // still on its way is taken too.
    const TerminalSize before = terminalSize_;
    readTerminalSize();
    if (terminalSize_ != before) repaintPending_ = true;
    fitScreenToTerminal();
}

void TerminalConsole::noteResize() {
    resizePending_ = true;
    wakeTheWait();
}

void TerminalConsole::applyPendingResize() {
    if (!resizePending_.exchange(false) || !outputIsConsole_) return;
    readTerminalSize();
    // The terminal may have moved or cut its content: paint it whole.
    repaintPending_ = true;
}

// --- Presenting ----------------------------------------------------------------
// What goes out to the terminal, and when.
//
// A present sends nothing (it notes that the services have made a screen
// to show): the model notes what changed (its changed rows, its
// whole-buffer scrolls, a clear by fills), and one render sends it all, in
// one write, when the screen is to be seen as it stands:
//   - before every wait: sleep, waitForInput, a tone, and a wait's wake-up
//     for a resize or a resume;
//   - before a whole-buffer scroll would take off the window a line the
//     terminal has not been sent (a changed row), or would make more lines
//     to scroll than one render sends as line feeds (the window's height):
//     every scrolled line reaches the terminal's scrollback as it was;
//   - before a fill blanks text the terminal has not been sent, so that a
//     clear pushes up into the scrollback what the screen last showed;
//   - on every way out: the exit, an interrupt, quit, hang-up, termination
//     and stop all leave the terminal through leaveTerminalLocked, which
//     renders what the model holds before putting the terminal back.
// So what gathers is bounded by a screenful, and the terminal lags behind
// the model only while the main thread works between two waits.
//
// The signal thread may render on its way out at any moment: every change
// of the model is made under the output lock, which the render holds too,
// so it sees the model between two operations (the main thread is the
// model's only writer, so its own reads need no lock). Should the main
// thread hold the lock in a write the terminal does not take, the way out
// does not wait for it and only resets the terminal.
//
// A crash cannot render (the model may be half changed, and rendering is not
// safe in a signal handler): its handler puts the settings found at start
// back, resets the rendition, shows the cursor and starts a new line; the
// changes since the last render are not shown.

void TerminalConsole::present() { presented_ = true; }

void TerminalConsole::presentNow(bool beforeWait) {
    if (!outputIsConsole_) return;
    applyPendingResize();
    const std::lock_guard<std::timed_mutex> guard(outputLock_);
    sendChanges(beforeWait);
}

std::string TerminalConsole::renderChanges(bool beforeWait) {
    // A screen the services never presented has nothing to show: the
    // terminal is not cleared for it.
    if (!outputIsConsole_ || !presented_) return {};
    if (repaintPending_.exchange(false)) shown_.known = false;
    ScreenView view = terminalView(screen_, terminalSize_.width, terminalSize_.height);
    // The line editor hides the cursor while it echoes a key and redraws
    // the line's tail, and shows it again once the key is done. A render in
    // the middle of that (before a scroll) keeps the shown cursor visible:
    // a hide goes out only before a wait, where it lasts and is meant to be
    // seen.
    if (!beforeWait && !view.cursorVisible && shown_.cursorVisible) view.cursorVisible = true;
    std::string bytes = renderScreen(shown_, view, encoding_);
    screen_.changesRendered();
    return bytes;
}

std::string TerminalConsole::renderChangesAndLeave() {
    std::string bytes = renderChanges(true);
    bytes += renderLeave(shown_);
    return bytes;
}

void TerminalConsole::sendChanges(bool beforeWait, std::string_view after) {
    // While the terminal is left the model's changes wait for the resume,
    // which repaints the screen whole.
    if (left_) return;
    const std::string bytes = renderChanges(beforeWait) + std::string(after);
    if (bytes.empty()) return;
    bytesPresented_ += bytes.size();
    ++presentsSent_;
    writeAll(bytes);
}

void TerminalConsole::sendChangesBeforeFill() {
    // Before the first paint there is nothing shown to keep.
    if (shown_.known && screen_.textSinceRender()) sendChanges(false);
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
    if (outputIsConsole_) {
        applyPendingResize();
        // The screen as it stands and the tone, in one write.
        const std::lock_guard<std::timed_mutex> guard(outputLock_);
        sendChanges(true, renderBell());
    }
    // The tone's length, whatever arrives meanwhile.
    const Clock::time_point deadline = clock() + std::chrono::milliseconds(milliseconds);
    waitFor(false, &deadline, false);
}

// --- Input ---------------------------------------------------------------------

bool TerminalConsole::getInputMode(std::uint32_t& mode) {
    if (!inputIsConsole_) return false;
    mode = inputMode_;
    return true;
}

bool TerminalConsole::setInputMode(std::uint32_t mode) {
    if (!inputIsConsole_) return false;
    inputMode_ = mode;
    // The processed-input bit decides whether the interrupt and quit keys
    // raise signals or come as keys.
    signalKeys_ = (mode & enableProcessedInput) != 0;
    const std::lock_guard<std::timed_mutex> guard(outputLock_);
    if (!left_) mode_.enterRaw(signalKeys_);
    return true;
}

// Decodes the next piece of what the terminal has sent into the event queue
// once the queue is empty, without waiting: pieces that yield no event
// (strings and reports that name no key) are read past. A partial key
// sequence is held until its wait is over. The end of input, a read error or
// a hang-up is the terminal going away.
void TerminalConsole::readTerminalInput() {
    if (!inputIsConsole_) return;
    while (!terminalGone_ && events_.empty()) {
        pollfd input{options_.inputFd, POLLIN, 0};
        // What the wait just reported for the input is taken without a
        // second poll. A report may have gone stale (another program read
        // the terminal while this one was stopped): a read that then finds
        // nothing is checked by a fresh poll before anything is concluded.
        const bool reported = inputReported_ != 0;
        if (reported) {
            input.revents = inputReported_;
            inputReported_ = 0;
        } else if (::poll(&input, 1, 0) <= 0) {
            break;
        }
        if (!(input.revents & POLLIN)) {
            if (reportsHangUp(input.revents)) takeTerminalGone();
            break;
        }
        std::uint8_t bytes[inputPieceBytes];
        const ssize_t count = ::read(options_.inputFd, bytes, sizeof bytes);
        if (count <= 0 && reported) continue;
        if (count < 0 && (errno == EINTR || errno == EAGAIN)) break;
        if (count <= 0) {
            // Readable yet at its end, or failing (EIO once the terminal
            // has gone): the terminal hung up.
            takeTerminalGone();
            break;
        }
        decoded_.clear();
        decoder_.feed(bytes, static_cast<std::size_t>(count), decoded_);
        events_.insert(events_.end(), decoded_.begin(), decoded_.end());
        lastInputByte_ = clock();
    }
    // Held bytes are settled only once everything sent is read: the rest of
    // their sequence may be waiting in the terminal behind a full queue.
    if (events_.empty() && decoder_.holding() && clock() - lastInputByte_ >= sequenceWait) {
        decoded_.clear();
        decoder_.flush(decoded_);
        events_.insert(events_.end(), decoded_.begin(), decoded_.end());
    }
}

bool TerminalConsole::peekInput(bool& pending) {
    readTerminalInput();
    pending = false;
    if (!inputIsConsole_) return false;
    pending = !events_.empty();
    return true;
}

bool TerminalConsole::readInput(InputRecord& record) {
    if (events_.empty()) readTerminalInput();
    if (!inputIsConsole_ || events_.empty()) return false;
    record = events_.front();
    events_.pop_front();
    return true;
}

int TerminalConsole::readInputByte() { return readAhead_.nextByte(readDescriptor, &options_.inputFd); }

bool TerminalConsole::addControlHandler(ControlHandler handler, void* context) {
    return handlers_.add(handler, context);
}

bool TerminalConsole::removeControlHandler(ControlHandler handler, void* context) {
    return handlers_.remove(handler, context);
}

std::uint32_t TerminalConsole::mapVirtualKeyToChar(std::uint16_t virtualKey) {
    return unshiftedCharacter(virtualKey);
}

// --- Waiting -------------------------------------------------------------------

int TerminalConsole::waitTimeout(bool watchInput, const Clock::time_point* deadline) {
    const Clock::time_point now = clock();
    int timeout = -1;
    if (deadline != nullptr) timeout = millisecondsUntil(now, *deadline);
    // Held bytes of a key sequence come out when their wait is over, which
    // counts as input.
    if (watchInput && decoder_.holding()) {
        const int held = millisecondsUntil(now, lastInputByte_ + sequenceWait);
        if (held == 0) return 0;
        timeout = timeout < 0 ? held : std::min(timeout, held);
    }
    return timeout;
}

bool TerminalConsole::reportsHangUp(short revents) { return (revents & (POLLHUP | POLLERR | POLLNVAL)) != 0; }

void TerminalConsole::waitFor(bool waitOnInput, const Clock::time_point* deadline, bool untilWoken) {
    for (;;) {
        const bool watchInput = waitOnInput && inputIsConsole_ && !terminalGone_;
        const int timeout = waitTimeout(watchInput, deadline);
        if (timeout == 0) return;

        // The wake pipe; the terminal's input; and, where its input is not
        // watched, the terminal's output for a hang-up only.
        pollfd watched[3];
        nfds_t count = 0;
        const nfds_t wakeSlot = count;
        if (wakeRead_ >= 0) watched[count++] = pollfd{wakeRead_, POLLIN, 0};
        const nfds_t inputSlot = count;
        if (watchInput) watched[count++] = pollfd{options_.inputFd, POLLIN, 0};
        const nfds_t outputSlot = count;
        const bool watchOutput = !watchInput && outputIsConsole_ && !terminalGone_;
        if (watchOutput) watched[count++] = pollfd{options_.outputFd, 0, 0};
        const int ready = ::poll(watched, count, timeout);
        if (ready <= 0) continue;  // interrupted, or the next round finds the deadline passed
        if (wakeRead_ >= 0 && (watched[wakeSlot].revents & POLLIN)) {
            drainWakePipe();
            // A resize or a resume: show the model as it stands.
            if (resizePending_ || repaintPending_) presentNow(true);
            if (untilWoken) return;
        }
        // Input, or the terminal gone: the caller's read finds out which.
        if (watchInput && watched[inputSlot].revents != 0) {
            inputReported_ = watched[inputSlot].revents;
            return;
        }
        if (watchOutput && reportsHangUp(watched[outputSlot].revents)) {
            takeTerminalGone();
            return;
        }
    }
}

// The key wait's pause. On the terminal it lasts until something can have
// changed: input, a control event, a resize or a resume (each writes the
// wake pipe), or the end of a held key sequence's wait. So an idle prompt
// makes no system call at all. Without a terminal to read it is a plain
// pause; a pause of 0 only shows what changed.
void TerminalConsole::sleep(unsigned milliseconds) {
    presentNow(true);
    if (milliseconds == 0) return;
    if (inputIsConsole_ && !terminalGone_) {
        waitFor(true, nullptr, true);
        return;
    }
    const Clock::time_point deadline = clock() + std::chrono::milliseconds(milliseconds);
    waitFor(true, &deadline, false);
}

void TerminalConsole::waitForInput() {
    presentNow(true);
    // With no terminal to read, no key can ever come: this waits for ever,
    // still repainting after a resize or resume, until a signal ends the
    // process.
    waitFor(true, nullptr, false);
}

}  // namespace console
