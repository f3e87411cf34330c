// Key polling: console input events pumped from the platform, translated
// through the key tables into keys, and read from the key buffer as
// KeyStrings.
#pragma once

#include <string>

#include "console/console_state.h"
#include "console/key_buffer.h"

namespace console {

// The next key as a KeyString, empty when none is queued; never waits.
std::string pollKey(ConsoleState& cs);
// Whether a key is queued, after pumping; never waits.
bool keyAvailable(ConsoleState& cs);
// The next key, tested at once and then every 25 ms until one is queued.
std::string waitKey(ConsoleState& cs);

// Moves every pending input event into the key buffer.
void pumpConsoleInput(ConsoleState& cs);
// Queues what one key event yields, building Alt numbers on the way.
void translateKeyEvent(ConsoleState& cs, const KeyEvent& event);
// The key that a press yields through the tables, or noKey.
KeyCode translateKey(ConsoleState& cs, const KeyEvent& event);

}  // namespace console
