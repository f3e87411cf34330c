#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "quiz/quiz_state.h"
#include "quiz/round_builder.h"
#include "random/random_source.h"
#include "random/seconds_timer.h"

namespace {

using randomness::RandomSource;

TEST(RandomSource, SeedZeroGivesTheKnownWordsAcrossTheFirstRegeneration) {
    RandomSource random;
    random.randomize(0.0);
    EXPECT_EQ(random.nextWord(), 1417766733u);
    EXPECT_EQ(random.nextWord(), 1413209507u);
    EXPECT_EQ(random.nextWord(), 2286996103u);
    for (int i = 4; i < 624; ++i) random.nextWord();
    EXPECT_EQ(random.nextWord(), 750487635u);   // 624th
    EXPECT_EQ(random.nextWord(), 1968666426u);  // 625th, after the regeneration
    EXPECT_EQ(random.nextWord(), 378794928u);
}

TEST(RandomSource, UnitValueIsTheWordScaledBy2ToTheMinus32) {
    RandomSource random;
    random.randomize(0.0);
    EXPECT_EQ(random.nextUnit(), 1417766733.0 / 4294967296.0);
}

TEST(RandomSource, SeedConversionTruncatesAndKeepsTheLow32Bits) {
    EXPECT_EQ(randomness::seedWord(12345.678), 12345u);
    EXPECT_EQ(randomness::seedWord(12345.0), 12345u);
    EXPECT_EQ(randomness::seedWord(4294967296.0 + 5.0), 5u);
    EXPECT_EQ(randomness::seedWord(-1.5), 0xFFFFFFFFu);
    EXPECT_EQ(randomness::seedWord(std::numeric_limits<double>::quiet_NaN()), 0u);
    EXPECT_EQ(randomness::seedWord(std::numeric_limits<double>::infinity()), 0u);
    EXPECT_EQ(randomness::seedWord(-std::numeric_limits<double>::infinity()), 0u);
    EXPECT_EQ(randomness::seedWord(1e19), 0u);
    EXPECT_EQ(randomness::seedWord(-9223372036854775808.0), 0u);  // -2^63: low bits all zero
    EXPECT_EQ(randomness::seedWord(9223372036854775808.0), 0u);   // 2^63: out of range

    RandomSource fractional;
    fractional.randomize(12345.678);
    EXPECT_EQ(fractional.nextWord(), 214456958u);
}

TEST(RandomSource, SeedsThatConvertAlikeGiveTheSameSequence) {
    auto firstWords = [](double seed) {
        RandomSource random;
        random.randomize(seed);
        std::vector<std::uint32_t> words;
        for (int i = 0; i < 700; ++i) words.push_back(random.nextWord());
        return words;
    };
    EXPECT_EQ(firstWords(4294967296.0 + 5.0), firstWords(5.0));
    EXPECT_EQ(firstWords(std::nan("")), firstWords(0.0));
    EXPECT_EQ(firstWords(-std::numeric_limits<double>::infinity()), firstWords(0.0));
    EXPECT_NE(firstWords(1.0), firstWords(0.0));
}

TEST(RandomSource, ReseedingStartsTheSequenceAgain) {
    RandomSource random;
    random.randomize(7.0);
    const std::uint32_t first = random.nextWord();
    for (int i = 0; i < 1000; ++i) random.nextWord();
    random.randomize(7.0);
    EXPECT_EQ(random.nextWord(), first);
}

TEST(SecondsTimer, TickCountModeIsMilliseconds) {
    EXPECT_EQ(randomness::secondsFromTicks(0), 0.0);
    EXPECT_EQ(randomness::secondsFromTicks(1500), 1.5);
    EXPECT_EQ(randomness::secondsFromTicks(0xFFFFFFFFu), 4294967.295);
}

}  // namespace
