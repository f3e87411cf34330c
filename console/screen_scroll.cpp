#include "console/screen_scroll.h"

namespace console {

namespace {

// Moves rows first + lines to last of the columns left to right up to row
// first; the rows uncovered at the bottom take spaces in the attribute. The
// block move fills only the cells it vacates, so when more lines scroll than
// rows are kept, the rows between are blanked as well.
void scrollBand(ConsoleWriteContext& context, int first, int last, int left, int right, int lines) {
    ConsoleState& cs = context.state;
    const CellRect source{left, first + lines, right, last};
    cs.platform.scrollBlock(source, left, first, ' ', context.textAttribute);
    const int kept = last - first + 1 - lines;
    if (lines > kept) {
        fillRows(cs, first + kept, last, context.areaLeft, context.areaRight - context.areaLeft + 1,
                 context.textAttribute);
    }
}

}  // namespace

void scrollArea(ConsoleWriteContext& context, int lines) {
    if (context.areaIsWindow) {
        // The window first moves down through the buffer rows below it;
        // what those rows hold comes into view as it is.
        if (context.areaBottom + 1 < context.bufferHeight) {
            const int below = context.bufferHeight - 1 - context.areaBottom;
            const int k = lines < below ? lines : below;
            context.areaTop += k;
            context.areaBottom += k;
            lines -= k;
        }
        if (lines > 0) {
            // At the end of the buffer its whole content moves up.
            if (lines >= context.bufferHeight) {
                fillRows(context.state, context.areaTop, context.areaBottom, context.areaLeft,
                         context.areaRight - context.areaLeft + 1, context.textAttribute);
            } else {
                scrollBand(context, 0, context.bufferHeight - 1, 0, context.bufferWidth - 1, lines);
            }
        }
    } else {
        // A print area that is not the window scrolls on its own; the
        // window stays where it is.
        const int height = context.areaBottom - context.areaTop + 1;
        if (lines < height) {
            scrollBand(context, context.areaTop, context.areaBottom, context.areaLeft, context.areaRight, lines);
        } else {
            fillRows(context.state, context.areaTop, context.areaBottom, context.areaLeft,
                     context.areaRight - context.areaLeft + 1, context.textAttribute);
        }
    }
    context.cursorY = context.areaBottom;
}

void clearScreen(ConsoleState& cs) {
    setUpConsole(cs);
    readUnusableBoundsAgain(cs);
    if (!boundsUsable(cs.bounds)) return;
    freezePrintArea(cs);
    const ConsoleBounds& bounds = cs.bounds;
    const int first = bounds.top + cs.printArea.firstRow - 1;
    const int last = bounds.top + cs.printArea.lastRow - 1;
    const int columns = bounds.right - bounds.left + 1;
    if (last < first || columns <= 0) return;

    ScreenInfo info;
    const std::uint16_t attribute = cs.platform.getScreenInfo(info) ? info.attribute : std::uint16_t{7};
    fillRows(cs, first, last, bounds.left, columns, attribute);
    setCursor(cs, bounds.left, first);
    cs.platform.present();
}

void fillRows(ConsoleState& cs, int firstRow, int lastRow, int firstColumn, int columnCount,
              std::uint16_t attribute) {
    for (int row = lastRow; row >= firstRow; --row) {
        cs.platform.fillAttribute(attribute, columnCount, firstColumn, row);
        cs.platform.fillCharacter(' ', columnCount, firstColumn, row);
    }
}

}  // namespace console
