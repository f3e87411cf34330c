#include "console/platform/input_read_ahead.h"

namespace console {

int InputReadAhead::nextByte(ReadFunction read, void* context) {
    if (pos_ == length_) {
        const long got = read(context, buffer_, sizeof buffer_);
        if (got <= 0) return -1;
        length_ = static_cast<std::size_t>(got);
        pos_ = 0;
    }
    return buffer_[pos_++];
}

}  // namespace console
