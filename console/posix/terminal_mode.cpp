#include "console/posix/terminal_mode.h"

#include <cerrno>

namespace console {

termios rawSettings(const termios& found, bool signalKeys) {
    termios raw = found;
    raw.c_iflag &= ~static_cast<tcflag_t>(ICRNL | INLCR | IGNCR | IXON | ISTRIP);
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ECHONL | IEXTEN | ISIG);
    if (signalKeys) raw.c_lflag |= ISIG;
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    return raw;
}

bool TerminalMode::capture(int fd) {
    if (::tcgetattr(fd, &found_) != 0) return false;
    fd_ = fd;
    captured_ = true;
    return true;
}

bool TerminalMode::signalKeysFound() const { return captured_ && (found_.c_lflag & ISIG) != 0; }

bool TerminalMode::enterRaw(bool signalKeys) {
    if (!captured_) return false;
    if (rawSet_ && rawSignalKeys_ == signalKeys) return true;
    return applyRaw(signalKeys);
}

bool TerminalMode::reenterRaw(bool signalKeys) {
    if (!captured_) return false;
    return applyRaw(signalKeys);
}

bool TerminalMode::applyRaw(bool signalKeys) {
    const termios raw = rawSettings(found_, signalKeys);
    int result;
    do {
        result = ::tcsetattr(fd_, TCSANOW, &raw);
    } while (result != 0 && errno == EINTR);
    rawSet_ = result == 0;
    rawSignalKeys_ = signalKeys;
    return rawSet_;
}

bool TerminalMode::restore() {
    if (!captured_) return false;
    // Whatever comes of it, raw reading is no longer known to be in force.
    rawSet_ = false;
    int result;
    do {
        result = ::tcsetattr(fd_, TCSANOW, &found_);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

}  // namespace console
