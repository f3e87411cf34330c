// The line editor behind the input prompt, driven by key events on the
// in-memory console: the key table, the redraw rules, the cursor rules at
// the bottom of the print area, cursor placement and visibility.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "console/console.h"
#include "console/console_frame.h"
#include "console/input_fields.h"
#include "console/key_polling.h"
#include "console/line_editor.h"
#include "console/line_input.h"
#include "console/memory/memory_console.h"
#include "console/platform/us_layout.h"
#include "console/screen_scroll.h"
#include "console/text_output.h"

namespace console {
namespace {

// A console and its state, cleared so the print area is fixed and the
// cursor is at the top-left cell.
struct Editor {
    MemoryConsole mc;
    ConsoleState cs{mc};
    std::vector<std::function<void()>> steps;  // run one at each idle moment
    std::size_t nextStep = 0;

    explicit Editor(int width = 80, int bufferHeight = 25, int windowHeight = 0)
        : mc(width, bufferHeight, windowHeight) {
        clearScreen(cs);
        mc.onIdle = [this] {
            if (nextStep < steps.size()) {
                steps[nextStep++]();
                return;
            }
            // The test ran out of keys: end the line rather than hang.
            ADD_FAILURE() << "the editor waited for a key that the test never gave";
            mc.typeText("\r");
        };
    }

    // Reads one answer the way the quiz does and returns the accepted line.
    std::string answer() {
        beginInput(cs, "", withQuestionMark, withNewlineAfter);
        return cs.inputSource.lineText;
    }

    void left() { mc.pressSpecial(vkLeft, scanLeft, enhancedKey); }
    void right() { mc.pressSpecial(vkRight, scanRight, enhancedKey); }
    void home() { mc.pressSpecial(vkHome, scanHome, enhancedKey); }
    void end() { mc.pressSpecial(vkEnd, scanEnd, enhancedKey); }
    void up() { mc.pressSpecial(vkUp, scanUp, enhancedKey); }
    void down() { mc.pressSpecial(vkDown, scanDown, enhancedKey); }
    void del() { mc.pressSpecial(vkDelete, scanDelete, enhancedKey); }
    void enter() { mc.typeText("\r"); }

    // The window rows, padded to the width.
    std::vector<std::string> window() const {
        std::vector<std::string> rows;
        for (int y = mc.windowTop; y <= mc.windowBottom; ++y) rows.push_back(mc.rowText(y));
        return rows;
    }
    // The cursor as a window cell, 0-based.
    std::pair<int, int> cursor() const { return {mc.cursorX, mc.cursorY - mc.windowTop}; }
};

// What a window of width by height cells shows after the output, written
// from the start of row startRow of a cleared window, wrapped at the right
// edge ("\r\n" starting a new row) and scrolled at the bottom.
std::vector<std::string> expectedWindow(const std::string& output, int width, int height, int startRow = 0) {
    std::vector<std::string> rows(static_cast<std::size_t>(startRow), "");
    rows.emplace_back();
    for (std::size_t i = 0; i < output.size(); ++i) {
        if (output[i] == '\r' && i + 1 < output.size() && output[i + 1] == '\n') {
            rows.emplace_back();
            ++i;
            continue;
        }
        rows.back() += output[i];
        if (static_cast<int>(rows.back().size()) == width) rows.emplace_back();
    }
    std::vector<std::string> shown;
    const std::size_t first = rows.size() > static_cast<std::size_t>(height) ? rows.size() - height : 0;
    for (std::size_t r = first; r < first + static_cast<std::size_t>(height); ++r) {
        std::string row = r < rows.size() ? rows[r] : "";
        row.resize(static_cast<std::size_t>(width), ' ');
        shown.push_back(row);
    }
    return shown;
}

std::string letters(std::size_t n) {
    std::string text;
    for (std::size_t i = 0; i < n; ++i) text += static_cast<char>('a' + i % 26);
    return text;
}

// --- The quiz's view -------------------------------------------------------------

TEST(LineEditor, QuizSeesThePromptThenTheTypedTextThenANewLine) {
    Editor e;
    printText(e.cs, "Name the capital of Ohio", lineEnd);
    e.mc.typeText("Columbus\r");
    EXPECT_EQ(e.answer(), "Columbus");
    EXPECT_EQ(e.mc.rowText(1).substr(0, 11), "? Columbus ");
    EXPECT_EQ(e.cursor(), std::make_pair(0, 2));
    std::string field;
    nextInputField(e.cs, field);
    EXPECT_EQ(field, "Columbus");
}

TEST(LineEditor, PromptStartsOnAFreshRowAfterADeferredWrap) {
    Editor e(10, 5);
    setCursor(e.cs, 0, 4);
    printText(e.cs, "0123456789", 0);
    ASSERT_TRUE(e.cs.pendingWrap);
    e.mc.typeText("ab\r");
    EXPECT_EQ(e.answer(), "ab");
    EXPECT_EQ(e.window(), expectedWindow("0123456789? ab\r\n", 10, 5, 4));
}

TEST(LineEditor, PromptTextAndFlagsAreHonoured) {
    Editor e;
    e.mc.typeText("x\r");
    beginInput(e.cs, "Answer", noQuestionMark, noNewlineAfter);
    EXPECT_EQ(e.cs.inputSource.lineText, "x");
    EXPECT_EQ(e.mc.rowText(0).substr(0, 8), "Answerx ");
    EXPECT_EQ(e.cursor(), std::make_pair(7, 0));  // no line ending
}

// --- The key table -------------------------------------------------------------------

TEST(LineEditor, TypingInTheMiddleShiftsTheRestRight) {
    Editor e;
    e.mc.typeText("Clumbus");
    e.home();
    e.right();
    e.mc.typeText("o");
    e.steps.push_back([&] {
        EXPECT_EQ(e.cursor(), std::make_pair(4, 0));
        EXPECT_EQ(e.mc.rowText(0).substr(0, 11), "? Columbus ");
        e.enter();
    });
    EXPECT_EQ(e.answer(), "Columbus");
}

TEST(LineEditor, TabInsertsBlanksUpToTheNextMultipleOfEightOfTheTextPosition) {
    struct Case {
        std::string before;
        std::size_t blanks;
    };
    for (const Case& c : {Case{"", 8}, Case{"abcde", 3}, Case{"abcdefgh", 8}, Case{"abcdefghijklmno", 1}}) {
        Editor e;
        e.mc.typeText(c.before + "\tz\r");
        const std::string expected = c.before + std::string(c.blanks, ' ') + "z";
        EXPECT_EQ(e.answer(), expected);
        EXPECT_EQ(e.window(), expectedWindow("? " + expected + "\r\n", 80, 25));
    }
    // In the middle of the text it inserts and shifts the rest.
    Editor e;
    e.mc.typeText("abc");
    e.left();
    e.mc.typeText("\t\r");
    EXPECT_EQ(e.answer(), "ab      c");
    EXPECT_EQ(e.window(), expectedWindow("? ab      c\r\n", 80, 25));
}

TEST(LineEditor, BackspaceAndDeleteShiftTheRestLeftAndBlankTheFreedCell) {
    Editor e;
    e.mc.typeText("abcd");
    e.left();
    e.left();
    e.mc.typeText("\b");
    e.steps.push_back([&] {
        EXPECT_EQ(e.mc.rowText(0).substr(0, 7), "? acd  ");
        EXPECT_EQ(e.cursor(), std::make_pair(3, 0));
        e.home();
        e.del();
    });
    e.steps.push_back([&] {
        EXPECT_EQ(e.mc.rowText(0).substr(0, 7), "? cd   ");
        EXPECT_EQ(e.cursor(), std::make_pair(2, 0));
        e.enter();
    });
    EXPECT_EQ(e.answer(), "cd");
    EXPECT_TRUE(e.mc.beeps.empty());
}

TEST(LineEditor, DeleteAtTheEndBeepsOnceBackspaceAtTheStartIsSilent) {
    Editor e;
    e.mc.typeText("ab");
    e.del();
    e.home();
    e.mc.typeText("\b");
    e.left();
    e.enter();
    EXPECT_EQ(e.answer(), "ab");
    ASSERT_EQ(e.mc.beeps.size(), 1u);
    EXPECT_EQ(e.mc.beeps[0], std::make_pair(1000u, 250u));
}

TEST(LineEditor, EscapeBlanksTheLineAndReturnsToItsStart) {
    Editor e;
    e.mc.typeText("abc");
    e.left();
    e.mc.typeText("\x1b");
    e.steps.push_back([&] {
        EXPECT_EQ(e.mc.rowText(0).substr(0, 6), "?     ");
        EXPECT_EQ(e.cursor(), std::make_pair(2, 0));
        e.mc.typeText("x\r");
    });
    EXPECT_EQ(e.answer(), "x");
    EXPECT_EQ(e.window(), expectedWindow("? x\r\n", 80, 25));
}

TEST(LineEditor, EscapeOnAnEmptyLineChangesNothing) {
    Editor e;
    e.mc.typeText("\x1b");
    int cellWrites = 0;
    e.steps.push_back([&] {
        cellWrites = e.mc.counts.cellWrites;
        EXPECT_EQ(e.cursor(), std::make_pair(2, 0));
        e.mc.typeText("\x1b");
    });
    e.steps.push_back([&] {
        EXPECT_EQ(e.mc.counts.cellWrites, cellWrites);
        EXPECT_EQ(e.cursor(), std::make_pair(2, 0));
        e.enter();
    });
    EXPECT_EQ(e.answer(), "");
    EXPECT_EQ(cellWrites, 1);  // the prompt only
}

TEST(LineEditor, UpAndDownMoveOneRowWithinTheText) {
    // 10 columns: the text runs 8 cells on the prompt's row, then 10 a row.
    Editor e(10, 8);
    e.mc.typeText("abc");
    e.up();  // pos 3 < 10: nothing
    e.mc.typeText("X");
    e.home();
    e.down();  // 0 + 10 > 4: nothing
    e.mc.typeText("Y");
    e.end();
    e.mc.typeText("0123456789");  // "YabcX0123456789", 15 bytes
    e.up();                        // pos 5
    e.mc.typeText("U");            // pos 6
    e.down();                      // 6 + 10 <= 16: pos 16
    e.mc.typeText("D");
    e.down();  // 17 + 10 > 17: nothing
    e.enter();
    EXPECT_EQ(e.answer(), "YabcXU0123456789D");
    EXPECT_EQ(e.window(), expectedWindow("? YabcXU0123456789D\r\n", 10, 8));
}

TEST(LineEditor, EnterInTheMiddleAcceptsTheWholeLine) {
    Editor e;
    e.mc.typeText("abc");
    e.left();
    e.left();
    e.enter();
    EXPECT_EQ(e.answer(), "abc");
    EXPECT_EQ(e.cursor(), std::make_pair(0, 1));
    EXPECT_EQ(e.window(), expectedWindow("? abc\r\n", 80, 25));
}

TEST(LineEditor, LineFeedEndsTheLineAsEnter) {
    Editor e;
    e.mc.typeText("ab");
    e.steps.push_back([&] { pushKey(e.cs.keyBuffer, 10); });
    EXPECT_EQ(e.answer(), "ab");
    EXPECT_EQ(e.cursor(), std::make_pair(0, 1));
}

TEST(LineEditor, KeysOutsideTheTableAreIgnored) {
    Editor e;
    e.mc.typeText("ab");
    int cellWrites = 0;
    e.steps.push_back([&] {
        cellWrites = e.mc.counts.cellWrites;
        e.mc.pressSpecial(vkInsert, scanInsert, enhancedKey);
        e.mc.pressSpecial(vkPrior, scanPageUp, enhancedKey);
        e.mc.pressSpecial(vkNext, scanPageDown, enhancedKey);
        e.mc.pressSpecial(vkF1, 59, 0);
        e.mc.typeText("\x01\x1a");  // Ctrl+A, Ctrl+Z
        pushKey(e.cs.keyBuffer, closeKey);
    });
    e.steps.push_back([&] {
        EXPECT_EQ(e.mc.counts.cellWrites, cellWrites);
        EXPECT_TRUE(e.mc.beeps.empty());
        e.mc.typeText("c\r");
    });
    EXPECT_EQ(e.answer(), "abc");
}

TEST(LineEditor, MovesThatNeedNoRedrawOnlyPlaceTheCursor) {
    Editor e(10, 6);
    e.mc.typeText(letters(25));
    MemoryConsole::Counts before;
    e.steps.push_back([&] {
        before = e.mc.counts;
        e.left();
        e.right();
        e.home();
        e.end();
        e.up();
        e.down();
    });
    e.steps.push_back([&] {
        EXPECT_EQ(e.mc.counts.cellWrites, before.cellWrites);
        EXPECT_EQ(e.mc.counts.blockScrolls, before.blockScrolls);
        EXPECT_EQ(e.mc.counts.fills, before.fills);
        EXPECT_EQ(e.mc.counts.windowMoves, before.windowMoves);
        EXPECT_GT(e.mc.counts.cursorPlacements, before.cursorPlacements);
        EXPECT_EQ(e.cursor(), std::make_pair(7, 2));
        e.enter();
    });
    EXPECT_EQ(e.answer(), letters(25));
}

// --- Visibility -------------------------------------------------------------------------

TEST(LineEditor, CursorIsShownWhileEditingAndItsVisibilityRestoredAfter) {
    for (const bool visibleBefore : {false, true}) {
        Editor e;
        e.mc.cursorVisible = visibleBefore;
        e.mc.typeText("ab");
        e.steps.push_back([&] {
            EXPECT_TRUE(e.mc.cursorVisible);
            e.left();
            e.mc.typeText("x");
        });
        e.steps.push_back([&] {
            EXPECT_TRUE(e.mc.cursorVisible);
            e.enter();
        });
        EXPECT_EQ(e.answer(), "axb");
        EXPECT_EQ(e.mc.cursorVisible, visibleBefore);
    }
}

// --- The console's size ---------------------------------------------------------------

TEST(LineEditor, TheConsolesSizeIsKeptForTheWholeLine) {
    // Its cursor arithmetic rests on the width and height read at the start:
    // the size is kept before they are read, while keys are awaited, and
    // given back once the cursor stands after the text, before the line
    // ending.
    Editor e;
    bool keptWhileWaiting = false;
    e.steps.push_back([&] {
        keptWhileWaiting = e.mc.bufferSizeKept;
        e.mc.typeText("Boise");
        e.enter();
    });
    EXPECT_FALSE(e.mc.bufferSizeKept);
    EXPECT_EQ(e.answer(), "Boise");
    EXPECT_TRUE(keptWhileWaiting);
    EXPECT_FALSE(e.mc.bufferSizeKept);
    EXPECT_EQ(e.mc.counts.sizeKeeps, 1);
}

// --- The bottom of the print area --------------------------------------------------------

struct Geometry {
    int width;
    int bufferHeight;
    int windowHeight;
};

TEST(LineEditorBottom, TypingIntoTheBottomRightCellScrollsAtOnce) {
    for (const Geometry& g : {Geometry{80, 25, 0}, Geometry{80, 60, 25}}) {
        Editor e(g.width, g.bufferHeight, g.windowHeight);
        setCursor(e.cs, 0, 24);
        const std::string text = letters(78);
        e.mc.typeText(text);
        e.steps.push_back([&] {
            EXPECT_EQ(e.mc.windowTop + e.mc.takeScrolledLines(), 1);
            EXPECT_EQ(e.cursor(), std::make_pair(0, 24));
            EXPECT_FALSE(e.cs.pendingWrap);
            e.enter();
        });
        EXPECT_EQ(e.answer(), text);
        // The line ending after Enter leaves the row after the text empty.
        EXPECT_EQ(e.window(), expectedWindow("? " + text + "\r\n", 80, 25, 24));
        EXPECT_EQ(e.mc.rowText(e.mc.windowTop + 23), std::string(80, ' '));
    }
}

TEST(LineEditorBottom, EchoEndingInTheLastColumnLeavesAnEmptyRowAfterEnter) {
    Editor e;
    setCursor(e.cs, 0, 3);
    e.mc.typeText(letters(78) + "\r");
    e.answer();
    printText(e.cs, "Correct!", lineEnd);
    EXPECT_EQ(e.mc.rowText(3), "? " + letters(78));
    EXPECT_EQ(e.mc.rowText(4), std::string(80, ' '));
    EXPECT_EQ(e.mc.rowText(5).substr(0, 9), "Correct! ");
}

TEST(LineEditorBottom, InsertThatFillsTheLastCellDefersTheScroll) {
    // 10 by 5: "? " and 47 bytes end with the cursor on the bottom-right cell.
    for (const Geometry& g : {Geometry{10, 5, 0}, Geometry{10, 20, 5}}) {
        Editor e(g.width, g.bufferHeight, g.windowHeight);
        const std::string text = letters(47);
        e.mc.typeText(text);
        e.left();
        e.mc.typeText("Z");  // the tail now ends in the bottom-right cell
        e.steps.push_back([&] {
            EXPECT_EQ(e.mc.windowTop + e.mc.takeScrolledLines(), 0);
            EXPECT_EQ(e.cursor(), std::make_pair(9, 4));
            EXPECT_FALSE(e.cs.pendingWrap);
            e.mc.typeText("Y");  // now the tail runs past it: the window scrolls
        });
        e.steps.push_back([&] {
            EXPECT_EQ(e.mc.windowTop + e.mc.takeScrolledLines(), 1);
            EXPECT_EQ(e.cursor(), std::make_pair(0, 4));
            e.mc.typeText("X");
            e.enter();
        });
        const std::string expected = text.substr(0, 46) + "ZYX" + text.substr(46);
        EXPECT_EQ(e.answer(), expected);
        EXPECT_EQ(e.window(), expectedWindow("? " + expected + "\r\n", 10, 5));
    }
}

TEST(LineEditorBottom, InsertThatScrollsAndEndsInTheLastCellFindsTheNewPosition) {
    // 4 by 3: "? abcdefghi" covers cells 0 to 10. A tab at position 3
    // inserts 5 blanks: the tail runs from cell 5 to cell 15, one row past
    // the window, and ends in the last cell of the new bottom row.
    for (const Geometry& g : {Geometry{4, 3, 0}, Geometry{4, 10, 3}}) {
        Editor e(g.width, g.bufferHeight, g.windowHeight);
        e.mc.typeText("abcdefghi");
        e.home();
        e.right();
        e.right();
        e.right();
        e.mc.typeText("\t");
        e.steps.push_back([&] {
            EXPECT_EQ(e.mc.windowTop + e.mc.takeScrolledLines(), 1);
            // Position 8 is cell 10: the third cell of the window's middle row.
            EXPECT_EQ(e.cursor(), std::make_pair(2, 1));
            e.mc.typeText("X");
            e.enter();
        });
        const std::string expected = "abc     Xdefghi";
        EXPECT_EQ(e.answer(), expected);
        EXPECT_EQ(e.window(), expectedWindow("? " + expected + "\r\n", 4, 3));
    }
}

TEST(LineEditorBottom, HomeAfterTheStartScrolledOffChangesOnlyThePosition) {
    Editor e(10, 5);
    const std::string text = letters(60);
    e.mc.typeText(text);
    std::pair<int, int> before;
    e.steps.push_back([&] {
        before = e.cursor();
        e.home();
    });
    e.steps.push_back([&] {
        EXPECT_EQ(e.cursor(), before);
        e.mc.typeText("Z\r");
    });
    EXPECT_EQ(e.answer(), "Z" + text);
}

// --- Long answers ---------------------------------------------------------------------------

TEST(LineEditorLong, TenThousandByteAnswerKeepsTextAndScreenConsistent) {
    for (const Geometry& g : {Geometry{80, 25, 0}, Geometry{80, 300, 25}}) {
        Editor e(g.width, g.bufferHeight, g.windowHeight);
        const std::string typed = letters(10000);
        // Fed as the editor waits, a few hundred keys at a time, as a
        // keyboard would.
        for (std::size_t at = 0; at < typed.size(); at += 400) {
            e.steps.push_back([&, at] { e.mc.typeText(typed.substr(at, 400)); });
        }
        e.steps.push_back([&] {
            for (int i = 0; i < 5; ++i) e.left();
            e.mc.typeText("\bQ");
            e.del();
            e.up();
            e.mc.typeText("U");
            e.down();
            e.mc.typeText("D");
            e.end();
            e.enter();
        });
        std::string expected = typed;
        std::size_t pos = 9995;
        expected.erase(--pos, 1);
        expected.insert(pos++, "Q");
        expected.erase(pos, 1);
        pos -= 80;
        expected.insert(pos++, "U");
        pos += 80;
        expected.insert(pos, "D");

        const std::string accepted = e.answer();
        EXPECT_EQ(accepted.size(), expected.size());
        EXPECT_EQ(accepted, expected);
        EXPECT_EQ(e.window(), expectedWindow("? " + expected + "\r\n", 80, 25));
        EXPECT_EQ(e.cursor(), std::make_pair(0, 24));
        std::string field;
        nextInputField(e.cs, field);
        EXPECT_EQ(field, expected.substr(0, 4096));
    }
}

// --- Cursor placement -------------------------------------------------------------------------

TEST(LocateCursor, TargetsOutsideThePrintAreaAreNotAppliedButVisibilityIs) {
    Editor e(10, 8, 5);
    setCursor(e.cs, 3, 2);
    e.mc.cursorVisible = true;
    EXPECT_TRUE(locateCursor(e.cs, 6, 1, CursorVisibility::hide));  // row past the area
    EXPECT_FALSE(e.mc.cursorVisible);
    EXPECT_EQ(e.cursor(), std::make_pair(3, 2));
    EXPECT_FALSE(locateCursor(e.cs, 1, 11, CursorVisibility::show));  // column past the width
    EXPECT_TRUE(e.mc.cursorVisible);
    EXPECT_EQ(e.cursor(), std::make_pair(3, 2));
    locateCursor(e.cs, keepCoordinate, 7, CursorVisibility::keep);  // row kept
    EXPECT_EQ(e.cursor(), std::make_pair(6, 2));
    locateCursor(e.cs, 5, keepCoordinate, CursorVisibility::keep);  // column kept
    EXPECT_EQ(e.cursor(), std::make_pair(6, 4));
    EXPECT_TRUE(e.mc.cursorVisible);
}

TEST(LocateCursor, EveryCallCancelsADeferredWrap) {
    Editor e(10, 5);
    setCursor(e.cs, 0, 4);
    printText(e.cs, "0123456789", 0);
    ASSERT_TRUE(e.cs.pendingWrap);
    const int presents = e.mc.counts.presents;
    locateCursor(e.cs, keepCoordinate, keepCoordinate, CursorVisibility::keep);
    EXPECT_FALSE(e.cs.pendingWrap);
    EXPECT_EQ(e.mc.counts.presents, presents + 1);
    EXPECT_EQ(e.cursor(), std::make_pair(9, 4));
}

TEST(LocateCursor, ReadCursorIsRelativeToTheWindow) {
    Editor e(10, 40, 5);
    e.mc.windowTop = 30;
    e.mc.windowBottom = 34;
    consoleWrite(e.cs, nullptr, 0, syncWhenEmpty);  // bounds read again
    e.mc.cursorX = 4;
    e.mc.cursorY = 32;
    EXPECT_EQ(readCursor(e.cs), std::make_pair(5, 3));
    e.mc.failScreenInfo = true;
    EXPECT_EQ(readCursor(e.cs), std::make_pair(0, 0));
}

TEST(MoveCursorBy, WrapsBetweenRowsBothWays) {
    Editor e(10, 5);
    int col = 1;
    int row = 3;
    moveCursorBy(e.cs, col, row, -1, 10, 5);
    EXPECT_EQ(std::make_pair(col, row), std::make_pair(10, 2));
    moveCursorBy(e.cs, col, row, 1, 10, 5);
    EXPECT_EQ(std::make_pair(col, row), std::make_pair(1, 3));
    EXPECT_EQ(e.cursor(), std::make_pair(0, 2));
    moveCursorBy(e.cs, col, row, -25, 10, 5);  // above the window: not applied
    EXPECT_EQ(std::make_pair(col, row), std::make_pair(6, 0));
    EXPECT_EQ(e.cursor(), std::make_pair(0, 2));
}

TEST(MoveCursorBy, TheCellAfterTheBottomRightScrollsOneRow) {
    Editor e(10, 5);
    int col = 10;
    int row = 5;
    moveCursorBy(e.cs, col, row, 1, 10, 5);
    EXPECT_EQ(e.mc.takeScrolledLines(), 1);
    EXPECT_EQ(e.cursor(), std::make_pair(0, 4));
}

TEST(MoveCursorBy, RedirectedOutputGetsNoLineEndingFromACursorMove) {
    MemoryConsole mc(80, 25);
    mc.outputIsConsole = false;
    ConsoleState cs(mc);
    int col = 0;
    int row = 0;
    // From the (0, 0) that an unreadable cursor gives, to the cell after
    // the bottom-right cell of an 80 by 25 window.
    moveCursorBy(cs, col, row, 25 * 80 + 80 + 1, 80, 25);
    EXPECT_EQ(mc.fileOutput, "");
}

// --- Redirected output with console input ------------------------------------------------------

TEST(LineEditor, EchoGoesOutAsPlainBytesWhenOutputIsRedirected) {
    MemoryConsole mc(80, 25);
    mc.outputIsConsole = false;
    ConsoleState cs(mc);
    mc.typeText("Dover\r");
    beginInput(cs, "", withQuestionMark, withNewlineAfter);
    EXPECT_EQ(cs.inputSource.lineText, "Dover");
    EXPECT_EQ(mc.fileOutput, "? Dover\r\n");
}

}  // namespace
}  // namespace console
