#include "quiz/round_builder.h"

#include <cmath>

namespace quiz {

double inclusionThreshold(std::int32_t level) { return 1.0 / std::pow(2.0, level - 1); }

void buildRound(QuizState& quiz, randomness::RandomSource& random) {
    for (int entry = 1; entry <= entryCount; ++entry) {
        const double threshold = inclusionThreshold(quiz.familiarity[entry]);
        // The inclusion draw is taken whether or not the entry is asked.
        if (!(random.nextUnit() < threshold)) continue;
        // Draw slots until a free one comes up; nextUnit stays below 1, so
        // the slot is always 1 to 50.
        int slot = 0;
        do {
            slot = static_cast<int>(std::floor(random.nextUnit() * slotCount + 1));
        } while (quiz.slotTaken[slot] != 0);
        quiz.roundSlots[slot] = entry;
        quiz.slotTaken[slot] = 1;
        ++quiz.askedCount;
    }
}

}  // namespace quiz
