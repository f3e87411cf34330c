// A console for driving the quiz one round at a time: it keeps what the quiz
// prints as a transcript (the echo of each typed answer included, as a
// console shows it), answers each input statement with the next scripted
// line, and hands out scripted keys.
#pragma once

#include <cstdio>
#include <deque>
#include <string>

#include "console/console.h"
#include "console/input_fields.h"
#include "console/memory/memory_console.h"

namespace testing_support {

class ScriptedConsole final : public console::Console {
public:
    std::string transcript;
    std::deque<std::string> typedLines;
    std::deque<std::string> keys;
    int clears = 0;
    int polls = 0;

    void clearScreen() override {
        ++clears;
        transcript.clear();
    }
    void printText(std::string_view text, unsigned flags) override {
        transcript += text;
        if ((flags & console::lineEnd) != 0) transcript += "\r\n";
    }
    void printInteger(std::int32_t value, unsigned flags) override {
        char formatted[16];
        std::snprintf(formatted, sizeof formatted, "% d", value);
        printText(formatted, flags);
    }
    void beginInput(std::string_view prompt, int questionMark, int newlineAfter) override {
        transcript += prompt;
        if (questionMark != 0) transcript += "? ";
        std::string line;
        if (!typedLines.empty()) {
            line = typedLines.front();
            typedLines.pop_front();
        }
        transcript += line;
        if (newlineAfter != 0) transcript += "\r\n";
        // The typed line becomes the console line that fields are taken from.
        state_.inputSource.kind = console::InputSource::Kind::consoleLine;
        state_.inputSource.lineText = line;
        state_.inputSource.readPos = 0;
    }
    void nextInputField(std::string& target) override { console::nextInputField(state_, target); }
    std::string pollKey() override {
        ++polls;
        if (keys.empty()) return {};
        std::string key = keys.front();
        keys.pop_front();
        return key;
    }

private:
    console::MemoryConsole unused_;
    console::ConsoleState state_{unused_};
};

}  // namespace testing_support
