// The terminal calculator end to end: tqcal runs in a tmux pane of its own
// server, keys are typed with send-keys, and the screen is read back with
// capture-pane until it shows what is expected or a deadline passes.
#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Tokens = std::vector<std::string>;

std::string Output(const std::string &command) {
    std::string out;
    FILE *pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return out;
    }
    std::array<char, 4096> buffer{};
    size_t got = 0;
    while ((got = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        out.append(buffer.data(), got);
    }
    pclose(pipe);
    return out;
}

// Words between the frame's side lines; how the frame itself is drawn
// depends on the terminal's character set.
Tokens Inside(const std::string &line) {
    std::istringstream words(line);
    Tokens tokens;
    for (std::string word; words >> word;) {
        tokens.push_back(word);
    }
    if (tokens.size() < 2) {
        return {};
    }
    return Tokens(tokens.begin() + 1, tokens.end() - 1);
}

std::vector<std::string> Lines(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

class Terminal : public ::testing::Test {
protected:
    // Rows of the calculator screen: the indicators and the display.
    static constexpr size_t INDICATOR_ROW = 2;
    static constexpr size_t DISPLAY_ROW = 3;
    static constexpr size_t MESSAGE_ROW = 5;

    void SetUp() override {
        if (std::system("command -v tmux >/dev/null 2>&1") != 0) {
            GTEST_SKIP() << "tmux is not installed, so the terminal calculator is not driven here "
                            "(bash scripts/setup.sh installs it)";
        }
        char dir[] = "/tmp/tqcal-terminal-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        dir_ = dir;
        socket_ = dir_ + "/tmux";
    }

    void TearDown() override {
        if (started_) {
            Tmux("kill-server");
        }
        if (!dir_.empty()) {
            std::remove(socket_.c_str());
            rmdir(dir_.c_str());
        }
    }

    std::string Tmux(const std::string &args) {
        // A server of our own (-S), without the user's configuration.
        return Output("TERM=screen tmux -S '" + socket_ + "' -f /dev/null " + args + " 2>&1");
    }

    // Runs tqcal in a new pane; the pane then reports tqcal's exit status.
    // Skips the test where tmux cannot open a terminal.
    void Start(const std::string &args, int width = 100, int height = 30) {
        std::string inner =
            "env TERM=screen '" TQCAL_PROGRAM "' " + args + "; echo tqcal-exited-\\$?; sleep 60";
        std::string out = Tmux("new-session -d -s calc -x " + std::to_string(width) + " -y " +
                               std::to_string(height) + " \"" + inner + "\"");
        started_ = true;
        if (!out.empty()) {
            GTEST_SKIP()
                << "tmux cannot run a terminal here, so the terminal calculator is not driven: "
                << out;
        }
    }

    void Type(const std::string &text) { Tmux("send-keys -t calc -l -- '" + text + "'"); }
    void Press(const std::string &key) { Tmux("send-keys -t calc " + key); }

    std::vector<std::string> Screen() { return Lines(Tmux("capture-pane -p -t calc")); }

    // Polls the pane until check holds for it; fails with the last screen.
    template <typename Check>
    void WaitFor(const char *what, Check check) {
        if (HasFatalFailure()) {
            return;  // one missed screen is enough; the later ones would only wait
        }
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        std::vector<std::string> screen;
        while (std::chrono::steady_clock::now() < deadline) {
            screen = Screen();
            if (check(screen)) {
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        std::string shown;
        for (const auto &line : screen) {
            shown += line + "\n";
        }
        FAIL() << "the screen never showed " << what << ":\n" << shown;
    }

    void WaitForPanel(const Tokens &indicators, const Tokens &display) {
        std::string what = "indicators [";
        for (const auto &t : indicators) {
            what += " " + t;
        }
        what += " ] display [";
        for (const auto &t : display) {
            what += " " + t;
        }
        what += " ]";
        WaitFor(what.c_str(), [&](const std::vector<std::string> &screen) {
            return screen.size() > DISPLAY_ROW && Inside(screen[INDICATOR_ROW]) == indicators &&
                   Inside(screen[DISPLAY_ROW]) == display;
        });
    }

    void WaitForText(const std::string &text) {
        WaitFor(text.c_str(), [&](const std::vector<std::string> &screen) {
            for (const auto &line : screen) {
                if (line.find(text) != std::string::npos) {
                    return true;
                }
            }
            return false;
        });
    }

private:
    std::string dir_;
    std::string socket_;
    bool started_ = false;
};

TEST_F(Terminal, RedrawsTheCalculatorAfterEveryKey) {
    Start("");
    if (IsSkipped()) {
        return;
    }
    WaitForPanel({"ALG"}, {"0."});
    WaitForText("digits, point");  // the legend

    Type("2+3*4");
    WaitForPanel({"ALG"}, {"4."});
    Press("Enter");
    WaitForPanel({"ALG"}, {"14."});
    Type("m");
    WaitForPanel({"MEM", "ALG"}, {"14."});

    Type("o");  // the mode key, as on the page
    WaitForPanel({"MEM", "EQU"}, {"14."});
    Type("2+3*4=");
    WaitForPanel({"MEM", "EQU"}, {"20."});

    // An error reads Error in the display until the next key; it also puts
    // the memory indicator out, while all clear brings it back.
    Type("1/0=");
    WaitForPanel({"EQU"}, {"Error"});
    Press("Escape");
    WaitForPanel({"MEM", "EQU"}, {"0."});

    // The sign right before the digits, and the exponent.
    Type("5E20n");
    WaitForPanel({"MEM", "EQU"}, {"-5.", "20"});
    Type("(((");
    WaitForPanel({"MEM", "(3", "EQU"}, {"0."});
    Type("75");
    WaitForPanel({"MEM", "(3", "EQU"}, {"75."});
    Press("BSpace");
    WaitForPanel({"MEM", "(3", "EQU"}, {"7."});
    Type("+2)");
    WaitForPanel({"MEM", "(2", "EQU"}, {"9."});

    Type("q");
    WaitForText("tqcal-exited-0");
    auto screen = Screen();
    for (const auto &line : screen) {
        EXPECT_EQ(line.find("digits, point"), std::string::npos)
            << "the calculator screen stays after quitting";
    }
}

TEST_F(Terminal, StartsInTheModeAskedForAndNamesKeysWithoutAFunction) {
    Start("--mode equal");
    if (IsSkipped()) {
        return;
    }
    WaitForPanel({"EQU"}, {"0."});
    Type("z");
    WaitForText("no calculator key on z");
    Type("9v");
    WaitForPanel({"EQU"}, {"3."});
    WaitForText("key: sqrt");
    Press("C-c");
    WaitForText("tqcal-exited-0");
}

// A small terminal cuts the legend, but never the way out, and says what
// size shows every key.
TEST_F(Terminal, SmallTerminalStillShowsHowToQuit) {
    Start("", 40, 10);
    if (IsSkipped()) {
        return;
    }
    WaitForPanel({"ALG"}, {"0."});
    WaitForText("tqcal  too small, needs 52x20");
    WaitFor("q quit on the last row", [](const std::vector<std::string> &screen) {
        return screen.size() == 10 && screen[9].find("q") != std::string::npos &&
               screen[9].find("quit") != std::string::npos;
    });
    Type("((((((((((((((((((");
    WaitForPanel({"ALG"}, {"Full"});
    Type("7");
    WaitForPanel({"ALG"}, {"7."});
    Type("q");
    WaitForText("tqcal-exited-0");
}

// Too small for the calculator's frame: the screen says so and the size it
// needs, in as many words as fit, and still shows the number. Each key
// repaints it whole: what the terminal shows beside curses (here digits
// written straight to it, as a terminal that rewraps its lines on a resize
// leaves pieces of the panel) is gone after the next key.
TEST_F(Terminal, TooSmallForTheFrameSaysSoAndTheSizeItNeeds) {
    Start("", 30, 8);
    if (IsSkipped()) {
        return;
    }
    WaitForText("too small: needs 52x20 (is");
    std::string tty = Tmux("display-message -p -t calc '#{pane_tty}'");
    tty.erase(tty.find_last_not_of('\n') + 1);
    std::ofstream(tty) << "\x1b[3;1H99999999\x1b[6;1H777";
    WaitForText("99999999");
    Type("2+3=");
    WaitFor("the number alone on its own row", [](const std::vector<std::string> &screen) {
        return screen.size() == 8 && screen[2] == "5" && screen[5].empty();
    });
    Press("q");
    WaitForText("tqcal-exited-0");
}

TEST_F(Terminal, TinyTerminalStillNamesTheSizeItNeeds) {
    Start("", 10, 3);
    if (IsSkipped()) {
        return;
    }
    WaitFor("the size it needs", [](const std::vector<std::string> &screen) {
        return screen.size() == 3 && screen[0] == "too small:" && screen[1] == "needs" &&
               screen[2].rfind("52x20", 0) == 0;
    });
}

// The calculator screen needs the terminal on both sides: with standard
// output redirected it refuses, as a failed terminal (status 1).
TEST_F(Terminal, RefusesWhenTheOutputIsNotTheTerminal) {
    Start(">/dev/null");
    if (IsSkipped()) {
        return;
    }
    WaitForText("tqcal-exited-1");
}

}  // namespace
