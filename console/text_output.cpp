#include "console/text_output.h"

#include <algorithm>
#include <cstdio>

#include "console/console.h"
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
    const int length = std::snprintf(formatted, sizeof formatted, (printFlags & lineEnd) != 0 ? "% d\r\n" : "% d", value);
    consoleWrite(cs, reinterpret_cast<const std::uint8_t*>(formatted), static_cast<std::size_t>(length), 0);
}

void printEnd(ConsoleState& cs, unsigned printFlags) {
    bringUpConsole(cs);
    if ((printFlags & lineEnd) != 0) consoleWrite(cs, reinterpret_cast<const std::uint8_t*>("\r\n"), 2, 0);
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

    // The print area in absolute rows, from the bounds as last read.
    fixPrintArea(cs);
    const ConsoleBounds start = cs.bounds;
    const int windowHeight = start.bottom - start.top + 1;
    ConsoleWriteContext context{cs};
    context.areaLeft = start.left;
    context.areaRight = start.right;
    context.areaTop = start.top + cs.printArea.firstRow - 1;
    context.areaBottom = start.top + cs.printArea.lastRow - 1;

    ScreenInfo info;
    if (cs.platform.getScreenInfo(info)) {
        context.bufferWidth = info.bufferWidth;
        context.bufferHeight = info.bufferHeight;
        context.textAttribute = info.attribute;
        context.cursorX = info.cursorX;
        context.cursorY = info.cursorY;
        // A console made shorter than the print area after the area was
        // fixed may have no rows left below its window: the area then ends
        // at the buffer's last row, so that text scrolls into view instead of
        // going to rows that do not exist.
        context.areaBottom = std::min(context.areaBottom, info.bufferHeight - 1);
    } else {
        context.bufferWidth = 80;
        context.bufferHeight = 25;
        context.textAttribute = 7;
        context.cursorX = context.areaLeft;
        context.cursorY = context.areaTop;
    }

    context.areaIsWindow = context.areaTop == start.top && context.areaBottom == start.top + windowHeight - 1;

    // A wrap deferred by the previous write happens now.
    if (cs.pendingWrap) {
        cs.pendingWrap = false;
        context.cursorY += 1;
        context.cursorX = context.areaLeft;
        if (context.cursorY > context.areaBottom) scrollArea(context, context.cursorY - context.areaBottom);
    }

    renderText(context, bytes, length);

    if (context.cursorX == context.areaLeft && context.cursorY == context.areaBottom + 1) {
        // The text filled the area's last row exactly: stay on its last cell
        // and leave the scroll to whatever comes next.
        cs.pendingWrap = true;
        context.cursorX = context.areaRight;
        context.cursorY = context.areaBottom;
    } else if (context.cursorY > context.areaBottom) {
        scrollArea(context, context.cursorY - context.areaBottom);
    }

    // Placed directly: setCursor would cancel the wrap just deferred.
    cs.platform.setCursorPosition(context.cursorX, context.cursorY);

    if (context.areaTop != start.top && context.areaIsWindow) {
        cs.platform.setWindow(CellRect{context.areaLeft, context.areaTop, context.areaRight, context.areaBottom});
    }

    refreshBounds(cs);
    cs.platform.present();
}

void renderText(ConsoleWriteContext& context, const std::uint8_t* bytes, std::size_t length) {
    std::uint8_t block[writeBlockSize];
    int count = 0;
    // The column the cursor will be in once the block is shown: where TAB
    // has its next stop.
    int px = context.cursorX;
    bool movedSinceFlush = false;
    const int width = context.areaRight - context.areaLeft + 1;

    const auto flush = [&] {
        if (count == 0) return;
        flushSegments(context, block, count);
        count = 0;
        movedSinceFlush = false;
    };
    // Appends k bytes (at most 8) as text, running the predicted column ahead.
    const auto append = [&](const std::uint8_t* text, int k) {
        if (count + k > writeBlockSize) flush();
        px += k;
        if (px > context.areaRight) px = context.areaLeft + (px - context.areaLeft) % width;
        for (int i = 0; i < k; ++i) block[count++] = text[i];
    };
    // After a cursor move the prediction starts again from the real cursor.
    const auto moved = [&] {
        movedSinceFlush = true;
        px = context.cursorX;
    };

    static constexpr std::uint8_t blanks[8] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint8_t byte = bytes[i];
        switch (byte) {
            case 7:  // BEL: sounds before any text still in the block is shown
                consoleBeep(context.state);
                break;
            case 8:  // BS: one cell left, never up a row, nothing erased
                flush();
                if (context.cursorX > context.areaLeft) --context.cursorX;
                moved();
                break;
            case 9: {  // TAB: blanks up to the next stop, every 8 columns
                int r = (px - context.areaLeft) % 8;
                if (r < 0) r += 8;
                append(blanks, 8 - r);
                break;
            }
            case 10:  // LF: a new line at the left edge
                flush();
                ++context.cursorY;
                context.cursorX = context.areaLeft;
                moved();
                break;
            case 13:  // CR: back to the left edge, the row stays as it is
                flush();
                context.cursorX = context.areaLeft;
                moved();
                break;
            default:
                append(&bytes[i], 1);
                break;
        }
    }

    if (count > 0) {
        flush();
    } else if (movedSinceFlush && context.cursorY > context.areaBottom) {
        scrollArea(context, context.cursorY - context.areaBottom);
    }
}

void flushSegments(ConsoleWriteContext& context, const std::uint8_t* block, int count) {
    while (count > 0) {
        if (context.cursorX > context.areaRight) {
            // A cursor beyond the last column (the buffer was widened and
            // narrowed again under us) has no cell left on its row: the text
            // goes on at the start of the next row rather than nowhere.
            context.cursorX = context.areaLeft;
            ++context.cursorY;
        }
        const int n = std::min(count, context.areaRight - context.cursorX + 1);
        if (context.cursorY > context.areaBottom) scrollArea(context, context.cursorY - context.areaBottom);
        if (!putRowSegment(context, block, n)) return;
        block += n;
        count -= n;
        context.cursorX += n;
        if (context.cursorX == context.areaRight + 1) {
            context.cursorX = context.areaLeft;
            ++context.cursorY;
        }
    }
}

bool putRowSegment(ConsoleWriteContext& context, const std::uint8_t* bytes, int n) {
    return context.state.platform.writeCells(context.cursorX, context.cursorY, bytes, n, context.textAttribute);
}

}  // namespace console
