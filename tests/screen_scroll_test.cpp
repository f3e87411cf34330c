// Clearing the print area and scrolling it: the window moving down the
// buffer, the content scroll at the buffer's end, the band scroll of a print
// area that is not the window, and the blanking of uncovered rows.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "console/memory/memory_console.h"
#include "console/screen_scroll.h"
#include "console/text_output.h"

namespace console {
namespace {

void write(ConsoleState& cs, const std::string& bytes) {
    consoleWrite(cs, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), 0);
}

// Marks every buffer row with its own letter, so moved rows can be told apart.
void labelRows(MemoryConsole& mc) {
    for (int y = 0; y < mc.bufferHeight; ++y) {
        for (int x = 0; x < mc.bufferWidth; ++x) {
            mc.cell(x, y) = Cell{static_cast<std::uint8_t>('A' + y % 26), 0x40};
        }
    }
}

std::string label(const MemoryConsole& mc, int y) {
    return std::string(static_cast<std::size_t>(mc.bufferWidth), static_cast<char>('A' + y % 26));
}

std::string blank(const MemoryConsole& mc) { return std::string(static_cast<std::size_t>(mc.bufferWidth), ' '); }

bool rowAttributeIs(const MemoryConsole& mc, int y, std::uint16_t attribute) {
    for (int x = 0; x < mc.bufferWidth; ++x) {
        if (mc.cell(x, y).attribute != attribute) return false;
    }
    return true;
}

// --- Clearing ---------------------------------------------------------------------

TEST(ClearScreen, BlanksTheWindowRowsOfATallerBufferAndHomesTheCursor) {
    MemoryConsole mc(80, 150, 30);
    mc.windowTop = 120;
    mc.windowBottom = 149;
    labelRows(mc);
    mc.attribute = 0x1E;
    mc.cursorX = 33;
    mc.cursorY = 140;
    ConsoleState cs(mc);
    clearScreen(cs);
    for (int y = 0; y < 120; ++y) EXPECT_EQ(mc.rowText(y), label(mc, y)) << y;
    for (int y = 120; y < 150; ++y) {
        EXPECT_EQ(mc.rowText(y), blank(mc)) << y;
        EXPECT_TRUE(rowAttributeIs(mc, y, 0x1E)) << y;
    }
    EXPECT_EQ(mc.cursorX, 0);
    EXPECT_EQ(mc.cursorY, 120);
    EXPECT_EQ(mc.windowTop, 120);
    EXPECT_EQ(mc.windowBottom, 149);
    EXPECT_EQ(cs.printArea.lastRow, 30);
    EXPECT_EQ(mc.counts.presents, 1);
}

TEST(ClearScreen, CancelsAPendingWrap) {
    MemoryConsole mc(10, 5);
    ConsoleState cs(mc);
    mc.cursorY = 4;
    write(cs, "0123456789");
    ASSERT_TRUE(cs.pendingWrap);
    clearScreen(cs);
    EXPECT_FALSE(cs.pendingWrap);
    write(cs, "x");
    EXPECT_EQ(mc.cell(0, 0).ch, 'x');
    EXPECT_EQ(mc.takeScrolledLines(), 0);
    EXPECT_EQ(mc.rowText(4), blank(mc));
}

TEST(ClearScreen, UsesTheBoundsAsTheLastWriteLeftThem) {
    MemoryConsole mc(10, 20, 5);
    labelRows(mc);
    ConsoleState cs(mc);
    clearScreen(cs);
    // The user scrolls the window without any write: the clear still
    // blanks the rows the bounds last named.
    mc.windowTop = 10;
    mc.windowBottom = 14;
    labelRows(mc);
    clearScreen(cs);
    for (int y = 0; y < 5; ++y) EXPECT_EQ(mc.rowText(y), blank(mc));
    for (int y = 5; y < 20; ++y) EXPECT_EQ(mc.rowText(y), label(mc, y));
    EXPECT_EQ(mc.cursorY, 0);
}

TEST(ClearScreen, AConsoleUsableAgainIsClearedAgain) {
    // The last write saw a window one row high; by the clear it is taller.
    MemoryConsole mc(10, 5);
    ConsoleState cs(mc);
    clearScreen(cs);
    mc.resize(10, 5, 1);
    printText(cs, "x", 0);
    mc.resize(10, 5);
    labelRows(mc);
    clearScreen(cs);
    for (int y = 0; y < 5; ++y) EXPECT_EQ(mc.rowText(y), blank(mc));
    EXPECT_EQ(mc.cursorY, 0);
}

TEST(ClearScreen, UnreadableAttributeGivesLightGreyAndNoConsoleClearsNothing) {
    MemoryConsole mc(10, 5);
    labelRows(mc);
    ConsoleState cs(mc);
    setUpConsole(cs);
    mc.failScreenInfo = true;
    clearScreen(cs);
    EXPECT_EQ(mc.rowText(0), blank(mc));
    EXPECT_TRUE(rowAttributeIs(mc, 4, 7));

    MemoryConsole redirected(10, 5);
    labelRows(redirected);
    redirected.outputIsConsole = false;
    ConsoleState rs(redirected);
    clearScreen(rs);
    EXPECT_EQ(redirected.counts.fills, 0);
    EXPECT_EQ(redirected.counts.cursorPlacements, 0);
}

TEST(ClearScreen, FillsFromTheLastRowUpAttributeBeforeCharacter) {
    struct FillRecorder : MemoryConsole {
        using MemoryConsole::MemoryConsole;
        std::string order;
        bool fillCharacter(std::uint8_t ch, int count, int x, int y) override {
            order += 'c' + std::to_string(y);
            return MemoryConsole::fillCharacter(ch, count, x, y);
        }
        bool fillAttribute(std::uint16_t attribute, int count, int x, int y) override {
            order += 'a' + std::to_string(y);
            return MemoryConsole::fillAttribute(attribute, count, x, y);
        }
    } mc(10, 3);
    ConsoleState cs(mc);
    clearScreen(cs);
    EXPECT_EQ(mc.order, "a2c2a1c1a0c0");
}

// --- Scrolling ----------------------------------------------------------------------

TEST(ScrollArea, WindowMovesDownOverBufferRowsBelowItWithoutCopying) {
    MemoryConsole mc(10, 40, 25);
    labelRows(mc);
    ConsoleState cs(mc);
    mc.cursorY = 24;
    write(cs, "\n");
    EXPECT_EQ(mc.windowTop, 1);
    EXPECT_EQ(mc.windowBottom, 25);
    EXPECT_EQ(mc.counts.blockScrolls, 0);
    EXPECT_EQ(mc.counts.fills, 0);
    EXPECT_EQ(mc.rowText(25), label(mc, 25));  // what the buffer held there
    EXPECT_EQ(mc.cursorY, 25);
    EXPECT_EQ(cs.bounds.top, 1);
}

TEST(ScrollArea, ContentScrollsAtTheBottomOfTheBufferWithTheWritesAttribute) {
    MemoryConsole mc(10, 25);
    labelRows(mc);
    mc.attribute = 0x2E;
    ConsoleState cs(mc);
    mc.cursorY = 24;
    write(cs, "\r\n");
    for (int y = 0; y < 24; ++y) EXPECT_EQ(mc.rowText(y), label(mc, y + 1)) << y;
    EXPECT_EQ(mc.rowText(24), blank(mc));
    EXPECT_TRUE(rowAttributeIs(mc, 24, 0x2E));
    EXPECT_EQ(mc.takeScrolledLines(), 1);
    EXPECT_EQ(mc.windowTop, 0);
    EXPECT_EQ(mc.cursorY, 24);
}

TEST(ScrollArea, ThreeLinesWithOneRowBelowMoveTheWindowThenTheContent) {
    MemoryConsole mc(10, 26, 25);
    labelRows(mc);
    ConsoleState cs(mc);
    mc.cursorY = 24;
    write(cs, "\n\n\n");
    EXPECT_EQ(mc.windowTop, 1);
    EXPECT_EQ(mc.windowBottom, 25);
    EXPECT_EQ(mc.takeScrolledLines(), 2);
    for (int y = 0; y < 24; ++y) EXPECT_EQ(mc.rowText(y), label(mc, y + 2)) << y;
    EXPECT_EQ(mc.rowText(24), blank(mc));
    EXPECT_EQ(mc.rowText(25), blank(mc));
    EXPECT_EQ(mc.cursorY, 25);
    // The row the cursor started on is now three rows above it.
    EXPECT_EQ(mc.rowText(22), label(mc, 24));
}

TEST(ScrollArea, MoreLinesThanKeptRowsBlankEverythingUncovered) {
    MemoryConsole mc(10, 25);
    labelRows(mc);
    ConsoleState cs(mc);
    mc.cursorY = 24;
    write(cs, std::string(20, '\n'));
    for (int y = 0; y < 5; ++y) EXPECT_EQ(mc.rowText(y), label(mc, y + 20)) << y;
    for (int y = 5; y < 25; ++y) EXPECT_EQ(mc.rowText(y), blank(mc)) << y;
    EXPECT_EQ(mc.cursorY, 24);
}

TEST(ScrollArea, AScrollOfTheWholeBufferOrMoreBlanksTheArea) {
    MemoryConsole mc(10, 25);
    labelRows(mc);
    ConsoleState cs(mc);
    mc.cursorY = 24;
    write(cs, std::string(30, '\n') + "z");
    for (int y = 0; y < 24; ++y) EXPECT_EQ(mc.rowText(y), blank(mc)) << y;
    EXPECT_EQ(mc.rowText(24), "z         ");
}

TEST(ScrollArea, PrintAreaThatIsNotTheWindowScrollsOnlyItsBand) {
    MemoryConsole mc(10, 40, 25);
    ConsoleState cs(mc);
    clearScreen(cs);  // the print area is fixed at 25 rows
    mc.resize(10, 40, 30);
    write(cs, "");  // nothing to write: the bounds stay as they were read
    consoleWrite(cs, nullptr, 0, syncWhenEmpty);  // refreshes them
    ASSERT_EQ(cs.bounds.bottom, 29);
    labelRows(mc);
    mc.attribute = 0x3C;
    mc.cursorX = 0;
    mc.cursorY = 24;
    write(cs, "\r\n");
    for (int y = 0; y < 24; ++y) EXPECT_EQ(mc.rowText(y), label(mc, y + 1)) << y;
    EXPECT_EQ(mc.rowText(24), blank(mc));
    EXPECT_TRUE(rowAttributeIs(mc, 24, 0x3C));
    for (int y = 25; y < 40; ++y) EXPECT_EQ(mc.rowText(y), label(mc, y)) << y;
    EXPECT_EQ(mc.windowTop, 0);
    EXPECT_EQ(mc.counts.windowMoves, 0);
    EXPECT_EQ(mc.cursorY, 24);

    // More lines than the band holds blank the whole band.
    labelRows(mc);
    mc.cursorY = 24;
    write(cs, std::string(25, '\n'));
    for (int y = 0; y < 25; ++y) EXPECT_EQ(mc.rowText(y), blank(mc)) << y;
    for (int y = 25; y < 40; ++y) EXPECT_EQ(mc.rowText(y), label(mc, y)) << y;
}

TEST(ScrollArea, BandScrollOfMoreLinesThanKeptBlanksTheRowsBetween) {
    MemoryConsole mc(10, 30, 20);
    ConsoleState cs(mc);
    clearScreen(cs);  // print area of 20 rows
    mc.resize(10, 30, 25);
    consoleWrite(cs, nullptr, 0, syncWhenEmpty);
    labelRows(mc);
    mc.cursorY = 19;
    write(cs, std::string(15, '\n'));
    for (int y = 0; y < 5; ++y) EXPECT_EQ(mc.rowText(y), label(mc, y + 15)) << y;
    for (int y = 5; y < 20; ++y) EXPECT_EQ(mc.rowText(y), blank(mc)) << y;
    for (int y = 20; y < 30; ++y) EXPECT_EQ(mc.rowText(y), label(mc, y)) << y;
}

TEST(ScrollArea, ShorterWindowKeepsPrintingInTheAreaBelowIt) {
    // A window made shorter after the area was fixed: the area reaches
    // below the window, is not the window, and scrolls as a band.
    MemoryConsole mc(10, 25);
    ConsoleState cs(mc);
    clearScreen(cs);
    mc.resize(10, 25, 10);
    consoleWrite(cs, nullptr, 0, syncWhenEmpty);
    labelRows(mc);
    mc.cursorY = 24;
    write(cs, "\nq");
    EXPECT_EQ(mc.rowText(23), label(mc, 24));
    EXPECT_EQ(mc.rowText(24), "q         ");
    EXPECT_EQ(mc.windowTop, 0);
    EXPECT_EQ(mc.windowBottom, 9);
}

}  // namespace
}  // namespace console
