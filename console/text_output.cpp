#include "console/text_output.h"

#include <cstdio>

#include "console/console_events.h"
#include "console/screen_scroll.h"

namespace console {

// --- Geometry ----------------------------------------------------------------

bool boundsUsable(const ConsoleBounds& bounds) { return bounds.left != bounds.right && bounds.top != bounds.bottom; }

void refreshBounds(ConsoleState& cs) {
    ScreenInfo info;
    cs.boundsRead = true;
    if (!cs.platform.getScreenInfo(info)) {
        cs.bounds = ConsoleBounds{};
        return;
    }
    cs.bounds.left = 0;
    cs.bounds.top = static_cast<std::int16_t>(info.windowTop);
    cs.bounds.right = static_cast<std::int16_t>(info.bufferWidth - 1);
    cs.bounds.bottom = static_cast<std::int16_t>(info.windowBottom);
}

void bringUpConsole(ConsoleState& cs) {
    consoleSetup(cs);
    if (!cs.boundsRead) refreshBounds(cs);
}

std::pair<int, int> consoleSize(const ConsoleState& cs) {
    if (!boundsUsable(cs.bounds)) return {80, 25};
    return {cs.bounds.right - cs.bounds.left + 1, cs.bounds.bottom - cs.bounds.top + 1};
}

void fixPrintArea(ConsoleState& cs) {
    if (cs.printArea.fixed) return;
    cs.printArea.fixed = true;
    cs.printArea.firstRow = 1;
    const int height = consoleSize(cs).second;
    cs.printArea.lastRow = height == 0 ? 25 : height;
}

void setCursor(ConsoleState& cs, int column, int row) {
    cs.platform.setCursorPosition(column, row);
    cs.pendingWrap = false;
}

void consoleBeep(ConsoleState& cs) { cs.platform.beep(1000, 250); }

// --- Print layer ---------------------------------------------------------------

void printText(ConsoleState& cs, std::string_view text, unsigned printFlags) {
    bringUpConsole(cs);
    if (!text.empty()) consoleWrite(cs, reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), 0);
    printEnd(cs, printFlags);
}

void printInteger(ConsoleState& cs, std::int32_t value, unsigned printFlags) {
    bringUpConsole(cs);
    char formatted[16];
    const int length = std::snprintf(formatted, sizeof formatted, (printFlags & 1u) != 0 ? "% d\r\n" : "% d", value);
    consoleWrite(cs, reinterpret_cast<const std::uint8_t*>(formatted), static_cast<std::size_t>(length), 0);
}

void printEnd(ConsoleState& cs, unsigned printFlags) {
    bringUpConsole(cs);
    if ((printFlags & 1u) != 0) consoleWrite(cs, reinterpret_cast<const std::uint8_t*>("\r\n"), 2, 0);
}

// --- Console writer --------------------------------------------------------------

namespace {

// Plain bytes to standard output, again and again for what is left, until
// all are written or a write fails.
void writePlain(ConsoleState& cs, const std::uint8_t* bytes, std::size_t length) {
    while (length > 0) {
        std::size_t written = 0;
        if (!cs.platform.writeFile(bytes, length, written) || written == 0) return;
        bytes += written;
        length -= written;
    }
}

}  // namespace

void consoleWrite(ConsoleState& cs, const std::uint8_t* bytes, std::size_t length, unsigned writeFlags) {
    if (length == 0 && (writeFlags & syncWhenEmpty) == 0) return;
    bringUpConsole(cs);
    if (!boundsUsable(cs.bounds)) {
        writePlain(cs, bytes, length);
        return;
    }
    // The console path comes here.
}

void renderText(ConsoleWriteContext&, const std::uint8_t*, std::size_t) {}
void flushSegments(ConsoleWriteContext&, const std::uint8_t*, int) {}
bool putRowSegment(ConsoleWriteContext&, const std::uint8_t*, int) { return false; }

}  // namespace console
