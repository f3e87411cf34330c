// The terminal session: the console takes the terminal (raw key reading, its
// own screen) and must give it back as it found it on every way out.
//
//   - Normal exit: the at-exit action leaves the terminal.
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
// A signal handler or an at-exit action cannot be given the console, so the
// process-wide pieces they need live here: the one console that the at-exit
// action leaves (set by the console that takes the process's signals), and
// what a crash needs to put the terminal back.
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

#include "console/posix/bounded_write.h"
#include "console/posix/terminal_console.h"

namespace console {
namespace {

// The longest an exit waits for a present in progress on the main thread.
constexpr std::chrono::milliseconds outputLockWait{200};
// The longest the way out waits for the terminal to take its last bytes.
constexpr int leaveWriteLimitMs = 100;

// --- Process-wide: the at-exit action ----------------------------------------

// The one console whose terminal the at-exit action puts back.
std::atomic<TerminalConsole*> exitConsole{nullptr};

void leaveAtExit() {
    if (TerminalConsole* terminal = exitConsole.load()) terminal->leaveTerminal();
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

void TerminalConsole::takeProcessSignals() {
    // Before any other thread starts, so that every thread but the signal
    // thread keeps them blocked.
    blockConsoleSignals();
    std::signal(SIGPIPE, SIG_IGN);
}

void TerminalConsole::restoreOnCrashes() {
    // The settings the mode found are the ones to put back.
    restoreTerminalOnCrashes(options_.inputFd, options_.outputFd, inputIsConsole_ ? &mode_.found() : nullptr,
                             outputIsConsole_);
}

void TerminalConsole::startSession() {
    exitConsole = this;
    static const bool atExitRegistered = (std::atexit(leaveAtExit), true);
    (void)atExitRegistered;
    signalThread_.start([this](int signal) { takeSignal(signal); });
}

void TerminalConsole::endSession() {
    signalThread_.stop();
    leaveTerminal();
    TerminalConsole* self = this;
    exitConsole.compare_exchange_strong(self, nullptr);
}

std::unique_lock<std::timed_mutex> TerminalConsole::waitForPresent() {
    // A present in progress is let finish, so that no sequence is cut; one
    // that cannot finish (a terminal that takes no output) is not waited for.
    std::unique_lock<std::timed_mutex> guard(outputLock_, std::defer_lock);
    [[maybe_unused]] const bool locked = guard.try_lock_for(outputLockWait);
    return guard;
}

void TerminalConsole::leaveTerminalLocked(bool presentFinished) {
    // The settings first: they matter most, and nothing here waits for them.
    mode_.restore();
    if (outputIsConsole_) {
        // Without the finished present the screen's state is the main
        // thread's: the way out then only resets and starts a new line.
        // Otherwise what the model holds is shown first.
        const std::string bytes = presentFinished ? renderChangesAndLeave() : renderResetAndNewLine();
        writeWithin(options_.outputFd, bytes.data(), bytes.size(), leaveWriteLimitMs);
    }
}

void TerminalConsole::leaveTerminal() {
    const std::unique_lock<std::timed_mutex> guard = waitForPresent();
    if (left_.exchange(true)) return;
    leaveTerminalLocked(guard.owns_lock());
}

// --- Stopping and resuming with the job ------------------------------------------

void TerminalConsole::suspendTerminal() {
    {
        const std::unique_lock<std::timed_mutex> guard = waitForPresent();
        if (!left_.exchange(true)) leaveTerminalLocked(guard.owns_lock());
        // The shell writes on the terminal while the process is stopped;
        // the resume repaints the screen whole.
        if (guard.owns_lock()) shown_.known = false;
    }
    stopBySignal(SIGTSTP);
    resumeTerminal();
}

void TerminalConsole::resumeTerminal() {
    const std::unique_lock<std::timed_mutex> guard = waitForPresent();
    // Not while the terminal belongs to another job: it would stop us.
    if (inputIsConsole_ && ::tcgetpgrp(options_.inputFd) == ::getpgrp()) mode_.reenterRaw(signalKeys_);
    left_ = false;
    repaintPending_ = true;
    wakeTheWait();
}

// --- Control events that end the process --------------------------------------------

void TerminalConsole::endByControlEvent(int signal) {
    // The signal thread and the main thread (the terminal gone) may both
    // come here; the first one ends the process.
    if (ending_.exchange(true)) {
        for (;;) ::pause();
    }
    // A handled close has queued the close key, and the wait is woken to
    // see it. Either way the process ends now, as the signal's default
    // action ends it.
    if (handlers_.ask(controlEventFor(signal))) wakeTheWait();
    leaveTerminal();
    endBySignal(signal);
}

void TerminalConsole::takeTerminalGone() {
    if (terminalGone_) return;
    terminalGone_ = true;
    if (options_.takeSignals) {
        endByControlEvent(SIGHUP);
    } else {
        handlers_.ask(ctrlCloseEvent);
    }
}

// --- The signal thread's work ------------------------------------------------------

void TerminalConsole::takeSignal(int signal) {
    switch (signal) {
    case SIGINT:
    case SIGQUIT:
    case SIGHUP:
    case SIGTERM:
        endByControlEvent(signal);
    case SIGTSTP:
        suspendTerminal();
        break;
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

}  // namespace console
