// Standard input that is not a console, taken one byte at a time: bytes are
// read ahead in blocks, so that a field read byte by byte costs one read per
// block, not one per byte.
#pragma once

#include <cstddef>

namespace console {

class InputReadAhead {
public:
    // Reads at most capacity bytes into buffer from the source that context
    // names; returns the count read, 0 or less at the input's end (a failed
    // read ends the input too).
    using ReadFunction = long (*)(void* context, unsigned char* buffer, std::size_t capacity);

    // The next byte (0 to 255), reading the next block with read when the
    // last one is used up; -1 at the input's end.
    int nextByte(ReadFunction read, void* context);

private:
    unsigned char buffer_[4096] = {};
    std::size_t length_ = 0;
    std::size_t pos_ = 0;
};

}  // namespace console
