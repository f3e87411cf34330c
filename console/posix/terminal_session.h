// The terminal session: the console takes the terminal (raw key reading, its
// own screen) and gives it back as it found it on every way out; the job's
// stops and resumes; the control events that end the process.
//
// Owns the terminal's line settings (the ones found and raw key reading),
// the input mode the services set, which decides whether the interrupt and
// quit keys are signals, the signal thread, and the flag of the process
// ending. Its process-wide pieces (the session that the exit leaves, what a
// crash puts back) are in terminal_session.cpp.
//
// Threads: the main thread constructs, sets the input mode and ends the
// session; the signal thread leaves, stops, resumes and ends the process,
// as does the main thread when the terminal goes away. Settings change
// under the presenter's output lock.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "console/platform/control_handler_list.h"
#include "console/posix/terminal_mode.h"
#include "console/posix/terminal_presenter.h"
#include "console/posix/terminal_signals.h"
#include "console/posix/terminal_wait.h"

namespace console {

// Where the session runs: the console's descriptors, whether output is the
// terminal, and whether this is the process's console (TerminalOptions'
// takeSignals).
struct SessionPlace {
    int inputFd;
    int outputFd;
    bool outputIsTerminal;
    bool processConsole;
};

class TerminalSession {
public:
    // The process's console blocks the console's signals and opens its
    // closed standard descriptors on the null device, before any other
    // thread or descriptor of the console is made; then the input's
    // settings are taken.
    TerminalSession(const SessionPlace& place, TerminalPresenter& presenter, TerminalWait& wait,
                    ControlHandlerList& handlers);
    TerminalSession(const TerminalSession&) = delete;
    TerminalSession& operator=(const TerminalSession&) = delete;

    // Whether standard input is a terminal: exactly when its settings could
    // be had.
    bool inputIsTerminal() const { return inputIsTerminal_; }
    // Raw key reading from the settings found, and the process's console
    // set up for the exit, crashes and signals: onSignal takes each signal
    // on the signal thread.
    void start(std::function<void(int)> onSignal);
    // Stops the signal thread and leaves the terminal.
    void end();

    // The services' input mode; its processed-input bit decides whether the
    // interrupt and quit keys raise signals or come as keys.
    std::uint32_t inputMode() const { return inputMode_; }
    void setInputMode(std::uint32_t mode);

    // Puts the terminal back as it was found, the cursor below the text.
    void leave();
    // The stop key: the terminal left for the shell, the process stopped,
    // the terminal taken back once continued.
    void suspend();
    // The terminal may show anything now: raw mode again and a full repaint.
    void resume();
    // A control event that ends the process (interrupt, quit, hang-up,
    // termination): the control handlers are asked (a handled close queues
    // the close key and wakes the wait), the terminal is left and the
    // process ends by the signal. Whichever thread comes second waits for
    // that end.
    [[noreturn]] void endByControlEvent(int signal);
    // The terminal went away (end of input, an error, a hang-up): a close,
    // as a hang-up signal is. The process's console ends the process; any
    // other asks its control handlers.
    void terminalGone();

private:
    void restoreOnCrashes();
    void leaveWithLock(bool lockHeld);

    const SessionPlace place_;
    TerminalPresenter& presenter_;
    TerminalWait& wait_;
    ControlHandlerList& handlers_;
    TerminalMode mode_;
    bool inputIsTerminal_ = false;
    std::uint32_t inputMode_;
    std::atomic<bool> signalKeys_{false};
    std::atomic<bool> ending_{false};
    SignalThread signalThread_;
};

}  // namespace console
