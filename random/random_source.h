// The process's pseudo-random unit values: a Mersenne Twister whose 624-word
// state is filled from the seed by a linear congruential recurrence.
#pragma once

#include <cstdint>

namespace randomness {

// The 32-bit seed a seed value stands for: truncated toward zero, low 32
// bits; NaN, infinities and values outside the signed 64-bit range give 0.
std::uint32_t seedWord(double seed);

class RandomSource {
public:
    static constexpr int stateWords = 624;

    void randomize(double seed);
    // The next value in [0, 1): the next tempered word times 2^-32.
    double nextUnit();
    // The next tempered 32-bit word.
    std::uint32_t nextWord();

private:
    std::uint32_t word_[stateWords] = {};
    int index_ = stateWords;
};

}  // namespace randomness
