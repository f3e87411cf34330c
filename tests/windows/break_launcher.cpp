// Starts a program in this console as a process group of its own, and when a
// trigger file appears sends that group the console's Ctrl+Break event, as
// the Ctrl+Break key would; then records how the program ended. Used by the
// Windows drills, which cannot type Ctrl+Break on a terminal.
//
//   break_launcher TRIGGER REPORT PROGRAM
//
// REPORT gets "started" once the program runs, then "sent 0" when the console
// refused the event, or "sent 1" and "ended <ms> exit <code>" (or "running
// <ms>" when the program outlived ten seconds).
#include <windows.h>

#include <cstdio>

namespace {

void report(const char* path, const char* text) {
    std::FILE* file = std::fopen(path, "a");
    if (file == nullptr) return;
    std::fputs(text, file);
    std::fclose(file);
}

double millisecondsSince(const LARGE_INTEGER& start) {
    LARGE_INTEGER now;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(argv[3], nullptr, nullptr, nullptr, TRUE, CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &startup,
                        &process)) {
        report(argv[2], "not started\n");
        return 1;
    }
    report(argv[2], "started\n");
    while (GetFileAttributesA(argv[1]) == INVALID_FILE_ATTRIBUTES) {
        if (WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0) {
            report(argv[2], "ended before the break\n");
            return 1;
        }
    }
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    const BOOL sent = GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, process.dwProcessId);
    char line[128];
    std::snprintf(line, sizeof line, "sent %d\n", sent ? 1 : 0);
    report(argv[2], line);
    if (!sent) return 1;
    const DWORD waited = WaitForSingleObject(process.hProcess, 10000);
    const double took = millisecondsSince(start);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    if (waited == WAIT_OBJECT_0) {
        std::snprintf(line, sizeof line, "ended %.0f exit 0x%lX\n", took, static_cast<unsigned long>(code));
    } else {
        std::snprintf(line, sizeof line, "running %.0f\n", took);
    }
    report(argv[2], line);
    return 0;
}
