// The screen a new round clears stays in the terminal's scrollback, played
// in a real terminal emulator (tmux): once the second round has begun, the
// history holds the whole first round, its summary and missed list
// included, followed by the new round alone on the screen.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/tmux_session.h"

namespace {

using testing_support::TmuxSession;
using Rows = std::vector<std::string>;

Rows withoutTrailingEmptyRows(Rows rows) {
    while (!rows.empty() && rows.back().empty()) rows.pop_back();
    return rows;
}

TEST(TerminalScrollback, EachRoundIsKeptWhenTheNextBegins) {
    if (std::system("tmux -V > /dev/null 2>&1") != 0) GTEST_SKIP() << "tmux is not installed";
    TmuxSession tmux(CAPITALS_PROGRAM, 80, 25);
    const auto roundStarted = [](const Rows& rows) {
        const Rows shown = withoutTrailingEmptyRows(rows);
        return shown.size() == 3 && shown[0].rfind(" 1 of ", 0) == 0 && shown[2] == "?";
    };
    ASSERT_TRUE(tmux.waitFor(roundStarted)) << tmux.run("capture-pane -p -t 0");
    const int asked = std::atoi(tmux.screen()[0].substr(6).c_str());
    ASSERT_GT(asked, 0);

    // Every answer empty: every state missed, a summary longer than the window.
    std::string enters;
    for (int i = 0; i < asked; ++i) enters += " Enter";
    tmux.sendKeyNames(enters);
    ASSERT_TRUE(tmux.waitForText("Press a key to play again")) << tmux.run("capture-pane -p -t 0");
    const Rows firstRound = withoutTrailingEmptyRows(tmux.history());
    ASSERT_GT(firstRound.size(), 25u + static_cast<std::size_t>(asked));

    tmux.type("n");
    ASSERT_TRUE(tmux.waitFor(roundStarted)) << tmux.run("capture-pane -p -t 0");
    const Rows history = withoutTrailingEmptyRows(tmux.history());
    ASSERT_EQ(history.size(), firstRound.size() + 3);
    EXPECT_EQ(Rows(history.begin(), history.begin() + static_cast<std::ptrdiff_t>(firstRound.size())), firstRound);
    EXPECT_EQ(Rows(history.end() - 3, history.end()), withoutTrailingEmptyRows(tmux.screen()));
}

}  // namespace
