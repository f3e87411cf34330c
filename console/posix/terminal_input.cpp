#include "console/posix/terminal_input.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

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

bool reportsHangUp(short revents) { return (revents & (POLLHUP | POLLERR | POLLNVAL)) != 0; }

TerminalInput::TerminalInput(int fd, bool isTerminal, bool utf8, const TerminalClockReading& clock,
                             std::function<void()> onGone)
    : fd_(fd), isTerminal_(isTerminal), clock_(clock), onGone_(std::move(onGone)), decoder_(utf8) {}

// Pieces that yield no event (strings and reports that name no key) are read
// past. The end of input, a read error or a hang-up is the terminal going
// away.
void TerminalInput::read() {
    if (!isTerminal_) return;
    while (!gone_ && events_.empty() && readPiece()) {
    }
    // Held bytes are settled only once everything sent is read: the rest of
    // their sequence may be waiting in the terminal behind a full queue.
    if (events_.empty() && decoder_.holding() && clock_() - lastInputByte_ >= sequenceWait) {
        decoded_.clear();
        decoder_.flush(decoded_);
        queueDecoded();
    }
}

bool TerminalInput::readPiece() {
    pollfd input{fd_, POLLIN, 0};
    // What the wait just reported for the input is taken without a second
    // poll. A report may have gone stale (another program read the terminal
    // while this one was stopped): a read that then finds nothing is checked
    // by a fresh poll before anything is concluded.
    const bool reported = inputReported_ != 0;
    if (reported) {
        input.revents = inputReported_;
        inputReported_ = 0;
    } else if (::poll(&input, 1, 0) <= 0) {
        return false;
    }
    if (!(input.revents & POLLIN)) {
        if (reportsHangUp(input.revents)) onGone_();
        return false;
    }
    std::uint8_t bytes[inputPieceBytes];
    const ssize_t count = ::read(fd_, bytes, sizeof bytes);
    if (count <= 0 && reported) return true;
    if (count < 0 && (errno == EINTR || errno == EAGAIN)) return false;
    if (count <= 0) {
        // Readable yet at its end, or failing (EIO once the terminal has
        // gone): the terminal hung up.
        onGone_();
        return false;
    }
    decoded_.clear();
    decoder_.feed(bytes, static_cast<std::size_t>(count), decoded_);
    queueDecoded();
    lastInputByte_ = clock_();
    return true;
}

void TerminalInput::queueDecoded() { events_.insert(events_.end(), decoded_.begin(), decoded_.end()); }

bool TerminalInput::take(InputRecord& record) {
    if (events_.empty()) read();
    if (events_.empty()) return false;
    record = events_.front();
    events_.pop_front();
    return true;
}

int TerminalInput::readRedirectedByte() { return readAhead_.nextByte(readDescriptor, &fd_); }

bool TerminalInput::markGone() {
    if (gone_) return false;
    gone_ = true;
    return true;
}

}  // namespace console
