// What a terminal of any size shows of the screen model, and the size the
// model takes from the terminal's.
#include "console/posix/terminal_view.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/platform/screen_model.h"
#include "console/posix/terminal_size.h"

namespace console {
namespace {

// A model of width by height cells whose row y reads "row y" and whose
// cursor is at (x, y).
ScreenModel labelled(int width, int height, int cursorX, int cursorY) {
    ScreenModel model(width, height);
    for (int y = 0; y < height; ++y) {
        const std::string text = "row " + std::to_string(y);
        model.writeCells(0, y, reinterpret_cast<const std::uint8_t*>(text.data()), static_cast<int>(text.size()), 7);
    }
    model.setCursorPosition(cursorX, cursorY);
    return model;
}

// The view's cells, row by row.
std::vector<Cell> cells(const ScreenView& view) {
    std::vector<Cell> all;
    for (int y = 0; y < view.height; ++y) {
        for (int x = 0; x < view.width; ++x) all.push_back(view.cell(x, y));
    }
    return all;
}

// The view's rows, trailing blanks removed.
std::vector<std::string> rows(const ScreenView& view) {
    std::vector<std::string> text;
    for (int y = 0; y < view.height; ++y) {
        std::string row;
        for (int x = 0; x < view.width; ++x) row += static_cast<char>(view.cell(x, y).ch);
        row.erase(row.find_last_not_of(' ') + 1);
        text.push_back(row);
    }
    return text;
}

TEST(TerminalView, FewerRowsOrColumnsShowTheCursorAndWhatLeadsToIt) {
    // A cursor low in the window: the rows up to the cursor's, the cursor on
    // the bottom row.
    const ScreenModel model = labelled(10, 6, 3, 4);
    ScreenView view = terminalView(model, 10, 2);
    EXPECT_EQ(rows(view), (std::vector<std::string>{"row 3", "row 4"}));
    EXPECT_EQ(view.cursorX, 3);
    EXPECT_EQ(view.cursorY, 1);
    // One row: the cursor's alone.
    view = terminalView(model, 10, 1);
    EXPECT_EQ(rows(view), std::vector<std::string>{"row 4"});
    EXPECT_EQ(view.cursorY, 0);
    // A cursor among the top rows: the window's top rows.
    const ScreenModel high = labelled(10, 6, 0, 1);
    view = terminalView(high, 10, 3);
    EXPECT_EQ(rows(view), (std::vector<std::string>{"row 0", "row 1", "row 2"}));
    EXPECT_EQ(view.cursorY, 1);

    // Fewer columns: from the left while the cursor is in them, else as
    // far on as puts the cursor in the last column.
    view = terminalView(model, 4, 6);
    EXPECT_EQ(rows(view)[4], "row");
    EXPECT_EQ(view.cursorX, 3);
    ScreenModel wide = labelled(10, 6, 9, 5);
    view = terminalView(wide, 3, 2);
    EXPECT_EQ(rows(view), (std::vector<std::string>{"", ""}));
    EXPECT_EQ(view.cursorX, 2);
    EXPECT_EQ(view.cursorY, 1);
    wide.setCursorPosition(5, 5);
    view = terminalView(wide, 3, 1);
    EXPECT_EQ(rows(view), std::vector<std::string>{" 5"});
    EXPECT_EQ(view.cursorX, 2);
}

TEST(TerminalView, MoreRowsOrColumnsAreBlankAndTheSameSizeIsTheWindow) {
    ScreenModel model = labelled(6, 3, 5, 2);
    model.cursorVisible = false;
    const ScreenView view = terminalView(model, 8, 5);
    EXPECT_EQ(view.width, 8);
    EXPECT_EQ(view.height, 5);
    EXPECT_EQ(rows(view), (std::vector<std::string>{"row 0", "row 1", "row 2", "", ""}));
    for (const Cell& cell : cells(view)) EXPECT_EQ(cell.attribute, 7);
    EXPECT_EQ(view.cursorX, 5);
    EXPECT_EQ(view.cursorY, 2);
    EXPECT_FALSE(view.cursorVisible);

    const ScreenView window = windowView(model);
    const ScreenView same = terminalView(model, 6, 3);
    EXPECT_EQ(cells(same), cells(window));
    EXPECT_EQ(same.cursorX, window.cursorX);
    EXPECT_EQ(same.cursorY, window.cursorY);
}

TEST(TerminalSize, TheModelTakesUsableSizesAndKeepsItsOwnBelowTheSmallest) {
    const TerminalSize model{80, 25};
    EXPECT_EQ(modelSizeFor({100, 40}, model), (TerminalSize{100, 40}));
    EXPECT_EQ(modelSizeFor({smallestModelWidth, smallestModelHeight}, model),
              (TerminalSize{smallestModelWidth, smallestModelHeight}));
    // One row, one column, or too narrow for an answer: that dimension stays.
    EXPECT_EQ(modelSizeFor({80, 1}, model), (TerminalSize{80, 25}));
    EXPECT_EQ(modelSizeFor({1, 30}, model), (TerminalSize{80, 30}));
    EXPECT_EQ(modelSizeFor({smallestModelWidth - 1, 1}, {40, 10}), (TerminalSize{40, 10}));

    // Sizes no terminal has are held to the largest; none is below 1.
    EXPECT_EQ(heldToLargest({65535, 65535}), (TerminalSize{largestScreenWidth, largestScreenHeight}));
    EXPECT_EQ(heldToLargest({0, 5000}), (TerminalSize{1, largestScreenHeight}));
    EXPECT_EQ(heldToLargest({132, 43}), (TerminalSize{132, 43}));
}

}  // namespace
}  // namespace console
