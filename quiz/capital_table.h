// The question bank: the 50 states and their capitals, entries 1 to 50.
#pragma once

#include <string>

namespace quiz {

inline constexpr int entryCount = 50;

struct CapitalEntry {
    std::string stateName;
    std::string capitalName;
};

// Entry 0 is unused, so that entry numbers index the table directly.
struct CapitalTable {
    CapitalEntry entries[entryCount + 1];
    const CapitalEntry& operator[](int entry) const { return entries[entry]; }
};

void buildCapitalTable(CapitalTable& table);

}  // namespace quiz
