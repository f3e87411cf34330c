// The study rounds: ask the chosen states, judge the answers, adjust the
// familiarity levels, print the summary, wait for a key.
#pragma once

#include <functional>

#include "console/console.h"
#include "quiz/quiz_state.h"
#include "random/random_source.h"

namespace quiz {

// Zeroes the quiz, sets every level to 1, builds the table and seeds the
// random source once with the clock's value.
void startQuiz(QuizState& quiz, randomness::RandomSource& random, double seconds);

// One round, from the cleared screen to "Press a key to play again".
void playRound(QuizState& quiz, console::Console& console, randomness::RandomSource& random);

// Polls until a key comes; pause runs between polls, so that the wait blocks
// instead of spinning. The key itself does not matter.
void waitForAnyKey(console::Console& console, const std::function<void()>& pause);

}  // namespace quiz
