// The console on a POSIX terminal: the in-memory console mirrored onto the
// terminal.
//
// The model's window is the terminal's screen (its size, 80 by 25 when it
// cannot be had); every present sends what changed since the last one.
// Standard input on a terminal is read raw and decoded into key events; the
// terminal's signals become the console's control events on a thread of
// their own. The terminal's settings are put back on every way out.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "console/memory/memory_console.h"
#include "console/posix/key_decoder.h"
#include "console/posix/terminal_mode.h"
#include "console/posix/terminal_renderer.h"
#include "console/posix/terminal_signals.h"

namespace console {

struct TerminalOptions {
    int inputFd = 0;
    int outputFd = 1;
    // Take the process's signals as control events. Only one console in a
    // process may.
    bool takeSignals = true;
    // The terminal's character set: from the locale's codeset when unset.
    enum class Charset { fromLocale, utf8, ascii } charset = Charset::fromLocale;
};

class TerminalConsole final : public MemoryConsole {
public:
    using Clock = std::chrono::steady_clock;

    TerminalConsole();
    explicit TerminalConsole(const TerminalOptions& options);
    ~TerminalConsole() override;
    TerminalConsole(const TerminalConsole&) = delete;
    TerminalConsole& operator=(const TerminalConsole&) = delete;

    bool getScreenInfo(ScreenInfo& info) override;
    bool writeFile(const std::uint8_t* bytes, std::size_t n, std::size_t& written) override;
    bool setInputMode(std::uint32_t mode) override;
    bool peekInput(bool& pending) override;
    bool readInput(InputRecord& record) override;
    int readInputByte() override;
    bool addControlHandler(ControlHandler handler, void* context) override;
    bool removeControlHandler(ControlHandler handler, void* context) override;
    void beep(unsigned frequency, unsigned milliseconds) override;
    void sleep(unsigned milliseconds) override;
    void waitForInput() override;
    void present() override;

    // What the signal thread does with one signal; open so that a test can
    // deliver the events that do not end the process.
    void takeSignal(int signal);
    // The size changed: the next operation takes the new one.
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
    // beforeWait: the model stays as it is for a while, so everything goes
    // out now.
    void presentNow(bool beforeWait);
    bool askHandlers(std::uint32_t eventType);
    void applyPendingResize();
    void readTerminalInput();
    // Waits for input (when waitOnInput), a wake-up or the deadline.
    void waitFor(bool waitOnInput, const Clock::time_point* deadline);
    void writeAll(const std::string& bytes);
    // Waits a short while for a present in progress; the lock is held when
    // it finished.
    std::unique_lock<std::timed_mutex> waitForPresent();
    void leaveTerminalLocked(bool presentFinished);

    TerminalOptions options_;
    GlyphEncoding encoding_ = GlyphEncoding::ascii;
    TerminalMode mode_;
    KeyDecoder decoder_;
    Clock::time_point lastInputByte_{};
    bool inputEnded_ = false;

    // Guards the terminal's output and settings and the shown screen: the
    // main thread presents, the signal thread leaves and resumes.
    std::timed_mutex outputLock_;
    ShownScreen shown_;
    std::size_t bytesPresented_ = 0;
    std::size_t presentsSent_ = 0;
    std::atomic<bool> signalKeys_{false};
    std::atomic<bool> resizePending_{false};
    std::atomic<bool> repaintPending_{false};
    std::atomic<bool> left_{false};

    std::mutex handlersLock_;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    SignalThread signalThread_;

    unsigned char inputBuffer_[4096];
    std::size_t inputLength_ = 0;
    std::size_t inputPos_ = 0;
};

}  // namespace console
