// Control events on the in-memory console: the handler's installation by the
// first key pump, what each control event does, and the removal of the
// handler at exit.
#include "console/control_events.h"
#include "console/exit_actions.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

#include "console/console_frame.h"
#include "console/key_polling.h"
#include "console/memory/memory_console.h"

namespace console {
namespace {

const std::string closeKeyString = "\xFF"
                                   "k";

TEST(EventHandlerTest, InstalledOnceByTheFirstKeyPumpAndNotBefore) {
    MemoryConsole con;
    ConsoleState cs{con};
    setUpStandardHandles(cs);
    EXPECT_TRUE(con.handlers.empty());
    // A close before the first pump takes the default handling: no close key.
    EXPECT_FALSE(con.raiseControlEvent(ctrlCloseEvent));
    EXPECT_TRUE(con.endedByDefaultHandling);

    EXPECT_EQ(pollKey(cs), "");
    ASSERT_EQ(con.handlers.size(), 1u);
    (void)keyAvailable(cs);
    con.typeText("z");
    EXPECT_EQ(waitKey(cs), "z");
    EXPECT_EQ(con.handlers.size(), 1u);
}

TEST(EventHandlerTest, EveryKindOfKeyCheckInstallsIt) {
    MemoryConsole polled, asked, waited;
    ConsoleState a{polled}, b{asked}, c{waited};
    (void)pollKey(a);
    (void)keyAvailable(b);
    waited.typeText("w");
    (void)waitKey(c);
    EXPECT_EQ(polled.handlers.size(), 1u);
    EXPECT_EQ(asked.handlers.size(), 1u);
    EXPECT_EQ(waited.handlers.size(), 1u);
}

TEST(EventHandlerTest, EachControlEventTakesItsRow) {
    struct Row {
        std::uint32_t eventType;
        bool handled;
    };
    const Row rows[] = {
        {ctrlCEvent, false},      {ctrlBreakEvent, false},  {ctrlCloseEvent, true}, {3, false},
        {4, false},               {ctrlLogoffEvent, true},  {ctrlShutdownEvent, true},
        {7, false},               {0xFFFFFFFFu, false},
    };
    for (const Row& row : rows) {
        MemoryConsole con;
        ConsoleState cs{con};
        con.typeText("q");
        ASSERT_TRUE(keyAvailable(cs));
        EXPECT_EQ(con.raiseControlEvent(row.eventType), row.handled) << row.eventType;
        EXPECT_EQ(con.endedByDefaultHandling, !row.handled) << row.eventType;
        EXPECT_EQ(pollKey(cs), "q") << row.eventType;
        EXPECT_EQ(pollKey(cs), row.handled ? closeKeyString : "") << row.eventType;
        EXPECT_EQ(pollKey(cs), "") << row.eventType;
    }
}

TEST(EventHandlerTest, AFailedAddIsIgnoredAndNotRetried) {
    MemoryConsole con;
    ConsoleState cs{con};
    con.failAddHandler = true;
    con.typeText("a");
    EXPECT_EQ(pollKey(cs), "a");
    EXPECT_TRUE(con.handlers.empty());
    con.failAddHandler = false;
    EXPECT_EQ(pollKey(cs), "");
    EXPECT_TRUE(con.handlers.empty());
    // Closes then end the process by default, without a close key.
    EXPECT_FALSE(con.raiseControlEvent(ctrlCloseEvent));
    EXPECT_TRUE(con.endedByDefaultHandling);
    EXPECT_EQ(pollKey(cs), "");
}

// The at-exit action removes the handler. The check runs in a fresh process
// that exits normally: an at-exit action registered before the first pump
// runs after the removal and reports what it finds.
MemoryConsole* exitConsole = nullptr;

void reportHandlersAtExit() { _exit(exitConsole != nullptr && exitConsole->handlers.empty() ? 3 : 4); }

TEST(EventHandlerDeathTest, TheHandlerIsRemovedAtExit) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            exitConsole = new MemoryConsole;
            auto* cs = new ConsoleState(*exitConsole);
            std::atexit(reportHandlersAtExit);
            (void)pollKey(*cs);
            if (exitConsole->handlers.size() != 1) _exit(5);
            std::exit(0);
        },
        ::testing::ExitedWithCode(3), "");
}

// The exit actions run in their fixed order, whatever order they were set
// in: the control handler comes off before the terminal is given back.
bool handlerRemovedAtExit = false;

TEST(EventHandlerDeathTest, TheExitActionsRunInTheirOrder) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setExitAction(ExitAction::giveBackTerminal, [] { _exit(handlerRemovedAtExit ? 3 : 4); });
            setExitAction(ExitAction::removeControlHandler, [] { handlerRemovedAtExit = true; });
            std::exit(0);
        },
        ::testing::ExitedWithCode(3), "");
}

}  // namespace
}  // namespace console
