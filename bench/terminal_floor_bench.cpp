// The terminal program side by side with the floor a minimal C program sets
// (the reference beside this benchmark: raw mode, the same first question,
// a read/write loop). Both run on pseudo-terminals of 80x25 with TERM=xterm,
// started alternately in one run, and the table gives each figure for both
// and the ratio program / reference:
// - start-up to the first "? " prompt, median of 21 starts;
// - peak resident memory (VmHWM) after typing, answering a round and idling;
// - echo latency of a key at the line end, median and p90 of 60 keys;
// - bytes per key at the line end and in the middle of a 60-byte answer;
// - write calls per question, from the header to the "? " prompt and from
//   Enter to the next prompt, counted exactly from a system-call trace of a
//   separate run (strace, when installed): the read that takes the Enter
//   marks where a question's writes begin;
// - wakeups per second over 5 s idle at the prompt and at the wait between
//   rounds: the voluntary context switches of every thread.
// The whole run is repeated (3 times unless the first argument says how
// often) and a last table gives the median of the runs' ratios. A second
// argument names another build of the program to measure, such as an older
// one for a before-and-after table.
#include <dirent.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/pty_program.h"

namespace {

using bench::Clock;
using bench::PtyProgram;
using bench::percentile;

constexpr int columns = 80;
constexpr int rows = 25;
constexpr const char* term = "xterm";
constexpr int starts = 21;
constexpr int echoKeys = 60;
constexpr int middleKeys = 20;
constexpr int tracedQuestions = 10;
constexpr auto idleTime = std::chrono::seconds(5);
constexpr double unknown = std::numeric_limits<double>::quiet_NaN();

struct Subject {
    const char* name;
    const char* path;
};
constexpr Subject reference{"reference", FLOOR_REFERENCE_PROGRAM};
Subject program{"capitals", CAPITALS_PROGRAM};

enum Row {
    startupMedian,
    peakMemory,
    echoMedian,
    echoP90,
    bytesAtEnd,
    bytesInMiddle,
    writesHeaderToPrompt,
    writesEnterToPrompt,
    wakeupsAtPrompt,
    wakeupsBetweenRounds,
    rowCount
};
constexpr const char* rowNames[rowCount] = {
    "start-up to the first prompt, median ms",
    "peak resident memory, kB",
    "echo latency at the line end, median ms",
    "echo latency at the line end, p90 ms",
    "bytes per key at the line end",
    "bytes per key in the middle of 60 bytes",
    "writes from the header to the prompt",
    "writes from Enter to the next prompt",
    "wakeups per second idle at the prompt",
    "wakeups per second idle between rounds",
};

// One run's figures: [row][0] the reference's, [row][1] the program's.
struct Figures {
    double value[rowCount][2];
};

double ratio(double referenceValue, double programValue) {
    if (std::isnan(referenceValue) || std::isnan(programValue)) return unknown;
    if (referenceValue == 0) return programValue == 0 ? 1.0 : std::numeric_limits<double>::infinity();
    return programValue / referenceValue;
}

// --- What /proc tells about a process ------------------------------------------

// A "Name:   value" field of a status file, or -1.
long statusField(const std::string& path, const char* name) {
    std::ifstream file(path);
    std::string line;
    const std::size_t length = std::strlen(name);
    while (std::getline(file, line)) {
        if (line.compare(0, length, name) == 0 && line.size() > length && line[length] == ':') {
            return std::strtol(line.c_str() + length + 1, nullptr, 10);
        }
    }
    return -1;
}

long peakResidentKb(pid_t pid) { return statusField("/proc/" + std::to_string(pid) + "/status", "VmHWM"); }

// The voluntary context switches of every thread of the process: each is a
// thread that blocked and was woken.
long voluntarySwitches(pid_t pid) {
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* directory = opendir(tasks.c_str());
    if (directory == nullptr) return -1;
    long sum = 0;
    while (const dirent* entry = readdir(directory)) {
        if (entry->d_name[0] == '.') continue;
        const long switches = statusField(tasks + "/" + entry->d_name + "/status", "voluntary_ctxt_switches");
        if (switches > 0) sum += switches;
    }
    closedir(directory);
    return sum;
}

// Wakeups per second of each program while both sit idle for the same 5 s.
void idleWakeups(PtyProgram& first, PtyProgram& second, double& firstRate, double& secondRate) {
    first.readUntilQuiet(100);
    second.readUntilQuiet(100);
    const long firstBefore = voluntarySwitches(first.pid());
    const long secondBefore = voluntarySwitches(second.pid());
    const auto start = Clock::now();
    std::this_thread::sleep_for(idleTime);
    const long firstAfter = voluntarySwitches(first.pid());
    const long secondAfter = voluntarySwitches(second.pid());
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    firstRate = static_cast<double>(firstAfter - firstBefore) / seconds;
    secondRate = static_cast<double>(secondAfter - secondBefore) / seconds;
}

// --- Start-up --------------------------------------------------------------------

double startupMs(const Subject& subject) {
    PtyProgram started(subject.path, columns, rows, term);
    if (!started.started()) return unknown;
    const std::string screen = started.readUntil("? ");
    if (screen.find("? ") == std::string::npos) return unknown;
    return std::chrono::duration<double, std::milli>(Clock::now() - started.startedAt()).count();
}

// --- Writes per question, from a system-call trace -------------------------------

bool straceInstalled() {
    const char* path = std::getenv("PATH");
    std::stringstream directories(path != nullptr ? path : "/usr/bin:/bin");
    std::string directory;
    while (std::getline(directories, directory, ':')) {
        if (access((directory + "/strace").c_str(), X_OK) == 0) return true;
    }
    return false;
}

// The bytes of every string literal in a traced call, as strace -xx shows
// them ("\x41\x42").
std::string tracedBytes(const std::string& call) {
    std::string bytes;
    bool inString = false;
    for (std::size_t i = 0; i < call.size(); ++i) {
        if (call[i] == '"') {
            inString = !inString;
        } else if (inString && call[i] == '\\' && i + 3 < call.size() && call[i + 1] == 'x') {
            bytes.push_back(static_cast<char>(std::strtol(call.substr(i + 2, 2).c_str(), nullptr, 16)));
            i += 3;
        }
    }
    return bytes;
}

struct Trace {
    std::vector<std::string> writes;      // each write to the terminal
    std::vector<std::size_t> enterReads;  // writes made before each Enter was read
};

Trace readTrace(const std::string& path) {
    Trace trace;
    std::ifstream file(path);
    std::string line;
    std::vector<std::pair<std::string, std::string>> unfinished;  // pid, call so far
    while (std::getline(file, line)) {
        const std::size_t space = line.find(' ');
        if (space == std::string::npos) continue;
        // The process id is padded to five places.
        const std::string pid = line.substr(0, space);
        const std::size_t callStart = line.find_first_not_of(' ', space);
        if (callStart == std::string::npos) continue;
        std::string call = line.substr(callStart);
        if (call.size() > 16 && call.compare(call.size() - 16, 16, "<unfinished ...>") == 0) {
            unfinished.emplace_back(pid, call.substr(0, call.size() - 16));
            continue;
        }
        if (call.compare(0, 5, "<... ") == 0) {
            const std::size_t resumed = call.find("resumed>");
            if (resumed == std::string::npos) continue;
            std::string start;
            for (auto it = unfinished.begin(); it != unfinished.end(); ++it) {
                if (it->first == pid) {
                    start = it->second;
                    unfinished.erase(it);
                    break;
                }
            }
            call = start + call.substr(resumed + 8);
        }
        const bool terminalWrite = call.compare(0, 8, "write(1,") == 0 || call.compare(0, 8, "write(2,") == 0 ||
                                   call.compare(0, 9, "writev(1,") == 0 || call.compare(0, 9, "writev(2,") == 0;
        if (terminalWrite) {
            trace.writes.push_back(tracedBytes(call));
        } else if (call.compare(0, 7, "read(0,") == 0 && tracedBytes(call).find('\r') != std::string::npos) {
            trace.enterReads.push_back(trace.writes.size());
        }
    }
    return trace;
}

// The printed characters of the trace's writes, without escape sequences,
// blanks and control bytes, each with the number of the write it is in.
struct PrintedText {
    std::string text;
    std::vector<std::size_t> write;
};

PrintedText printedText(const Trace& trace) {
    PrintedText printed;
    enum { plain, escape, sequence } state = plain;
    for (std::size_t w = 0; w < trace.writes.size(); ++w) {
        for (const char c : trace.writes[w]) {
            const auto byte = static_cast<unsigned char>(c);
            if (state == escape) {
                state = (c == '[' || c == ']' || c == 'O') ? sequence : plain;
            } else if (state == sequence) {
                if (byte >= 0x40 && byte <= 0x7E) state = plain;
            } else if (c == '\x1b') {
                state = escape;
            } else if (byte > 0x20 && byte != 0x7F) {
                printed.text.push_back(c);
                printed.write.push_back(w);
            }
        }
    }
    return printed;
}

// Counts the writes of each question in a trace of the subject answering
// questions with Enter: from the write that holds the header's question
// number to the one that holds the prompt, and from the read of the Enter
// to the write of the next prompt. Mean over the questions.
void writesPerQuestion(const Subject& subject, int questions, double& headerToPrompt, double& enterToPrompt) {
    headerToPrompt = unknown;
    enterToPrompt = unknown;
    if (!straceInstalled() || questions < 1) return;
    char path[] = "/tmp/terminal_floor_trace_XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) return;
    close(fd);
    {
        PtyProgram traced({"strace", "-f", "-qq", "-xx", "-s", "65536", "-e", "trace=read,write,writev", "-o", path,
                           subject.path},
                          columns, rows, term);
        traced.readUntil("? ");
        traced.readUntilQuiet(50);
        for (int q = 0; q < questions; ++q) {
            traced.send("\r");
            traced.readUntil("? ");
            traced.readUntilQuiet(20);
        }
        // End the traced program, so that the tracer ends by itself and
        // leaves its whole trace.
        std::ifstream children("/proc/" + std::to_string(traced.pid()) + "/task/" + std::to_string(traced.pid()) +
                               "/children");
        pid_t child = 0;
        if (children >> child && child > 0) kill(child, SIGKILL);
        traced.waitForExit();
    }
    const Trace trace = readTrace(path);
    unlink(path);
    const PrintedText printed = printedText(trace);

    double headerSum = 0;
    double enterSum = 0;
    int headers = 0;
    int enters = 0;
    auto count = [&](int number, std::size_t fromWrite, bool afterEnter) {
        std::size_t from = 0;
        while (from < printed.write.size() && printed.write[from] < fromWrite) ++from;
        const std::size_t header = printed.text.find(std::to_string(number) + "of", from);
        if (header == std::string::npos) return;
        const std::size_t prompt = printed.text.find('?', header);
        if (prompt == std::string::npos) return;
        headerSum += static_cast<double>(printed.write[prompt] - printed.write[header] + 1);
        ++headers;
        if (afterEnter) {
            enterSum += static_cast<double>(printed.write[prompt] - fromWrite + 1);
            ++enters;
        }
    };
    count(1, 0, false);
    for (std::size_t e = 0; e < trace.enterReads.size(); ++e) count(static_cast<int>(e) + 2, trace.enterReads[e], true);
    if (headers > 0) headerToPrompt = headerSum / headers;
    if (enters > 0) enterToPrompt = enterSum / enters;
}

// --- One run -----------------------------------------------------------------------

// The question count of the first round, from the header " 1 of 50".
int roundLength(const std::string& firstScreen) {
    const std::size_t of = firstScreen.find(" of ");
    return of == std::string::npos ? 0 : std::atoi(firstScreen.c_str() + of + 4);
}

struct Typed {
    std::vector<double> latencies;
    std::size_t bytes = 0;
    void type(PtyProgram& target, const std::string& key) {
        std::size_t sent = 0;
        latencies.push_back(target.keyLatencyMs(key, sent));
        bytes += sent;
    }
    double bytesPerKey() const { return static_cast<double>(bytes) / static_cast<double>(latencies.size()); }
};

Figures measure(int run) {
    Figures figures{};
    const Subject* subjects[2] = {&reference, &program};
    // Which subject goes first alternates, so that neither always runs on
    // the caches the other warmed or in the other's wake.
    auto firstOf = [](int step) { return step % 2; };

    std::vector<double> startup[2];
    for (int s = 0; s < 2; ++s) startupMs(*subjects[s]);  // warm the file cache
    for (int i = 0; i < starts; ++i) {
        for (int k = 0; k < 2; ++k) {
            const int s = (firstOf(i + run) + k) % 2;
            startup[s].push_back(startupMs(*subjects[s]));
        }
    }
    for (int s = 0; s < 2; ++s) figures.value[startupMedian][s] = percentile(startup[s], 0.5);

    // One session of each, side by side.
    PtyProgram referenceSession(reference.path, columns, rows, term);
    PtyProgram programSession(program.path, columns, rows, term);
    PtyProgram* sessions[2] = {&referenceSession, &programSession};
    referenceSession.readUntil("? ");
    const int questions = roundLength(programSession.readUntil("? "));

    idleWakeups(referenceSession, programSession, figures.value[wakeupsAtPrompt][0], figures.value[wakeupsAtPrompt][1]);

    // 60 keys at the line end make a 60-byte answer.
    Typed atEnd[2];
    for (int i = 0; i < echoKeys; ++i) {
        for (int k = 0; k < 2; ++k) {
            const int s = (firstOf(i + run) + k) % 2;
            atEnd[s].type(*sessions[s], std::string(1, static_cast<char>('a' + i % 26)));
        }
    }
    // Keys typed in its middle, each taken out again by Backspace.
    Typed inMiddle[2];
    for (PtyProgram* session : sessions) {
        for (int left = 0; left < echoKeys / 2; ++left) session->send("\x1b[D");
        session->readUntilQuiet(30);
    }
    for (int i = 0; i < middleKeys; ++i) {
        for (int k = 0; k < 2; ++k) {
            const int s = (firstOf(i + run) + k) % 2;
            inMiddle[s].type(*sessions[s], "k");
            sessions[s]->send("\x7f");
            sessions[s]->readUntilQuiet(10);
        }
    }
    for (int s = 0; s < 2; ++s) {
        figures.value[echoMedian][s] = percentile(atEnd[s].latencies, 0.5);
        figures.value[echoP90][s] = percentile(atEnd[s].latencies, 0.9);
        figures.value[bytesAtEnd][s] = atEnd[s].bytesPerKey();
        figures.value[bytesInMiddle][s] = inMiddle[s].bytesPerKey();
    }

    // Answer the whole round; the program then waits for a key to play
    // again, the reference sits at its next prompt.
    for (PtyProgram* session : sessions) session->send("\x1b[F");
    for (int q = 1; q <= questions; ++q) {
        referenceSession.send("\r");
        programSession.send("\r");
        referenceSession.readUntil("? ");
        programSession.readUntil(q < questions ? "? " : "play again");
    }
    idleWakeups(referenceSession, programSession, figures.value[wakeupsBetweenRounds][0],
                figures.value[wakeupsBetweenRounds][1]);
    for (int s = 0; s < 2; ++s) {
        const long peak = peakResidentKb(sessions[s]->pid());
        figures.value[peakMemory][s] = peak < 0 ? unknown : static_cast<double>(peak);
    }
    referenceSession.end(SIGKILL);
    programSession.end(SIGKILL);

    for (int k = 0; k < 2; ++k) {
        const int s = (firstOf(run) + k) % 2;
        const int traced = s == 1 ? std::min(tracedQuestions, questions - 1) : tracedQuestions;
        writesPerQuestion(*subjects[s], traced, figures.value[writesHeaderToPrompt][s],
                          figures.value[writesEnterToPrompt][s]);
    }
    return figures;
}

// --- The table --------------------------------------------------------------------

void printNumber(double value, const char* format) {
    if (std::isnan(value)) {
        std::printf("%12s", "n/a");
    } else if (std::isinf(value)) {
        std::printf("%12s", "inf");
    } else {
        std::printf(format, value);
    }
}

void printTable(const char* title, const Figures& figures, const double* ratios) {
    std::printf("\n%s\n", title);
    std::printf("%-42s%12s%12s%12s\n", "", reference.name, program.name, "ratio");
    for (int row = 0; row < rowCount; ++row) {
        std::printf("%-42s", rowNames[row]);
        printNumber(figures.value[row][0], "%12.2f");
        printNumber(figures.value[row][1], "%12.2f");
        printNumber(ratios[row], "%11.2fx");
        std::printf("\n");
    }
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    if (argc > 2) program.path = argv[2];
    std::printf("%s and %s on %dx%d pseudo-terminals, TERM=%s, %d run(s)\n", program.path, reference.path, columns,
                rows, term, runs);
    if (!straceInstalled()) std::printf("strace is not installed: the write counts are not measured\n");
    std::vector<Figures> all;
    std::vector<double> ratios[rowCount];
    for (int run = 0; run < runs; ++run) {
        all.push_back(measure(run));
        double runRatios[rowCount];
        for (int row = 0; row < rowCount; ++row) {
            runRatios[row] = ratio(all.back().value[row][0], all.back().value[row][1]);
            ratios[row].push_back(runRatios[row]);
        }
        const std::string title = "run " + std::to_string(run + 1);
        printTable(title.c_str(), all.back(), runRatios);
    }
    if (runs > 1) {
        Figures medians{};
        double medianRatios[rowCount];
        for (int row = 0; row < rowCount; ++row) {
            for (int s = 0; s < 2; ++s) {
                std::vector<double> values;
                for (const Figures& figures : all) values.push_back(figures.value[row][s]);
                medians.value[row][s] = percentile(values, 0.5);
            }
            medianRatios[row] = percentile(ratios[row], 0.5);
        }
        const std::string title = "median of " + std::to_string(runs) + " runs (ratio: median of the runs' ratios)";
        printTable(title.c_str(), medians, medianRatios);
    }
    return 0;
}
