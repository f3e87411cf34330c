// Terminal input: what the terminal sends, read in bounded pieces and decoded
// into key events, and standard input read ahead when it is not a terminal.
//
// Owns the key decoder with its held bytes and their wait, the event queue,
// what the last wait reported for the input, the flag of the terminal gone
// away and the read-ahead of redirected input. Only the main thread calls
// it (the console's input operations and waits); it takes no lock.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "console/console_platform.h"
#include "console/platform/input_read_ahead.h"
#include "console/posix/key_decoder.h"

namespace console {

using TerminalClock = std::chrono::steady_clock;
// The clock that times the waits; a test may put its own in.
using TerminalClockReading = std::function<TerminalClock::time_point()>;

class TerminalInput {
public:
    // How long a partial key sequence waits for its next byte.
    static constexpr std::chrono::milliseconds sequenceWait{30};

    // fd: standard input; isTerminal: whether it is the terminal, read raw;
    // utf8: the terminal sends UTF-8. clock must outlive the input. onGone
    // runs once, on the main thread, when a read finds the terminal gone.
    TerminalInput(int fd, bool isTerminal, bool utf8, const TerminalClockReading& clock,
                  std::function<void()> onGone);

    // Decodes the next piece of what the terminal has sent into the event
    // queue once the queue is empty, without waiting; a partial sequence
    // held past its wait is settled.
    void read();
    // Whether an event is queued.
    bool pending() const { return !events_.empty(); }
    // Takes the oldest queued event; false when none is.
    bool take(InputRecord& record);
    // The next byte of standard input that is not a terminal (-1 at its end).
    int readRedirectedByte();

    // A wait reported these poll events for the input: the next read takes
    // them without a poll of its own.
    void noteReported(short revents) { inputReported_ = revents; }
    // Whether bytes of a key sequence are held, and when their wait ends.
    bool holdingSequence() const { return decoder_.holding(); }
    TerminalClock::time_point heldSequenceEnds() const { return lastInputByte_ + sequenceWait; }

    // The terminal went away: noted once; true the first time.
    bool markGone();
    bool gone() const { return gone_; }

private:
    // Reads one piece; false when there is nothing more to read now.
    bool readPiece();
    void queueDecoded();

    int fd_;
    bool isTerminal_;
    const TerminalClockReading& clock_;
    std::function<void()> onGone_;
    KeyDecoder decoder_;
    TerminalClock::time_point lastInputByte_{};
    // The input's events as the last wait reported them, until the next
    // read of the input takes them (0: none reported).
    short inputReported_ = 0;
    bool gone_ = false;
    // The events of one piece of input at most, so that a paste of any size
    // costs the same memory.
    std::deque<InputRecord> events_;
    std::vector<InputRecord> decoded_;
    InputReadAhead readAhead_;
};

// Whether poll events report that the terminal went away.
bool reportsHangUp(short revents);

}  // namespace console
