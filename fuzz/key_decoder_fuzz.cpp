// Random terminal input through the key decoder: random chunks with random
// ends of the wait for more bytes. Aborts when a rule of
// key_decoder_invariants.h breaks.
#include <cstdio>
#include <cstdlib>

#include "fuzz/key_decoder_invariants.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const console::fuzzing::DecoderScript script = console::fuzzing::scriptFromBytes(data, size);
    const std::string fault = console::fuzzing::checkDecoderScript(script);
    if (!fault.empty()) {
        std::fprintf(stderr, "key decoder: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
