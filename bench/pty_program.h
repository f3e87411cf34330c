// A program run on a pseudo-terminal of a given size, for the benchmarks that
// measure what a program sends to a real terminal and how fast: start it,
// type keys into it, read what it writes, time the echo of a key.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

class PtyProgram {
public:
    // Starts arguments[0] (looked up on PATH when it has no slash) with the
    // given arguments, TERM set to term, on a new pseudo-terminal of
    // columns x rows.
    PtyProgram(const std::vector<std::string>& arguments, int columns, int rows, const char* term) {
        winsize size{};
        size.ws_col = static_cast<unsigned short>(columns);
        size.ws_row = static_cast<unsigned short>(rows);
        std::vector<char*> argv;
        for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        startedAt_ = Clock::now();
        pid_ = forkpty(&master_, nullptr, nullptr, &size);
        if (pid_ == 0) {
            setenv("TERM", term, 1);
            execvp(argv[0], argv.data());
            _exit(127);
        }
    }
    PtyProgram(const char* program, int columns, int rows, const char* term)
        : PtyProgram(std::vector<std::string>{program}, columns, rows, term) {}
    PtyProgram(const PtyProgram&) = delete;
    PtyProgram& operator=(const PtyProgram&) = delete;
    ~PtyProgram() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (master_ >= 0) close(master_);
    }
    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    // When the program was started, just before the fork.
    Clock::time_point startedAt() const { return startedAt_; }

    // Ends the program with a signal and waits until it has gone.
    void end(int signal) {
        if (pid_ <= 0) return;
        kill(pid_, signal);
        waitForExit();
    }
    // Waits until the program has ended by itself.
    void waitForExit() {
        if (pid_ <= 0) return;
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

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
    Clock::time_point startedAt_;
};

// The value below which the fraction p of the values lie (0.5: the median);
// values not measured (NaN) are left out, and none measured gives NaN.
inline double percentile(std::vector<double> values, double p) {
    values.erase(std::remove_if(values.begin(), values.end(), [](double v) { return std::isnan(v); }), values.end());
    if (values.empty()) return std::numeric_limits<double>::quiet_NaN();
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1))];
}

}  // namespace bench
