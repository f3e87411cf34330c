#include "random/random_source.h"

#include <cmath>

namespace randomness {

std::uint32_t seedWord(double seed) {
    if (!std::isfinite(seed)) return 0;
    // The signed 64-bit range is [-2^63, 2^63). Doubles of that size are
    // whole numbers, so the seed is out of range exactly when its truncation
    // is; the conversion then truncates toward zero.
    if (seed < -9223372036854775808.0 || seed >= 9223372036854775808.0) return 0;
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(static_cast<std::int64_t>(seed)));
}

void RandomSource::randomize(double seed) {
    word_[0] = seedWord(seed);
    for (int i = 1; i < stateWords; ++i) word_[i] = word_[i - 1] * 1664525u + 1013904223u;
    index_ = stateWords;
}

std::uint32_t RandomSource::nextWord() {
    if (index_ >= stateWords) {
        for (int k = 0; k < stateWords; ++k) {
            const std::uint32_t y = (word_[k] & 0x80000000u) | (word_[(k + 1) % stateWords] & 0x7FFFFFFFu);
            word_[k] = word_[(k + 397) % stateWords] ^ (y >> 1) ^ ((y & 1u) != 0 ? 0x9908B0DFu : 0u);
        }
        index_ = 0;
    }
    std::uint32_t y = word_[index_++];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    return y;
}

double RandomSource::nextUnit() { return static_cast<double>(nextWord()) * 0x1p-32; }

}  // namespace randomness
