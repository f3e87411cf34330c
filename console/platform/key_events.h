// Key events as the console models make them: a key typed once is its
// press followed by its release, and a character is typed on the US layout
// key that types it. Shared by the terminal's key decoder and the in-memory
// console's typing.
#pragma once

#include <cstdint>

#include "console/console_platform.h"

namespace console {

// The input record of a key event: the key as given, pressed or released,
// with a repeat count of at least 1.
InputRecord keyRecord(const KeyEvent& key, bool keyDown);

// Appends a key typed once to an input queue: its press, then its release
// with the same fields.
template <typename InputQueue>
void appendKeyStroke(InputQueue& queue, const KeyEvent& key) {
    queue.push_back(keyRecord(key, true));
    queue.push_back(keyRecord(key, false));
}

// The control-state flags a typed control character comes with: Ctrl for
// the characters typed as Ctrl+letter (1 to 26, line feed among them),
// except Backspace, Tab and Enter (8, 9 and 13), which have keys of their own.
std::uint32_t controlCharacterFlags(std::uint8_t character);

// The press that types a character: the US layout key that types it, with
// Shift when the layout needs it and the control character's flags. A
// character that no key of the layout types (0, 28 to 31, 127 and the code
// page's characters beyond ASCII) comes with virtual key and scan code 0.
KeyEvent typedCharacterPress(std::uint8_t character);

}  // namespace console
