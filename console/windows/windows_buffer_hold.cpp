// The buffer's size held through a line edit. A console that follows its
// window (as current Windows consoles do when the user resizes them) changes
// the buffer's width under the line editor, whose cursor arithmetic rests on
// the width it started with. While the size is kept, every screen query
// finds the buffer at its held size: a size the user gave meanwhile is taken
// back and noted, and applied once the line is done.
#include <algorithm>

#include "console/windows/windows_console.h"
#include "console/windows/windows_handles.h"

namespace console {

namespace {

// The window, moved and cut down as little as it takes to lie inside a
// buffer of the given size.
CellRect windowInside(const CellRect& window, int width, int height) {
    const int windowWidth = std::min(window.right - window.left + 1, width);
    const int windowHeight = std::min(window.bottom - window.top + 1, height);
    const int left = std::clamp(window.left, 0, width - windowWidth);
    const int top = std::clamp(window.top, 0, height - windowHeight);
    return CellRect{left, top, left + windowWidth - 1, top + windowHeight - 1};
}

}  // namespace

void WindowsConsole::keepBufferSize(bool keep) {
    if (keep) {
        ScreenInfo info;
        heldWidth_ = 0;
        heldHeight_ = 0;
        askedWidth_ = 0;
        askedHeight_ = 0;
        if (getScreenInfo(info)) {
            heldWidth_ = info.bufferWidth;
            heldHeight_ = info.bufferHeight;
        }
        return;
    }
    heldWidth_ = 0;
    heldHeight_ = 0;
    if (askedWidth_ > 0) {
        // The window the user gave, at the place the window shows now: the
        // line may have scrolled it since.
        CellRect window = askedWindow_;
        ScreenInfo info;
        if (getScreenInfo(info)) {
            window = CellRect{info.windowLeft, info.windowTop, info.windowLeft + askedWindow_.right - askedWindow_.left,
                              info.windowTop + askedWindow_.bottom - askedWindow_.top};
        }
        resizeBuffer(askedWidth_, askedHeight_, window);
    }
    askedWidth_ = 0;
    askedHeight_ = 0;
}

bool WindowsConsole::holdBufferSize(const CellRect& window, int width, int height) {
    if (heldWidth_ <= 0 || (width == heldWidth_ && height == heldHeight_)) return false;
    askedWidth_ = width;
    askedHeight_ = height;
    askedWindow_ = window;
    return resizeBuffer(heldWidth_, heldHeight_, window);
}

bool WindowsConsole::resizeBuffer(int width, int height, const CellRect& window) {
    if (output_ == nullptr || width <= 0 || height <= 0) return false;
    // The window first shrinks to what both sizes hold, then the buffer takes
    // its size, then the window grows to the place asked for.
    CONSOLE_SCREEN_BUFFER_INFO buffer;
    if (!GetConsoleScreenBufferInfo(output_, &buffer)) return false;
    const CellRect shrunk =
        windowInside(windowInside(window, width, height), buffer.dwSize.X, buffer.dwSize.Y);
    setWindow(shrunk);
    if (!SetConsoleScreenBufferSize(output_, windows::toCoord(width, height))) return false;
    setWindow(windowInside(window, width, height));
    return true;
}

}  // namespace console
