// capitals: drills the 50 US states and their capitals in endless adaptive
// study rounds.
#include "console/console_events.h"
#include "console/console_services.h"
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
