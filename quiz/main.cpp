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
    // own, and the exit actions (console/exit_actions.h). Locals would die
    // as main returns, before those run. Whichever comes first at a normal
    // exit, the statics' destructors or the exit actions, the control
    // handler comes off before the terminal is given back: the services die
    // before the platform, and the exit actions run in that order.
    //
    // Every other process-wide instance is kept where it is used, because a
    // handler or an action that takes no argument must reach it there:
    //   - console/exit_actions.cpp: the exit actions, in their fixed order;
    //   - console/control_events.cpp: the console whose control handler the
    //     exit action removes;
    //   - console/posix/terminal_session.cpp: the session whose terminal the
    //     exit action gives back, and what the crash handler puts back;
    //   - console/windows/control_handlers.cpp: the handler list that the
    //     console's control trampoline asks;
    //   - random/seconds_timer.cpp: the Windows counter's period, found once.
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
