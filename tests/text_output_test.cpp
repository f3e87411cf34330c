// The print layer and the console writer on the in-memory console: formats,
// wrapping, the deferred wrap at the last cell, control bytes, the write
// block, redirected output and what each write costs in console calls.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "console/console.h"
#include "console/memory/memory_console.h"
#include "console/text_output.h"

namespace console {
namespace {

void write(ConsoleState& cs, const std::string& bytes, unsigned flags = 0) {
    consoleWrite(cs, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), flags);
}

std::string row(char c, int width) { return std::string(static_cast<std::size_t>(width), c); }

std::string padded(const std::string& text, int width) {
    std::string r = text;
    r.resize(static_cast<std::size_t>(width), ' ');
    return r;
}

// --- Print layer -------------------------------------------------------------

TEST(PrintLayer, IntegersUseTheSignedFormatWithoutTrailingSpace) {
    const std::vector<std::pair<std::int32_t, std::string>> cases = {
        {0, " 0"}, {5, " 5"}, {12, " 12"}, {-5, "-5"}, {INT_MIN, "-2147483648"}, {INT_MAX, " 2147483647"}};
    for (const auto& [value, shown] : cases) {
        MemoryConsole mc;
        mc.outputIsConsole = false;
        ConsoleState cs(mc);
        printInteger(cs, value, 0);
        EXPECT_EQ(mc.fileOutput, shown);
        mc.fileOutput.clear();
        printInteger(cs, value, lineEnd);
        EXPECT_EQ(mc.fileOutput, shown + "\r\n");
    }
}

TEST(PrintLayer, IntegerAndLineEndingGoOutAsOneWrite) {
    MemoryConsole mc;
    ConsoleState cs(mc);
    mc.cursorY = 3;
    printInteger(cs, 7, lineEnd);
    EXPECT_EQ(mc.counts.presents, 1);
    EXPECT_EQ(mc.counts.cursorPlacements, 1);
    EXPECT_EQ(mc.rowText(3), padded(" 7", 80));
    EXPECT_EQ(mc.cursorX, 0);
    EXPECT_EQ(mc.cursorY, 4);
}

TEST(PrintLayer, EmptyTextWritesOnlyTheLineEnding) {
    MemoryConsole mc;
    mc.outputIsConsole = false;
    ConsoleState cs(mc);
    printText(cs, "", 0);
    EXPECT_EQ(mc.fileOutput, "");
    printText(cs, "", lineEnd);
    EXPECT_EQ(mc.fileOutput, "\r\n");
    printText(cs, "Ohio", lineEnd);
    printEnd(cs, 0);
    EXPECT_EQ(mc.fileOutput, "\r\nOhio\r\n");
}

// --- Redirected output ---------------------------------------------------------

TEST(ConsoleWriterRedirected, BytesPassUnchangedInAsManyWritesAsNeeded) {
    MemoryConsole mc;
    mc.outputIsConsole = false;
    mc.writeFileChunk = 3;
    ConsoleState cs(mc);
    const std::string bytes = std::string("a\tb\x07" "c\r\nd\be\n", 11);
    write(cs, bytes);
    EXPECT_EQ(mc.fileOutput, bytes);
    EXPECT_TRUE(mc.beeps.empty());
    // A failing write ends that write silently.
    mc.failWriteFile = true;
    write(cs, "lost");
    EXPECT_EQ(mc.fileOutput, bytes);
}

TEST(ConsoleWriterRedirected, OneColumnBufferOrOneRowWindowCountsAsRedirected) {
    for (const auto& [width, bufferHeight, windowHeight] :
         std::vector<std::tuple<int, int, int>>{{1, 25, 0}, {80, 25, 1}, {80, 1, 0}}) {
        MemoryConsole mc(width, bufferHeight, windowHeight);
        ConsoleState cs(mc);
        write(cs, "ab\r\n");
        EXPECT_EQ(mc.fileOutput, "ab\r\n") << width << "x" << bufferHeight << "/" << windowHeight;
        EXPECT_EQ(mc.counts.cellWrites, 0);
        EXPECT_EQ(mc.cell(0, 0).ch, ' ');
    }
}

TEST(ConsoleWriterRedirected, AConsoleUsableAgainIsWrittenOnAgain) {
    // A window one row high takes the text as plain bytes; made taller, the
    // very next write is on the console, and so is the rest.
    MemoryConsole mc(80, 25, 1);
    ConsoleState cs(mc);
    write(cs, "a\r\n");
    write(cs, "b");
    EXPECT_EQ(mc.fileOutput, "a\r\nb");
    mc.resize(80, 25);
    write(cs, "c");
    write(cs, "d\r\n");
    EXPECT_EQ(mc.fileOutput, "a\r\nb");
    EXPECT_EQ(mc.rowText(0).substr(0, 3), "cd ");
    EXPECT_EQ(mc.cursorY, 1);
}

// --- Wrapping, the deferred wrap and the scroll point -------------------------------

// Geometries: the window is the whole buffer, or the buffer has rows below it.
struct Geometry {
    int width;
    int bufferHeight;
    int windowHeight;
};
const std::vector<Geometry> geometries = {{80, 25, 0}, {80, 60, 25}, {7, 3, 0}, {2, 2, 0}, {10, 12, 4}};

int windowLastRow(const Geometry& g) { return (g.windowHeight > 0 ? g.windowHeight : g.bufferHeight) - 1; }

TEST(DeferredWrap, RowWideTextOnTheLastRowWaitsForTheNextWrite) {
    for (const Geometry& g : geometries) {
        SCOPED_TRACE(std::to_string(g.width) + "x" + std::to_string(g.bufferHeight));
        MemoryConsole mc(g.width, g.bufferHeight, g.windowHeight);
        ConsoleState cs(mc);
        const int bottom = mc.windowBottom;
        mc.cursorY = bottom;
        write(cs, row('a', g.width));
        EXPECT_EQ(mc.takeScrolledLines(), 0);
        EXPECT_EQ(mc.windowTop, 0);
        EXPECT_EQ(mc.cursorX, g.width - 1);
        EXPECT_EQ(mc.cursorY, bottom);
        EXPECT_TRUE(cs.pendingWrap);

        write(cs, "x");
        EXPECT_FALSE(cs.pendingWrap);
        EXPECT_EQ(mc.windowRowText(mc.windowBottom - mc.windowTop - 1), row('a', g.width));
        EXPECT_EQ(mc.windowRowText(mc.windowBottom - mc.windowTop), padded("x", g.width));
        EXPECT_EQ(mc.cursorX, 1);
        EXPECT_EQ(mc.cursorY, mc.windowBottom);
        // One line scrolled: the window moved down one row, or the content moved up.
        EXPECT_EQ(mc.windowTop + mc.takeScrolledLines(), 1);
    }
}

TEST(DeferredWrap, RowWideTextFollowedByALineEndingLeavesAnEmptyRow) {
    for (const Geometry& g : geometries) {
        SCOPED_TRACE(std::to_string(g.width) + "x" + std::to_string(g.bufferHeight));
        for (int startRow : {0, windowLastRow(g)}) {
            MemoryConsole mc(g.width, g.bufferHeight, g.windowHeight);
            ConsoleState cs(mc);
            mc.cursorY = startRow;
            printText(cs, row('a', g.width), lineEnd);
            printText(cs, "y", 0);
            const int yRow = mc.cursorY - mc.windowTop;
            EXPECT_EQ(mc.windowRowText(yRow), padded("y", g.width));
            EXPECT_EQ(mc.windowRowText(yRow - 1), row(' ', g.width));
            if (yRow >= 2) {
                EXPECT_EQ(mc.windowRowText(yRow - 2), row('a', g.width));
            }
        }
    }
}

TEST(DeferredWrap, LineEndingOnTheLastRowScrollsAtOnce) {
    for (const Geometry& g : geometries) {
        MemoryConsole mc(g.width, g.bufferHeight, g.windowHeight);
        ConsoleState cs(mc);
        mc.cursorY = mc.windowBottom;
        printText(cs, "h", lineEnd);
        EXPECT_EQ(mc.windowTop + mc.takeScrolledLines(), 1);
        EXPECT_EQ(mc.cursorX, 0);
        EXPECT_EQ(mc.cursorY, mc.windowBottom);
        EXPECT_EQ(mc.windowRowText(mc.windowBottom - mc.windowTop - 1), padded("h", g.width));
        EXPECT_FALSE(cs.pendingWrap);
    }
}

TEST(DeferredWrap, SyncWritePerformsThePendingWrapAndAnEmptyWriteDoesNot) {
    MemoryConsole mc(10, 5);
    ConsoleState cs(mc);
    mc.cursorY = 4;
    write(cs, row('a', 10));
    const int presents = mc.counts.presents;
    write(cs, "");
    EXPECT_TRUE(cs.pendingWrap);
    EXPECT_EQ(mc.counts.presents, presents);
    write(cs, "", syncWhenEmpty);
    EXPECT_FALSE(cs.pendingWrap);
    EXPECT_EQ(mc.cursorX, 0);
    EXPECT_EQ(mc.cursorY, 4);
    EXPECT_EQ(mc.rowText(3), row('a', 10));
    EXPECT_EQ(mc.rowText(4), row(' ', 10));
}

TEST(DeferredWrap, PlacingTheCursorCancelsIt) {
    MemoryConsole mc(10, 5);
    ConsoleState cs(mc);
    mc.cursorY = 4;
    write(cs, row('a', 10));
    ASSERT_TRUE(cs.pendingWrap);
    setCursor(cs, 3, 2);
    EXPECT_FALSE(cs.pendingWrap);
    write(cs, "x");
    EXPECT_EQ(mc.cell(3, 2).ch, 'x');
    EXPECT_EQ(mc.takeScrolledLines(), 0);
}

TEST(Wrapping, LongTextRunsOnFromRowToRow) {
    MemoryConsole mc(10, 5);
    ConsoleState cs(mc);
    mc.cursorX = 6;
    write(cs, "abcdefghijklmnop");
    EXPECT_EQ(mc.rowText(0), "      abcd");
    EXPECT_EQ(mc.rowText(1), "efghijklmn");
    EXPECT_EQ(mc.rowText(2), padded("op", 10));
    EXPECT_EQ(mc.cursorX, 2);
    EXPECT_EQ(mc.cursorY, 2);
    EXPECT_EQ(mc.counts.cellWrites, 3);
}

// --- Control bytes ------------------------------------------------------------------

TEST(ControlBytes, TabStopsEveryEightColumnsFromTheLeftEdge) {
    const std::vector<std::pair<int, int>> cases = {{0, 8}, {5, 3}, {8, 8}, {78, 2}};
    for (const auto& [column, spaces] : cases) {
        MemoryConsole mc(80, 25);
        for (int x = 0; x < 80; ++x) mc.cell(x, 2).ch = 'z';
        ConsoleState cs(mc);
        mc.cursorX = column;
        mc.cursorY = 2;
        write(cs, "\t");
        const int end = column + spaces;
        for (int x = 0; x < 80; ++x) {
            EXPECT_EQ(mc.cell(x, 2).ch, x >= column && x < end ? ' ' : 'z') << "tab at " << column << ", x " << x;
        }
        EXPECT_EQ(mc.cursorX, end % 80);
        EXPECT_EQ(mc.cursorY, end == 80 ? 3 : 2);
    }
}

TEST(ControlBytes, TabFollowsTheTextOfTheSameWrite) {
    MemoryConsole mc(20, 5);
    ConsoleState cs(mc);
    write(cs, "ab\tc\t\td");
    // The last tab runs over the right edge: its blanks wrap like text.
    EXPECT_EQ(mc.rowText(0), "ab      c           ");
    EXPECT_EQ(mc.rowText(1), padded("    d", 20));
    EXPECT_EQ(mc.counts.cellWrites, 2);  // a tab does not split the block
}

TEST(ControlBytes, BackspaceMovesLeftWithoutErasingAndStopsAtTheEdge) {
    MemoryConsole mc(10, 5);
    ConsoleState cs(mc);
    write(cs, "ab\bc");
    EXPECT_EQ(mc.rowText(0), padded("ac", 10));
    EXPECT_EQ(mc.cursorX, 2);

    mc.cursorX = 0;
    mc.cursorY = 2;
    write(cs, "\b\bq");
    EXPECT_EQ(mc.rowText(2), padded("q", 10));
    EXPECT_EQ(mc.rowText(1), row(' ', 10));
    // At the start of a wrapped row it does not go up.
    mc.cursorX = 8;
    mc.cursorY = 3;
    write(cs, "xy\bz");
    EXPECT_EQ(mc.rowText(3), padded("        xy", 10));
    EXPECT_EQ(mc.rowText(4), padded("z", 10));
}

TEST(ControlBytes, CarriageReturnAndLineFeed) {
    MemoryConsole mc(10, 5);
    ConsoleState cs(mc);
    write(cs, "abc\rx");
    EXPECT_EQ(mc.rowText(0), padded("xbc", 10));
    write(cs, "de\nf");
    EXPECT_EQ(mc.rowText(0), padded("xde", 10));
    EXPECT_EQ(mc.rowText(1), padded("f", 10));
    EXPECT_EQ(mc.cursorX, 1);
    EXPECT_EQ(mc.cursorY, 1);
}

TEST(ControlBytes, OtherLowBytesShowAsGlyphCells) {
    MemoryConsole mc(20, 5);
    ConsoleState cs(mc);
    const std::string bytes("\x00\x01\x02\x03\x04\x05\x06\x0b\x0c\x0e\x1b\x7f\xff", 13);
    write(cs, bytes);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        EXPECT_EQ(mc.cell(static_cast<int>(i), 0).ch, static_cast<std::uint8_t>(bytes[i])) << i;
    }
    EXPECT_EQ(mc.cursorX, 13);
    EXPECT_EQ(mc.counts.cellWrites, 1);
}

// Records how many cells had been written when each tone sounded.
class ToneRecorder : public MemoryConsole {
public:
    using MemoryConsole::MemoryConsole;
    std::vector<int> cellWritesAtBeep;
    void beep(unsigned frequency, unsigned milliseconds) override {
        cellWritesAtBeep.push_back(counts.cellWrites);
        MemoryConsole::beep(frequency, milliseconds);
    }
};

TEST(ControlBytes, BellSoundsBeforeTheTextOfTheSameWriteIsShown) {
    ToneRecorder mc(20, 5);
    ConsoleState cs(mc);
    write(cs, "ab\x07" "c");
    ASSERT_EQ(mc.beeps.size(), 1u);
    EXPECT_EQ(mc.beeps[0], std::make_pair(1000u, 250u));
    EXPECT_EQ(mc.cellWritesAtBeep[0], 0);
    EXPECT_EQ(mc.rowText(0), padded("abc", 20));
    EXPECT_EQ(mc.cursorX, 3);
    // A bell after a line feed comes after the text before it.
    write(cs, "d\r\n\x07");
    EXPECT_EQ(mc.cellWritesAtBeep[1], 2);
    EXPECT_EQ(mc.cursorY, 1);
}

// --- The write block ------------------------------------------------------------------

// A mixed text of printable bytes, line endings, tabs, backspaces and bells.
std::string mixedText(std::size_t length) {
    std::string text;
    std::uint32_t seed = 12345;
    while (text.size() < length) {
        seed = seed * 1103515245u + 12345u;
        const unsigned pick = (seed >> 16) % 40;
        switch (pick) {
            case 0: text += "\r\n"; break;
            case 1: text += '\t'; break;
            case 2: text += '\b'; break;
            case 3: text += '\n'; break;
            case 4: text += '\x07'; break;
            default: text += static_cast<char>('a' + pick % 26); break;
        }
    }
    return text;
}

TEST(WriteBlock, LongWriteLooksTheSameAsItsPieces) {
    const std::string text = mixedText(5000);
    for (const Geometry& g : geometries) {
        for (std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{80}, std::size_t{1023},
                                  std::size_t{1024}, std::size_t{1025}}) {
            SCOPED_TRACE(std::to_string(g.width) + "x" + std::to_string(g.bufferHeight) + " piece " +
                         std::to_string(piece));
            MemoryConsole whole(g.width, g.bufferHeight, g.windowHeight);
            ConsoleState wholeState(whole);
            write(wholeState, text);

            MemoryConsole pieces(g.width, g.bufferHeight, g.windowHeight);
            ConsoleState piecesState(pieces);
            for (std::size_t at = 0; at < text.size(); at += piece) write(piecesState, text.substr(at, piece));

            EXPECT_EQ(whole.cells, pieces.cells);
            EXPECT_EQ(whole.windowTop, pieces.windowTop);
            EXPECT_EQ(whole.cursorX, pieces.cursorX);
            EXPECT_EQ(whole.cursorY, pieces.cursorY);
            EXPECT_EQ(wholeState.pendingWrap, piecesState.pendingWrap);
        }
    }
}

TEST(WriteBlock, BlockOverflowDoesNotSplitARow) {
    MemoryConsole mc(100, 40);
    ConsoleState cs(mc);
    write(cs, row('k', 1500));
    // 1024 bytes go out as 11 segments (10 whole rows and 24 cells), the
    // remaining 476 as 5 (76 cells, then 4 whole rows).
    EXPECT_EQ(mc.counts.cellWrites, 16);
    for (int y = 0; y < 15; ++y) EXPECT_EQ(mc.rowText(y), row('k', 100));
    EXPECT_EQ(mc.rowText(15), row(' ', 100));
    EXPECT_EQ(mc.cursorY, 15);
    EXPECT_EQ(mc.cursorX, 0);
}

// --- Failures -------------------------------------------------------------------------

// Records where each cell write went.
class CellWriteRecorder : public MemoryConsole {
public:
    using MemoryConsole::MemoryConsole;
    std::vector<std::tuple<int, int, int>> writes;  // (x, y, n)
    bool writeCells(int x, int y, const std::uint8_t* bytes, int n, std::uint16_t attribute) override {
        writes.emplace_back(x, y, n);
        return MemoryConsole::writeCells(x, y, bytes, n, attribute);
    }
};

TEST(ConsoleWriterFailures, FailingCellWriteDropsOnlyTheRestOfItsBlock) {
    CellWriteRecorder mc(80, 25);
    mc.writeCellsFailAfter = 1;
    ConsoleState cs(mc);
    write(cs, row('a', 200) + "\r\nxyz");
    EXPECT_EQ(mc.rowText(0), row('a', 80));
    EXPECT_EQ(mc.rowText(1), row(' ', 80));
    // The first row went out, the second failed and the third was never
    // tried; the text after the line ending was still tried, on the row
    // after the failed one. A failed segment does not move the cursor.
    const std::vector<std::tuple<int, int, int>> expected = {{0, 0, 80}, {0, 1, 80}, {0, 2, 3}};
    EXPECT_EQ(mc.writes, expected);
    EXPECT_EQ(mc.cursorX, 0);
    EXPECT_EQ(mc.cursorY, 2);
}

TEST(ConsoleWriterFailures, FailingScreenQueryUsesTheFallbackConsole) {
    MemoryConsole mc(80, 150, 30);
    mc.windowTop = 120;
    mc.windowBottom = 149;
    mc.attribute = 0x1F;
    mc.cursorX = 40;
    mc.cursorY = 135;
    ConsoleState cs(mc);
    setUpConsole(cs);
    mc.failScreenInfo = true;
    write(cs, "hi");
    EXPECT_EQ(mc.cell(0, 120).ch, 'h');
    EXPECT_EQ(mc.cell(1, 120).ch, 'i');
    EXPECT_EQ(mc.cell(0, 120).attribute, 7);
    EXPECT_EQ(mc.cell(40, 135).ch, ' ');
    EXPECT_EQ(mc.cursorX, 2);
    EXPECT_EQ(mc.cursorY, 120);
}

TEST(ConsoleWriterFailures, FailedCursorPlacementAndWindowMoveAreIgnored) {
    MemoryConsole mc(10, 8, 4);
    ConsoleState cs(mc);
    mc.failSetCursor = true;
    mc.failSetWindow = true;
    mc.cursorY = 3;
    write(cs, "ab\r\ncd");
    EXPECT_EQ(mc.rowText(3), padded("ab", 10));
    EXPECT_EQ(mc.rowText(4), padded("cd", 10));
    EXPECT_EQ(mc.windowTop, 0);
    EXPECT_EQ(mc.counts.windowMoves, 1);
}

// --- Cost of a write --------------------------------------------------------------------

TEST(ShorterConsole, TextStillScrollsIntoViewWhenNoRowsLieBelowTheWindow) {
    // The print area is fixed at 25 rows; then the console shrinks to 10
    // rows with no buffer rows below its window. Every line printed after
    // that is on screen, and the window shows the last ten.
    MemoryConsole mc(20, 25);
    ConsoleState cs(mc);
    write(cs, "first\r\n");
    mc.resize(20, 10);
    readBounds(cs);
    for (int line = 1; line <= 30; ++line) write(cs, "line " + std::to_string(line) + "\r\n");
    EXPECT_EQ(mc.windowTop, 0);
    for (int row = 0; row < 9; ++row) EXPECT_EQ(mc.windowRowText(row), padded("line " + std::to_string(22 + row), 20));
    EXPECT_EQ(mc.windowRowText(9), padded("", 20));
    EXPECT_EQ(mc.cursorY, 9);
    EXPECT_EQ(mc.cursorX, 0);
}

TEST(ShorterConsole, ResizeKeepsTheCursorOnTheTextItWasOn) {
    MemoryConsole mc(20, 25);
    ConsoleState cs(mc);
    for (int line = 0; line < 20; ++line) write(cs, "row " + std::to_string(line) + "\r\n");
    write(cs, "typing");
    mc.resize(20, 10);
    EXPECT_EQ(mc.cursorY, 9);
    EXPECT_EQ(mc.cursorX, 6);
    EXPECT_EQ(mc.windowRowText(9), padded("typing", 20));
    EXPECT_EQ(mc.windowRowText(0), padded("row 11", 20));

    // A console made shorter above the cursor keeps its rows from the top.
    MemoryConsole high(20, 25);
    high.cell(0, 0).ch = 'a';
    high.resize(20, 10);
    EXPECT_EQ(high.cell(0, 0).ch, 'a');
}

TEST(WriteCost, OneQueryOnePlacementOneRefreshAndWholeRowSegments) {
    MemoryConsole mc(80, 25);
    ConsoleState cs(mc);
    setUpConsole(cs);
    mc.counts = {};
    write(cs, "Name the capital of Ohio\r\n");
    EXPECT_EQ(mc.counts.screenInfoQueries, 2);  // the query at the start, the refresh at the end
    EXPECT_EQ(mc.counts.cursorPlacements, 1);
    EXPECT_EQ(mc.counts.cellWrites, 1);
    EXPECT_EQ(mc.counts.presents, 1);
    EXPECT_EQ(mc.counts.windowMoves, 0);

    mc.counts = {};
    mc.cursorX = 30;
    write(cs, row('w', 250) + "\rab\bc");
    EXPECT_EQ(mc.counts.screenInfoQueries, 2);
    EXPECT_EQ(mc.counts.cursorPlacements, 1);
    EXPECT_EQ(mc.counts.cellWrites, 4 + 1 + 1);  // 50, 80, 80, 40; "ab"; "c"
    EXPECT_EQ(mc.counts.presents, 1);
}

TEST(WriteCost, WindowFollowsOnceAtTheEndOfAWrite) {
    MemoryConsole mc(10, 100, 5);
    ConsoleState cs(mc);
    mc.cursorY = 4;
    write(cs, "1\r\n2\r\n3\r\n4\r\n5\r\n6");
    EXPECT_EQ(mc.counts.windowMoves, 1);
    EXPECT_EQ(mc.counts.blockScrolls, 0);
    EXPECT_EQ(mc.windowTop, 5);
    EXPECT_EQ(mc.windowBottom, 9);
    EXPECT_EQ(mc.rowText(9), padded("6", 10));
    EXPECT_EQ(cs.bounds.top, 5);
    EXPECT_EQ(cs.bounds.bottom, 9);
}

}  // namespace
}  // namespace console
