#include "console/posix/terminal_input.h"

#include <unistd.h>

#include <cerrno>
#include <utility>

#include "console/posix/terminal_wait.h"

namespace console {
namespace {

// The terminal's input is read in pieces of this many bytes, the next one
// only once the events of the last are taken. A piece decodes into at most a
// press and a release per byte (and per byte held from the piece before), so
// the event queue never holds more than that, whatever is pasted. No key is
// dropped here: the key buffer's own rule decides which keys are kept.
constexpr std::size_t inputPieceBytes = 1024;

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

TerminalInput::TerminalInput(int fd, bool isTerminal, bool utf8, const TerminalClockReading& clock,
                             std::function<void()> onGone)
    : fd_(fd), isTerminal_(isTerminal), clock_(clock), onGone_(std::move(onGone)), decoder_(utf8) {}

// Pieces that yield no event (strings and reports that name no key) are read
// past. The end of input, a read error or a hang-up is the terminal going
// away.
void TerminalInput::read() {
    if (!isTerminal_) return;
    while (!gone_ && !pending() && readPiece()) {
    }
    // Held bytes are settled only once everything sent is read: the rest of
    // their sequence may be waiting in the terminal behind a full queue.
    if (!pending() && decoder_.holding() && clock_() - lastInputByte_ >= sequenceWait) {
        startQueue();
        decoder_.flush(events_);
    }
}

bool TerminalInput::readPiece() {
    // What the wait just reported for the input is taken without a check of
    // its own. A report may have gone stale (another program read the
    // terminal while this one was stopped): a read that then finds nothing
    // is checked afresh before anything is concluded. Without a report, a
    // read that took everything leaves nothing to check for until the next
    // wait or pause.
    const bool reported = readableReported_;
    readableReported_ = false;
    if (!reported && (drained_ || !readableNow(fd_))) return false;
    std::uint8_t bytes[inputPieceBytes];
    const ssize_t count = ::read(fd_, bytes, sizeof bytes);
    if (count <= 0 && reported) {
        drained_ = false;
        return true;
    }
    if (count < 0 && (errno == EINTR || errno == EAGAIN)) return false;
    if (count <= 0) {
        // Readable yet at its end, or failing (EIO once the terminal has
        // gone): the terminal hung up.
        onGone_();
        return false;
    }
    drained_ = static_cast<std::size_t>(count) < sizeof bytes;
    startQueue();
    decoder_.feed(bytes, static_cast<std::size_t>(count), events_);
    lastInputByte_ = clock_();
    return true;
}

void TerminalInput::startQueue() {
    events_.clear();
    next_ = 0;
}

bool TerminalInput::take(InputRecord& record) {
    if (!pending()) read();
    if (!pending()) return false;
    record = events_[next_++];
    return true;
}

int TerminalInput::readRedirectedByte() { return readAhead_.nextByte(readDescriptor, &fd_); }

bool TerminalInput::markGone() {
    if (gone_) return false;
    gone_ = true;
    return true;
}

}  // namespace console
