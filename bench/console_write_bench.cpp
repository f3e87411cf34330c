// The console services on the in-memory console: the time of one console
// write of a typical quiz line, of the lines of a whole question, of a long
// write, and of keys going through the line editor.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "console/console.h"
#include "console/input_fields.h"
#include "console/line_input.h"
#include "console/memory/memory_console.h"
#include "console/platform/us_layout.h"
#include "console/screen_scroll.h"
#include "console/text_output.h"

namespace {

using console::ConsoleState;
using console::MemoryConsole;

void write(ConsoleState& cs, const std::string& bytes) {
    console::consoleWrite(cs, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), 0);
}

// Platform calls per iteration, as counters next to the time.
void reportCalls(benchmark::State& state, const MemoryConsole& mc) {
    const auto perIteration = benchmark::Counter::kAvgIterations;
    state.counters["cellWrites"] = benchmark::Counter(mc.counts.cellWrites, perIteration);
    state.counters["screenQueries"] = benchmark::Counter(mc.counts.screenInfoQueries, perIteration);
    state.counters["cursorPlacements"] = benchmark::Counter(mc.counts.cursorPlacements, perIteration);
    state.counters["blockScrolls"] = benchmark::Counter(mc.counts.blockScrolls, perIteration);
}

// One quiz line with its line ending, in an 80 by 25 window that is the
// whole buffer, so that most writes scroll the content (the worst case), or
// over a taller buffer whose window moves down instead.
void BM_ConsoleWriteQuizLine(benchmark::State& state) {
    const int bufferHeight = static_cast<int>(state.range(0));
    MemoryConsole mc(80, bufferHeight, 25);
    ConsoleState cs(mc);
    console::clearScreen(cs);
    const std::string line = "Name the capital of Massachusetts\r\n";
    mc.counts = {};
    for (auto _ : state) {
        write(cs, line);
        if (mc.windowBottom == mc.bufferHeight - 1 && bufferHeight > 25) {
            state.PauseTiming();
            console::clearScreen(cs);
            mc.windowTop = 0;
            mc.windowBottom = 24;
            console::consoleWrite(cs, nullptr, 0, console::syncWhenEmpty);
            state.ResumeTiming();
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * line.size()));
    reportCalls(state, mc);
}
BENCHMARK(BM_ConsoleWriteQuizLine)->Arg(25)->Arg(9999);

// The same line without a line ending, on a row that does not scroll.
void BM_ConsoleWriteQuizTextNoScroll(benchmark::State& state) {
    MemoryConsole mc(80, 25);
    ConsoleState cs(mc);
    console::clearScreen(cs);
    const std::string text = "Name the capital of Massachusetts";
    mc.counts = {};
    for (auto _ : state) {
        console::setCursor(cs, 0, 5);
        write(cs, text);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    reportCalls(state, mc);
}
BENCHMARK(BM_ConsoleWriteQuizTextNoScroll);

// Everything the quiz prints around one question: header, question, verdict.
void BM_PrintQuestion(benchmark::State& state) {
    MemoryConsole mc(80, 25);
    ConsoleState cs(mc);
    console::clearScreen(cs);
    mc.counts = {};
    for (auto _ : state) {
        console::printInteger(cs, 3, 0);
        console::printText(cs, " of", 0);
        console::printInteger(cs, 12, console::lineEnd);
        console::printText(cs, "Name the capital of Ohio", console::lineEnd);
        console::printText(cs, "Incorrect", console::lineEnd);
        console::printText(cs, "Correct answer is Columbus", console::lineEnd);
    }
    reportCalls(state, mc);
}
BENCHMARK(BM_PrintQuestion);

// A write of 4 KB of text, which goes through the write block four times.
void BM_ConsoleWriteLong(benchmark::State& state) {
    MemoryConsole mc(80, 25);
    ConsoleState cs(mc);
    console::clearScreen(cs);
    std::string text;
    for (int i = 0; i < 4096; ++i) text += static_cast<char>('a' + i % 26);
    mc.counts = {};
    for (auto _ : state) write(cs, text);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    reportCalls(state, mc);
}
BENCHMARK(BM_ConsoleWriteLong);

// A typed answer through the whole input path: key events, the key buffer,
// the editor's echo and cursor moves, Enter and the line ending.
void BM_LineEditorTypedAnswer(benchmark::State& state) {
    MemoryConsole mc(80, 25);
    ConsoleState cs(mc);
    console::clearScreen(cs);
    const std::string keys = "Columbus\r";
    mc.counts = {};
    for (auto _ : state) {
        mc.typeText(keys);
        console::beginInput(cs, "", console::withQuestionMark, console::withNewlineAfter);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * keys.size()));
    reportCalls(state, mc);
}
BENCHMARK(BM_LineEditorTypedAnswer);

// Editing in the middle of a 60-byte answer: each key redraws the tail.
void BM_LineEditorMiddleEdits(benchmark::State& state) {
    MemoryConsole mc(80, 25);
    ConsoleState cs(mc);
    console::clearScreen(cs);
    const std::string text(60, 'x');
    mc.counts = {};
    for (auto _ : state) {
        mc.typeText(text);
        mc.pressSpecial(console::vkHome, console::scanHome, console::enhancedKey);
        for (int i = 0; i < 20; ++i) {
            mc.typeText("y");
            mc.pressSpecial(console::vkRight, console::scanRight, console::enhancedKey);
            mc.typeText("\b");
        }
        mc.pressSpecial(console::vkDelete, console::scanDelete, console::enhancedKey);
        mc.typeText("\r");
        console::beginInput(cs, "", console::withQuestionMark, console::withNewlineAfter);
    }
    // 60 typed, Home, 60 edit keys, Delete, Enter.
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * (60 + 1 + 60 + 2)));
    reportCalls(state, mc);
}
BENCHMARK(BM_LineEditorMiddleEdits);

}  // namespace
