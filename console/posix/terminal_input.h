// Terminal input: what the terminal sends, read in bounded pieces and decoded
// into key events, and standard input read ahead when it is not a terminal.
//
// Owns the key decoder with its held bytes and their wait, the event queue,
// what the last wait reported for the input, the flag of the terminal gone
// away and the read-ahead of redirected input. Only the main thread calls
// it (the console's input operations and waits); it takes no lock.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
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
    bool pending() const { return next_ < events_.size(); }
    // Takes the oldest queued event; false when none is.
    bool take(InputRecord& record);
    // The next byte of standard input that is not a terminal (-1 at its end).
    int readRedirectedByte();

    // A wait found the input readable: the next read reads without a check
    // of its own.
    void noteReadable() { readableReported_ = true; }
    // The input may have changed since the last read (a wait is to start,
    // or the services pause): the next read looks again. Until then, a read
    // that took everything the terminal had leaves nothing to look for.
    void lookAgain() { drained_ = false; }
    // Whether bytes of a key sequence are held, and when their wait ends.
    bool holdingSequence() const { return decoder_.holding(); }
    TerminalClock::time_point heldSequenceEnds() const { return lastInputByte_ + sequenceWait; }

    // The terminal went away: noted once; true the first time.
    bool markGone();
    bool gone() const { return gone_; }

private:
    // Reads one piece; false when there is nothing more to read now.
    bool readPiece();
    // Empties the taken queue for the events of what is decoded next.
    void startQueue();

    int fd_;
    bool isTerminal_;
    const TerminalClockReading& clock_;
    std::function<void()> onGone_;
    KeyDecoder decoder_;
    TerminalClock::time_point lastInputByte_{};
    // The last wait found the input readable, until the next read.
    bool readableReported_ = false;
    // The last read took less than a piece: the terminal had nothing more.
    bool drained_ = false;
    bool gone_ = false;
    // The events of one piece of input at most, so that a paste of any size
    // costs the same memory; the next one to take is at next_. The vector
    // keeps its room, so that a key read costs no allocation.
    std::vector<InputRecord> events_;
    std::size_t next_ = 0;
    InputReadAhead readAhead_;
};

}  // namespace console
