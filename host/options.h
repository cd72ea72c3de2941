// The command line of tqcal: its options, and the texts of --help and
// --version.
#pragma once

#include "tqcal.h"

#include <optional>
#include <string>
#include <vector>

namespace tqhost {

struct Options {
    bool help = false;
    bool version = false;
    bool trace = false;
    bool json = false;
    bool calcString = false;
    int mode = TQCAL_MODE_ALGEBRAIC;  // --mode: TQCAL_MODE_ALGEBRAIC or TQCAL_MODE_EQUAL
    std::optional<std::string> keys;  // --keys
};

// Parses the arguments after the program name. On failure returns false and
// puts the message (without the program name) into error.
bool ParseArguments(const std::vector<std::string> &args, Options &options, std::string &error);

// The text of tqcal --help: options and every key token.
std::string HelpText();

// The line tqcal --version prints: "tqcal " and the project's version, e.g.
// "tqcal 1.0.0".
std::string VersionText();

}  // namespace tqhost
