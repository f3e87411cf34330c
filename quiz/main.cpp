// capitals: drills the 50 US states and their capitals in endless adaptive
// study rounds.
#include "console/console_services.h"
#include "console/runtime_startup.h"
#include "quiz/quiz_driver.h"
#include "random/random_source.h"
#include "random/seconds_timer.h"

#ifdef _WIN32
#include "console/windows/windows_console.h"
using PlatformConsole = console::WindowsConsole;
#else
#include "console/posix/terminal_console.h"
using PlatformConsole = console::TerminalConsole;
#endif

int main() {
    console::runtimeStartup();

    // The process-wide single instances, made once. They are static locals
    // because code outside main's frame may reach them after that frame is
    // gone: the control handler, which the platform calls on a thread of its
    // own, and the at-exit actions (the handler's removal, the terminal's
    // restore). Locals would die as main returns, before those actions run;
    // statics die only after every at-exit action registered once they were
    // made has run.
    static PlatformConsole platform;
    static console::ConsoleServices console(platform);
    static randomness::RandomSource random;
    static quiz::QuizState quiz;

    quiz::startQuiz(quiz, random, randomness::secondsTimer());
    for (;;) {
        quiz::playRound(quiz, console, random);
        quiz::waitForAnyKey(console, [] { platform.waitForInput(); });
    }
}
