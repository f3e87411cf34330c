// Text output: the print layer (printText, printInteger, printEnd) and the
// console writer that wraps, scrolls, defers the wrap at the last cell and
// places the cursor; plain bytes when standard output is not a console.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "console/console_frame.h"
#include "console/console_state.h"

namespace console {

// writeFlags of consoleWrite: a write of no bytes still runs the console
// path, so that the console catches up with the writes before it: a pending
// wrap is carried out (scrolling if need be), the cursor placed and the
// bounds read again. Without it a write of no bytes does nothing.
inline constexpr unsigned syncWhenEmpty = 8;

// The size of the write block that text is collected in.
inline constexpr int writeBlockSize = 1024;

// Print layer.
void printText(ConsoleState& cs, std::string_view text, unsigned printFlags);
void printInteger(ConsoleState& cs, std::int32_t value, unsigned printFlags);
void printEnd(ConsoleState& cs, unsigned printFlags);

// Console writer.
void consoleWrite(ConsoleState& cs, const std::uint8_t* bytes, std::size_t length, unsigned writeFlags);
// The interpreter of one write: control bytes act, other bytes are collected
// in the write block and shown as cells. (It renders into the console's
// cells; the terminal layer's renderer, which turns a screen model into a
// terminal's bytes, is another thing.)
void renderText(ConsoleWriteContext& context, const std::uint8_t* bytes, std::size_t length);
// Shows a block of text from the cursor on, row segment by row segment.
void flushSegments(ConsoleWriteContext& context, const std::uint8_t* block, int count);
bool putRowSegment(ConsoleWriteContext& context, const std::uint8_t* bytes, int n);

// A 1000 Hz tone of 250 ms; returns when it has finished.
void consoleBeep(ConsoleState& cs);

}  // namespace console
