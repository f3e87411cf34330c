#include <gtest/gtest.h>

#include <set>

#include "quiz/quiz_driver.h"
#include "quiz/round_builder.h"

namespace {

using quiz::QuizState;
using randomness::RandomSource;

// Counts the draws the builder takes.
struct CountingRound {
    QuizState quiz;
    RandomSource random;
    RandomSource reference;

    explicit CountingRound(double seed, std::int32_t level) {
        quiz::startQuiz(quiz, random, seed);
        reference.randomize(seed);
        for (int entry = 1; entry <= quiz::entryCount; ++entry) quiz.familiarity[entry] = level;
    }
    // The draws consumed: the reference source is walked until it meets the
    // builder's next word.
    int drawsConsumed() {
        const std::uint32_t next = random.nextWord();
        int draws = 0;
        while (reference.nextWord() != next) ++draws;
        return draws;
    }
};

TEST(RoundBuilder, ThresholdsAreExactPowersOfOneHalf) {
    EXPECT_EQ(quiz::inclusionThreshold(1), 1.0);
    EXPECT_EQ(quiz::inclusionThreshold(2), 0.5);
    EXPECT_EQ(quiz::inclusionThreshold(3), 0.25);
    EXPECT_EQ(quiz::inclusionThreshold(4), 0.125);
}

TEST(RoundBuilder, SeedZeroFirstRoundPlacesAllFiftyIn263Draws) {
    CountingRound round(0.0, 1);
    quiz::buildRound(round.quiz, round.random);
    EXPECT_EQ(round.quiz.askedCount, 50);
    std::set<int> entries;
    for (int slot = 1; slot <= 50; ++slot) {
        EXPECT_EQ(round.quiz.slotTaken[slot], 1);
        entries.insert(round.quiz.roundSlots[slot]);
    }
    EXPECT_EQ(entries.size(), 50u);
    EXPECT_EQ(*entries.begin(), 1);
    EXPECT_EQ(*entries.rbegin(), 50);
    EXPECT_EQ(round.quiz.roundSlots[1], 26);
    EXPECT_EQ(round.quiz.roundSlots[2], 48);
    EXPECT_EQ(round.quiz.roundSlots[3], 32);
    EXPECT_EQ(round.quiz.roundSlots[4], 34);
    EXPECT_EQ(round.quiz.roundSlots[5], 25);
    EXPECT_EQ(round.drawsConsumed(), 263);
}

TEST(RoundBuilder, SameSeedAndLevelsGiveTheSameRound) {
    CountingRound first(99.0, 3);
    CountingRound second(99.0, 3);
    quiz::buildRound(first.quiz, first.random);
    quiz::buildRound(second.quiz, second.random);
    for (int slot = 1; slot <= 50; ++slot) EXPECT_EQ(first.quiz.roundSlots[slot], second.quiz.roundSlots[slot]);
    EXPECT_EQ(first.quiz.askedCount, second.quiz.askedCount);
}

TEST(RoundBuilder, DrawsAreFiftyPlusTheSlotDraws) {
    // At level 4 few entries are asked; each asked entry takes at least one
    // slot draw, each left-out entry only its inclusion draw.
    for (double seed = 0; seed < 20; ++seed) {
        CountingRound round(seed, 4);
        quiz::buildRound(round.quiz, round.random);
        const int draws = round.drawsConsumed();
        EXPECT_GE(draws, 50 + round.quiz.askedCount);
        int placed = 0;
        for (int slot = 1; slot <= 50; ++slot) placed += round.quiz.slotTaken[slot];
        EXPECT_EQ(placed, round.quiz.askedCount);
    }
}

TEST(RoundBuilder, LevelTwoEntryIsAskedExactlyWhenItsDrawIsBelowOneHalf) {
    // Walk seeds: entry 1 at level 2 and all others at 4; the first draw
    // decides entry 1.
    int asked = 0;
    int left = 0;
    for (double seed = 0; seed < 64; ++seed) {
        CountingRound round(seed, 4);
        round.quiz.familiarity[1] = 2;
        RandomSource peek;
        peek.randomize(seed);
        const bool below = peek.nextUnit() < 0.5;
        quiz::buildRound(round.quiz, round.random);
        bool placed = false;
        for (int slot = 1; slot <= 50; ++slot) placed = placed || round.quiz.roundSlots[slot] == 1;
        EXPECT_EQ(placed, below) << "seed " << seed;
        (placed ? asked : left)++;
    }
    EXPECT_GT(asked, 0);
    EXPECT_GT(left, 0);
}

TEST(RoundBuilder, AllLevelsFourCanGiveAnEmptyRound) {
    // A round with nothing asked exists among the seeds; it leaves every slot empty.
    bool found = false;
    for (double seed = 0; seed < 20000 && !found; ++seed) {
        CountingRound round(seed, 4);
        quiz::buildRound(round.quiz, round.random);
        if (round.quiz.askedCount != 0) continue;
        found = true;
        for (int slot = 1; slot <= 50; ++slot) EXPECT_EQ(round.quiz.roundSlots[slot], 0);
        EXPECT_EQ(round.drawsConsumed(), 50);
    }
    EXPECT_TRUE(found);
}

}  // namespace
