// The terminal session: the console takes the terminal (raw key reading, its
// own screen) and must give it back as it found it on every way out.
//
//   - Normal exit: the exit action leaves the terminal, after the control
//     handler is removed (exit_actions.h).
//   - Interrupt, quit, hang-up, termination: the signal thread asks the
//     control handlers (a close queues the close key), leaves the terminal
//     and ends the process by the signal's default action.
//   - The terminal going away (its input ends or fails, or it reports a
//     hang-up) without a hang-up signal, as under a parent that ignores
//     hang-ups: the main thread takes it as a hang-up and does the same.
//   - Leaving never waits for a terminal that reads nothing: the settings
//     found go back first, and the bytes that put the cursor and rendition
//     back are dropped if the terminal does not take them within a short
//     time.
//   - Stop key: the terminal is left for the shell, the process stops; when
//     continued, raw mode comes back and the screen is repainted whole.
//     A continue from outside (without our stop) does the same.
//   - Crash: the crash handler puts the settings found at start back, resets
//     the rendition, shows the cursor and starts a new line, then lets the
//     crash take its course.
//
// A signal handler or an exit action cannot be given the console, so the
// process-wide pieces they need live here: the one session that the exit
// action leaves (set by the process's console), and what a crash needs to
// put the terminal back.
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <utility>

#include "console/exit_actions.h"
#include "console/posix/bounded_write.h"
#include "console/posix/standard_descriptors.h"
#include "console/posix/terminal_sequences.h"
#include "console/posix/terminal_session.h"

namespace console {
namespace {

// The longest an exit waits for a present in progress on the main thread.
constexpr std::chrono::milliseconds outputLockWait{200};
// The longest the way out waits for the terminal to take its last bytes.
constexpr int leaveWriteLimitMs = 100;

// --- Process-wide: the exit action -------------------------------------------

// The one session whose terminal the exit action puts back.
std::atomic<TerminalSession*> exitSession{nullptr};

void leaveAtExit() {
    if (TerminalSession* session = exitSession.load()) session->leave();
}

// --- Process-wide: the crash handler -------------------------------------------

// What a crash needs to put the terminal back, where its handler can reach
// it: the settings found at start, the descriptors and the bytes to send,
// made beforehand since a crash handler may not build them. A crash cannot
// wait for the screen's state, so it only resets the rendition, shows the
// cursor and starts a new line.
struct CrashRestore {
    int inputFd = -1;
    int outputFd = -1;
    bool settingsFound = false;
    termios found{};
    char reset[32] = {};
    std::size_t resetLength = 0;
};
CrashRestore crashRestore;
constexpr int crashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
struct sigaction crashActionsBefore[std::size(crashSignals)];

void restoreTerminalOnCrash(int signal) {
    if (crashRestore.settingsFound) ::tcsetattr(crashRestore.inputFd, TCSANOW, &crashRestore.found);
    if (crashRestore.outputFd >= 0) {
        writeWithin(crashRestore.outputFd, crashRestore.reset, crashRestore.resetLength, leaveWriteLimitMs);
    }
    // The crash then takes its course as before: the action that was there
    // (the default, or a sanitizer's report) runs when the signal comes again.
    for (std::size_t i = 0; i < std::size(crashSignals); ++i) {
        if (crashSignals[i] == signal) ::sigaction(signal, &crashActionsBefore[i], nullptr);
    }
    ::raise(signal);
}

// found: the input terminal's settings found at start, or none.
void restoreTerminalOnCrashes(int inputFd, int outputFd, const termios* found, bool outputIsTerminal) {
    crashRestore.inputFd = inputFd;
    crashRestore.outputFd = outputIsTerminal ? outputFd : -1;
    crashRestore.settingsFound = found != nullptr;
    if (found != nullptr) crashRestore.found = *found;
    const std::string reset = renderResetAndNewLine();
    crashRestore.resetLength = std::min(reset.size(), sizeof crashRestore.reset);
    std::memcpy(crashRestore.reset, reset.data(), crashRestore.resetLength);
    struct sigaction action {};
    action.sa_handler = restoreTerminalOnCrash;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < std::size(crashSignals); ++i) {
        ::sigaction(crashSignals[i], &action, &crashActionsBefore[i]);
    }
}

std::uint32_t controlEventFor(int signal) {
    switch (signal) {
    case SIGINT:
        return ctrlCEvent;
    case SIGQUIT:
        return ctrlBreakEvent;
    case SIGHUP:
        return ctrlCloseEvent;
    default:
        return ctrlShutdownEvent;
    }
}

}  // namespace

// --- Taking the terminal and leaving it ------------------------------------------

// The mode the services find before they set one: line input with echo.
constexpr std::uint32_t lineAndEchoModes = 0x0006;

TerminalSession::TerminalSession(const SessionPlace& place, TerminalPresenter& presenter, TerminalWait& wait,
                                 ControlHandlerList& handlers)
    : place_(place), presenter_(presenter), wait_(wait), handlers_(handlers), inputMode_(lineAndEchoModes) {
    if (place_.processConsole) {
        openClosedStandardDescriptors();
        // Before any other thread starts, so that every thread but the
        // signal thread keeps them blocked.
        blockConsoleSignals();
        std::signal(SIGPIPE, SIG_IGN);
    }
    // The settings found are taken in the same call, for raw key reading and
    // for the crash handler to put back.
    inputIsTerminal_ = mode_.capture(place_.inputFd);
}

void TerminalSession::start(std::function<void(int)> onSignal) {
    if (place_.processConsole && (inputIsTerminal_ || place_.outputIsTerminal)) restoreOnCrashes();
    if (inputIsTerminal_) {
        inputMode_ = lineAndEchoModes | (mode_.signalKeysFound() ? enableProcessedInput : 0);
        signalKeys_ = (inputMode_ & enableProcessedInput) != 0;
        mode_.enterRaw(signalKeys_);
    }
    if (!place_.processConsole) return;
    exitSession = this;
    setExitAction(ExitAction::giveBackTerminal, leaveAtExit);
    signalThread_.start(std::move(onSignal));
}

void TerminalSession::end() {
    signalThread_.stop();
    leave();
    TerminalSession* self = this;
    exitSession.compare_exchange_strong(self, nullptr);
}

void TerminalSession::restoreOnCrashes() {
    // The settings the mode found are the ones to put back.
    restoreTerminalOnCrashes(place_.inputFd, place_.outputFd, inputIsTerminal_ ? &mode_.found() : nullptr,
                             place_.outputIsTerminal);
}

void TerminalSession::setInputMode(std::uint32_t mode) {
    inputMode_ = mode;
    signalKeys_ = (mode & enableProcessedInput) != 0;
    const std::unique_lock<std::timed_mutex> guard = presenter_.lock();
    if (!presenter_.givenBack()) mode_.enterRaw(signalKeys_);
}

void TerminalSession::leaveWithLock(bool lockHeld) {
    // The settings first: they matter most, and nothing here waits for them.
    mode_.restore();
    if (place_.outputIsTerminal) {
        const std::string bytes = presenter_.leaveBytes(lockHeld);
        writeWithin(place_.outputFd, bytes.data(), bytes.size(), leaveWriteLimitMs);
    }
}

void TerminalSession::leave() {
    const std::unique_lock<std::timed_mutex> guard = presenter_.lockWithin(outputLockWait);
    if (presenter_.giveBack()) leaveWithLock(guard.owns_lock());
}

// --- Stopping and resuming with the job ------------------------------------------

void TerminalSession::suspend() {
    {
        const std::unique_lock<std::timed_mutex> guard = presenter_.lockWithin(outputLockWait);
        if (presenter_.giveBack()) leaveWithLock(guard.owns_lock());
        // The shell writes on the terminal while the process is stopped;
        // the resume repaints the screen whole.
        if (guard.owns_lock()) presenter_.forgetShown();
    }
    stopBySignal(SIGTSTP);
    resume();
}

void TerminalSession::resume() {
    const std::unique_lock<std::timed_mutex> guard = presenter_.lockWithin(outputLockWait);
    // Not while the terminal belongs to another job: it would stop us.
    if (inputIsTerminal_ && ::tcgetpgrp(place_.inputFd) == ::getpgrp()) mode_.reenterRaw(signalKeys_);
    presenter_.takeBack();
    wait_.wake();
}

// --- Control events that end the process --------------------------------------------

void TerminalSession::endByControlEvent(int signal) {
    // The signal thread and the main thread (the terminal gone) may both
    // come here; the first one ends the process.
    if (ending_.exchange(true)) {
        for (;;) ::pause();
    }
    // A handled close has queued the close key, and the wait is woken to
    // see it. Either way the process ends now, as the signal's default
    // action ends it.
    if (handlers_.ask(controlEventFor(signal))) wait_.wake();
    leave();
    endBySignal(signal);
}

void TerminalSession::terminalGone() {
    if (place_.processConsole) {
        endByControlEvent(SIGHUP);
    } else {
        handlers_.ask(ctrlCloseEvent);
    }
}

}  // namespace console
