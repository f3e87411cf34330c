// The quiz's whole view of the console: six operations.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace console {

// Print flags: lineEnd adds the line ending CR LF after the item.
inline constexpr unsigned lineEnd = 1;

// The flags of beginInput, named at the call; any value other than 0 is on.
// questionMark: "? " after the prompt; newlineAfter: CR LF after the line.
inline constexpr int withQuestionMark = 1;
inline constexpr int noQuestionMark = 0;
inline constexpr int withNewlineAfter = 1;
inline constexpr int noNewlineAfter = 0;

class Console {
public:
    virtual ~Console() = default;
    // Blanks the print area and puts the cursor at its top-left cell.
    virtual void clearScreen() = 0;
    // Prints a byte text, then the line ending when flags hold lineEnd.
    virtual void printText(std::string_view text, unsigned flags) = 0;
    // Prints a signed integer in the "% d" format, then the line ending when
    // flags hold lineEnd.
    virtual void printInteger(std::int32_t value, unsigned flags) = 0;
    // Prints the prompt and, when questionMark is on, "? "; reads one edited
    // line; ends it with CR LF when newlineAfter is on.
    virtual void beginInput(std::string_view prompt, int questionMark, int newlineAfter) = 0;
    // Takes the next input field of that line, at most 4096 bytes.
    virtual void nextInputField(std::string& target) = 0;
    // The next key as a KeyString, empty when none is queued; never waits.
    virtual std::string pollKey() = 0;
};

}  // namespace console
