// The console on a POSIX terminal: the in-memory console mirrored onto the
// terminal. (Interim: plain standard input and output only.)
#pragma once

#include "console/memory/memory_console.h"

namespace console {

class TerminalConsole final : public MemoryConsole {
public:
    TerminalConsole();
    ~TerminalConsole() override;

    bool writeFile(const std::uint8_t* bytes, std::size_t n, std::size_t& written) override;
    int readInputByte() override;
    void sleep(unsigned milliseconds) override;
    void waitForInput() override;

private:
    unsigned char inputBuffer_[4096];
    std::size_t inputLength_ = 0;
    std::size_t inputPos_ = 0;
};

}  // namespace console
