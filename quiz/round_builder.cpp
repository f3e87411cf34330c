#include "quiz/round_builder.h"

#include <limits>

namespace quiz {

double inclusionThreshold(std::int32_t level) {
    // 1 / 2^(level - 1) by halving or doubling, which is exact for every
    // power of two a double holds; past 2^1023, 2^(level - 1) itself is out
    // of range and the threshold is 0, and where 1 / 2^(level - 1) is past
    // the largest double it is infinite.
    if (level > 1024) return 0.0;
    double threshold = 1.0;
    for (std::int32_t k = level; k > 1; --k) threshold *= 0.5;
    for (std::int32_t k = level; k < 1 && threshold != std::numeric_limits<double>::infinity(); ++k) {
        threshold *= 2.0;
    }
    return threshold;
}

void buildRound(QuizState& quiz, randomness::RandomSource& random) {
    for (int entry = 1; entry <= entryCount; ++entry) {
        const double threshold = inclusionThreshold(quiz.familiarity[entry]);
        // The inclusion draw is taken whether or not the entry is asked.
        if (!(random.nextUnit() < threshold)) continue;
        // Draw slots until a free one comes up; nextUnit stays below 1, so
        // the slot is always 1 to 50. The value is positive, so the
        // conversion's truncation is its floor.
        int slot = 0;
        do {
            slot = static_cast<int>(random.nextUnit() * slotCount + 1);
        } while (quiz.slotTaken[slot] != 0);
        quiz.roundSlots[slot] = entry;
        quiz.slotTaken[slot] = 1;
        ++quiz.askedCount;
    }
}

}  // namespace quiz
