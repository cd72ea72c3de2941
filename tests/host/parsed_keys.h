// A key sequence read into a list, for the tests that look at every key of
// it at once; tqcal itself takes the keys one at a time (ScanKeys), so that
// a long line costs no more memory than a short one.
#pragma once

#include "key_names.h"

#include <optional>
#include <string_view>
#include <vector>

namespace host_test {

struct ParsedKeys {
    std::vector<tqhost::KeyPress> keys;  // those handed over before any error
    std::optional<tqhost::ParseError> error;
};

inline ParsedKeys ParseKeys(std::string_view text) {
    ParsedKeys parsed;
    parsed.error = tqhost::ScanKeys(
        text, [&parsed](const tqhost::KeyView &key) { parsed.keys.push_back(tqhost::Kept(key)); });
    return parsed;
}

}  // namespace host_test
