#include <algorithm>

#include "console/windows/windows_console.h"
#include "console/windows/windows_handles.h"

namespace console {
namespace {

// One console input record as the console services see it: the event type,
// and for a key event its fields one for one.
InputRecord toInputRecord(const INPUT_RECORD& record) {
    InputRecord result;
    result.eventType = record.EventType;
    if (record.EventType == KEY_EVENT) {
        const KEY_EVENT_RECORD& key = record.Event.KeyEvent;
        result.key.keyDown = key.bKeyDown != 0;
        result.key.repeatCount = key.wRepeatCount;
        result.key.virtualKey = key.wVirtualKeyCode;
        result.key.scanCode = key.wVirtualScanCode;
        result.key.character = static_cast<std::uint8_t>(key.uChar.AsciiChar);
        result.key.controlState = key.dwControlKeyState;
    }
    return result;
}

// One block of standard input for the read-ahead; context is the handle. A
// pipe whose writer has gone reports a failure, a file at its end a read of
// no bytes: both are the end of the input.
long readHandle(void* context, unsigned char* buffer, std::size_t capacity) {
    if (context == nullptr) return -1;
    DWORD got = 0;
    if (!ReadFile(context, buffer, static_cast<DWORD>(capacity), &got, nullptr)) return -1;
    return static_cast<long>(got);
}

}  // namespace

bool WindowsConsole::getInputMode(std::uint32_t& mode) {
    if (input_ == nullptr) return false;
    DWORD current = 0;
    if (!GetConsoleMode(input_, &current)) return false;
    mode = current;
    return true;
}

bool WindowsConsole::setInputMode(std::uint32_t mode) {
    if (input_ == nullptr) return false;
    return SetConsoleMode(input_, mode) != 0;
}

bool WindowsConsole::peekInput(bool& pending) {
    pending = eventsHeld();
    if (pending) return true;
    if (input_ == nullptr) return false;
    INPUT_RECORD record;
    DWORD count = 0;
    if (!PeekConsoleInputA(input_, &record, 1, &count)) return false;
    pending = count > 0;
    return true;
}

bool WindowsConsole::readInput(InputRecord& record) {
    if (!eventsHeld()) {
        // Every event pending now, up to a block, in one call; a console that
        // has none blocks until one comes, as a read of one would.
        if (input_ == nullptr) return false;
        INPUT_RECORD block[eventBlock];
        DWORD count = 0;
        if (!ReadConsoleInputA(input_, block, eventBlock, &count) || count == 0) return false;
        for (DWORD i = 0; i < count; ++i) events_[i] = toInputRecord(block[i]);
        eventsNext_ = 0;
        eventsCount_ = static_cast<int>(count);
    }
    record = events_[eventsNext_++];
    return true;
}

int WindowsConsole::readInputByte() { return readAhead_.nextByte(readHandle, input_); }

std::uint32_t WindowsConsole::mapVirtualKeyToChar(std::uint16_t virtualKey) {
    return MapVirtualKeyA(virtualKey, MAPVK_VK_TO_CHAR);
}

}  // namespace console
