// The terminal's line settings: the ones found at start, the raw key-reading
// settings made from them, and putting the found ones back.
#pragma once

#include <termios.h>

#include <atomic>

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
    // The settings found at capture (meaningful once captured).
    const termios& found() const { return found_; }
    // Switches to raw key reading; false when nothing was captured or the
    // terminal refused. Raw reading already set by this mode with the same
    // signal keys is left as it is, without a call to the terminal.
    bool enterRaw(bool signalKeys);
    // Sets raw key reading again whatever was set before: for when the
    // terminal may have been changed by another program meanwhile.
    bool reenterRaw(bool signalKeys);
    // Puts back exactly the settings found at capture.
    bool restore();

private:
    bool applyRaw(bool signalKeys);

    int fd_ = -1;
    bool captured_ = false;
    termios found_{};
    // Whether the raw settings are in force as this mode last set them, and
    // with which signal keys. The way out may restore from the signal
    // thread while the main thread sets the input mode.
    std::atomic<bool> rawSet_{false};
    std::atomic<bool> rawSignalKeys_{false};
};

}  // namespace console
