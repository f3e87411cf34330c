// What the program sends to a real terminal, measured through a
// pseudo-terminal: bytes per question and per scrolled line, bytes per typed
// key at the end and in the middle of a line, and the echo latency.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/pty_program.h"

namespace {

using bench::percentile;

// The program as a terminal of this size runs it.
class PtyProgram : public bench::PtyProgram {
public:
    PtyProgram(int columns, int rows) : bench::PtyProgram(CAPITALS_PROGRAM, columns, rows, "xterm-256color") {}
};

// The bytes of a terminal output that are not part of an escape sequence:
// the text, its line endings and the line feeds that scroll.
std::size_t textBytes(const std::string& output) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < output.size(); ++i) {
        if (output[i] != '\x1b') {
            ++count;
            continue;
        }
        if (i + 1 < output.size() && output[i + 1] == '[') {
            i += 2;
            while (i < output.size() && (output[i] < 0x40 || output[i] > 0x7E)) ++i;
        } else {
            ++i;
        }
    }
    return count;
}

// The keys a benchmark types: their echo latencies and the bytes they cost.
struct TypedKeys {
    std::vector<double> latencies;
    std::size_t bytes = 0;

    void type(PtyProgram& program, const std::string& key) {
        std::size_t sent = 0;
        latencies.push_back(program.keyLatencyMs(key, sent));
        bytes += sent;
    }
    void report(benchmark::State& state) const {
        state.counters["bytes_per_key"] = static_cast<double>(bytes) / static_cast<double>(latencies.size());
        state.counters["echo_latency_median_ms"] = percentile(latencies, 0.5);
        state.counters["echo_latency_p90_ms"] = percentile(latencies, 0.9);
    }
};

void waitForPrompt(PtyProgram& program) { program.readUntil("? "); program.readUntilQuiet(30); }

// Bytes from one Enter to the next prompt, answering every question with
// nothing: the verdict lines, the next header, question and prompt. The
// first questions fill the window; after that every line also scrolls.
void BM_BytesPerQuestion(benchmark::State& state) {
    PtyProgram program(80, 25);
    waitForPrompt(program);
    std::vector<std::size_t> perQuestion;
    std::vector<std::size_t> textPerQuestion;
    for (auto _ : state) {
        for (int question = 0; question < 40; ++question) {
            program.send("\r");
            std::string output = program.readUntil("? ");
            output += program.readUntilQuiet(10);
            perQuestion.push_back(output.size());
            textPerQuestion.push_back(textBytes(output));
        }
    }
    // The first questions fill the window; from about the sixth on, each
    // question's five lines scroll it.
    auto average = [](const std::vector<std::size_t>& values, std::size_t from, std::size_t to) {
        double sum = 0;
        for (std::size_t i = from; i < to; ++i) sum += static_cast<double>(values[i]);
        return sum / static_cast<double>(to - from);
    };
    const double filling = average(perQuestion, 0, 4);
    const double scrolling = average(perQuestion, 10, perQuestion.size());
    state.counters["bytes_per_question_filling"] = filling;
    state.counters["text_bytes_per_question_filling"] = average(textPerQuestion, 0, 4);
    state.counters["bytes_per_question_scrolling"] = scrolling;
    state.counters["text_bytes_per_question_scrolling"] = average(textPerQuestion, 10, textPerQuestion.size());
    state.counters["extra_bytes_per_scrolled_line"] = (scrolling - filling) / 5;
}
BENCHMARK(BM_BytesPerQuestion)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_KeyAtTheEndOfTheLine(benchmark::State& state) {
    PtyProgram program(80, 25);
    waitForPrompt(program);
    TypedKeys typed;
    for (auto _ : state) {
        for (int i = 0; i < 300; ++i) {
            if (i % 50 == 49) {  // keep the line short: erase it
                program.send(std::string(49, '\x7f'));
                program.readUntilQuiet(30);
                continue;
            }
            typed.type(program, std::string(1, static_cast<char>('a' + i % 26)));
        }
    }
    typed.report(state);
}
BENCHMARK(BM_KeyAtTheEndOfTheLine)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_KeyInTheMiddleOfA60ByteLine(benchmark::State& state) {
    PtyProgram program(80, 25);
    waitForPrompt(program);
    TypedKeys typed;
    for (auto _ : state) {
        for (int round = 0; round < 10; ++round) {
            // A 60-byte line with the cursor at its middle.
            program.send(std::string(60, 'm'));
            program.readUntilQuiet(30);
            for (int left = 0; left < 30; ++left) program.send("\x1b[D");
            program.readUntilQuiet(30);
            for (int i = 0; i < 20; ++i) {
                typed.type(program, "k");
                // Take the key out again so that the line stays at 60 bytes.
                program.send("\x7f");
                program.readUntilQuiet(10);
            }
            program.send("\x1b[F");
            program.send(std::string(60, '\x7f'));
            program.readUntilQuiet(30);
        }
    }
    typed.report(state);
}
BENCHMARK(BM_KeyInTheMiddleOfA60ByteLine)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
