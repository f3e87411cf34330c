// Input fields: the next comma- or line-separated field of the input source.
#pragma once

#include <string>

#include "console/console_state.h"

namespace console {

inline constexpr int maxFieldLength = 4096;
inline constexpr int endOfInput = -1;

void nextInputField(ConsoleState& cs, std::string& target);
int nextInputChar(ConsoleState& cs);
void putBackInputChar(ConsoleState& cs, int byte);

}  // namespace console
