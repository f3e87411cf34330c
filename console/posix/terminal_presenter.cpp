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
//     and stop all leave the terminal through the session, which renders
//     what the model holds (leaveBytes) before putting the terminal back.
// So what gathers is bounded by a screenful, and the terminal lags behind
// the model only while the main thread works between two waits.
//
// The signal thread may render on its way out at any moment: it sees the
// model between two operations, since both hold the output lock. Should the
// main thread hold the lock in a write the terminal does not take, the way
// out does not wait for it and only resets the terminal.
//
// A crash cannot render (the model may be half changed, and rendering is not
// safe in a signal handler): its handler puts the settings found at start
// back, resets the rendition, shows the cursor and starts a new line; the
// changes since the last render are not shown.
#include "console/posix/terminal_presenter.h"

#include <unistd.h>

#include <cerrno>

#include "console/posix/terminal_view.h"
#include "console/posix/terminal_wait.h"

namespace console {

TerminalPresenter::TerminalPresenter(int outputFd, bool isTerminal, GlyphEncoding encoding, TerminalSize size)
    : outputFd_(outputFd), isTerminal_(isTerminal), encoding_(encoding), screen_(size.width, size.height),
      terminalSize_(size) {
    // The screen's content and the real cursor are unknown: the model starts
    // blank with its cursor at the top-left, and the first present clears
    // the screen and paints it.
    screen_.cursorX = 0;
    screen_.cursorY = 0;
}

bool TerminalPresenter::scrollBlock(const CellRect& source, int destX, int destY, std::uint8_t fillChar,
                                    std::uint16_t fillAttribute) {
    const std::lock_guard<std::timed_mutex> guard(outputLock_);
    // While the terminal is given back, the resume repaints it whole anyway.
    if (!givenBack_ && screen_.scrollOutrunsRender(screen_.wholeBufferScrollLines(source, destX, destY))) {
        sendChanges(false);
    }
    return screen_.scrollBlock(source, destX, destY, fillChar, fillAttribute);
}

bool TerminalPresenter::fillCharacter(std::uint8_t ch, int count, int x, int y) {
    const std::lock_guard<std::timed_mutex> guard(outputLock_);
    sendChangesBeforeFill();
    return screen_.fillCharacter(ch, count, x, y);
}

bool TerminalPresenter::fillAttribute(std::uint16_t attribute, int count, int x, int y) {
    const std::lock_guard<std::timed_mutex> guard(outputLock_);
    sendChangesBeforeFill();
    return screen_.fillAttribute(attribute, count, x, y);
}

void TerminalPresenter::setTerminalSize(TerminalSize size) {
    const std::lock_guard<std::timed_mutex> guard(outputLock_);
    terminalSize_ = size;
}

void TerminalPresenter::presentNow(bool beforeWait, std::string_view after) {
    const std::lock_guard<std::timed_mutex> guard(outputLock_);
    sendChanges(beforeWait, after);
}

void TerminalPresenter::renderChanges(bool beforeWait, std::string& out) {
    // A screen the services never presented has nothing to show: the
    // terminal is not cleared for it.
    if (!isTerminal_ || !presented_) return;
    if (repaintPending_.exchange(false)) shown_.known = false;
    ScreenView view = terminalView(screen_, terminalSize_.width, terminalSize_.height);
    // The line editor hides the cursor while it echoes a key and redraws
    // the line's tail, and shows it again once the key is done. A render in
    // the middle of that (before a scroll) keeps the shown cursor visible:
    // a hide goes out only before a wait, where it lasts and is meant to be
    // seen.
    if (!beforeWait && !view.cursorVisible && shown_.cursorVisible) view.cursorVisible = true;
    renderScreen(shown_, view, encoding_, room_, out);
    screen_.changesRendered();
}

void TerminalPresenter::sendChanges(bool beforeWait, std::string_view after) {
    // While the terminal is given back the model's changes wait for the
    // resume, which repaints the screen whole.
    if (givenBack_) return;
    sending_.clear();
    renderChanges(beforeWait, sending_);
    sending_ += after;
    if (sending_.empty()) return;
    bytesPresented_ += sending_.size();
    ++presentsSent_;
    writeAll(sending_);
}

void TerminalPresenter::sendChangesBeforeFill() {
    // Before the first paint there is nothing shown to keep.
    if (shown_.known && screen_.textSinceRender()) sendChanges(false);
}

void TerminalPresenter::writeAll(const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t result = ::write(outputFd_, bytes.data() + sent, bytes.size() - sent);
        if (result > 0) {
            sent += static_cast<std::size_t>(result);
        } else if (result < 0 && errno == EAGAIN) {
            waitWritable(outputFd_, 100);
        } else if (!(result < 0 && errno == EINTR)) {
            return;  // the terminal is gone
        }
    }
}

std::unique_lock<std::timed_mutex> TerminalPresenter::lockWithin(std::chrono::milliseconds limit) {
    std::unique_lock<std::timed_mutex> guard(outputLock_, std::defer_lock);
    [[maybe_unused]] const bool locked = guard.try_lock_for(limit);
    return guard;
}

std::string TerminalPresenter::leaveBytes(bool lockHeld) {
    if (!lockHeld) return renderResetAndNewLine();
    std::string bytes;
    renderChanges(true, bytes);
    bytes += renderLeave(shown_);
    return bytes;
}

void TerminalPresenter::takeBack() {
    givenBack_ = false;
    repaintPending_ = true;
}

}  // namespace console
