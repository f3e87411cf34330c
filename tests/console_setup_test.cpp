// The console's set-up on the in-memory console: processed input added to
// the input mode once, nothing touched when the mode cannot be read, and a
// key check before any output setting the console up.
#include "console/console_frame.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "console/key_polling.h"
#include "console/memory/memory_console.h"

namespace console {
namespace {

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
    setUpStandardHandles(cs);
    EXPECT_EQ(con.inputMode, 0x01F7u);
    EXPECT_EQ(con.modeWrites, 1);

    con.inputMode = 0x0006;
    setUpStandardHandles(cs);  // done already
    EXPECT_EQ(con.inputMode, 0x0006u);
    EXPECT_EQ(con.modeWrites, 1);

    ModeWatchingConsole already;
    ConsoleState cs2{already};
    already.inputMode = 0x0007;
    setUpStandardHandles(cs2);
    EXPECT_EQ(already.inputMode, 0x0007u);
}

TEST(ConsoleSetupTest, TouchesNothingWhenTheInputModeCannotBeRead) {
    ModeWatchingConsole con;
    ConsoleState cs{con};
    con.failGetMode = true;
    con.inputMode = 0x0006;
    setUpStandardHandles(cs);
    EXPECT_EQ(con.modeReads, 1);
    EXPECT_EQ(con.modeWrites, 0);
    EXPECT_EQ(con.inputMode, 0x0006u);

    // Redirected input: no mode, and the key service finds no events.
    MemoryConsole file;
    ConsoleState fileState{file};
    file.inputIsConsole = false;
    file.typeText("a");
    setUpStandardHandles(fileState);
    EXPECT_EQ(file.inputMode, 0x0006u);
    EXPECT_EQ(pollKey(fileState), "");
}

TEST(ConsoleSetupTest, AFailedModeWriteIsIgnoredAndKeysStillArrive) {
    MemoryConsole con;
    ConsoleState cs{con};
    con.failSetInputMode = true;
    setUpStandardHandles(cs);
    EXPECT_TRUE(cs.handlesSetUp);
    con.typeText("k");
    EXPECT_EQ(pollKey(cs), "k");
}

TEST(ConsoleSetupTest, AKeyCheckBeforeAnyOutputBringsTheConsoleUp) {
    MemoryConsole con;
    ConsoleState cs{con};
    con.inputMode = 0x0006;
    EXPECT_EQ(pollKey(cs), "");
    EXPECT_TRUE(cs.handlesSetUp);
    EXPECT_EQ(con.inputMode, 0x0007u);
}

}  // namespace
}  // namespace console
