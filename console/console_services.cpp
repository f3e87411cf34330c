#include "console/console_services.h"

#include "console/input_fields.h"
#include "console/key_polling.h"
#include "console/line_input.h"
#include "console/screen_scroll.h"
#include "console/text_output.h"

namespace console {

void ConsoleServices::clearScreen() { console::clearScreen(state_); }

void ConsoleServices::printText(std::string_view text, unsigned flags) { console::printText(state_, text, flags); }

void ConsoleServices::printInteger(std::int32_t value, unsigned flags) {
    console::printInteger(state_, value, flags);
}

void ConsoleServices::beginInput(std::string_view prompt, int questionMark, int newlineAfter) {
    console::beginInput(state_, prompt, questionMark, newlineAfter);
}

void ConsoleServices::nextInputField(std::string& target) { console::nextInputField(state_, target); }

std::string ConsoleServices::pollKey() { return console::pollKey(state_); }

}  // namespace console
