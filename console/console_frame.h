// The console's frame: its set-up at first use, its bounds and print area,
// the context of one console write, and the cursor's placement and reading.
// Everything above it (text output, scrolling, the line editor, key polling)
// stands on these.
#pragma once

#include <cstdint>
#include <utility>

#include "console/console_state.h"

namespace console {

// --- Set-up ----------------------------------------------------------------------
//
// Two steps, each done once and never undone. setUpConsole is what every
// console operation calls first; the key pump, which needs no bounds, calls
// setUpStandardHandles alone.

// The console brought up: the standard handles set up, then the bounds read
// for the first time.
void setUpConsole(ConsoleState& cs);
// The standard handles fetched from the platform, and processed input added
// to the input mode when that mode can be read (every other bit kept).
void setUpStandardHandles(ConsoleState& cs);

// --- Bounds and print area ----------------------------------------------------------

// Reads the bounds from the console now; all zero when it cannot be queried.
// Every console write ends with it.
void readBounds(ConsoleState& cs);
// Whether the bounds describe a console at all; when not, output goes out as
// plain bytes.
bool boundsUsable(const ConsoleBounds& bounds);
// Reads the bounds again when they are not usable, since a console may be
// so for a while only (a window made one row high or one column wide, then
// larger again). Every write and clear calls it before it decides, so that
// a console usable again is written on and cleared again.
void readUnusableBoundsAgain(ConsoleState& cs);
// (width, height) from the bounds as last read; (80, 25) when not usable.
std::pair<int, int> consoleSize(const ConsoleState& cs);
// Freezes the print area at the window's height, once: it is never
// changed after.
void freezePrintArea(ConsoleState& cs);

// --- The context of one console write ---------------------------------------------

// Built afresh by every console-path write and discarded at its end.
struct ConsoleWriteContext {
    ConsoleState& state;
    // What the console reported when the write began (or the fallbacks of
    // 80 by 25 cells and attribute 7).
    int bufferWidth = 80;
    int bufferHeight = 25;
    std::uint16_t textAttribute = 7;
    bool areaIsWindow = false;
    // The print area in absolute cells and the cursor, both moved along by
    // the write as it wraps and scrolls.
    int areaLeft = 0;
    int areaTop = 0;
    int areaRight = 0;
    int areaBottom = 0;
    int cursorX = 0;
    int cursorY = 0;
};

// --- Cursor --------------------------------------------------------------------------

// Places the cursor at an absolute position and clears the pending wrap.
void setCursor(ConsoleState& cs, int column, int row);
// The cursor cell, 1-based relative to the window; (0, 0) when it cannot be read.
std::pair<int, int> readCursor(ConsoleState& cs);

// A row or column of locateCursor that keeps the cursor's own.
inline constexpr int keepCoordinate = 0;
// What locateCursor does with the cursor's visibility.
enum class CursorVisibility { hide, show, keep };

// Moves the cursor to (row, col), 1-based in the window; keepCoordinate
// keeps that coordinate, and a target outside the print area's rows or the
// console's columns is not applied (the cursor stays in its cell). The
// visibility is applied either way. Every call places the cursor, so it
// cancels a pending wrap. Returns whether the cursor was visible before.
bool locateCursor(ConsoleState& cs, int row, int col, CursorVisibility visibility);
// A row or column that locateCursor never applies: it lies outside the window.
inline constexpr int outsideWindow = -1;
// locateCursor keeping both coordinates: the visibility alone is applied
// (and the cursor placed in its own cell). Returns whether it was visible.
inline bool applyCursorVisibility(ConsoleState& cs, CursorVisibility visibility) {
    return locateCursor(cs, keepCoordinate, keepCoordinate, visibility);
}

}  // namespace console
