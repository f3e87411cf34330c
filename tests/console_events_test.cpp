// Console set-up and control events on the in-memory console: processed
// input, the handler's installation by the first key pump, what each control
// event does, and the removal of the handler at exit.
#include "console/console_events.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

#include "console/key_polling.h"
#include "console/memory/memory_console.h"

namespace console {
namespace {

const std::string closeKeyString = "\xFF"
                                   "k";

// Counts the input-mode calls and can refuse the mode read on its own.
class ModeWatchingConsole : public MemoryConsole {
public:
    bool failGetMode = false;
    int modeReads = 0;
    int modeWrites = 0;
    bool getInputMode(std::uint32_t& mode) override {
        ++modeReads;
        if (failGetMode) return false;
        return MemoryConsole::getInputMode(mode);
    }
    bool setInputMode(std::uint32_t mode) override {
        ++modeWrites;
        return MemoryConsole::setInputMode(mode);
    }
};

TEST(ConsoleSetupTest, AddsProcessedInputKeepingTheOtherModeBitsOnce) {
    ModeWatchingConsole con;
    ConsoleState cs{con};
    con.inputMode = 0x01F6;
    consoleSetup(cs);
    EXPECT_EQ(con.inputMode, 0x01F7u);
    EXPECT_EQ(con.modeWrites, 1);

    con.inputMode = 0x0006;
    consoleSetup(cs);  // done already
    EXPECT_EQ(con.inputMode, 0x0006u);
    EXPECT_EQ(con.modeWrites, 1);

    ModeWatchingConsole already;
    ConsoleState cs2{already};
    already.inputMode = 0x0007;
    consoleSetup(cs2);
    EXPECT_EQ(already.inputMode, 0x0007u);
}

TEST(ConsoleSetupTest, TouchesNothingWhenTheInputModeCannotBeRead) {
    ModeWatchingConsole con;
    ConsoleState cs{con};
    con.failGetMode = true;
    con.inputMode = 0x0006;
    consoleSetup(cs);
    EXPECT_EQ(con.modeReads, 1);
    EXPECT_EQ(con.modeWrites, 0);
    EXPECT_EQ(con.inputMode, 0x0006u);

    // Redirected input: no mode, and the key service finds no events.
    MemoryConsole file;
    ConsoleState fileState{file};
    file.inputIsConsole = false;
    file.typeText("a");
    consoleSetup(fileState);
    EXPECT_EQ(file.inputMode, 0x0006u);
    EXPECT_EQ(pollKey(fileState), "");
}

TEST(ConsoleSetupTest, AFailedModeWriteIsIgnoredAndKeysStillArrive) {
    MemoryConsole con;
    ConsoleState cs{con};
    con.failSetInputMode = true;
    consoleSetup(cs);
    EXPECT_TRUE(cs.setUp);
    con.typeText("k");
    EXPECT_EQ(pollKey(cs), "k");
}

TEST(ConsoleSetupTest, AKeyCheckBeforeAnyOutputBringsTheConsoleUp) {
    MemoryConsole con;
    ConsoleState cs{con};
    con.inputMode = 0x0006;
    EXPECT_EQ(pollKey(cs), "");
    EXPECT_TRUE(cs.setUp);
    EXPECT_EQ(con.inputMode, 0x0007u);
}

TEST(EventHandlerTest, InstalledOnceByTheFirstKeyPumpAndNotBefore) {
    MemoryConsole con;
    ConsoleState cs{con};
    consoleSetup(cs);
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

}  // namespace
}  // namespace console
