// The read-ahead of redirected standard input: bytes come out in order across
// blocks, as unsigned values, one read per block, and the end of the input
// (or a failed read) gives -1 and is asked again on the next byte.
#include "console/platform/input_read_ahead.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

namespace console {
namespace {

// A source that hands out its blocks one per read, then its end value.
struct Source {
    std::deque<std::string> blocks;
    long endValue = 0;
    int reads = 0;
    std::size_t largestAsk = 0;
};

long readSource(void* context, unsigned char* buffer, std::size_t capacity) {
    auto* source = static_cast<Source*>(context);
    ++source->reads;
    source->largestAsk = std::max(source->largestAsk, capacity);
    if (source->blocks.empty()) return source->endValue;
    const std::string block = source->blocks.front();
    source->blocks.pop_front();
    std::memcpy(buffer, block.data(), block.size());
    return static_cast<long>(block.size());
}

TEST(InputReadAhead, BytesComeInOrderWithOneReadPerBlock) {
    Source source;
    source.blocks = {"ab", std::string("\xFF\x00", 2), "c"};
    InputReadAhead ahead;
    std::vector<int> values;
    for (int i = 0; i < 5; ++i) values.push_back(ahead.nextByte(readSource, &source));
    EXPECT_EQ(values, (std::vector<int>{'a', 'b', 255, 0, 'c'}));
    EXPECT_EQ(source.reads, 3);
    EXPECT_EQ(source.largestAsk, 4096u);
    EXPECT_EQ(ahead.nextByte(readSource, &source), -1);
}

TEST(InputReadAhead, TheEndAndAFailureGiveMinusOneAndAreAskedAgain) {
    for (long endValue : {0L, -1L}) {
        Source source;
        source.endValue = endValue;
        InputReadAhead ahead;
        EXPECT_EQ(ahead.nextByte(readSource, &source), -1) << endValue;
        EXPECT_EQ(ahead.nextByte(readSource, &source), -1) << endValue;
        EXPECT_EQ(source.reads, 2) << endValue;
        // Input that comes after all (a terminal's next line) is read.
        source.blocks.push_back("z");
        EXPECT_EQ(ahead.nextByte(readSource, &source), 'z') << endValue;
    }
}

}  // namespace
}  // namespace console
