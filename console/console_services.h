// The console services behind the quiz's six console operations.
#pragma once

#include "console/console.h"
#include "console/console_state.h"

namespace console {

class ConsoleServices final : public Console {
public:
    explicit ConsoleServices(ConsolePlatform& platform) : state_(platform) {}

    void clearScreen() override;
    void printText(std::string_view text, unsigned flags) override;
    void printInteger(std::int32_t value, unsigned flags) override;
    void beginInput(std::string_view prompt, int questionMark, int newlineAfter) override;
    void nextInputField(std::string& target) override;
    std::string pollKey() override;

    ConsoleState& state() { return state_; }

private:
    ConsoleState state_;
};

}  // namespace console
