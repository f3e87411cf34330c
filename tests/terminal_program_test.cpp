// The built program on a pseudo-terminal, as a hostile system treats it: the
// terminal going away without a hang-up signal, signals while the terminal
// reads nothing, a paste of megabytes, and the idle waits that must wake
// nobody.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/program_under_test.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// A field of /proc/PID/status, summed over the process's threads when
// perThread.
long statusField(pid_t pid, const std::string& field, bool perThread) {
    std::vector<std::string> files;
    const std::string dir = "/proc/" + std::to_string(pid);
    if (perThread) {
        if (DIR* tasks = opendir((dir + "/task").c_str())) {
            while (const dirent* entry = readdir(tasks)) {
                if (entry->d_name[0] != '.') files.push_back(dir + "/task/" + entry->d_name + "/status");
            }
            closedir(tasks);
        }
    } else {
        files.push_back(dir + "/status");
    }
    long total = -1;
    for (const std::string& file : files) {
        std::istringstream status(readFile(file));
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind(field + ":", 0) == 0) total = (total < 0 ? 0 : total) + std::stol(line.substr(field.size() + 1));
        }
    }
    return total;
}

// The program on a pseudo-terminal that is not its controlling terminal, so
// that no hang-up signal reaches it when the terminal goes away: it must
// find out from the terminal itself. The test keeps a descriptor of its own
// on the terminal, to read the settings the program leaves.
class ProgramOnTerminal {
public:
    ProgramOnTerminal(int width, int height) {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
        slave_ = ::open(::ptsname(master_), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (slave_ < 0) return;
        setSize(width, height);
        ::tcgetattr(slave_, &found_);
        // A sanitizer build keeps freed memory aside for a while (256 MB by
        // default), which the peak memory of a long run would show: kept
        // small, so that the peak shows what the program holds.
        std::vector<std::string> environment;
        std::string sanitizerOptions = "quarantine_size_mb=8";
        for (char** entry = environ; *entry != nullptr; ++entry) {
            const std::string variable = *entry;
            if (variable.rfind("ASAN_OPTIONS=", 0) == 0) {
                sanitizerOptions = variable.substr(13) + ":" + sanitizerOptions;
            } else {
                environment.push_back(variable);
            }
        }
        environment.push_back("ASAN_OPTIONS=" + sanitizerOptions);
        std::vector<char*> environmentPointers;
        for (std::string& variable : environment) environmentPointers.push_back(variable.data());
        environmentPointers.push_back(nullptr);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::setsid();
            sigset_t none;
            sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            for (int fd = 0; fd <= 2; ++fd) ::dup2(slave_, fd);
            ::execle(programUnderTest(), "capitals", static_cast<char*>(nullptr), environmentPointers.data());
            ::_exit(127);
        }
        startReading();
    }
    ~ProgramOnTerminal() {
        stopReading();
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (master_ >= 0) ::close(master_);
        if (slave_ >= 0) ::close(slave_);
    }
    ProgramOnTerminal(const ProgramOnTerminal&) = delete;
    ProgramOnTerminal& operator=(const ProgramOnTerminal&) = delete;

    bool started() const { return pid_ > 0; }
    void setSize(int width, int height) {
        winsize size{};
        size.ws_col = static_cast<unsigned short>(width);
        size.ws_row = static_cast<unsigned short>(height);
        ::ioctl(master_, TIOCSWINSZ, &size);
    }
    pid_t pid() const { return pid_; }

    // Waits (up to 30 s) until the program has written the text.
    bool waitForOutput(const std::string& text) {
        for (int step = 0; step < 3000; ++step) {
            {
                const std::lock_guard<std::mutex> guard(outputLock_);
                if (output_.find(text) != std::string::npos) return true;
            }
            std::this_thread::sleep_for(milliseconds(10));
        }
        return false;
    }
    // Forgets what the program has written so far.
    void clearOutput() {
        const std::lock_guard<std::mutex> guard(outputLock_);
        output_.clear();
    }

    void type(const std::string& bytes) {
        for (std::size_t sent = 0; sent < bytes.size();) {
            const ssize_t n = ::write(master_, bytes.data() + sent, bytes.size() - sent);
            if (n <= 0) return;
            sent += static_cast<std::size_t>(n);
        }
    }

    // The terminal stops reading what the program writes: a screenful of
    // typed keys, then the terminal resized back and forth, each size change
    // repainting the whole screen, until the terminal's buffer is full and
    // the program waits in its write (and stays there).
    bool stopReadingAndFill() {
        stopReading();
        type(std::string(2000, 'x'));
        bool held = false;
        for (int n = 0; !held && n < 1500; ++n) {
            setSize(80, 24 + n % 2);
            ::kill(pid_, SIGWINCH);  // not its controlling terminal: told here
            std::this_thread::sleep_for(milliseconds(20));
            if (!inWrite()) continue;
            std::this_thread::sleep_for(milliseconds(300));
            held = inWrite();
        }
        return held;
    }

    // The terminal goes away, as when its emulator ends.
    void closeTerminal() {
        stopReading();
        ::close(master_);
        master_ = -1;
    }

    // Waits (up to 10 s, generous) for the program to end; true when it
    // ended by the signal.
    ::testing::AssertionResult endsBySignal(int signal) {
        const auto start = steady_clock::now();
        for (int step = 0; step < 1000; ++step) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                std::printf("ended in about %lld ms\n", static_cast<long long>(std::chrono::duration_cast<milliseconds>(
                                                                                 steady_clock::now() - start)
                                                                                 .count()));
                if (WIFSIGNALED(status) && WTERMSIG(status) == signal) return ::testing::AssertionSuccess();
                return ::testing::AssertionFailure() << "ended with status " << status;
            }
            std::this_thread::sleep_for(milliseconds(10));
        }
        return ::testing::AssertionFailure() << "still running after 10 s";
    }

    // Whether the terminal's settings are those found before the program.
    bool settingsAsFound() const {
        termios now{};
        if (::tcgetattr(slave_, &now) != 0) return false;
        return now.c_iflag == found_.c_iflag && now.c_oflag == found_.c_oflag && now.c_cflag == found_.c_cflag &&
               now.c_lflag == found_.c_lflag && std::memcmp(now.c_cc, found_.c_cc, sizeof now.c_cc) == 0;
    }

    // Bytes typed that the program has not read yet.
    int typedUnread() const {
        int queued = 0;
        return ::ioctl(slave_, FIONREAD, &queued) == 0 ? queued : -1;
    }

    // Waits until the program has used no processor time for a while.
    void waitUntilIdle() {
        long last = cpuTicks();
        for (int quiet = 0, step = 0; quiet < 5 && step < 600; ++step) {
            std::this_thread::sleep_for(milliseconds(100));
            const long now = cpuTicks();
            quiet = now == last ? quiet + 1 : 0;
            last = now;
        }
    }

private:
    long cpuTicks() const {
        const std::string stat = readFile("/proc/" + std::to_string(pid_) + "/stat");
        std::istringstream fields(stat.substr(stat.rfind(')') + 2));
        std::string field;
        long ticks = 0;
        for (int i = 3; i <= 15 && fields >> field; ++i) {
            if (i >= 14) ticks += std::stol(field);
        }
        return ticks;
    }
    // Whether the program's main thread is in a write (true too where the
    // system does not say).
    bool inWrite() const {
        const std::string call = readFile("/proc/" + std::to_string(pid_) + "/syscall");
        return call.empty() || std::atol(call.c_str()) == SYS_write;
    }

    void startReading() {
        reading_ = true;
        reader_ = std::thread([this] {
            char buffer[65536];
            while (reading_) {
                pollfd fd{master_, POLLIN, 0};
                if (::poll(&fd, 1, 20) <= 0) continue;
                const ssize_t n = ::read(master_, buffer, sizeof buffer);
                if (n <= 0) return;
                const std::lock_guard<std::mutex> guard(outputLock_);
                output_.append(buffer, static_cast<std::size_t>(n));
            }
        });
    }
    void stopReading() {
        reading_ = false;
        if (reader_.joinable()) reader_.join();
    }

    int master_ = -1;
    int slave_ = -1;
    termios found_{};
    pid_t pid_ = -1;
    std::atomic<bool> reading_{false};
    std::thread reader_;
    std::mutex outputLock_;
    std::string output_;
};

// Answers every question of the first round (all 50 are asked) with an
// empty line and waits for the wait between rounds.
bool toTheWaitBetweenRounds(ProgramOnTerminal& program) {
    if (!program.waitForOutput("? ")) return false;
    program.type(std::string(50, '\r'));
    return program.waitForOutput("Press a key to play again");
}

TEST(ProgramOnTerminal, EndsAsOnAHangUpWhenTheTerminalGoesAway) {
    for (const char* moment : {"at the prompt", "between rounds", "with its output blocked"}) {
        SCOPED_TRACE(moment);
        ProgramOnTerminal program(80, 25);
        ASSERT_TRUE(program.started());
        const std::string when = moment;
        if (when == "between rounds") {
            ASSERT_TRUE(toTheWaitBetweenRounds(program));
        } else {
            ASSERT_TRUE(program.waitForOutput("? "));
        }
        if (when == "with its output blocked") {
            EXPECT_TRUE(program.stopReadingAndFill());
        }
        program.closeTerminal();
        EXPECT_TRUE(program.endsBySignal(SIGHUP));
    }
}

TEST(ProgramOnTerminal, SignalsEndItWithTheSettingsBackWhileTheTerminalReadsNothing) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        ProgramOnTerminal program(80, 25);
        ASSERT_TRUE(program.started());
        ASSERT_TRUE(program.waitForOutput("? "));
        EXPECT_FALSE(program.settingsAsFound());  // raw key reading
        EXPECT_TRUE(program.stopReadingAndFill());
        ::kill(program.pid(), signal);
        EXPECT_TRUE(program.endsBySignal(signal));
        EXPECT_TRUE(program.settingsAsFound());
    }
}

TEST(ProgramOnTerminal, APasteOfMegabytesKeepsMemoryBoundedAndThePromptWorking) {
    ProgramOnTerminal program(80, 25);
    ASSERT_TRUE(program.started());
    ASSERT_TRUE(program.waitForOutput("? "));
    const auto start = steady_clock::now();
    program.type(std::string(4 << 20, 'a'));
    for (int step = 0; step < 6000 && program.typedUnread() != 0; ++step) std::this_thread::sleep_for(milliseconds(10));
    program.waitUntilIdle();
    const long peakKb = statusField(program.pid(), "VmHWM", false);
    std::printf("4 MB paste: taken in about %lld ms, peak resident memory %ld kB\n",
                static_cast<long long>(std::chrono::duration_cast<milliseconds>(steady_clock::now() - start).count()),
                peakKb);
    // Not the memory target, only a bound that a cost growing with the
    // paste would pass by far.
    EXPECT_GT(peakKb, 0);
    EXPECT_LT(peakKb, 16 * 1024 + CAPITALS_MEMORY_SLACK_KB);
    // The answer is still taken, and judged.
    program.clearOutput();
    program.type("\r");
    EXPECT_TRUE(program.waitForOutput("Incorrect"));
}

TEST(ProgramOnTerminal, IdleWaitsWakeNobody) {
    ProgramOnTerminal program(80, 25);
    ASSERT_TRUE(program.started());
    for (const char* wait : {"at the prompt", "between rounds"}) {
        SCOPED_TRACE(wait);
        if (std::string(wait) == "between rounds") {
            ASSERT_TRUE(toTheWaitBetweenRounds(program));
        } else {
            ASSERT_TRUE(program.waitForOutput("? "));
        }
        program.waitUntilIdle();
        // Voluntary context switches of every thread: a pause that ends on a
        // timer switches once a wakeup; a blocked wait never does.
        const long before = statusField(program.pid(), "voluntary_ctxt_switches", true);
        std::this_thread::sleep_for(std::chrono::seconds(2));
        const long after = statusField(program.pid(), "voluntary_ctxt_switches", true);
        ASSERT_GE(before, 0);
        EXPECT_LE(after - before, 3);
    }
}

}  // namespace
