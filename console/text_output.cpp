#include "console/text_output.h"

#include <algorithm>
#include <cstdio>

#include "console/console.h"
#include "console/screen_scroll.h"

namespace console {

void consoleBeep(ConsoleState& cs) { cs.platform.beep(1000, 250); }

// --- Print layer ---------------------------------------------------------------

void printText(ConsoleState& cs, std::string_view text, unsigned printFlags) {
    setUpConsole(cs);
    if (!text.empty()) consoleWrite(cs, reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), 0);
    printEnd(cs, printFlags);
}

void printInteger(ConsoleState& cs, std::int32_t value, unsigned printFlags) {
    setUpConsole(cs);
    char formatted[16];
    const int length = std::snprintf(formatted, sizeof formatted, (printFlags & lineEnd) != 0 ? "% d\r\n" : "% d", value);
    consoleWrite(cs, reinterpret_cast<const std::uint8_t*>(formatted), static_cast<std::size_t>(length), 0);
}

void printEnd(ConsoleState& cs, unsigned printFlags) {
    setUpConsole(cs);
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

// The context of a write that starts now: the print area in absolute rows
// from the bounds as last read, and the buffer, attribute and cursor as the
// console reports them (or the fallbacks when it cannot be queried).
ConsoleWriteContext beginWrite(ConsoleState& cs) {
    freezePrintArea(cs);
    const ConsoleBounds& start = cs.bounds;
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
        context.cursorX = context.areaLeft;
        context.cursorY = context.areaTop;
    }

    context.areaIsWindow = context.areaTop == start.top && context.areaBottom == start.top + windowHeight - 1;
    return context;
}

// Scrolls the area when the cursor has gone below its last row.
void scrollToCursor(ConsoleWriteContext& context) {
    if (context.cursorY > context.areaBottom) scrollArea(context, context.cursorY - context.areaBottom);
}

// A wrap deferred by the previous write happens now.
void settlePendingWrap(ConsoleWriteContext& context) {
    ConsoleState& cs = context.state;
    if (!cs.pendingWrap) return;
    cs.pendingWrap = false;
    context.cursorY += 1;
    context.cursorX = context.areaLeft;
    scrollToCursor(context);
}

// The end of a write: the wrap deferred or the scroll made, the cursor
// placed, the window moved along with a scrolled area, the bounds read again.
void endWrite(ConsoleWriteContext& context, int startTop) {
    ConsoleState& cs = context.state;
    if (context.cursorX == context.areaLeft && context.cursorY == context.areaBottom + 1) {
        // The text filled the area's last row exactly: stay on its last cell
        // and leave the scroll to whatever comes next.
        cs.pendingWrap = true;
        context.cursorX = context.areaRight;
        context.cursorY = context.areaBottom;
    } else {
        scrollToCursor(context);
    }

    // Placed directly: setCursor would cancel the wrap just deferred.
    cs.platform.setCursorPosition(context.cursorX, context.cursorY);

    if (context.areaTop != startTop && context.areaIsWindow) {
        cs.platform.setWindow(CellRect{context.areaLeft, context.areaTop, context.areaRight, context.areaBottom});
    }

    readBounds(cs);
    cs.platform.present();
}

}  // namespace

void consoleWrite(ConsoleState& cs, const std::uint8_t* bytes, std::size_t length, unsigned writeFlags) {
    if (length == 0 && (writeFlags & syncWhenEmpty) == 0) return;
    setUpConsole(cs);
    readUnusableBoundsAgain(cs);
    if (!boundsUsable(cs.bounds)) {
        writePlain(cs, bytes, length);
        return;
    }
    const int startTop = cs.bounds.top;
    ConsoleWriteContext context = beginWrite(cs);
    settlePendingWrap(context);
    renderText(context, bytes, length);
    endWrite(context, startTop);
}

namespace {

// The interpreter's state over one write: the write block of text not yet
// shown, the column the cursor will be in once the block is shown (where a
// TAB has its next stop), and whether the cursor moved since the last flush.
struct WriteInterpreter {
    explicit WriteInterpreter(ConsoleWriteContext& writeContext);

    ConsoleWriteContext& context;
    const int width;
    std::uint8_t block[writeBlockSize];
    int count = 0;
    int predictedX;
    bool movedSinceFlush = false;

    void take(std::uint8_t byte);
    void finish();
    void flush();
    void append(const std::uint8_t* text, int k);
    void appendTab();
    void moved();
};

WriteInterpreter::WriteInterpreter(ConsoleWriteContext& writeContext)
    : context(writeContext),
      width(writeContext.areaRight - writeContext.areaLeft + 1),
      predictedX(writeContext.cursorX) {}

// One byte of the write: a control byte acts, any other is text.
void WriteInterpreter::take(std::uint8_t byte) {
    switch (byte) {
        case 7:  // BEL: sounds before any text still in the block is shown
            consoleBeep(context.state);
            break;
        case 8:  // BS: one cell left, never up a row, nothing erased
            flush();
            if (context.cursorX > context.areaLeft) --context.cursorX;
            moved();
            break;
        case 9:  // TAB
            appendTab();
            break;
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
            append(&byte, 1);
            break;
    }
}

// Text still in the block is shown; a write that ended with a cursor move
// below the area scrolls at once.
void WriteInterpreter::finish() {
    if (count > 0) {
        flush();
    } else if (movedSinceFlush) {
        scrollToCursor(context);
    }
}

// Shows the block and empties it.
void WriteInterpreter::flush() {
    if (count == 0) return;
    flushSegments(context, block, count);
    count = 0;
    movedSinceFlush = false;
}

// Appends k bytes (at most 8) as text, running the predicted column ahead.
void WriteInterpreter::append(const std::uint8_t* text, int k) {
    if (count + k > writeBlockSize) flush();
    predictedX += k;
    if (predictedX > context.areaRight) predictedX = context.areaLeft + (predictedX - context.areaLeft) % width;
    for (int i = 0; i < k; ++i) block[count++] = text[i];
}

// Blanks up to the next stop, every 8 columns from the area's left edge.
void WriteInterpreter::appendTab() {
    static constexpr std::uint8_t blanks[8] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
    int r = (predictedX - context.areaLeft) % 8;
    if (r < 0) r += 8;
    append(blanks, 8 - r);
}

// After a cursor move the prediction starts again from the real cursor.
void WriteInterpreter::moved() {
    movedSinceFlush = true;
    predictedX = context.cursorX;
}

}  // namespace

void renderText(ConsoleWriteContext& context, const std::uint8_t* bytes, std::size_t length) {
    WriteInterpreter interpreter(context);
    for (std::size_t i = 0; i < length; ++i) interpreter.take(bytes[i]);
    interpreter.finish();
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
        scrollToCursor(context);
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
