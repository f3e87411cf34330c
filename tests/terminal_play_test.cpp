// The quiz played end to end in a real terminal emulator (tmux): questions
// read from the screen, answers typed with edits, verdicts, the summary, the
// missed list, the next round, and the scrollback after the window scrolled.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>
#include <thread>

#include "quiz/capital_table.h"
#include "tests/program_under_test.h"
#include "tests/tmux_session.h"

namespace {

using testing_support::TmuxSession;
using Rows = std::vector<std::string>;

bool tmuxInstalled() { return std::system("tmux -V > /dev/null 2>&1") == 0; }

void pause(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

Rows withoutTrailingEmptyRows(Rows rows) {
    while (!rows.empty() && rows.back().empty()) rows.pop_back();
    return rows;
}

// What a window of the given height shows of a transcript whose last line
// holds the cursor: its last rows, from the top when it is shorter.
Rows expectedScreen(const Rows& transcript, int height) {
    Rows rows;
    const std::size_t first = transcript.size() > static_cast<std::size_t>(height)
                                  ? transcript.size() - static_cast<std::size_t>(height)
                                  : 0;
    rows.assign(transcript.begin() + static_cast<std::ptrdiff_t>(first), transcript.end());
    return withoutTrailingEmptyRows(rows);
}

std::string joined(const Rows& rows) {
    std::string text;
    for (const std::string& row : rows) text += row + "\n";
    return text;
}

// A quiz being played: the transcript as the screen should show it, kept in
// step with every key sent.
class PlayedQuiz {
public:
    PlayedQuiz(int width, int height) : height_(height), session_(programUnderTest(), width, height) {
        quiz::buildCapitalTable(table_);
        for (int entry = 1; entry <= quiz::entryCount; ++entry) capitalOf_[table_[entry].stateName] = table_[entry].capitalName;
    }

    TmuxSession& session() { return session_; }
    Rows& transcript() { return transcript_; }

    // Waits until the screen shows exactly what the transcript says it should.
    ::testing::AssertionResult screenMatches() {
        const Rows expected = expectedScreen(transcript_, height_);
        if (session_.waitFor([&](const Rows& rows) { return withoutTrailingEmptyRows(rows) == expected; })) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << "expected screen:\n"
                                             << joined(expected) << "actual screen:\n"
                                             << joined(withoutTrailingEmptyRows(session_.screen()));
    }

    // The state asked in the question on screen, once its prompt is showing.
    std::string askedState(int number, int asked) {
        const std::string header = " " + std::to_string(number) + " of " + std::to_string(asked);
        std::string state;
        session_.waitFor([&](const Rows& rows) {
            const Rows shown = withoutTrailingEmptyRows(rows);
            if (shown.size() < 3 || shown.back() != "?") return false;
            const std::string& question = shown[shown.size() - 2];
            if (shown[shown.size() - 3] != header || question.rfind("Name the capital of ", 0) != 0) return false;
            state = question.substr(20);
            return true;
        });
        return state;
    }

    const std::string& capitalOf(const std::string& state) { return capitalOf_[state]; }

    // Answers the question on screen: the keys to send, the line they leave
    // on screen, and whether that is a right answer (the first field of the
    // line is compared; it is the whole line unless said otherwise).
    void answer(const std::string& state, const std::function<void()>& keys, const std::string& typedLine,
                int right = -1) {
        keys();
        session_.sendKeyNames("Enter");
        transcript_.back() = "? " + typedLine;
        transcript_.back().erase(transcript_.back().find_last_not_of(' ') + 1);  // as the screen is read
        if (right == 1 || (right == -1 && typedLine == capitalOf(state))) {
            transcript_.push_back("Correct!");
        } else {
            transcript_.push_back("Incorrect");
            transcript_.push_back("Correct answer is " + capitalOf(state));
            missed_.push_back(state);
        }
    }

    // Plays a whole round; the answer to each question comes from choose.
    // Returns the number of right answers.
    int playRound(const std::function<void(int number, const std::string& state)>& choose) {
        transcript_.clear();
        const std::string first = session_.waitFor([](const Rows& rows) {
            return !rows.empty() && rows[0].rfind(" 1 of ", 0) == 0;
        })
                                      ? session_.screen()[0]
                                      : std::string();
        EXPECT_FALSE(first.empty()) << joined(session_.screen());
        if (first.empty()) return 0;
        const int asked = std::atoi(first.substr(6).c_str());
        missed_.clear();
        for (int number = 1; number <= asked; ++number) {
            const std::string state = askedState(number, asked);
            EXPECT_FALSE(state.empty()) << "question " << number << "\n" << joined(session_.screen());
            if (state.empty()) return 0;
            transcript_.push_back(" " + std::to_string(number) + " of " + std::to_string(asked));
            transcript_.push_back("Name the capital of " + state);
            transcript_.push_back("?");
            EXPECT_TRUE(screenMatches()) << "question " << number;
            choose(number, state);
        }
        transcript_.push_back("Study round over!");
        const int right = asked - static_cast<int>(missed_.size());
        transcript_.push_back(" " + std::to_string(right) + "of " + std::to_string(asked) + "correct.");
        transcript_.push_back("Missed:");
        for (const std::string& state : missed_) transcript_.push_back(state + " , " + capitalOf(state));
        transcript_.push_back("Press a key to play again");
        transcript_.push_back("");
        EXPECT_TRUE(screenMatches()) << "summary";
        return right;
    }

private:
    int height_;
    TmuxSession session_;
    quiz::CapitalTable table_;
    std::map<std::string, std::string> capitalOf_;
    Rows transcript_;
    Rows missed_;
};

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

TEST(TerminalPlay, RoundWithEditsVerdictsSummaryScrollbackAndTheNextRound) {
    if (!tmuxInstalled()) GTEST_SKIP() << "tmux is not installed";
    PlayedQuiz played(80, 25);
    TmuxSession& tmux = played.session();
    Rows historyAt30;
    Rows transcriptAt30;

    played.playRound([&](int number, const std::string& state) {
        const std::string capital = played.capitalOf(state);
        if (number == 31) {  // 30 questions answered; the 31st is on screen
            historyAt30 = withoutTrailingEmptyRows(tmux.history());
            transcriptAt30 = withoutTrailingEmptyRows(played.transcript());
        }
        switch (number) {
        case 1:  // a slip fixed with Left and Backspace
            played.answer(state, [&] {
                tmux.type(capital.substr(0, capital.size() - 1) + "Z" + capital.substr(capital.size() - 1));
                tmux.sendKeyNames("Left BSpace");
            }, capital);
            break;
        case 2:  // a stray first letter removed with Home and Delete
            played.answer(state, [&] {
                tmux.type("X" + capital);
                tmux.sendKeyNames("Home DC");
            }, capital);
            break;
        case 3:  // the whole line erased with Escape, then typed again
            played.answer(state, [&] {
                tmux.type("wrong answer");
                pause(100);
                tmux.sendKeyNames("Escape");
                pause(200);
                tmux.type(capital);
            }, capital);
            break;
        case 4:  // the wrong case is wrong
            played.answer(state, [&] { tmux.type(lowered(capital)); }, lowered(capital));
            break;
        case 5:  // only the first field counts
            played.answer(state, [&] { tmux.type(capital + ", " + state); }, capital + ", " + state, 1);
            break;
        default:
            if (number % 2 == 0) {
                played.answer(state, [&] { tmux.type(capital); }, capital);
            } else {
                played.answer(state, [] {}, "");
            }
        }
    });
    // After 30 questions the window had scrolled: the visible rows were the
    // transcript's last lines and the earlier ones were in the scrollback.
    EXPECT_GT(transcriptAt30.size(), 25u);
    EXPECT_EQ(joined(historyAt30), joined(transcriptAt30));

    // Any key starts the next round on a cleared window; the states missed
    // (now at level 1) are all asked again.
    tmux.type("n");
    ASSERT_TRUE(tmux.waitFor([](const Rows& rows) {
        const Rows shown = withoutTrailingEmptyRows(rows);
        return shown.size() == 3 && shown[0].rfind(" 1 of ", 0) == 0 && shown[2] == "?";
    })) << joined(tmux.screen());
    EXPECT_EQ(tmux.cursor(), std::make_pair(2, 2));
    EXPECT_FALSE(tmux.paneDead());
}

class TerminalSizes : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(TerminalSizes, TwoFullRoundsPlay) {
    if (!tmuxInstalled()) GTEST_SKIP() << "tmux is not installed";
    const auto [width, height] = GetParam();
    PlayedQuiz played(width, height);
    TmuxSession& tmux = played.session();
    for (int round = 0; round < 2; ++round) {
        const int right = played.playRound([&](int number, const std::string& state) {
            const std::string capital = played.capitalOf(state);
            if (number % 3 == 0) {
                played.answer(state, [&] { tmux.type("Nowhere"); }, "Nowhere");
            } else {
                played.answer(state, [&] { tmux.type(capital); }, capital);
            }
        });
        EXPECT_GT(right, 0);
        tmux.type(" ");
    }
}

INSTANTIATE_TEST_SUITE_P(WindowSizes, TerminalSizes, ::testing::Values(std::make_pair(80, 25), std::make_pair(40, 10)),
                         [](const ::testing::TestParamInfo<std::pair<int, int>>& info) {
                             return std::to_string(info.param.first) + "x" + std::to_string(info.param.second);
                         });

}  // namespace
