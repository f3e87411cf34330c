// The built program run as a user would with standard input and output
// redirected: the transcript, the quiet wait after the round, and bad input
// and output that must not break it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <thread>

#include "quiz/capital_table.h"

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::string tempPath(const std::string& name) {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir != nullptr ? dir : "/tmp") + "/capitals-test-" + std::to_string(getpid()) + "-" + name;
}

// A run of the program with the given descriptors as standard input and
// output; killed when the test is done with it.
class ProgramRun {
public:
    ProgramRun(int inputFd, int outputFd) {
        pid_ = fork();
        if (pid_ == 0) {
            dup2(inputFd, 0);
            dup2(outputFd, 1);
            const int devNull = open("/dev/null", O_WRONLY);
            dup2(devNull, 2);
            execl(CAPITALS_PROGRAM, "capitals", static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~ProgramRun() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    pid_t pid() const { return pid_; }
    // True while the process has not ended.
    bool alive() {
        int status = 0;
        const pid_t result = waitpid(pid_, &status, WNOHANG);
        if (result == pid_) {
            endStatus_ = status;
            pid_ = -1;
        }
        return pid_ > 0;
    }
    int endStatus() const { return endStatus_; }
    // Processor time used so far, in clock ticks.
    long cpuTicks() const {
        std::string stat = readFile("/proc/" + std::to_string(pid_) + "/stat");
        std::istringstream fields(stat.substr(stat.rfind(')') + 2));
        std::string field;
        long utime = 0;
        long stime = 0;
        for (int i = 3; i <= 15 && fields >> field; ++i) {
            if (i == 14) utime = std::stol(field);
            if (i == 15) stime = std::stol(field);
        }
        return utime + stime;
    }
    // Waits (up to 30 s) until the process sleeps in a wait for input.
    bool waitingForInput() {
        for (int step = 0; step < 3000 && alive(); ++step) {
            const std::string wchan = readFile("/proc/" + std::to_string(pid_) + "/wchan");
            if (wchan.find("poll") != std::string::npos || wchan.find("pause") != std::string::npos) return true;
            if (wchan.empty() || wchan == "0") {
                // A kernel that does not say where a process sleeps: give
                // the round a second, in which a broken pipe would have ended it.
                std::this_thread::sleep_for(std::chrono::seconds(1));
                return alive();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    // Peak resident memory in kB.
    long peakResidentKb() const {
        std::istringstream status(readFile("/proc/" + std::to_string(pid_) + "/status"));
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
        }
        return -1;
    }

private:
    pid_t pid_ = -1;
    int endStatus_ = 0;
};

// Waits, in short steps, until the file ends with the text (or 60 s pass).
bool waitForEnding(const std::string& path, const std::string& ending) {
    for (int step = 0; step < 6000; ++step) {
        const std::string text = readFile(path);
        if (text.size() >= ending.size() && text.compare(text.size() - ending.size(), ending.size(), ending) == 0) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// The expected transcript for a round in which every answer was empty,
// given the order the states were asked in.
std::string allMissedTranscript(const std::vector<int>& order) {
    quiz::CapitalTable table;
    quiz::buildCapitalTable(table);
    std::string text;
    const int asked = static_cast<int>(order.size());
    for (int i = 0; i < asked; ++i) {
        text += " " + std::to_string(i + 1) + " of " + std::to_string(asked) + "\r\n";
        text += "Name the capital of " + table[order[i]].stateName + "\r\n";
        text += "Incorrect\r\nCorrect answer is " + table[order[i]].capitalName + "\r\n";
    }
    text += "Study round over!\r\n 0of " + std::to_string(asked) + "correct.\r\nMissed:\r\n";
    for (int entry : order) text += table[entry].stateName + " , " + table[entry].capitalName + "\r\n";
    text += "Press a key to play again\r\n";
    return text;
}

// The order of the states as the transcript asks them.
std::vector<int> askedOrder(const std::string& transcript) {
    quiz::CapitalTable table;
    quiz::buildCapitalTable(table);
    std::map<std::string, int> entryOf;
    for (int entry = 1; entry <= quiz::entryCount; ++entry) entryOf[table[entry].stateName] = entry;
    std::vector<int> order;
    const std::string marker = "Name the capital of ";
    for (std::size_t at = transcript.find(marker); at != std::string::npos; at = transcript.find(marker, at + 1)) {
        const std::size_t end = transcript.find("\r\n", at);
        const auto found = entryOf.find(transcript.substr(at + marker.size(), end - at - marker.size()));
        order.push_back(found == entryOf.end() ? 0 : found->second);
    }
    return order;
}

// Runs the program from an input file into a transcript file, until the
// first round has ended.
struct RoundRun {
    std::string outputPath;
    std::unique_ptr<ProgramRun> run;

    RoundRun(const std::string& inputPath, const std::string& outputName) : outputPath(tempPath(outputName)) {
        const int in = open(inputPath.c_str(), O_RDONLY);
        const int out = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        EXPECT_GE(in, 0);
        EXPECT_GE(out, 0);
        run = std::make_unique<ProgramRun>(in, out);
        close(in);
        close(out);
    }
    ~RoundRun() { std::remove(outputPath.c_str()); }
    bool roundEnded() { return waitForEnding(outputPath, "Press a key to play again\r\n"); }
    std::string transcript() const { return readFile(outputPath); }
};

void runAllMissedRound(const std::string& inputPath) {
    RoundRun round(inputPath, "transcript");
    ProgramRun& run = *round.run;
    ASSERT_TRUE(round.roundEnded());
    const std::string transcript = round.transcript();
    const std::vector<int> order = askedOrder(transcript);
    EXPECT_EQ(order.size(), 50u);
    EXPECT_EQ(std::set<int>(order.begin(), order.end()).size(), 50u);
    EXPECT_EQ(transcript, allMissedTranscript(order));

    // The wait for a key that can never come: it neither ends nor uses the
    // processor. A spinning wait would use about 100 ticks a second.
    const long before = run.cpuTicks();
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    EXPECT_TRUE(run.alive());
    EXPECT_LE(run.cpuTicks() - before, 5);
    EXPECT_EQ(round.transcript(), transcript);
}

TEST(ProgramRedirected, FiftyEmptyLinesGiveTheWholeMissedRoundThenAQuietWait) {
    const std::string inputPath = tempPath("answers");
    std::ofstream(inputPath, std::ios::binary) << std::string(50, '\n');
    runAllMissedRound(inputPath);
    std::remove(inputPath.c_str());
}

TEST(ProgramRedirected, EmptyInputAnswersEveryQuestionWithTheEmptyText) {
    runAllMissedRound("/dev/null");
}

// Waits, in short steps, until the transcript has asked its count-th
// question, and gives that question's state (empty after 60 s).
std::string waitForQuestion(const std::string& path, int count) {
    const std::string marker = "Name the capital of ";
    for (int step = 0; step < 6000; ++step) {
        const std::string text = readFile(path);
        std::size_t at = std::string::npos;
        int found = 0;
        for (std::size_t next = text.find(marker); next != std::string::npos; next = text.find(marker, next + 1)) {
            at = next;
            ++found;
        }
        const std::size_t end = at == std::string::npos ? at : text.find("\r\n", at);
        if (found == count && end != std::string::npos) return text.substr(at + marker.size(), end - at - marker.size());
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return {};
}

// The writing end of the program's input. While it is open, a program that
// ended early makes a write fail rather than end the test with SIGPIPE.
class AnswerPipe {
public:
    explicit AnswerPipe(int fd) : fd_(fd) {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGPIPE, &ignore, &pipeBefore_);
    }
    ~AnswerPipe() {
        close(fd_);
        sigaction(SIGPIPE, &pipeBefore_, nullptr);
    }
    AnswerPipe(const AnswerPipe&) = delete;
    AnswerPipe& operator=(const AnswerPipe&) = delete;
    bool write(const std::string& text) const {
        return ::write(fd_, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    }

private:
    int fd_;
    struct sigaction pipeBefore_ {};
};

TEST(ProgramRedirected, AnswersFromTheStreamAreJudged) {
    // Each answer is written to the program's input once its question is
    // out: the right capital to the odd-numbered questions, another state's
    // capital to the even-numbered ones, all on one comma-separated line, so
    // that the answers run on from one question to the next and both
    // verdicts must come out right.
    quiz::CapitalTable table;
    quiz::buildCapitalTable(table);
    std::map<std::string, int> entryOf;
    for (int entry = 1; entry <= quiz::entryCount; ++entry) entryOf[table[entry].stateName] = entry;
    int input[2];
    ASSERT_EQ(pipe(input), 0);
    const std::string outputPath = tempPath("judged");
    const int out = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(out, 0);
    ProgramRun run(input[0], out);
    close(input[0]);
    close(out);
    const AnswerPipe answers(input[1]);
    std::vector<bool> answeredRight;
    for (int k = 0; k < 50; ++k) {
        const std::string state = waitForQuestion(outputPath, k + 1);
        const auto found = entryOf.find(state);
        ASSERT_NE(found, entryOf.end()) << "question " << k + 1 << ": \"" << state << "\"";
        const bool right = k % 2 == 0;
        const int answered = right ? found->second : found->second % quiz::entryCount + 1;
        const std::string answer = table[answered].capitalName + ", ";
        ASSERT_TRUE(answers.write(answer));
        answeredRight.push_back(right);
    }
    ASSERT_TRUE(answers.write("\r\n"));
    ASSERT_TRUE(waitForEnding(outputPath, "Press a key to play again\r\n"));
    const std::string transcript = readFile(outputPath);
    const std::vector<int> order = askedOrder(transcript);
    ASSERT_EQ(order.size(), 50u);
    int right = 0;
    std::size_t at = 0;
    for (int k = 0; k < 50; ++k) {
        at = transcript.find("Name the capital of ", at) + 1;
        const std::size_t verdict = transcript.find("\r\n", at) + 2;
        const bool expectRight = answeredRight[static_cast<std::size_t>(k)];
        EXPECT_EQ(transcript.compare(verdict, 10, "Correct!\r\n") == 0, expectRight) << k;
        right += expectRight ? 1 : 0;
    }
    EXPECT_EQ(right, 25);
    EXPECT_NE(transcript.find(" " + std::to_string(right) + "of 50correct.\r\n"), std::string::npos);
    EXPECT_EQ(transcript.find("? "), std::string::npos);  // no prompt without a console
    std::remove(outputPath.c_str());
}

TEST(ProgramRedirected, UnwritableOutputNeitherKillsNorStopsTheQuiz) {
    // A pipe whose reader is gone, and a full device: every write fails, the
    // quiz goes on to the wait after the round.
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    close(fds[0]);
    const int devNull = open("/dev/null", O_RDONLY);
    const int devFull = open("/dev/full", O_WRONLY);
    ASSERT_GE(devFull, 0);
    ProgramRun closedPipe(devNull, fds[1]);
    ProgramRun fullDevice(devNull, devFull);
    close(fds[1]);
    close(devNull);
    close(devFull);
    // The whole round is written (and lost) before the program blocks in
    // its wait for a key; that wait is the only place it blocks.
    EXPECT_TRUE(closedPipe.waitingForInput()) << "ended with status " << closedPipe.endStatus();
    EXPECT_TRUE(fullDevice.waitingForInput()) << "ended with status " << fullDevice.endStatus();
    EXPECT_TRUE(closedPipe.alive());
    EXPECT_TRUE(fullDevice.alive());
}

TEST(ProgramRedirected, HugeLineKeepsMemoryBounded) {
    // One 10 MB line with no comma: answers are 4096-byte fields taken from
    // it one after another; memory does not grow with the line.
    const std::string inputPath = tempPath("huge");
    {
        std::ofstream input(inputPath, std::ios::binary);
        const std::string chunk(1 << 20, 'z');
        for (int i = 0; i < 10; ++i) input << chunk;
        input << "\r\n";
    }
    RoundRun round(inputPath, "huge-out");
    ASSERT_TRUE(round.roundEnded());
    EXPECT_EQ(askedOrder(round.transcript()).size(), 50u);
    // Not a memory target: the check is only that the program's memory does
    // not grow with the line, which would take it past 10 MB.
    const long peakKb = round.run->peakResidentKb();
    EXPECT_GT(peakKb, 0);
    EXPECT_LT(peakKb, 8 * 1024 + CAPITALS_MEMORY_SLACK_KB);
    std::remove(inputPath.c_str());
}

}  // namespace
