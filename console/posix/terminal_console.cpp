// The terminal console's platform operations, each handed to the part that
// owns what it acts on; the terminal's size as the model takes it; the waits.
#include "console/posix/terminal_console.h"

#include <langinfo.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <string>

#include "console/platform/us_layout.h"
#include "console/posix/terminal_sequences.h"

namespace console {
namespace {

constexpr TerminalSize fallbackSize{80, 25};

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
    return fallbackSize;
}

SessionPlace placeOf(const TerminalOptions& options) {
    return {options.inputFd, options.outputFd, ::isatty(options.outputFd) == 1, options.takeSignals};
}

}  // namespace

TerminalConsole::TerminalConsole() : TerminalConsole(TerminalOptions{}) {}

TerminalConsole::TerminalConsole(const TerminalOptions& options)
    : options_(options),
      session_(placeOf(options), presenter_, wait_, handlers_),
      outputIsConsole_(::isatty(options.outputFd) == 1),
      presenter_(options.outputFd, outputIsConsole_, decideEncoding(options.charset), fallbackSize),
      input_(options.inputFd, session_.inputIsTerminal(), presenter_.encoding() == GlyphEncoding::utf8, clock,
             [this] { takeTerminalGone(); }) {
    if (outputIsConsole_) {
        readTerminalSize();
        fitScreenToTerminal();
    }
    session_.start([this](int signal) { takeSignal(signal); });
}

TerminalConsole::~TerminalConsole() { session_.end(); }

void TerminalConsole::fetchStandardHandles() {}

// --- Screen ------------------------------------------------------------------
// The screen operations act on the model when standard output is the
// terminal; presents show the model on it (terminal_presenter.h).

bool TerminalConsole::getScreenInfo(ScreenInfo& info) {
    applyPendingResize();
    if (!outputIsConsole_) return false;
    fitScreenToTerminal();
    presenter_.screen().getScreenInfo(info);
    return true;
}

bool TerminalConsole::setCursorPosition(int x, int y) {
    return outputIsConsole_ && presenter_.change([&](ScreenModel& model) { return model.setCursorPosition(x, y); });
}

bool TerminalConsole::getCursorVisible(bool& visible) {
    if (!outputIsConsole_) return false;
    visible = presenter_.screen().cursorVisible;
    return true;
}

bool TerminalConsole::setCursorVisible(bool visible) {
    if (!outputIsConsole_) return false;
    presenter_.change([&](ScreenModel& model) { model.cursorVisible = visible; });
    return true;
}

bool TerminalConsole::setWindow(const CellRect& window) {
    return outputIsConsole_ && presenter_.change([&](ScreenModel& model) { return model.setWindow(window); });
}

bool TerminalConsole::writeCells(int x, int y, const std::uint8_t* bytes, int n, std::uint16_t attribute) {
    return outputIsConsole_ &&
           presenter_.change([&](ScreenModel& model) { return model.writeCells(x, y, bytes, n, attribute); });
}

bool TerminalConsole::scrollBlock(const CellRect& source, int destX, int destY, std::uint8_t fillChar,
                                  std::uint16_t fillAttribute) {
    return outputIsConsole_ && presenter_.scrollBlock(source, destX, destY, fillChar, fillAttribute);
}

bool TerminalConsole::fillCharacter(std::uint8_t ch, int count, int x, int y) {
    return outputIsConsole_ && presenter_.fillCharacter(ch, count, x, y);
}

bool TerminalConsole::fillAttribute(std::uint16_t attribute, int count, int x, int y) {
    return outputIsConsole_ && presenter_.fillAttribute(attribute, count, x, y);
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

void TerminalConsole::present() { presenter_.present(); }

void TerminalConsole::presentNow(bool beforeWait, std::string_view after) {
    if (!outputIsConsole_) return;
    applyPendingResize();
    presenter_.presentNow(beforeWait, after);
}

// --- The terminal's size -------------------------------------------------------
// The model's size follows the terminal's (terminal_size.h) when the
// services query the screen, except while kept; a present shows the model
// at the terminal's size in any case (terminal_view.h).

void TerminalConsole::readTerminalSize() { presenter_.setTerminalSize(terminalSize(options_.outputFd)); }

void TerminalConsole::fitScreenToTerminal() {
    if (sizeKept_) return;
    const ScreenModel& screen = presenter_.screen();
    const TerminalSize model{screen.bufferWidth, screen.bufferHeight};
    const TerminalSize fitted = modelSizeFor(presenter_.terminalSize(), model);
    if (fitted != model) presenter_.change([&](ScreenModel& changed) { changed.resize(fitted.width, fitted.height); });
}

void TerminalConsole::keepBufferSize(bool keep) {
    sizeKept_ = keep;
    if (keep || !outputIsConsole_) return;
    // A size that changed while kept is the model's now: the size as the
    // terminal has it at this moment, so that a change whose signal is
    // still on its way is taken too.
    const TerminalSize before = presenter_.terminalSize();
    readTerminalSize();
    if (presenter_.terminalSize() != before) presenter_.repaintWhole();
    fitScreenToTerminal();
}

void TerminalConsole::noteResize() {
    resizePending_ = true;
    wait_.wake();
}

void TerminalConsole::applyPendingResize() {
    if (!resizePending_.exchange(false) || !outputIsConsole_) return;
    readTerminalSize();
    // The terminal may have moved or cut its content: paint it whole.
    presenter_.repaintWhole();
}

// --- Input ---------------------------------------------------------------------

bool TerminalConsole::getInputMode(std::uint32_t& mode) {
    if (!session_.inputIsTerminal()) return false;
    mode = session_.inputMode();
    return true;
}

bool TerminalConsole::setInputMode(std::uint32_t mode) {
    if (!session_.inputIsTerminal()) return false;
    session_.setInputMode(mode);
    return true;
}

bool TerminalConsole::peekInput(bool& pending) {
    input_.read();
    pending = input_.pending();
    return session_.inputIsTerminal();
}

bool TerminalConsole::readInput(InputRecord& record) { return input_.take(record); }

int TerminalConsole::readInputByte() { return input_.readRedirectedByte(); }

void TerminalConsole::takeTerminalGone() {
    if (input_.markGone()) session_.terminalGone();
}

// --- Control events --------------------------------------------------------------

bool TerminalConsole::addControlHandler(ControlHandler handler, void* context) {
    return handlers_.add(handler, context);
}

bool TerminalConsole::removeControlHandler(ControlHandler handler, void* context) {
    return handlers_.remove(handler, context);
}

std::uint32_t TerminalConsole::mapVirtualKeyToChar(std::uint16_t virtualKey) {
    return unshiftedCharacter(virtualKey);
}

void TerminalConsole::takeSignal(int signal) {
    switch (signal) {
    case SIGINT:
    case SIGQUIT:
    case SIGHUP:
    case SIGTERM:
        session_.endByControlEvent(signal);
    case SIGTSTP:
        session_.suspend();
        break;
    case SIGCONT:
        session_.resume();
        break;
    case SIGWINCH:
        noteResize();
        break;
    default:
        break;
    }
}

// --- Waiting -------------------------------------------------------------------

int TerminalConsole::waitTimeout(bool watchInput, const Clock::time_point* deadline) {
    const Clock::time_point now = clock();
    int timeout = -1;
    if (deadline != nullptr) timeout = millisecondsUntil(now, *deadline);
    // Held bytes of a key sequence come out when their wait is over, which
    // counts as input.
    if (watchInput && input_.holdingSequence()) {
        const int held = millisecondsUntil(now, input_.heldSequenceEnds());
        if (held == 0) return 0;
        timeout = timeout < 0 ? held : std::min(timeout, held);
    }
    return timeout;
}

void TerminalConsole::waitFor(bool waitOnInput, const Clock::time_point* deadline, bool untilWoken) {
    input_.lookAgain();
    // Where the input is not watched, the terminal's output is, for its
    // end; typed bytes that nobody here reads make it readable too, and it
    // is then left alone for the rest of this wait.
    bool watchOutput = outputIsConsole_;
    for (;;) {
        const bool watchInput = waitOnInput && session_.inputIsTerminal() && !input_.gone();
        const int timeout = waitTimeout(watchInput, deadline);
        if (timeout == 0) return;
        watchOutput = watchOutput && !watchInput && !input_.gone();
        WaitEvents events;
        // Nothing: interrupted, or the next round finds the deadline passed.
        if (!wait_.wait(watchInput ? options_.inputFd : -1, watchOutput ? options_.outputFd : -1, timeout, events)) {
            continue;
        }
        if (events.woken) {
            // A resize or a resume: show the model as it stands.
            if (resizePending_ || presenter_.repaintPending()) presentNow(true);
            if (untilWoken) return;
        }
        // Input, or the terminal gone: the caller's read finds out which.
        if (events.inputReadable) {
            input_.noteReadable();
            return;
        }
        if (events.outputReadable) {
            if (terminalOutputEnded(options_.outputFd)) {
                takeTerminalGone();
                return;
            }
            watchOutput = false;
        }
    }
}

void TerminalConsole::beep(unsigned frequency, unsigned milliseconds) {
    (void)frequency;
    // The screen as it stands and the tone, in one write.
    presentNow(true, renderBell());
    // The tone's length, whatever arrives meanwhile.
    const Clock::time_point deadline = clock() + std::chrono::milliseconds(milliseconds);
    waitFor(false, &deadline, false);
}

// The key wait's pause. On the terminal it lasts until something can have
// changed: input, a control event, a resize or a resume (each writes the
// wake pipe), or the end of a held key sequence's wait. So an idle prompt
// makes no system call at all. Without a terminal to read it is a plain
// pause; a pause of 0 only shows what changed.
void TerminalConsole::sleep(unsigned milliseconds) {
    input_.lookAgain();
    presentNow(true);
    if (milliseconds == 0) return;
    if (session_.inputIsTerminal() && !input_.gone()) {
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
