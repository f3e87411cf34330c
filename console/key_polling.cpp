#include "console/key_polling.h"

#include <cctype>
#include <climits>

#include "console/console_frame.h"
#include "console/control_events.h"
#include "console/key_tables.h"

namespace console {
namespace {

constexpr std::uint32_t altHeld = rightAltPressed | leftAltPressed;
constexpr std::uint32_t ctrlHeld = rightCtrlPressed | leftCtrlPressed;
constexpr std::uint16_t vkNumpad0Key = 0x60;
constexpr std::uint16_t vkNumpad9Key = 0x69;
// How long waitKey pauses between checks, in milliseconds.
constexpr unsigned keyWaitPause = 25;

// The column of the translation tables that the modifiers choose: Alt
// before Ctrl before Shift.
KeyColumn columnFor(std::uint32_t controlState) {
    if (controlState & altHeld) return altColumn;
    if (controlState & ctrlHeld) return ctrlColumn;
    if (controlState & shiftPressed) return shiftColumn;
    return plainColumn;
}

// The key's unshifted character with its case swapped under the current
// character-type locale. Values beyond a byte are outside what the
// classification functions accept and are kept as they are.
std::uint32_t caseSwapped(std::uint32_t base) {
    if (base > UCHAR_MAX) return base;
    const int c = static_cast<int>(base);
    if (std::isupper(c)) return static_cast<unsigned char>(std::tolower(c));
    if (std::islower(c)) return static_cast<unsigned char>(std::toupper(c));
    return base;
}

}  // namespace

KeyCode translateKey(ConsoleState& cs, const KeyEvent& event) {
    const std::uint8_t ch = event.character;
    const KeyColumn column = columnFor(event.controlState);

    // Enhanced keys without a character: the grey cursor and editing keys and
    // the keypad's Enter and slash.
    if ((event.controlState & enhancedKey) && ch == 0) {
        const EnhancedKeyRow* row = findEnhancedKey(event.scanCode);
        if (row == nullptr) return noKey;
        const KeyEntry& entry = row->columns[column];
        switch (entry.kind) {
        case KeyEntry::Kind::byte: return entry.value;
        case KeyEntry::Kind::extended: return extendedKey(entry.value);
        case KeyEntry::Kind::none: break;
        }
        return noKey;
    }

    if (event.scanCode > lastTableScanCode) return ch != 0 ? KeyCode{ch} : noKey;

    // A table code applies only when the character is the key's own, in
    // either case; a plain key with a character always yields the character.
    // The layout's value comes from the platform as it is; here, and only
    // here, its low 16 bits are kept as the character and the flags above
    // them dropped (a dead key sets the top bit and still counts as its
    // character). A value beyond one byte then matches no event's character.
    const std::uint32_t base = cs.platform.mapVirtualKeyToChar(event.virtualKey) & 0xFFFF;
    const std::uint32_t other = caseSwapped(base);
    const KeyEntry& entry = ScanCodeTable[event.scanCode][column];
    const bool counts = entry.kind == KeyEntry::Kind::extended && (column != plainColumn || ch == 0);
    if (counts && (ch == base || ch == other)) return extendedKey(entry.value);
    return ch != 0 ? KeyCode{ch} : noKey;
}

void translateKeyEvent(ConsoleState& cs, const KeyEvent& event) {
    const KeyCode code = event.keyDown ? translateKey(cs, event) : noKey;
    const std::uint32_t state = event.controlState;

    if ((state & altHeld) && !(state & (ctrlHeld | shiftPressed))) {
        // Alt alone: keypad digits build a decimal number in altNumber.
        if (event.virtualKey >= vkNumpad0Key && event.virtualKey <= vkNumpad9Key) {
            if (event.keyDown) cs.altNumber = cs.altNumber * 10 + (event.virtualKey - vkNumpad0Key);
            if (code != noKey) pushKey(cs.keyBuffer, code);
            return;
        }
        if (code != noKey) {
            cs.altNumber = 0;
            pushKey(cs.keyBuffer, code);
        }
        return;
    }

    if (code != noKey) {
        cs.altNumber = 0;
        pushKey(cs.keyBuffer, code);
    } else if (cs.altNumber != 0) {
        // The release of Alt (or Ctrl or Shift joining in) delivers the
        // number typed so far as one byte.
        pushKey(cs.keyBuffer, static_cast<KeyCode>(cs.altNumber % 256));
        cs.altNumber = 0;
    }
}

void pumpConsoleInput(ConsoleState& cs) {
    // The input handle comes from the console set-up; the first pump also
    // brings up the control-event handling.
    setUpStandardHandles(cs);
    installControlHandler(cs);
    for (;;) {
        bool pending = false;
        if (!cs.platform.peekInput(pending) || !pending) return;
        InputRecord record;
        if (!cs.platform.readInput(record)) return;
        if (record.eventType != keyEventType) continue;
        // A press yields at most one key whatever its repeat count; a press
        // with a count of 0 is ignored.
        if (record.key.keyDown && record.key.repeatCount == 0) continue;
        translateKeyEvent(cs, record.key);
    }
}

std::string pollKey(ConsoleState& cs) {
    pumpConsoleInput(cs);
    return keyStringFromCode(takeKey(cs.keyBuffer));
}

bool keyAvailable(ConsoleState& cs) {
    pumpConsoleInput(cs);
    return peekKey(cs.keyBuffer) != noKey;
}

std::string waitKey(ConsoleState& cs) {
    while (!keyAvailable(cs)) cs.platform.sleep(keyWaitPause);
    return pollKey(cs);
}

}  // namespace console
