#include "console/windows/windows_console.h"

#include <algorithm>

#include "console/windows/windows_handles.h"

namespace console {

using windows::toCoord;
using windows::toShort;
using windows::usableHandle;

namespace {

// A rectangle of cells as the console calls take it, each edge clamped to
// the console's coordinate range.
SMALL_RECT toSmallRect(const CellRect& cells) {
    SMALL_RECT rect;
    rect.Left = toShort(cells.left);
    rect.Top = toShort(cells.top);
    rect.Right = toShort(cells.right);
    rect.Bottom = toShort(cells.bottom);
    return rect;
}

}  // namespace

void WindowsConsole::fetchStandardHandles() {
    input_ = usableHandle(GetStdHandle(STD_INPUT_HANDLE));
    output_ = usableHandle(GetStdHandle(STD_OUTPUT_HANDLE));
    takeKeyboard();
}

// A console that is itself shown on a terminal (Wine's, for one) takes that
// terminal's keyboard only at its first input request: until then the
// terminal echoes every typed key by itself, at a place the console does not
// know of, and a key typed as the first question shows is drawn twice. One
// request now, before anything is drawn, makes it take the keyboard at once.
// It leaves the events where they are; a console on its own window needs it
// not and is not changed by it.
void WindowsConsole::takeKeyboard() {
    bool pending = false;
    peekInput(pending);
}

bool WindowsConsole::getScreenInfo(ScreenInfo& info) {
    if (output_ == nullptr) return false;
    CONSOLE_SCREEN_BUFFER_INFO buffer;
    if (!GetConsoleScreenBufferInfo(output_, &buffer)) return false;
    const CellRect window{buffer.srWindow.Left, buffer.srWindow.Top, buffer.srWindow.Right, buffer.srWindow.Bottom};
    if (holdBufferSize(window, buffer.dwSize.X, buffer.dwSize.Y) && !GetConsoleScreenBufferInfo(output_, &buffer)) {
        return false;
    }
    info.bufferWidth = buffer.dwSize.X;
    info.bufferHeight = buffer.dwSize.Y;
    info.cursorX = buffer.dwCursorPosition.X;
    info.cursorY = buffer.dwCursorPosition.Y;
    info.attribute = buffer.wAttributes;
    info.windowLeft = buffer.srWindow.Left;
    info.windowTop = buffer.srWindow.Top;
    info.windowRight = buffer.srWindow.Right;
    info.windowBottom = buffer.srWindow.Bottom;
    return true;
}

bool WindowsConsole::setCursorPosition(int x, int y) {
    if (output_ == nullptr) return false;
    return SetConsoleCursorPosition(output_, toCoord(x, y)) != 0;
}

bool WindowsConsole::getCursorVisible(bool& visible) {
    if (output_ == nullptr) return false;
    CONSOLE_CURSOR_INFO cursor;
    if (!GetConsoleCursorInfo(output_, &cursor)) return false;
    visible = cursor.bVisible != 0;
    return true;
}

bool WindowsConsole::setCursorVisible(bool visible) {
    if (output_ == nullptr) return false;
    // The cursor's size is kept: only its visibility changes.
    CONSOLE_CURSOR_INFO cursor;
    if (!GetConsoleCursorInfo(output_, &cursor)) return false;
    cursor.bVisible = visible ? TRUE : FALSE;
    return SetConsoleCursorInfo(output_, &cursor) != 0;
}

bool WindowsConsole::setWindow(const CellRect& window) {
    if (output_ == nullptr) return false;
    const SMALL_RECT rect = toSmallRect(window);
    return SetConsoleWindowInfo(output_, TRUE, &rect) != 0;
}

bool WindowsConsole::writeCells(int x, int y, const std::uint8_t* bytes, int n, std::uint16_t attribute) {
    if (output_ == nullptr) return false;
    // One n by 1 block per call, in pieces of a fixed size so that no write
    // needs memory of its own; the console does not interpret the bytes.
    constexpr int pieceCells = 256;
    CHAR_INFO piece[pieceCells];
    for (int done = 0; done < n;) {
        const int count = std::min(n - done, pieceCells);
        for (int i = 0; i < count; ++i) {
            piece[i].Char.AsciiChar = static_cast<CHAR>(bytes[done + i]);
            piece[i].Attributes = attribute;
        }
        SMALL_RECT region = toSmallRect(CellRect{x + done, y, x + done + count - 1, y});
        if (!WriteConsoleOutputA(output_, piece, toCoord(count, 1), toCoord(0, 0), &region)) return false;
        done += count;
    }
    return true;
}

bool WindowsConsole::scrollBlock(const CellRect& source, int destX, int destY, std::uint8_t fillChar,
                                 std::uint16_t fillAttribute) {
    if (output_ == nullptr) return false;
    const SMALL_RECT rect = toSmallRect(source);
    CHAR_INFO fill;
    fill.Char.AsciiChar = static_cast<CHAR>(fillChar);
    fill.Attributes = fillAttribute;
    return ScrollConsoleScreenBufferA(output_, &rect, nullptr, toCoord(destX, destY), &fill) != 0;
}

bool WindowsConsole::fillCharacter(std::uint8_t ch, int count, int x, int y) {
    if (output_ == nullptr) return false;
    DWORD written = 0;
    return FillConsoleOutputCharacterA(output_, static_cast<CHAR>(ch), static_cast<DWORD>(std::max(count, 0)),
                                       toCoord(x, y), &written) != 0;
}

bool WindowsConsole::fillAttribute(std::uint16_t attribute, int count, int x, int y) {
    if (output_ == nullptr) return false;
    DWORD written = 0;
    return FillConsoleOutputAttribute(output_, attribute, static_cast<DWORD>(std::max(count, 0)), toCoord(x, y),
                                      &written) != 0;
}

bool WindowsConsole::writeFile(const std::uint8_t* bytes, std::size_t n, std::size_t& written) {
    written = 0;
    if (output_ == nullptr) return false;
    // One call takes at most what a DWORD counts; the caller writes the rest.
    const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(n, 0x7FFFFFFF));
    DWORD taken = 0;
    if (!WriteFile(output_, bytes, ask, &taken, nullptr)) return false;
    written = taken;
    return true;
}

void WindowsConsole::beep(unsigned frequency, unsigned milliseconds) { Beep(frequency, milliseconds); }

// Waits until the console has input: events already read ahead, or the
// console input handle signalled, which it is while events are pending, so
// that an idle key wait wakes nobody. A close needs no wake: the process
// ends once its handler returns. False when standard input is no console or
// the wait cannot be made.
bool WindowsConsole::waitOnConsoleInput() {
    if (eventsHeld()) return true;
    DWORD mode = 0;
    if (input_ == nullptr || !GetConsoleMode(input_, &mode)) return false;
    return WaitForSingleObject(input_, INFINITE) != WAIT_FAILED;
}

void WindowsConsole::sleep(unsigned milliseconds) {
    if (milliseconds > 0 && waitOnConsoleInput()) return;
    Sleep(milliseconds);
}

void WindowsConsole::waitForInput() {
    if (waitOnConsoleInput()) return;
    DWORD mode = 0;
    if (input_ != nullptr && GetConsoleMode(input_, &mode)) {
        // A wait that cannot be made falls back to the key poll's own pace.
        Sleep(25);
        return;
    }
    // No key can ever arrive from a redirected standard input; the process
    // ends through the console's control events.
    for (;;) Sleep(INFINITE);
}

// The console shows every change as it is made.
void WindowsConsole::present() {}

}  // namespace console
