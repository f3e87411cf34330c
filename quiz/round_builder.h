// Chooses the states of a round by familiarity and scatters them over the
// 50 slots, which gives the question order.
#pragma once

#include "quiz/quiz_state.h"
#include "random/random_source.h"

namespace quiz {

// The chance of asking a state at a familiarity level: 1 / 2^(level - 1).
double inclusionThreshold(std::int32_t level);

// Fills roundSlots, slotTaken and askedCount, which must be zero on entry.
void buildRound(QuizState& quiz, randomness::RandomSource& random);

}  // namespace quiz
