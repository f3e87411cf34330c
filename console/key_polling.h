// Key polling: console input events turned into KeyStrings through the
// translation tables and the KeyBuffer.
#pragma once

#include <string>

#include "console/console_state.h"

namespace console {

inline constexpr std::uint8_t extendedKeyPrefix = 255;
// The queued value of an extended key: its extended code * 256 + 255.
constexpr KeyCode extendedKey(std::uint8_t code) { return static_cast<KeyCode>(code) * 256 + extendedKeyPrefix; }
// The key that a console close queues: extended code 0x6B.
inline constexpr KeyCode closeKey = extendedKey(0x6B);

std::string pollKey(ConsoleState& cs);
bool keyAvailable(ConsoleState& cs);
std::string waitKey(ConsoleState& cs);
void pushKey(ConsoleState& cs, KeyCode key);
KeyCode takeKey(ConsoleState& cs, bool remove);

void pumpConsoleInput(ConsoleState& cs);
void translateKeyEvent(ConsoleState& cs, const KeyEvent& event);
KeyCode translateKey(ConsoleState& cs, const KeyEvent& event);

// The KeyString of a queued key: none for noKey, one byte for 0 to 255,
// else the low byte then the extended code.
std::string keyStringFromCode(KeyCode key);
// The queued value of a KeyString: noKey for an empty string, its byte for
// one byte, else its second byte as an extended code (the first byte is not
// looked at).
KeyCode keyCodeFromString(const std::string& key);

}  // namespace console
