// The one key table (conformance/key_table.h) as the tools that write keys
// use it. A failing line of the conformance record is the first thing a
// device team pastes into tqcal --keys: every sequence of
// conformance/vectors.txt must read, in the host's parser, as the very key
// codes the record presses. The integrator's guide names the keys too.
#include "key_names.h"
#include "parsed_keys.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace {

struct Sequence {
    int line = 0;
    std::string typed;         // "S MODE" taken off
    std::vector<int> pressed;  // the codes of the key lines that follow
};

// The record's sequences: an "S" line, then one line per key that starts
// with its code (other records start with a letter, comments with '#').
std::vector<Sequence> RecordedSequences() {
    std::ifstream in(TQCAL_VECTORS_FILE);
    std::vector<Sequence> sequences;
    std::string line;
    bool inSequence = false;
    for (int number = 1; std::getline(in, line); ++number) {
        const bool keyLine =
            !line.empty() && (std::isdigit(static_cast<unsigned char>(line[0])) || line[0] == '-');
        if (line.rfind("S ", 0) == 0) {
            sequences.push_back(Sequence{number, line.substr(line.find(' ', 2) + 1), {}});
            inSequence = true;
        } else if (keyLine && inSequence) {
            sequences.back().pressed.push_back(std::atoi(line.c_str()));
        } else {
            inSequence = false;
        }
    }
    return sequences;
}

TEST(VectorKeys, EveryRecordedSequenceParsesAsTheKeysItPresses) {
    const std::vector<Sequence> sequences = RecordedSequences();
    ASSERT_GT(sequences.size(), 4000u);
    for (const Sequence &s : sequences) {
        host_test::ParsedKeys parsed = host_test::ParseKeys(s.typed);
        ASSERT_FALSE(parsed.error) << "line " << s.line << ": " << s.typed;
        std::vector<int> codes;
        for (const tqhost::KeyPress &key : parsed.keys) {
            codes.push_back(key.code);
        }
        EXPECT_EQ(codes, s.pressed) << "line " << s.line << ": " << s.typed;
    }
}

// The guide's table of key codes ends each row with the --keys name:
// | 25 | `KEY_SQUARE` | dispatch | x² | `x^2` |
TEST(GuideKeys, TheGuidesKeyTableNamesEveryKeyAsTheTableDoes) {
    std::ifstream in(TQCAL_GUIDE_FILE);
    const std::regex row(R"(^\| (\d+) \| `KEY_\w+` \|.*\| `([^`]+)` \|$)");
    int rows = 0;
    for (std::string line; std::getline(in, line);) {
        std::smatch m;
        if (std::regex_match(line, m, row)) {
            EXPECT_EQ(m[2].str(), tqhost::KeyLabel(std::stoi(m[1].str()))) << line;
            ++rows;
        }
    }
    EXPECT_EQ(rows, 1 + 34 + 3);  // the digits' row, 10 to 44, 251 to 253
}

}  // namespace
