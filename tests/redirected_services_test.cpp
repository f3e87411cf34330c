// The console services when standard input and output are not a console:
// plain bytes out, fields from the stream, nothing interpreted.
#include <gtest/gtest.h>

#include "console/console_services.h"
#include "console/memory/memory_console.h"
#include "quiz/quiz_driver.h"
#include "quiz/round_builder.h"

namespace {

using console::ConsoleServices;
using console::MemoryConsole;

struct Redirected {
    MemoryConsole platform;
    ConsoleServices services{platform};
    Redirected() {
        platform.outputIsConsole = false;
        platform.inputIsConsole = false;
    }
};

TEST(RedirectedOutput, BytesGoOutUnchangedThroughShortWrites) {
    Redirected io;
    io.platform.writeFileChunk = 3;
    io.services.printText("a\tb\x07" "c\rd\ne\x08", console::lineEnd);
    io.services.printInteger(-2147483648, 0);
    io.services.printInteger(0, console::lineEnd);
    io.services.printText("", console::lineEnd);
    io.services.printText("", 0);
    EXPECT_EQ(io.platform.fileOutput, std::string("a\tb\x07" "c\rd\ne\x08\r\n-2147483648 0\r\n\r\n"));
    EXPECT_TRUE(io.platform.beeps.empty());
}

TEST(RedirectedOutput, FailingWriteEndsSilentlyAndTheNextWriteTriesAgain) {
    Redirected io;
    io.platform.failWriteFile = true;
    io.services.printText("lost", console::lineEnd);
    io.platform.failWriteFile = false;
    io.services.printText("kept", console::lineEnd);
    EXPECT_EQ(io.platform.fileOutput, "kept\r\n");
}

TEST(RedirectedOutput, ClearingAndCursorWorkDoNothing) {
    Redirected io;
    io.services.clearScreen();
    io.services.beginInput("", console::withQuestionMark, console::withNewlineAfter);
    EXPECT_EQ(io.platform.fileOutput, "");  // no prompt, no echo, no line ending
    EXPECT_EQ(io.platform.inputMode, 0x0006u);  // the input mode is not touched
}

TEST(RedirectedInput, FieldsRunOnFromOneQuestionToTheNext) {
    Redirected io;
    io.platform.stdinBytes = "Montgomery, Juneau\r\n\"Carson, City\"x\n";
    std::string field;
    const char* expected[] = {"Montgomery", "Juneau", "Carson, City", "x", "", ""};
    for (const char* want : expected) {
        io.services.beginInput("", console::withQuestionMark, console::withNewlineAfter);
        io.services.nextInputField(field);
        EXPECT_EQ(field, want);
    }
    EXPECT_TRUE(io.services.pollKey().empty());
}

TEST(RedirectedRound, TranscriptIsTheQuizTextAlone) {
    // A whole round through the real services with every answer taken from
    // the stream: the transcript holds no prompt and no echo.
    Redirected io;
    quiz::QuizState quiz;
    randomness::RandomSource random;
    quiz::startQuiz(quiz, random, 0.0);
    io.platform.stdinBytes = "Helena\nnot Charleston\n";
    quiz::playRound(quiz, io.services, random);
    const std::string& out = io.platform.fileOutput;
    EXPECT_EQ(out.rfind(" 1 of 50\r\nName the capital of Montana\r\nCorrect!\r\n"
                        " 2 of 50\r\nName the capital of West Virginia\r\nIncorrect\r\n"
                        "Correct answer is Charleston\r\n 3 of 50\r\n",
                        0),
              0u);
    EXPECT_NE(out.find("Study round over!\r\n 1of 50correct.\r\nMissed:\r\nWest Virginia , Charleston\r\n"),
              std::string::npos);
    EXPECT_EQ(out.find("? "), std::string::npos);
    const std::string ending = "Press a key to play again\r\n";
    EXPECT_EQ(out.compare(out.size() - ending.size(), ending.size(), ending), 0);
}

}  // namespace
