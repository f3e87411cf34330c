// The program that the program-level tests start: the built program, or
// the starter that CAPITALS_TEST_PROGRAM names (the same program started in
// a hostile way, tests/hostile/).
#pragma once

#include <cstdlib>

inline const char* programUnderTest() {
    const char* starter = std::getenv("CAPITALS_TEST_PROGRAM");
    return starter != nullptr && *starter != '\0' ? starter : CAPITALS_PROGRAM;
}
