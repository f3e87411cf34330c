// The terminal's line settings: the ones found at start, the raw key-reading
// settings made from them, and putting the found ones back.
#pragma once

#include <termios.h>

namespace console {

// Raw key reading made from the settings found: no line editing, no echo,
// no extended input processing, no output flow control keys, Enter kept as
// CR, and reads that never wait. signalKeys keeps the interrupt and quit
// characters acting as signals. Output processing is left as found.
termios rawSettings(const termios& found, bool signalKeys);

class TerminalMode {
public:
    // Records the settings of the terminal on fd; false when fd is not a
    // terminal.
    bool capture(int fd);
    // Whether the settings found let the interrupt and quit characters
    // raise signals.
    bool signalKeysFound() const;
    // Switches to raw key reading; false when nothing was captured or the
    // terminal refused.
    bool enterRaw(bool signalKeys);
    // Puts back exactly the settings found at capture.
    bool restore();

private:
    int fd_ = -1;
    bool captured_ = false;
    termios found_{};
};

}  // namespace console
