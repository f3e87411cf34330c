// Drives a program in a real terminal emulator (tmux) for end-to-end tests:
// start it at a size, send keys, read the screen and the scrollback.
#pragma once

#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

class TmuxSession {
public:
    TmuxSession(const std::string& command, int width, int height)
        : socket_("capitals-e2e-" + std::to_string(getpid()) + "-" + std::to_string(counter()++)) {
        run("-f /dev/null new-session -d -x " + std::to_string(width) + " -y " + std::to_string(height) + " " +
            quote("exec " + command));
        run("set-option -g history-limit 5000");
        run("set-option -g remain-on-exit on");
    }
    ~TmuxSession() { run("kill-server"); }
    TmuxSession(const TmuxSession&) = delete;
    TmuxSession& operator=(const TmuxSession&) = delete;

    // tmux's own key names ("Enter", "Left", "BSpace", "Escape", "Home").
    void sendKeyNames(const std::string& names) { run("send-keys -t 0 " + names); }
    // Literal text, typed as it stands.
    void type(const std::string& text) { run("send-keys -t 0 -l " + quote(text)); }

    // The visible rows, trailing blanks removed.
    std::vector<std::string> screen() { return lines(run("capture-pane -p -t 0")); }
    // The scrollback and the visible rows together.
    std::vector<std::string> history() { return lines(run("capture-pane -p -t 0 -S - -E -")); }
    // Cursor column and row, 0-based.
    std::pair<int, int> cursor() {
        std::istringstream in(run("display-message -p -t 0 '#{cursor_x} #{cursor_y}'"));
        int x = -1;
        int y = -1;
        in >> x >> y;
        return {x, y};
    }
    bool paneDead() { return run("display-message -p -t 0 '#{pane_dead}'").rfind('1', 0) == 0; }

    // Waits, in short steps for up to 15 s, until the screen satisfies the test.
    bool waitFor(const std::function<bool(const std::vector<std::string>&)>& test) {
        for (int step = 0; step < 1500; ++step) {
            if (test(screen())) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    bool waitForText(const std::string& text) {
        return waitFor([&](const std::vector<std::string>& rows) {
            for (const std::string& row : rows) {
                if (row.find(text) != std::string::npos) return true;
            }
            return false;
        });
    }

    std::string run(const std::string& arguments) {
        const std::string command = "tmux -L " + socket_ + " " + arguments + " 2>/dev/null";
        std::string output;
        if (FILE* pipe = popen(command.c_str(), "r")) {
            std::array<char, 4096> buffer;
            std::size_t n;
            while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) output.append(buffer.data(), n);
            pclose(pipe);
        }
        return output;
    }

    static std::string quote(const std::string& text) {
        std::string quoted = "'";
        for (char c : text) {
            if (c == '\'') {
                quoted += "'\\''";
            } else {
                quoted += c;
            }
        }
        return quoted + "'";
    }

private:
    static int& counter() {
        static int next = 0;
        return next;
    }
    static std::vector<std::string> lines(const std::string& text) {
        std::vector<std::string> rows;
        std::istringstream in(text);
        std::string row;
        while (std::getline(in, row)) {
            row.erase(row.find_last_not_of(' ') + 1);
            rows.push_back(row);
        }
        return rows;
    }
    std::string socket_;
};

}  // namespace testing_support
