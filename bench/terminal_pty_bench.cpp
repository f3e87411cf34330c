// What the program sends to a real terminal, measured through a
// pseudo-terminal: bytes per question and per scrolled line, bytes per typed
// key at the end and in the middle of a line, and the echo latency.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

class PtyProgram {
public:
    PtyProgram(int columns, int rows) {
        winsize size{};
        size.ws_col = static_cast<unsigned short>(columns);
        size.ws_row = static_cast<unsigned short>(rows);
        pid_ = forkpty(&master_, nullptr, nullptr, &size);
        if (pid_ == 0) {
            setenv("TERM", "xterm-256color", 1);
            execl(CAPITALS_PROGRAM, "capitals", static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~PtyProgram() {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        close(master_);
    }
    bool started() const { return pid_ > 0; }

    void send(const std::string& bytes) {
        if (write(master_, bytes.data(), bytes.size()) < 0) std::abort();
    }
    // Reads what comes until the output has been quiet for quietMs.
    std::string readUntilQuiet(int quietMs) {
        std::string got;
        char buffer[65536];
        for (;;) {
            pollfd output{master_, POLLIN, 0};
            if (poll(&output, 1, quietMs) <= 0) return got;
            const ssize_t n = read(master_, buffer, sizeof buffer);
            if (n <= 0) return got;
            got.append(buffer, static_cast<std::size_t>(n));
        }
    }
    // Reads until the text has come (or 5 s pass).
    std::string readUntil(const std::string& text) {
        std::string got;
        char buffer[65536];
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        while (got.find(text) == std::string::npos && Clock::now() < deadline) {
            pollfd output{master_, POLLIN, 0};
            if (poll(&output, 1, 50) <= 0) continue;
            const ssize_t n = read(master_, buffer, sizeof buffer);
            if (n <= 0) break;
            got.append(buffer, static_cast<std::size_t>(n));
        }
        return got;
    }
    // Sends one key and returns the time until its first output byte.
    double keyLatencyMs(const std::string& key, std::size_t& bytes) {
        const auto start = Clock::now();
        send(key);
        pollfd output{master_, POLLIN, 0};
        poll(&output, 1, 1000);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        bytes = readUntilQuiet(15).size();
        return ms;
    }

private:
    int master_ = -1;
    pid_t pid_ = -1;
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

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1))];
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
