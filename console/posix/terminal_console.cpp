#include "console/posix/terminal_console.h"

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <unistd.h>

namespace console {

TerminalConsole::TerminalConsole() {
    std::signal(SIGPIPE, SIG_IGN);
    outputIsConsole = false;
    inputIsConsole = false;
}

TerminalConsole::~TerminalConsole() = default;

bool TerminalConsole::writeFile(const std::uint8_t* bytes, std::size_t n, std::size_t& written) {
    written = 0;
    for (;;) {
        const ssize_t result = ::write(STDOUT_FILENO, bytes, n);
        if (result < 0 && errno == EINTR) continue;
        if (result < 0) return false;
        written = static_cast<std::size_t>(result);
        return true;
    }
}

int TerminalConsole::readInputByte() {
    if (inputPos_ == inputLength_) {
        ssize_t result;
        do {
            result = ::read(STDIN_FILENO, inputBuffer_, sizeof inputBuffer_);
        } while (result < 0 && errno == EINTR);
        if (result <= 0) return -1;
        inputLength_ = static_cast<std::size_t>(result);
        inputPos_ = 0;
    }
    return inputBuffer_[inputPos_++];
}

void TerminalConsole::sleep(unsigned milliseconds) {
    pollfd input{STDIN_FILENO, POLLIN, 0};
    ::poll(&input, 1, static_cast<int>(milliseconds));
}

void TerminalConsole::waitForInput() {
    // No key can ever arrive from a redirected standard input.
    for (;;) ::pause();
}

}  // namespace console
