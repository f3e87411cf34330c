#include "console/memory/memory_console.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "console/platform/key_events.h"
#include "console/platform/us_layout.h"

namespace console {

MemoryConsole::MemoryConsole(int width, int bufferHeightRows, int windowHeight)
    : ScreenModel(width, bufferHeightRows, windowHeight) {}

void MemoryConsole::fetchStandardHandles() {}

bool MemoryConsole::getScreenInfo(ScreenInfo& info) {
    ++counts.screenInfoQueries;
    if (!outputIsConsole || failScreenInfo) return false;
    ScreenModel::getScreenInfo(info);
    return true;
}

bool MemoryConsole::setCursorPosition(int x, int y) {
    ++counts.cursorPlacements;
    if (!outputIsConsole || failSetCursor) return false;
    return ScreenModel::setCursorPosition(x, y);
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
    return ScreenModel::setWindow(window);
}

void MemoryConsole::keepBufferSize(bool keep) {
    if (keep) ++counts.sizeKeeps;
    bufferSizeKept = keep;
}

bool MemoryConsole::writeCells(int x, int y, const std::uint8_t* bytes, int n, std::uint16_t cellAttribute) {
    ++counts.cellWrites;
    if (!outputIsConsole) return false;
    if (writeCellsFailAfter == 0) return false;
    if (writeCellsFailAfter > 0) --writeCellsFailAfter;
    return ScreenModel::writeCells(x, y, bytes, n, cellAttribute);
}

bool MemoryConsole::scrollBlock(const CellRect& source, int destX, int destY, std::uint8_t fillChar,
                                std::uint16_t fillAttribute) {
    ++counts.blockScrolls;
    if (!outputIsConsole) return false;
    return ScreenModel::scrollBlock(source, destX, destY, fillChar, fillAttribute);
}

bool MemoryConsole::fillCharacter(std::uint8_t ch, int count, int x, int y) {
    ++counts.fills;
    if (!outputIsConsole) return false;
    return ScreenModel::fillCharacter(ch, count, x, y);
}

bool MemoryConsole::fillAttribute(std::uint16_t cellAttribute, int count, int x, int y) {
    ++counts.fills;
    if (!outputIsConsole) return false;
    return ScreenModel::fillAttribute(cellAttribute, count, x, y);
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
    return handlers.add(handler, context);
}

bool MemoryConsole::removeControlHandler(ControlHandler handler, void* context) {
    return handlers.remove(handler, context);
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
    if (handlers.ask(eventType)) return true;
    endedByDefaultHandling = true;
    return false;
}

}  // namespace console
