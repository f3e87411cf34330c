// The console on a POSIX terminal: a screen model mirrored onto the terminal.
//
// The model's window is the terminal's screen (its size, cut to 4096 by 4096,
// 80 by 25 when it cannot be had); what changed in the model goes out in
// one write when the program is about to wait (see "Presenting" in
// terminal_console.cpp).
// Standard input on a terminal is read raw and decoded into key events; the
// terminal's signals become the console's control events on a thread of
// their own. The terminal's settings are put back on every way out.
//
// terminal_console.cpp holds the platform operations, terminal_session.cpp
// the terminal session: taking the terminal, leaving it on every way out,
// stopping and resuming with the job.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "console/console_platform.h"
#include "console/platform/control_handler_list.h"
#include "console/platform/input_read_ahead.h"
#include "console/platform/screen_model.h"
#include "console/posix/key_decoder.h"
#include "console/posix/terminal_mode.h"
#include "console/posix/terminal_renderer.h"
#include "console/posix/terminal_signals.h"
#include "console/posix/terminal_size.h"

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
    using Clock = std::chrono::steady_clock;

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
    bool inputIsConsole() const { return inputIsConsole_; }
    // The screen as the console services have made it.
    const ScreenModel& screen() const { return screen_; }

    // What the signal thread does with one signal; open so that a test can
    // deliver the events that do not end the process.
    void takeSignal(int signal);
    // The size changed: the next present shows the model at the new size,
    // and the next screen query (unless the size is kept) gives the model
    // the new size.
    void noteResize();
    // The terminal may show anything now: raw mode again and a full repaint.
    void resumeTerminal();
    // Puts the terminal back as it was found, the cursor below the text.
    void leaveTerminal();

    // How long a partial key sequence waits for its next byte.
    static constexpr std::chrono::milliseconds sequenceWait{30};
    // The clock for that wait; a test may replace it.
    std::function<Clock::time_point()> clock = [] { return Clock::now(); };

    // Output bytes sent by presents so far (for measurements).
    std::size_t bytesPresented() const { return bytesPresented_; }
    std::size_t presentsSent() const { return presentsSent_; }

private:
    // --- The session (terminal_session.cpp) --------------------------------
    // Blocks the console's signals before any other thread starts.
    void takeProcessSignals();
    // Puts the terminal back on a crash, with the settings found now.
    void restoreOnCrashes();
    // Becomes the console that the at-exit action leaves, and starts the
    // signal thread.
    void startSession();
    void endSession();
    // Waits a short while for a present in progress; the lock is held when
    // it finished.
    std::unique_lock<std::timed_mutex> waitForPresent();
    void leaveTerminalLocked(bool presentFinished);
    void suspendTerminal();
    // A control event that ends the process (interrupt, quit, hang-up,
    // termination): the control handlers are asked (a handled close queues
    // the close key and wakes the wait), the terminal is left and the
    // process ends by the signal. Whichever thread comes second waits for
    // that end.
    [[noreturn]] void endByControlEvent(int signal);
    // The terminal went away (end of input, an error, a hang-up): a close,
    // as a hang-up signal is. The process's console ends the process; any
    // other asks its control handlers and stops watching the terminal.
    void takeTerminalGone();

    // --- Platform operations (terminal_console.cpp) ------------------------
    // The terminal's size: read now, then taken by the model.
    void takeTerminalSize();
    void readTerminalSize();
    // The model takes the size it has for the terminal's, unless kept.
    void fitScreenToTerminal();
    void enterKeyReading();
    void openWakePipe();
    // Ends a wait in progress, so that it shows the model as it stands.
    void wakeTheWait();
    // Renders what changed in the model and sends it in one write; before a
    // wait (beforeWait) the model stays as it is for a while, so everything
    // goes out as the model has it, a hidden cursor included.
    void presentNow(bool beforeWait);
    // With the output lock held: the bytes that show what changed in the
    // model since the last render (none while the terminal is left).
    std::string renderChanges(bool beforeWait);
    // With the output lock held: the changes, then the way out (renderLeave).
    std::string renderChangesAndLeave();
    // With the output lock held: the changes, then the bytes after them, in
    // one write.
    void sendChanges(bool beforeWait, std::string_view after = {});
    // With the output lock held: the model's changes go out before a fill
    // blanks text the terminal has not been sent.
    void sendChangesBeforeFill();
    // The model takes a size (clamped to what the model takes).
    void resizeModel(int width, int height);
    // After a size change: the terminal's new size read, and a full
    // repaint, since the terminal may have moved or cut what it shows. The
    // model is left as it is: it changes only when the services query the
    // screen, so that the bounds they read at the end of a write are the
    // model's.
    void applyPendingResize();
    // Reads and decodes the terminal's input in bounded pieces, the next
    // one once the queue is empty.
    void readTerminalInput();
    // Waits for input (when waitOnInput) or the deadline; a wake-up (a
    // control event, a resize, a resume) ends it too when untilWoken. Ends
    // at once when the terminal has gone away.
    void waitFor(bool waitOnInput, const Clock::time_point* deadline, bool untilWoken);
    // Whether a watched descriptor reports that the terminal went away.
    static bool reportsHangUp(short revents);
    // The poll timeout of one round of waitFor: -1 for none, 0 when the
    // wait is over.
    int waitTimeout(bool watchInput, const Clock::time_point* deadline);
    void drainWakePipe();
    void writeAll(const std::string& bytes);

    TerminalOptions options_;
    GlyphEncoding encoding_ = GlyphEncoding::ascii;
    bool outputIsConsole_ = false;
    bool inputIsConsole_ = false;
    TerminalMode mode_;
    ScreenModel screen_;
    // The terminal's size as last read (the fallback when it cannot be),
    // held to the largest; and whether the model's size is kept.
    TerminalSize terminalSize_;
    bool sizeKept_ = false;

    // Input: the keys decoded from the terminal, the mode the services set
    // and the read-ahead of standard input when it is not a terminal. The
    // event queue holds the events of one piece of input at most, so that a
    // paste of any size costs the same memory.
    KeyDecoder decoder_;
    Clock::time_point lastInputByte_{};
    // The input's events as the last wait reported them, until the next
    // read of the input takes them (0: none reported).
    short inputReported_ = 0;
    bool terminalGone_ = false;
    std::uint32_t inputMode_ = 0;
    std::deque<InputRecord> events_;
    std::vector<InputRecord> decoded_;
    InputReadAhead readAhead_;
    ControlHandlerList handlers_;

    // Guards the terminal's output and settings, the shown screen and every
    // change of the model: the main thread changes the model and presents,
    // the signal thread renders what the model holds when it leaves, and
    // resumes.
    std::timed_mutex outputLock_;
    ShownScreen shown_;
    std::size_t bytesPresented_ = 0;
    std::size_t presentsSent_ = 0;
    // Whether the services have presented a screen at all.
    std::atomic<bool> presented_{false};
    std::atomic<bool> signalKeys_{false};
    std::atomic<bool> resizePending_{false};
    std::atomic<bool> repaintPending_{false};
    std::atomic<bool> left_{false};
    std::atomic<bool> ending_{false};

    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    SignalThread signalThread_;
};

}  // namespace console
