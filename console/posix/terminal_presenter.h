// Presenting: the screen model, what the terminal shows of it, and the
// writes that bring the terminal up to the model.
//
// Owns the screen model, the shown screen, the terminal's size as the view
// is cut to it, the flag of the terminal given back (while it is, nothing is
// sent), and the output lock.
//
// The locking rule. The output lock guards the terminal's output and
// settings, the shown screen and every change of the model. The main thread
// is the model's only writer: it changes the model (change, scrollBlock, the
// fills) and presents under the lock, and reads the model without it. The
// signal thread takes the lock, for a short while at most (lockWithin), to
// render what the model holds on its way out and to take the terminal back
// on a resume. The repaint flag may be set from any thread.
//
// When the bytes go out is told in terminal_presenter.cpp.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>

#include "console/platform/screen_model.h"
#include "console/posix/terminal_renderer.h"
#include "console/posix/terminal_size.h"

namespace console {

class TerminalPresenter {
public:
    // outputFd: standard output; isTerminal: whether it is the terminal.
    TerminalPresenter(int outputFd, bool isTerminal, GlyphEncoding encoding, TerminalSize size);

    // The model as the console services have made it; the main thread's
    // reads need no lock.
    const ScreenModel& screen() const { return screen_; }
    // Changes the model under the lock: change(model) and its result.
    template <class Change>
    auto change(Change change) {
        const std::lock_guard<std::timed_mutex> guard(outputLock_);
        return change(screen_);
    }
    // The model's scroll and fills, each after sending what must reach the
    // terminal before it.
    bool scrollBlock(const CellRect& source, int destX, int destY, std::uint8_t fillChar,
                     std::uint16_t fillAttribute);
    bool fillCharacter(std::uint8_t ch, int count, int x, int y);
    bool fillAttribute(std::uint16_t attribute, int count, int x, int y);

    GlyphEncoding encoding() const { return encoding_; }

    // The services have made a screen to show.
    void present() { presented_ = true; }
    // Sends what changed, then the bytes after, in one write; beforeWait:
    // the screen is to be seen as it stands, a hidden cursor included.
    void presentNow(bool beforeWait, std::string_view after = {});

    // The terminal's size, which the next present shows the model at.
    TerminalSize terminalSize() const { return terminalSize_; }
    void setTerminalSize(TerminalSize size);
    // The next present paints the screen whole; from any thread.
    void repaintWhole() { repaintPending_ = true; }
    bool repaintPending() const { return repaintPending_; }

    // --- For the session -----------------------------------------------------
    // The output lock, for a change of the terminal's settings.
    std::unique_lock<std::timed_mutex> lock() { return std::unique_lock<std::timed_mutex>(outputLock_); }
    // The output lock, waited for at most the limit: a present in progress
    // is let finish; one that cannot (a terminal that takes no output) is
    // not waited for, and the lock is then not held.
    std::unique_lock<std::timed_mutex> lockWithin(std::chrono::milliseconds limit);
    // With the lock tried: marks the terminal given back; false when it
    // already was.
    bool giveBack() { return !givenBack_.exchange(true); }
    bool givenBack() const { return givenBack_; }
    // With the lock tried: the bytes that leave the terminal. With the lock
    // held, what the model holds is shown first; without it the screen's
    // state is the main thread's, and the way out only resets and starts a
    // new line.
    std::string leaveBytes(bool lockHeld);
    // With the lock held: the terminal may show anything (the shell wrote
    // on it): the next render paints it whole.
    void forgetShown() { shown_.known = false; }
    // With the lock tried: the terminal is the console's again, to be
    // painted whole.
    void takeBack();

    // Output bytes and writes sent by presents so far (for measurements).
    std::size_t bytesPresented() const { return bytesPresented_; }
    std::size_t presentsSent() const { return presentsSent_; }

private:
    // Appends to out what changed since the last render.
    void renderChanges(bool beforeWait, std::string& out);
    void sendChanges(bool beforeWait, std::string_view after = {});
    void sendChangesBeforeFill();
    void writeAll(const std::string& bytes);

    const int outputFd_;
    const bool isTerminal_;
    const GlyphEncoding encoding_;
    std::timed_mutex outputLock_;
    ScreenModel screen_;
    ShownScreen shown_;
    TerminalSize terminalSize_;
    // The render's room and the bytes of one present, kept between presents
    // so that a present allocates nothing once warm.
    RenderRoom room_;
    std::string sending_;
    std::size_t bytesPresented_ = 0;
    std::size_t presentsSent_ = 0;
    // Whether the services have presented a screen at all.
    std::atomic<bool> presented_{false};
    std::atomic<bool> repaintPending_{false};
    std::atomic<bool> givenBack_{false};
};

}  // namespace console
