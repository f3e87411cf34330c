// Key polling: console input events turned into KeyStrings through the
// translation tables and the KeyBuffer.
#pragma once

#include <string>

#include "console/console_state.h"

namespace console {

inline constexpr std::uint8_t extendedKeyPrefix = 255;
// The key that a console close queues: extended code 0x6B.
inline constexpr KeyCode closeKey = 0x6B * 256 + 255;

std::string pollKey(ConsoleState& cs);
bool keyAvailable(ConsoleState& cs);
std::string waitKey(ConsoleState& cs);
void pushKey(ConsoleState& cs, KeyCode key);
KeyCode takeKey(ConsoleState& cs, bool remove);

void pumpConsoleInput(ConsoleState& cs);
void translateKeyEvent(ConsoleState& cs, const KeyEvent& event);
KeyCode translateKey(ConsoleState& cs, const KeyEvent& event);

std::string keyStringFromCode(KeyCode key);

}  // namespace console
