#include <gtest/gtest.h>

#include <map>

#include "quiz/quiz_driver.h"
#include "quiz/round_builder.h"
#include "tests/scripted_console.h"

namespace {

using quiz::QuizState;
using randomness::RandomSource;
using testing_support::ScriptedConsole;

constexpr int idaho = 12;
constexpr int minnesota = 23;
constexpr int ohio = 35;
constexpr int oklahoma = 36;

// A quiz whose next round asks exactly the given entries in the given order:
// every other entry is at level 4 and the seed is searched (deterministically)
// until the round builder picks just these.
struct ArrangedQuiz {
    QuizState quiz;
    RandomSource random;

    explicit ArrangedQuiz(const std::vector<int>& order) {
        for (double seed = 0;; ++seed) {
            quiz::startQuiz(quiz, random, seed);
            for (int entry = 1; entry <= quiz::entryCount; ++entry) quiz.familiarity[entry] = 4;
            for (int entry : order) quiz.familiarity[entry] = 1;
            QuizState trial = quiz;
            RandomSource trialRandom = random;
            quiz::buildRound(trial, trialRandom);
            std::vector<int> asked;
            for (int slot = 1; slot <= quiz::slotCount; ++slot) {
                if (trial.roundSlots[slot] != 0) asked.push_back(trial.roundSlots[slot]);
            }
            if (asked == order) return;
        }
    }
};

TEST(QuizDriver, ShortRoundReadsExactlyAsOnScreen) {
    ArrangedQuiz arranged({idaho, ohio});
    ScriptedConsole console;
    console.typedLines = {"Boise", "columbus"};
    quiz::playRound(arranged.quiz, console, arranged.random);
    EXPECT_EQ(console.transcript,
              " 1 of 2\r\n"
              "Name the capital of Idaho\r\n"
              "? Boise\r\n"
              "Correct!\r\n"
              " 2 of 2\r\n"
              "Name the capital of Ohio\r\n"
              "? columbus\r\n"
              "Incorrect\r\n"
              "Correct answer is Columbus\r\n"
              "Study round over!\r\n"
              " 1of 2correct.\r\n"
              "Missed:\r\n"
              "Ohio , Columbus\r\n"
              "Press a key to play again\r\n");
    EXPECT_EQ(console.clears, 1);
    EXPECT_EQ(arranged.quiz.familiarity[idaho], 2);
    EXPECT_EQ(arranged.quiz.familiarity[ohio], 1);  // lowered, but never below 1
    EXPECT_EQ(arranged.quiz.correctCount + arranged.quiz.missedCount, arranged.quiz.askedCount);
}

TEST(QuizDriver, AnswersAreJudgedOnTheFirstFieldExactly) {
    ArrangedQuiz arranged({minnesota, oklahoma, idaho, ohio});
    ScriptedConsole console;
    console.typedLines = {"Saint Paul, Minnesota", "Oklahoma", "Boise ", "  Columbus"};
    quiz::playRound(arranged.quiz, console, arranged.random);
    EXPECT_EQ(arranged.quiz.correctCount, 2);
    EXPECT_EQ(arranged.quiz.missedCount, 2);
    EXPECT_EQ(arranged.quiz.missedEntries[1], oklahoma);  // only the state's name
    EXPECT_EQ(arranged.quiz.missedEntries[2], idaho);     // a trailing blank stays in the field
    EXPECT_NE(console.transcript.find("Missed:\r\nOklahoma , Oklahoma City\r\nIdaho , Boise\r\n"), std::string::npos);
}

TEST(QuizDriver, WrongCaseAndEmptyAnswersAreWrong) {
    ArrangedQuiz arranged({idaho, minnesota});
    ScriptedConsole console;
    console.typedLines = {"boise", ""};
    quiz::playRound(arranged.quiz, console, arranged.random);
    EXPECT_EQ(console.transcript.find("Correct!"), std::string::npos);
    EXPECT_NE(console.transcript.find("? \r\nIncorrect\r\nCorrect answer is Saint Paul\r\n"), std::string::npos);
    EXPECT_EQ(arranged.quiz.familiarity[idaho], 1);
}

TEST(QuizDriver, FamiliarityClimbsToFourHoldsThereAndDropsByOne) {
    // Idaho is answered right until it has been asked again at level 4, then
    // wrong once; Ohio is always answered wrong and never drops below 1.
    QuizState quiz;
    RandomSource random;
    quiz::startQuiz(quiz, random, 5.0);
    bool heldAtFour = false;
    bool dropped = false;
    for (int round = 0; round < 400 && !dropped; ++round) {
        // Learn the round's order from a copy of the generator, then answer.
        QuizState preview = quiz;
        RandomSource peek = random;
        preview.askedCount = 0;
        std::fill(std::begin(preview.roundSlots), std::end(preview.roundSlots), 0);
        std::fill(std::begin(preview.slotTaken), std::end(preview.slotTaken), 0);
        quiz::buildRound(preview, peek);
        ScriptedConsole console;
        bool idahoAsked = false;
        const std::int32_t idahoBefore = quiz.familiarity[idaho];
        for (int slot = 1; slot <= quiz::slotCount; ++slot) {
            const int entry = preview.roundSlots[slot];
            if (entry == 0) continue;
            bool right = entry != ohio;
            if (entry == idaho) {
                idahoAsked = true;
                right = !heldAtFour;
            }
            console.typedLines.push_back(right ? quiz.capitalTable[entry].capitalName : "wrong");
        }
        quiz::playRound(quiz, console, random);
        for (int entry = 1; entry <= quiz::entryCount; ++entry) {
            ASSERT_GE(quiz.familiarity[entry], 1);
            ASSERT_LE(quiz.familiarity[entry], 4);
        }
        EXPECT_EQ(quiz.familiarity[ohio], 1);
        if (!idahoAsked) {
            EXPECT_EQ(quiz.familiarity[idaho], idahoBefore);
        } else if (heldAtFour) {
            EXPECT_EQ(quiz.familiarity[idaho], 3);
            dropped = true;
        } else {
            EXPECT_EQ(quiz.familiarity[idaho], std::min(idahoBefore + 1, 4));
            heldAtFour = idahoBefore == 4;
        }
    }
    EXPECT_TRUE(dropped);
}

TEST(QuizDriver, FirstRoundAsksEveryStateOnceOutOfFifty) {
    QuizState quiz;
    RandomSource random;
    quiz::startQuiz(quiz, random, 1234.0);
    ScriptedConsole console;
    quiz::playRound(quiz, console, random);
    EXPECT_EQ(console.transcript.rfind(" 1 of 50\r\n", 0), 0u);
    std::map<std::string, int> asked;
    const std::string marker = "Name the capital of ";
    for (std::size_t at = console.transcript.find(marker); at != std::string::npos;
         at = console.transcript.find(marker, at + 1)) {
        const std::size_t end = console.transcript.find("\r\n", at);
        ++asked[console.transcript.substr(at + marker.size(), end - at - marker.size())];
    }
    EXPECT_EQ(asked.size(), 50u);
    for (const auto& [state, times] : asked) EXPECT_EQ(times, 1) << state;
    EXPECT_NE(console.transcript.find(" 50 of 50\r\n"), std::string::npos);
    EXPECT_NE(console.transcript.find(" 0of 50correct.\r\n"), std::string::npos);
}

TEST(QuizDriver, RoundWithNoQuestionsPrintsOnlyTheSummary) {
    QuizState quiz;
    RandomSource random;
    for (double seed = 0;; ++seed) {
        quiz::startQuiz(quiz, random, seed);
        for (int entry = 1; entry <= quiz::entryCount; ++entry) quiz.familiarity[entry] = 4;
        QuizState trial = quiz;
        RandomSource trialRandom = random;
        quiz::buildRound(trial, trialRandom);
        if (trial.askedCount == 0) break;
    }
    ScriptedConsole console;
    quiz::playRound(quiz, console, random);
    EXPECT_EQ(console.transcript, "Study round over!\r\n 0of 0correct.\r\nMissed:\r\nPress a key to play again\r\n");
}

TEST(QuizDriver, NothingMissedGoesStraightFromMissedToPressAKey) {
    ArrangedQuiz arranged({ohio});
    ScriptedConsole console;
    console.typedLines = {"Columbus"};
    quiz::playRound(arranged.quiz, console, arranged.random);
    EXPECT_NE(console.transcript.find(" 1of 1correct.\r\nMissed:\r\nPress a key to play again\r\n"),
              std::string::npos);
}

TEST(QuizDriver, WaitEndsOnTheFirstKeyAndPausesBetweenPolls) {
    ScriptedConsole console;
    int pauses = 0;
    quiz::waitForAnyKey(console, [&] {
        if (++pauses == 3) console.keys.push_back("x");
    });
    EXPECT_EQ(pauses, 3);
    EXPECT_EQ(console.polls, 4);

    // A key already waiting ends the wait at once, without a pause.
    console.keys = {std::string("\xff\x3b", 2), "y"};
    pauses = 0;
    quiz::waitForAnyKey(console, [&] { ++pauses; });
    EXPECT_EQ(pauses, 0);
    EXPECT_EQ(console.keys.size(), 1u);
}

}  // namespace
