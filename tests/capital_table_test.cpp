#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "quiz/capital_table.h"

namespace {

// The table against the list of states and capitals kept beside the tests,
// letter for letter: every capital is the only answer accepted.
TEST(CapitalTable, FiftyRowsInOrderLetterForLetter) {
    std::ifstream list(CAPITALS_SOURCE_DIR "/tests/windows/capital_table.tsv");
    ASSERT_TRUE(list.is_open());
    quiz::CapitalTable table;
    quiz::buildCapitalTable(table);
    std::string line;
    int entry = 0;
    while (std::getline(list, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        ++entry;
        ASSERT_LE(entry, quiz::entryCount);
        const std::size_t tab = line.find('\t');
        EXPECT_EQ(table[entry].stateName, line.substr(0, tab)) << "entry " << entry;
        EXPECT_EQ(table[entry].capitalName, line.substr(tab + 1)) << "entry " << entry;
    }
    EXPECT_EQ(entry, quiz::entryCount);
    EXPECT_EQ(table[23].capitalName, "Saint Paul");
    EXPECT_EQ(table[36].capitalName, "Oklahoma City");
}

}  // namespace
