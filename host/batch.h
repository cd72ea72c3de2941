// The command line of tqcal and the batch key runner behind --keys and piped
// input.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace tqhost {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // the terminal or an output failed
inline constexpr int kExitBadInput = 2; // bad options or bad keys; nothing evaluated
inline constexpr int kExitKeyFailed = 3; // a key ended in Error or Full; the screen is still printed

struct Options {
    bool help = false;
    bool version = false;
    bool trace = false;
    bool json = false;
    bool calcString = false;
    int mode = 1;                     // kModeAlgebraic
    bool modeGiven = false;
    std::optional<std::string> keys;  // --keys
};

// Parses the arguments after the program name. On failure returns false and
// puts the message (without the program name) into error.
bool ParseArguments(const std::vector<std::string> &args, Options &options, std::string &error);

// The text of tqcal --help: options and every key token.
std::string HelpText();

// The line tqcal --version prints: "tqcal 0.1".
std::string VersionText();

// Runs key sequences on fresh calculators: the --keys sequence, or else one
// sequence per line of in. Every sequence is parsed before any is evaluated;
// bad keys are reported to err with kExitBadInput and nothing is printed to
// out. Otherwise each sequence prints its screen; the first key of a
// sequence that ended in Error or Full is named on err, and the run returns
// kExitKeyFailed. Raw codes that are no keys (#45 to #250, #254, #255) are
// named on err too, but leave the exit status alone.
int RunBatch(const Options &options, std::istream &in, std::ostream &out, std::ostream &err);

}  // namespace tqhost
