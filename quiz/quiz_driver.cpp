#include "quiz/quiz_driver.h"

#include <algorithm>

#include "quiz/round_builder.h"

namespace quiz {

using console::lineEnd;

void startQuiz(QuizState& quiz, randomness::RandomSource& random, double seconds) {
    quiz = QuizState{};
    for (int entry = 1; entry <= entryCount; ++entry) quiz.familiarity[entry] = lowestLevel;
    buildCapitalTable(quiz.capitalTable);
    random.randomize(seconds);
}

namespace {

void askQuestion(QuizState& quiz, console::Console& console, int entry) {
    const CapitalEntry& row = quiz.capitalTable[entry];
    console.printInteger(quiz.questionNumber, 0);
    console.printText(" of", 0);
    console.printInteger(quiz.askedCount, lineEnd);
    ++quiz.questionNumber;
    console.printText("Name the capital of ", 0);
    console.printText(row.stateName, lineEnd);

    console.beginInput("", console::withQuestionMark, console::withNewlineAfter);
    console.nextInputField(quiz.answer);

    if (quiz.answer == row.capitalName) {
        console.printText("Correct!", lineEnd);
        ++quiz.correctCount;
        quiz.familiarity[entry] = std::min(quiz.familiarity[entry] + 1, highestLevel);
    } else {
        console.printText("Incorrect", lineEnd);
        console.printText("Correct answer is ", 0);
        console.printText(row.capitalName, lineEnd);
        ++quiz.missedCount;
        quiz.missedEntries[quiz.missedCount] = entry;
        quiz.familiarity[entry] = std::max(quiz.familiarity[entry] - 1, lowestLevel);
    }
}

void printSummary(const QuizState& quiz, console::Console& console) {
    console.printText("Study round over!", lineEnd);
    console.printInteger(quiz.correctCount, 0);
    console.printText("of", 0);
    console.printInteger(quiz.askedCount, 0);
    console.printText("correct.", lineEnd);
    console.printText("Missed:", lineEnd);
    const int missed = quiz.missedCount;
    for (int k = 1; k <= missed; ++k) {
        const CapitalEntry& row = quiz.capitalTable[quiz.missedEntries[k]];
        console.printText(row.stateName, 0);
        console.printText(" , ", 0);
        console.printText(row.capitalName, lineEnd);
    }
}

}  // namespace

void playRound(QuizState& quiz, console::Console& console, randomness::RandomSource& random) {
    console.clearScreen();
    quiz.correctCount = 0;
    quiz.askedCount = 0;
    quiz.missedCount = 0;
    std::fill(std::begin(quiz.roundSlots), std::end(quiz.roundSlots), 0);
    std::fill(std::begin(quiz.slotTaken), std::end(quiz.slotTaken), 0);
    buildRound(quiz, random);

    quiz.questionNumber = 1;
    for (int slot = 1; slot <= slotCount; ++slot) {
        if (quiz.roundSlots[slot] != 0) askQuestion(quiz, console, quiz.roundSlots[slot]);
    }
    printSummary(quiz, console);
    console.printText("Press a key to play again", lineEnd);
}

void waitForAnyKey(console::Console& console, const std::function<void()>& pause) {
    while (console.pollKey().empty()) pause();
}

}  // namespace quiz
