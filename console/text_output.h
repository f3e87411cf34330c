// Text output: the print layer (printText, printInteger, printEnd) and the
// console writer that wraps, scrolls, defers the wrap at the last cell and
// places the cursor; plain bytes when standard output is not a console.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>

#include "console/console_state.h"

namespace console {

// writeFlags of consoleWrite: run the console path even for no bytes.
inline constexpr unsigned syncWhenEmpty = 8;

// The size of the write block that text is collected in.
inline constexpr int writeBlockSize = 1024;

// Built afresh by every console-path write and discarded at its end.
struct ConsoleWriteContext {
    ConsoleState& state;
    // Console part.
    int bufferWidth = 80;
    int bufferHeight = 25;
    std::uint16_t textAttribute = 7;
    bool areaIsWindow = false;
    // Interpreter part.
    int areaLeft = 0;
    int areaTop = 0;
    int areaRight = 0;
    int areaBottom = 0;
    int cursorX = 0;
    int cursorY = 0;
};

// Print layer.
void printText(ConsoleState& cs, std::string_view text, unsigned printFlags);
void printInteger(ConsoleState& cs, std::int32_t value, unsigned printFlags);
void printEnd(ConsoleState& cs, unsigned printFlags);

// Console writer.
void consoleWrite(ConsoleState& cs, const std::uint8_t* bytes, std::size_t length, unsigned writeFlags);
void renderText(ConsoleWriteContext& context, const std::uint8_t* bytes, std::size_t length);
void flushSegments(ConsoleWriteContext& context, const std::uint8_t* block, int count);
bool putRowSegment(ConsoleWriteContext& context, const std::uint8_t* bytes, int n);

// A 1000 Hz tone of 250 ms; returns when it has finished.
void consoleBeep(ConsoleState& cs);
// Places the cursor at an absolute position and clears the pending wrap.
void setCursor(ConsoleState& cs, int column, int row);

// Geometry.
void bringUpConsole(ConsoleState& cs);  // set-up and first bounds read
void refreshBounds(ConsoleState& cs);
bool boundsUsable(const ConsoleBounds& bounds);
std::pair<int, int> consoleSize(const ConsoleState& cs);  // (width, height)
void fixPrintArea(ConsoleState& cs);

}  // namespace console
