// Reads the corpus of everyday calculations (bench/corpus.txt): one
// calculation per line, keys separated by blanks, in the key names of the
// host program. Numbers are typed digit by digit. Everything is read and
// converted into key codes up front, so that replaying the corpus touches
// nothing but the engine.
#pragma once

#include "key_sequence.h"
#include "tqcal.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace corpus {

struct Expression {
    std::string text;           // the line as written
    std::vector<int> keys;      // key codes, in order
    std::vector<int8_t> codes;  // the same as TQCAL_CalcString takes them
};

// Converts one line; false (with the bad token in error) when a token is
// neither a number nor a key name.
inline bool ParseLine(const std::string &line, Expression &out, std::string &error) {
    out.text = line;
    out.keys.clear();
    if (!kit::ParseKeySequence(line, out.keys, error)) return false;
    out.codes.assign(out.keys.begin(), out.keys.end());  // 251..253 wrap as signed bytes
    return true;
}

// Reads a corpus file; empty lines are skipped. Returns false and says why
// in error when the file cannot be read or holds an unknown key.
inline bool Load(const std::string &path, std::vector<Expression> &out, std::string &error) {
    std::ifstream file(path);
    if (!file) {
        error = "cannot read " + path;
        return false;
    }
    std::string line;
    int number = 0;
    while (std::getline(file, line)) {
        ++number;
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        Expression e;
        std::string bad;
        if (!ParseLine(line, e, bad)) {
            error = path + ":" + std::to_string(number) + ": unknown key '" + bad + "'";
            return false;
        }
        out.push_back(std::move(e));
    }
    return true;
}

inline size_t KeyCount(const std::vector<Expression> &expressions) {
    size_t n = 0;
    for (const Expression &e : expressions) n += e.keys.size();
    return n;
}

// Each sequence in one whole-sequence call, as the benchmarks and the
// footprint tests replay the corpus: a checksum of the results and the texts,
// so that none of the work can be left out.
inline unsigned CalcStringAll(const std::vector<std::vector<int8_t>> &sequences) {
    unsigned sum = 0;
    for (const std::vector<int8_t> &codes : sequences) {
        double value = 0.0;
        TQCAL_WChar text[TQCAL_RESULT_TEXT_CELLS];
        const int ok = TQCAL_CalcString(&value, text, codes.data(), static_cast<int>(codes.size()));
        sum = sum * 31u + static_cast<unsigned>(ok) + text[0];
    }
    return sum;
}

}  // namespace corpus
