// Random screens through the terminal renderer: random sizes, writes,
// scrolls, fills, clears, mid-line inserts and deletes, cursor moves and
// resizes, rendered at random moments into a terminal emulator. Aborts when
// a rule of renderer_invariants.h breaks.
#include <cstdio>
#include <cstdlib>

#include "fuzz/renderer_invariants.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string fault = console::fuzzing::checkRendering(data, size);
    if (!fault.empty()) {
        std::fprintf(stderr, "terminal renderer: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
