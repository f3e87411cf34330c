#include "console/memory/memory_console.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "console/platform/key_events.h"
#include "console/platform/us_layout.h"

namespace console {

MemoryConsole::MemoryConsole(int width, int bufferHeightRows, int windowHeight)
    : bufferWidth(width),
      bufferHeight(bufferHeightRows),
      cells(static_cast<std::size_t>(width) * static_cast<std::size_t>(bufferHeightRows)),
      windowBottom((windowHeight > 0 ? windowHeight : bufferHeightRows) - 1) {}

void MemoryConsole::fetchStandardHandles() {}

bool MemoryConsole::getScreenInfo(ScreenInfo& info) {
    ++counts.screenInfoQueries;
    if (!outputIsConsole || failScreenInfo) return false;
    info.bufferWidth = bufferWidth;
    info.bufferHeight = bufferHeight;
    info.cursorX = cursorX;
    info.cursorY = cursorY;
    info.attribute = attribute;
    info.windowLeft = 0;
    info.windowTop = windowTop;
    info.windowRight = bufferWidth - 1;
    info.windowBottom = windowBottom;
    return true;
}

bool MemoryConsole::setCursorPosition(int x, int y) {
    ++counts.cursorPlacements;
    if (!outputIsConsole || failSetCursor || !inBuffer(x, y)) return false;
    cursorX = x;
    cursorY = y;
    return true;
}

bool MemoryConsole::getCursorVisible(bool& visible) {
    if (!outputIsConsole || failCursorInfo) return false;
    visible = cursorVisible;
    return true;
}

bool MemoryConsole::setCursorVisible(bool visible) {
    if (!outputIsConsole || failCursorInfo) return false;
    cursorVisible = visible;
    return true;
}

bool MemoryConsole::setWindow(const CellRect& window) {
    ++counts.windowMoves;
    if (!outputIsConsole || failSetWindow) return false;
    if (window.left != 0 || window.right != bufferWidth - 1 || window.top < 0 || window.bottom >= bufferHeight ||
        window.top > window.bottom) {
        return false;
    }
    windowTop = window.top;
    windowBottom = window.bottom;
    return true;
}

bool MemoryConsole::writeCells(int x, int y, const std::uint8_t* bytes, int n, std::uint16_t cellAttribute) {
    ++counts.cellWrites;
    if (!outputIsConsole) return false;
    if (writeCellsFailAfter == 0) return false;
    if (writeCellsFailAfter > 0) --writeCellsFailAfter;
    if (y < 0 || y >= bufferHeight) return false;
    for (int i = 0; i < n; ++i) {
        if (x + i < 0 || x + i >= bufferWidth) continue;
        cell(x + i, y) = Cell{bytes[i], cellAttribute};
    }
    return true;
}

bool MemoryConsole::scrollBlock(const CellRect& source, int destX, int destY, std::uint8_t fillChar,
                                std::uint16_t fillAttribute) {
    ++counts.blockScrolls;
    if (!outputIsConsole) return false;
    CellRect src{std::max(source.left, 0), std::max(source.top, 0), std::min(source.right, bufferWidth - 1),
                 std::min(source.bottom, bufferHeight - 1)};
    if (src.left > src.right || src.top > src.bottom) return false;
    destX += src.left - source.left;
    destY += src.top - source.top;
    // Take the block, fill what it covered, then lay it down at the
    // destination: the cells the block vacates keep the fill.
    const int w = src.right - src.left + 1;
    const int h = src.bottom - src.top + 1;
    std::vector<Cell> block(static_cast<std::size_t>(w * h));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            block[static_cast<std::size_t>(y * w + x)] = cell(src.left + x, src.top + y);
            cell(src.left + x, src.top + y) = Cell{fillChar, fillAttribute};
        }
    }
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (inBuffer(destX + x, destY + y)) cell(destX + x, destY + y) = block[static_cast<std::size_t>(y * w + x)];
        }
    }
    // A move of the whole buffer up is what a terminal shows as a scroll.
    if (src.left == 0 && src.right == bufferWidth - 1 && src.bottom == bufferHeight - 1 && destX == 0 &&
        destY == 0 && src.top > 0) {
        scrolledLines_ += src.top;
    }
    return true;
}

bool MemoryConsole::fillCharacter(std::uint8_t ch, int count, int x, int y) {
    ++counts.fills;
    if (!outputIsConsole || !inBuffer(x, y)) return false;
    for (int i = y * bufferWidth + x, end = std::min(i + std::max(count, 0), bufferWidth * bufferHeight); i < end; ++i) {
        cells[static_cast<std::size_t>(i)].ch = ch;
    }
    return true;
}

bool MemoryConsole::fillAttribute(std::uint16_t cellAttribute, int count, int x, int y) {
    ++counts.fills;
    if (!outputIsConsole || !inBuffer(x, y)) return false;
    for (int i = y * bufferWidth + x, end = std::min(i + std::max(count, 0), bufferWidth * bufferHeight); i < end; ++i) {
        cells[static_cast<std::size_t>(i)].attribute = cellAttribute;
    }
    return true;
}

bool MemoryConsole::writeFile(const std::uint8_t* bytes, std::size_t n, std::size_t& written) {
    written = 0;
    if (failWriteFile) return false;
    written = writeFileChunk == 0 ? n : std::min(n, writeFileChunk);
    fileOutput.append(reinterpret_cast<const char*>(bytes), written);
    return true;
}

bool MemoryConsole::getInputMode(std::uint32_t& mode) {
    if (!inputIsConsole) return false;
    mode = inputMode;
    return true;
}

bool MemoryConsole::setInputMode(std::uint32_t mode) {
    if (!inputIsConsole || failSetInputMode) return false;
    inputMode = mode;
    return true;
}

bool MemoryConsole::peekInput(bool& pending) {
    pending = false;
    if (!inputIsConsole || failPeek) return false;
    pending = !events.empty();
    return true;
}

bool MemoryConsole::readInput(InputRecord& record) {
    if (!inputIsConsole || events.empty()) return false;
    record = events.front();
    events.pop_front();
    return true;
}

int MemoryConsole::readInputByte() {
    if (stdinPos >= stdinBytes.size()) return -1;
    return static_cast<std::uint8_t>(stdinBytes[stdinPos++]);
}

bool MemoryConsole::addControlHandler(ControlHandler handler, void* context) {
    if (failAddHandler) return false;
    handlers.push_back({handler, context});
    return true;
}

bool MemoryConsole::removeControlHandler(ControlHandler handler, void* context) {
    for (auto it = handlers.begin(); it != handlers.end(); ++it) {
        if (it->handler == handler && it->context == context) {
            handlers.erase(it);
            return true;
        }
    }
    return false;
}

std::uint32_t MemoryConsole::mapVirtualKeyToChar(std::uint16_t virtualKey) { return unshiftedCharacter(virtualKey); }

void MemoryConsole::beep(unsigned frequency, unsigned milliseconds) { beeps.emplace_back(frequency, milliseconds); }

void MemoryConsole::sleep(unsigned milliseconds) {
    sleeps.push_back(milliseconds);
    idle();
}

void MemoryConsole::waitForInput() {
    ++counts.waitsForInput;
    idle();
}

void MemoryConsole::idle() {
    if (onIdle) {
        onIdle();
        return;
    }
    if (events.empty()) {
        std::fputs("MemoryConsole: waiting for input that the test never queues\n", stderr);
        std::abort();
    }
}

void MemoryConsole::present() { ++counts.presents; }

int MemoryConsole::takeScrolledLines() {
    const int lines = scrolledLines_;
    scrolledLines_ = 0;
    return lines;
}

std::string MemoryConsole::rowText(int y) const {
    std::string text;
    if (y < 0 || y >= bufferHeight) return text;
    for (int x = 0; x < bufferWidth; ++x) text.push_back(static_cast<char>(cell(x, y).ch));
    return text;
}

std::string MemoryConsole::windowRowText(int row) const { return rowText(windowTop + row); }

std::string MemoryConsole::windowText() const {
    std::string text;
    for (int y = windowTop; y <= windowBottom; ++y) {
        std::string row = rowText(y);
        row.erase(row.find_last_not_of(' ') + 1);
        text += row;
        text += '\n';
    }
    return text;
}

void MemoryConsole::pressKey(const KeyEvent& press) { appendKeyStroke(events, press); }

void MemoryConsole::typeText(const std::string& text) {
    for (char c : text) pressKey(typedCharacterPress(static_cast<std::uint8_t>(c)));
}

void MemoryConsole::pressSpecial(std::uint16_t virtualKey, std::uint16_t scanCode, std::uint32_t controlState) {
    KeyEvent press;
    press.virtualKey = virtualKey;
    press.scanCode = scanCode;
    press.controlState = controlState;
    pressKey(press);
}

bool MemoryConsole::raiseControlEvent(std::uint32_t eventType) {
    for (auto it = handlers.rbegin(); it != handlers.rend(); ++it) {
        if (it->handler(eventType, it->context)) return true;
    }
    endedByDefaultHandling = true;
    return false;
}

void MemoryConsole::resize(int width, int bufferHeightRows, int windowHeight) {
    // Rows are kept from the top, except that a buffer made shorter than the
    // cursor's row drops rows at the top instead, so that the cursor stays on
    // the text it was on, as a terminal keeps its bottom lines when it shrinks.
    const int dropped = std::max(0, cursorY - (bufferHeightRows - 1));
    std::vector<Cell> resized(static_cast<std::size_t>(width) * static_cast<std::size_t>(bufferHeightRows));
    for (int y = 0; y < std::min(bufferHeight - dropped, bufferHeightRows); ++y) {
        for (int x = 0; x < std::min(bufferWidth, width); ++x) {
            resized[static_cast<std::size_t>(y * width + x)] = cell(x, y + dropped);
        }
    }
    cursorY -= dropped;
    cells = std::move(resized);
    bufferWidth = width;
    bufferHeight = bufferHeightRows;
    const int height = windowHeight > 0 ? windowHeight : bufferHeightRows;
    windowTop = std::min(windowTop, bufferHeight - height);
    windowBottom = windowTop + height - 1;
    cursorX = std::min(cursorX, bufferWidth - 1);
    cursorY = std::min(cursorY, bufferHeight - 1);
}

}  // namespace console
