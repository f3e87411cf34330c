// The quiz in a real terminal emulator (tmux) whose window is resized: to one
// row, to one column, in storms while an answer is typed or while output
// scrolls, and after starting small. Once the window is usable again the
// screen shows the questions, the prompt and the answer exactly, the cursor
// stands where the editing goes on, and the verdicts are right.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "quiz/capital_table.h"
#include "tests/tmux_session.h"

namespace {

using testing_support::TmuxSession;
using Rows = std::vector<std::string>;

bool tmuxInstalled() { return std::system("tmux -V > /dev/null 2>&1") == 0; }

Rows withoutTrailingEmptyRows(Rows rows) {
    while (!rows.empty() && rows.back().empty()) rows.pop_back();
    return rows;
}

std::string joined(const Rows& rows) {
    std::string text;
    for (const std::string& row : rows) text += row + "\n";
    return text;
}

// The rows cut to the columns first to first + width - 1, trailing blanks
// removed: what a narrower window shows of them.
Rows cropped(const Rows& rows, int first, int width) {
    Rows shown;
    for (const std::string& row : rows) {
        std::string part = static_cast<int>(row.size()) > first ? row.substr(static_cast<std::size_t>(first),
                                                                              static_cast<std::size_t>(width))
                                                                : std::string();
        part.erase(part.find_last_not_of(' ') + 1);
        shown.push_back(part);
    }
    return shown;
}

class ResizedQuiz {
public:
    ResizedQuiz(int width, int height) : session_(CAPITALS_PROGRAM, width, height) {
        quiz::CapitalTable table;
        quiz::buildCapitalTable(table);
        for (int entry = 1; entry <= quiz::entryCount; ++entry) capitalOf_[table[entry].stateName] = table[entry].capitalName;
    }

    TmuxSession& tmux() { return session_; }
    std::string capitalOf(const std::string& state) { return capitalOf_[state]; }
    // Resizes the window. The emulator shows the new size at once but may
    // pass it on to the program's terminal a while later, after a burst of
    // resizes: settled waits until the program's terminal has it.
    void resize(int width, int height, bool settled = false) {
        session_.run("resize-window -t 0 -x " + std::to_string(width) + " -y " + std::to_string(height));
        if (!settled) return;
        std::string tty = session_.run("display-message -p -t 0 '#{pane_tty}'");
        tty.erase(tty.find_last_not_of('\n') + 1);
        const int fd = ::open(tty.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(fd, 0) << tty;
        const bool reached = session_.waitFor([&](const Rows&) {
            winsize size{};
            return ::ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col == width && size.ws_row == height;
        });
        ::close(fd);
        ASSERT_TRUE(reached) << "the terminal never took " << width << "x" << height;
    }

    // Waits until the screen shows exactly these rows (trailing blanks
    // removed, as the screen is read) and the cursor in this cell.
    ::testing::AssertionResult shows(Rows expected, std::pair<int, int> cursor) {
        for (std::string& row : expected) row.erase(row.find_last_not_of(' ') + 1);
        if (session_.waitFor([&](const Rows& rows) {
                return withoutTrailingEmptyRows(rows) == expected && session_.cursor() == cursor;
            })) {
            return ::testing::AssertionSuccess();
        }
        const auto [x, y] = session_.cursor();
        return ::testing::AssertionFailure() << "expected screen (cursor " << cursor.first << "," << cursor.second
                                             << "):\n" << joined(expected) << "actual screen (cursor " << x << "," << y
                                             << "):\n" << joined(withoutTrailingEmptyRows(session_.screen()));
    }

    // Waits until the screen's last rows are the question with this number
    // and its empty prompt, the cursor after "? "; returns the state asked
    // (empty when the question never came) and the prompt's row.
    std::pair<std::string, int> question(int number) {
        const std::string header = " " + std::to_string(number) + " of 50";
        std::pair<std::string, int> asked;
        session_.waitFor([&](const Rows& rows) {
            const Rows shown = withoutTrailingEmptyRows(rows);
            const int prompt = static_cast<int>(shown.size()) - 1;
            if (prompt < 2 || shown[prompt] != "?" || shown[prompt - 2] != header) return false;
            if (shown[prompt - 1].rfind("Name the capital of ", 0) != 0) return false;
            if (session_.cursor() != std::make_pair(2, prompt)) return false;
            asked = {shown[prompt - 1].substr(20), prompt};
            return true;
        });
        return asked;
    }

    // The rows of a question and the answer typed so far.
    static Rows asking(int number, const std::string& state, const std::string& typed) {
        return {" " + std::to_string(number) + " of 50", "Name the capital of " + state, "? " + typed};
    }

private:
    TmuxSession session_;
    std::map<std::string, std::string> capitalOf_;
};

// Sizes of a storm: random ones, and every tenth one row high or one column
// wide, from a fixed seed so that every run sends the same.
std::vector<std::pair<int, int>> stormSizes(unsigned seed, int count) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> width(1, 150);
    std::uniform_int_distribution<int> height(1, 50);
    std::vector<std::pair<int, int>> sizes;
    for (int i = 0; i < count; ++i) {
        sizes.emplace_back(i % 10 == 3 ? 1 : width(random), i % 10 == 7 ? 1 : height(random));
    }
    return sizes;
}

TEST(TerminalResize, AnAnswerInAOneRowWindowLeavesEveryLaterScreenExact) {
    if (!tmuxInstalled()) GTEST_SKIP() << "tmux is not installed";
    ResizedQuiz quiz(80, 25);
    TmuxSession& tmux = quiz.tmux();
    const std::string first = quiz.question(1).first;
    ASSERT_FALSE(first.empty()) << joined(tmux.screen());

    // One row: the row of the prompt; Enter there gives an empty answer.
    quiz.resize(80, 1, true);
    ASSERT_TRUE(quiz.shows({"?"}, {2, 0}));
    tmux.sendKeyNames("Enter");
    quiz.resize(80, 25, true);
    const std::string second = quiz.question(2).first;
    ASSERT_FALSE(second.empty()) << joined(tmux.screen());
    Rows transcript = ResizedQuiz::asking(1, first, "");
    transcript.back() = "?";
    transcript.insert(transcript.end(), {"Incorrect", "Correct answer is " + quiz.capitalOf(first)});
    const Rows secondRows = ResizedQuiz::asking(2, second, "");
    transcript.insert(transcript.end(), secondRows.begin(), secondRows.end() - 1);

    // Later answers echo and edit exactly: a slip fixed with Left and
    // Backspace, the cursor one cell per key.
    const std::string capital = quiz.capitalOf(second);
    tmux.type(capital.substr(0, capital.size() - 1) + "Z" + capital.substr(capital.size() - 1));
    tmux.sendKeyNames("Left BSpace");
    Rows expected = transcript;
    expected.push_back("? " + capital);
    EXPECT_TRUE(quiz.shows(expected, {1 + static_cast<int>(capital.size()), 7}));
    tmux.sendKeyNames("Enter");
    const int prompt = quiz.question(3).second;
    ASSERT_EQ(prompt, 11) << joined(tmux.screen());
    EXPECT_EQ(tmux.screen()[8], "Correct!");

    // The round played out; the next one starts on a cleared screen.
    for (int number = 3; number <= 50; ++number) {
        tmux.type("x");
        tmux.sendKeyNames("Enter");
    }
    ASSERT_TRUE(tmux.waitForText("Press a key to play again")) << joined(tmux.screen());
    tmux.type("n");
    ASSERT_TRUE(tmux.waitFor([](const Rows& rows) {
        const Rows shown = withoutTrailingEmptyRows(rows);
        return shown.size() == 3 && shown[0].rfind(" 1 of ", 0) == 0 && shown[2] == "?";
    })) << joined(tmux.screen());
    EXPECT_EQ(tmux.cursor(), std::make_pair(2, 2));
}

TEST(TerminalResize, ResizesWhileAnAnswerIsTypedKeepItExact) {
    if (!tmuxInstalled()) GTEST_SKIP() << "tmux is not installed";
    ResizedQuiz quiz(80, 25);
    TmuxSession& tmux = quiz.tmux();
    const std::string state = quiz.question(1).first;
    ASSERT_FALSE(state.empty()) << joined(tmux.screen());
    const std::string capital = quiz.capitalOf(state);

    // A stray first letter, then the capital typed a piece at each size.
    tmux.type("Q" + capital.substr(0, 2));
    ASSERT_TRUE(quiz.shows(ResizedQuiz::asking(1, state, "Q" + capital.substr(0, 2)), {5, 2}));
    // Two rows: the question and the answer, the cursor's row at the bottom.
    quiz.resize(80, 2, true);
    ASSERT_TRUE(quiz.shows({"Name the capital of " + state, "? Q" + capital.substr(0, 2)}, {5, 1}));
    tmux.type(capital.substr(2, 2));
    ASSERT_TRUE(quiz.shows({"Name the capital of " + state, "? Q" + capital.substr(0, 4)}, {7, 1}));
    // Three columns: the ones up to the cursor's.
    quiz.resize(3, 25, true);
    ASSERT_TRUE(quiz.shows(cropped(ResizedQuiz::asking(1, state, "Q" + capital.substr(0, 4)), 5, 3), {2, 2}));
    tmux.type(capital.substr(4));
    // Back to the whole size: the line as typed, and editing goes on
    // exactly.
    quiz.resize(80, 25, true);
    const int end = 3 + static_cast<int>(capital.size());
    ASSERT_TRUE(quiz.shows(ResizedQuiz::asking(1, state, "Q" + capital), {end, 2}));
    tmux.sendKeyNames("Home DC");
    ASSERT_TRUE(quiz.shows(ResizedQuiz::asking(1, state, capital), {2, 2}));
    tmux.sendKeyNames("Enter");
    ASSERT_EQ(quiz.question(2).second, 6) << joined(tmux.screen());
    EXPECT_EQ(tmux.screen()[3], "Correct!");
}

TEST(TerminalResize, StormsWhileTypingOrWhileOutputScrollsEndOnAnExactScreen) {
    if (!tmuxInstalled()) GTEST_SKIP() << "tmux is not installed";
    ResizedQuiz quiz(80, 25);
    TmuxSession& tmux = quiz.tmux();
    const std::string state = quiz.question(1).first;
    ASSERT_FALSE(state.empty()) << joined(tmux.screen());
    const std::string capital = quiz.capitalOf(state);

    // 200 sizes while the answer is typed, a letter now and then.
    const auto typing = stormSizes(11, 200);
    std::size_t typed = 0;
    for (std::size_t i = 0; i < typing.size(); ++i) {
        quiz.resize(typing[i].first, typing[i].second);
        if (i % 15 == 0 && typed < capital.size()) tmux.type(capital.substr(typed++, 1));
    }
    if (typed < capital.size()) tmux.type(capital.substr(typed));
    quiz.resize(80, 25, true);
    ASSERT_TRUE(quiz.shows(ResizedQuiz::asking(1, state, capital), {2 + static_cast<int>(capital.size()), 2}));
    tmux.sendKeyNames("Enter");
    ASSERT_EQ(quiz.question(2).second, 6) << joined(tmux.screen());
    EXPECT_EQ(tmux.screen()[3], "Correct!");

    // 200 sizes while nine wrong answers are typed ahead and their verdicts
    // and the next questions scroll. What the screen holds of them depends
    // on the sizes the output met, and so does the eleventh question,
    // asked during the storm; the two letters typed last show when all
    // keys are taken.
    const auto scrolling = stormSizes(23, 200);
    for (std::size_t i = 0; i < scrolling.size(); ++i) {
        quiz.resize(scrolling[i].first, scrolling[i].second);
        if (i % 20 == 0 && i < 180) {
            tmux.type("x");
            tmux.sendKeyNames("Enter");
        }
    }
    quiz.resize(80, 25, true);
    tmux.type("zz");
    ASSERT_TRUE(tmux.waitFor([&](const Rows& rows) {
        const Rows shown = withoutTrailingEmptyRows(rows);
        return !shown.empty() && shown.back() == "? zz" &&
               tmux.cursor() == std::make_pair(4, static_cast<int>(shown.size()) - 1);
    })) << joined(tmux.screen());
    // Edited and answered, its verdict and the next question come at the
    // window's size and are exact.
    tmux.sendKeyNames("BSpace BSpace");
    tmux.type("x");
    tmux.sendKeyNames("Enter");
    const auto [next, prompt] = quiz.question(12);
    ASSERT_FALSE(next.empty()) << joined(tmux.screen());
    const std::string answer = quiz.capitalOf(next);
    tmux.type(answer);
    tmux.sendKeyNames("Enter");
    const int answerRow = std::min(prompt, 24 - 4);  // the four rows below it scroll it up
    ASSERT_EQ(quiz.question(13).second, answerRow + 4) << joined(tmux.screen());
    const Rows rows = tmux.screen();
    EXPECT_EQ(rows[static_cast<std::size_t>(answerRow - 1)], "Name the capital of " + next);
    EXPECT_EQ(rows[static_cast<std::size_t>(answerRow)], "? " + answer);
    EXPECT_EQ(rows[static_cast<std::size_t>(answerRow + 1)], "Correct!");
}

TEST(TerminalResize, AWindowThatStartsSmallShowsNoStaleRowsOnceEnlarged) {
    if (!tmuxInstalled()) GTEST_SKIP() << "tmux is not installed";
    for (const int height : {1, 2}) {
        SCOPED_TRACE("started " + std::to_string(height) + " rows high");
        ResizedQuiz quiz(80, height);
        TmuxSession& tmux = quiz.tmux();
        ASSERT_TRUE(tmux.waitFor([](const Rows& rows) { return !rows.empty() && rows.back() == "?"; }))
            << joined(tmux.screen());
        for (int number = 1; number <= 3; ++number) {
            tmux.type("x");
            tmux.sendKeyNames("Enter");
        }
        quiz.resize(80, 25, true);
        if (height == 1) {
            // The screen was 25 rows all along; all of it shows now, each
            // question as it was answered.
            const int prompt = quiz.question(4).second;
            ASSERT_EQ(prompt, 17) << joined(tmux.screen());
            const Rows rows = tmux.screen();
            for (int number = 1; number <= 3; ++number) {
                const std::size_t at = static_cast<std::size_t>(number - 1) * 5;
                ASSERT_EQ(rows[at], " " + std::to_string(number) + " of 50") << joined(rows);
                ASSERT_EQ(rows[at + 1].rfind("Name the capital of ", 0), 0u) << joined(rows);
                EXPECT_EQ(rows[at + 2], "? x");
                EXPECT_EQ(rows[at + 3], "Incorrect");
                EXPECT_EQ(rows[at + 4], "Correct answer is " + quiz.capitalOf(rows[at + 1].substr(20)));
            }
        } else {
            // Printing stays in the two rows it began in; every row below
            // them is blank, before the next answer and after it.
            const auto asking = [&](const Rows& rows) {
                const Rows shown = withoutTrailingEmptyRows(rows);
                return shown.size() == 2 && shown[0].rfind("Name the capital of ", 0) == 0 && shown[1] == "?" &&
                       tmux.cursor() == std::make_pair(2, 1);
            };
            ASSERT_TRUE(tmux.waitFor(asking)) << joined(tmux.screen());
            const std::string asked = tmux.screen()[0];
            tmux.type("x");
            tmux.sendKeyNames("Enter");
            EXPECT_TRUE(tmux.waitFor([&](const Rows& rows) { return asking(rows) && rows[0] != asked; }))
                << joined(tmux.screen());
        }
    }
}

}  // namespace
