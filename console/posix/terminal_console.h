// The console on a POSIX terminal: a screen model mirrored onto the terminal.
//
// The model's window is the terminal's screen (its size, cut to 4096 by 4096,
// 80 by 25 when it cannot be had); what changed in the model goes out in
// one write when the program is about to wait. Standard input on a terminal
// is read raw and decoded into key events; the terminal's signals become the
// console's control events on a thread of their own. The terminal's
// settings are put back on every way out.
//
// TerminalConsole implements the platform operations by handing each to the
// part that owns what it acts on, each part with its own header:
//   terminal_presenter.h  the model, what the terminal shows, the output lock
//   terminal_input.h      keys read and decoded, redirected input
//   terminal_wait.h       the wake pipe and the poll
//   terminal_session.h    taking the terminal and giving it back, signals
// What it owns itself: the control handlers, whether the model's size is
// kept, a size change not yet taken, and the waits' loop (which asks all
// of the parts). Its operations are the main thread's, except the
// signal thread's work (takeSignal).
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

#include "console/console_platform.h"
#include "console/platform/control_handler_list.h"
#include "console/platform/screen_model.h"
#include "console/posix/terminal_input.h"
#include "console/posix/terminal_presenter.h"
#include "console/posix/terminal_session.h"
#include "console/posix/terminal_size.h"
#include "console/posix/terminal_wait.h"

namespace console {

struct TerminalOptions {
    int inputFd = 0;
    int outputFd = 1;
    // Be the process's console: take its signals as control events, end the
    // process when the terminal goes away, and open its closed standard
    // descriptors on the null device first. Only one console in a process
    // may.
    bool takeSignals = true;
    // The terminal's character set: from the locale's codeset when unset.
    enum class Charset { fromLocale, utf8, ascii } charset = Charset::fromLocale;
};

class TerminalConsole final : public ConsolePlatform {
public:
    using Clock = TerminalClock;

    TerminalConsole();
    explicit TerminalConsole(const TerminalOptions& options);
    ~TerminalConsole() override;
    TerminalConsole(const TerminalConsole&) = delete;
    TerminalConsole& operator=(const TerminalConsole&) = delete;

    // --- The console platform -------------------------------------------
    void fetchStandardHandles() override;
    bool getScreenInfo(ScreenInfo& info) override;
    bool setCursorPosition(int x, int y) override;
    bool getCursorVisible(bool& visible) override;
    bool setCursorVisible(bool visible) override;
    bool setWindow(const CellRect& window) override;
    void keepBufferSize(bool keep) override;
    bool writeCells(int x, int y, const std::uint8_t* bytes, int n, std::uint16_t attribute) override;
    bool scrollBlock(const CellRect& source, int destX, int destY, std::uint8_t fillChar,
                     std::uint16_t fillAttribute) override;
    bool fillCharacter(std::uint8_t ch, int count, int x, int y) override;
    bool fillAttribute(std::uint16_t attribute, int count, int x, int y) override;
    bool writeFile(const std::uint8_t* bytes, std::size_t n, std::size_t& written) override;
    bool getInputMode(std::uint32_t& mode) override;
    bool setInputMode(std::uint32_t mode) override;
    bool peekInput(bool& pending) override;
    bool readInput(InputRecord& record) override;
    int readInputByte() override;
    bool addControlHandler(ControlHandler handler, void* context) override;
    bool removeControlHandler(ControlHandler handler, void* context) override;
    std::uint32_t mapVirtualKeyToChar(std::uint16_t virtualKey) override;
    void beep(unsigned frequency, unsigned milliseconds) override;
    void sleep(unsigned milliseconds) override;
    void waitForInput() override;
    void present() override;

    // Whether standard output and input are the terminal, as found at start.
    bool outputIsConsole() const { return outputIsConsole_; }
    bool inputIsConsole() const { return session_.inputIsTerminal(); }
    // The screen as the console services have made it.
    const ScreenModel& screen() const { return presenter_.screen(); }

    // What the signal thread does with one signal; open so that a test can
    // deliver the events that do not end the process.
    void takeSignal(int signal);
    // The size changed: the next present shows the model at the new size,
    // and the next screen query (unless the size is kept) gives the model
    // the new size. From any thread.
    void noteResize();
    // The terminal may show anything now: raw mode again and a full repaint.
    void resumeTerminal() { session_.resume(); }
    // Puts the terminal back as it was found, the cursor below the text.
    void leaveTerminal() { session_.leave(); }

    // How long a partial key sequence waits for its next byte.
    static constexpr std::chrono::milliseconds sequenceWait = TerminalInput::sequenceWait;
    // The clock for that wait and every other; a test may replace it.
    TerminalClockReading clock = [] { return Clock::now(); };

    // Output bytes and writes sent by presents so far (for measurements).
    std::size_t bytesPresented() const { return presenter_.bytesPresented(); }
    std::size_t presentsSent() const { return presenter_.presentsSent(); }

private:
    // The terminal's size read now; the model takes it unless kept.
    void readTerminalSize();
    void fitScreenToTerminal();
    // After a size change: the terminal's new size read, and a full
    // repaint, since the terminal may have moved or cut what it shows. The
    // model is left as it is: it changes only when the services query the
    // screen, so that the bounds they read at the end of a write are the
    // model's.
    void applyPendingResize();
    // Renders what changed and sends it, with the bytes after, in one write.
    void presentNow(bool beforeWait, std::string_view after = {});
    // Waits for input (when waitOnInput) or the deadline; a wake-up (a
    // control event, a resize, a resume) ends it too when untilWoken. Ends
    // at once when the terminal has gone away.
    void waitFor(bool waitOnInput, const Clock::time_point* deadline, bool untilWoken);
    // The poll timeout of one round of waitFor: -1 for none, 0 when the
    // wait is over.
    int waitTimeout(bool watchInput, const Clock::time_point* deadline);
    // The terminal went away: noted once, then the session's to act on.
    void takeTerminalGone();

    // In the order they are made: the session first, since the process's
    // console blocks the signals and opens the closed standard descriptors
    // before any thread or descriptor of its own; the wake pipe last.
    const TerminalOptions options_;
    ControlHandlerList handlers_;
    TerminalSession session_;
    const bool outputIsConsole_;
    TerminalPresenter presenter_;
    TerminalInput input_;
    TerminalWait wait_;
    // Whether the model's size is kept (while a line is edited), and a size
    // change the signal thread noted that no present has taken yet.
    bool sizeKept_ = false;
    std::atomic<bool> resizePending_{false};
};

}  // namespace console
