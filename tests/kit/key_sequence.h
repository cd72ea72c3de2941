// Key sequences as the tools write them (conformance/vectors.txt, the
// corpus, the tests): tokens separated by blanks, numbers typed digit by
// digit, keys by their names in the key table, raw codes as "#N". Each such
// line also reads in tqcal --keys, whose parser is the forgiving one
// (aliases, any case, no blanks needed).
#pragma once

#include "key_table.h"

#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace kit {

// Appends the key codes of sequence to keys. False, with the first token
// that is no key in bad, when there is one.
inline bool ParseKeySequence(std::string_view sequence, std::vector<int> &keys, std::string &bad) {
    std::istringstream in{std::string(sequence)};
    std::string token;
    while (in >> token) {
        if (token != "." && token.find_first_not_of("0123456789.") == std::string::npos) {
            for (char ch : token) keys.push_back(ch == '.' ? KEY_POINT : ch - '0');
            continue;
        }
        const int key = tqcal_key_code_of(token.data(), token.size());
        if (key < 0 && !(token.size() > 1 && token[0] == '#')) {
            bad = token;
            return false;
        }
        keys.push_back(key >= 0 ? key : std::atoi(token.c_str() + 1));
    }
    return true;
}

}  // namespace kit
