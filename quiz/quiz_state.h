// Everything the quiz knows, owned by the quiz driver for the life of the
// process. Arrays are indexed 1 to 50; index 0 is unused.
#pragma once

#include <cstdint>
#include <string>

#include "quiz/capital_table.h"

namespace quiz {

inline constexpr int slotCount = 50;
inline constexpr std::int32_t lowestLevel = 1;
inline constexpr std::int32_t highestLevel = 4;

struct QuizState {
    CapitalTable capitalTable;
    std::int32_t familiarity[entryCount + 1] = {};
    std::int32_t roundSlots[slotCount + 1] = {};
    std::int32_t slotTaken[slotCount + 1] = {};
    std::int32_t askedCount = 0;
    std::int32_t correctCount = 0;
    std::int32_t missedEntries[entryCount + 1] = {};
    std::int32_t missedCount = 0;
    std::int32_t questionNumber = 0;
    std::string answer;
};

}  // namespace quiz
