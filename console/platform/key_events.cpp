#include "console/platform/key_events.h"

#include "console/platform/us_layout.h"

namespace console {

InputRecord keyRecord(const KeyEvent& key, bool keyDown) {
    InputRecord record;
    record.eventType = keyEventType;
    record.key = key;
    record.key.keyDown = keyDown;
    if (record.key.repeatCount == 0) record.key.repeatCount = 1;
    return record;
}

std::uint32_t controlCharacterFlags(std::uint8_t character) {
    if (character < 1 || character > 26) return 0;
    if (character == 8 || character == 9 || character == 13) return 0;
    return leftCtrlPressed;
}

KeyEvent typedCharacterPress(std::uint8_t character) {
    const LayoutKey key = layoutKeyFor(character);
    KeyEvent press;
    press.virtualKey = key.virtualKey;
    press.scanCode = key.scanCode;
    press.character = character;
    press.controlState = controlCharacterFlags(character) | (key.shift ? shiftPressed : 0u);
    return press;
}

}  // namespace console
