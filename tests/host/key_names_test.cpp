// Key sequence tokens and the keyboard of the terminal calculator.
#include "key_names.h"
#include "keyboard.h"
#include "parsed_keys.h"

#include "tqcal.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <set>
#include <string>
#include <vector>

namespace {

using host_test::ParseKeys;

std::vector<int> Codes(const std::string &text) {
    auto parsed = ParseKeys(text);
    EXPECT_FALSE(parsed.error) << text << ": " << (parsed.error ? parsed.error->reason : "");
    std::vector<int> codes;
    for (const auto &key : parsed.keys) {
        codes.push_back(key.code);
    }
    return codes;
}

struct TokenCase {
    const char *text;
    std::vector<int> codes;
};

TEST(KeyTokens, SequencesReadAsAPersonTypesThem) {
    const TokenCase cases[] = {
        {"100 - 99.99 =", {1, 0, 0, KEY_SUB, 9, 9, KEY_POINT, 9, 9, KEY_EQUAL}},
        {"2+3*4=", {2, KEY_ADD, 3, KEY_MUL, 4, KEY_EQUAL}},
        {"(2+3)/4", {KEY_LPAREN, 2, KEY_ADD, 3, KEY_RPAREN, KEY_DIV, 4}},
        {".5", {KEY_POINT, 5}},
        {"5.", {5, KEY_POINT}},
        {"", {}},
        {"M+ M- MRC MS MSalt", {KEY_MPLUS, KEY_MMINUS, KEY_MRC, KEY_MSTORE, KEY_MSTORE_ALT}},
        {"3M+", {3, KEY_MPLUS}},
        {"5 +/- 3", {5, KEY_SIGN, 3}},
        {"5+/3", {5, KEY_ADD, KEY_DIV, 3}},
        {"4 1/x", {4, KEY_RECIP}},
        {"1/3", {1, KEY_DIV, 3}},
        {"10^2", {1, 0, KEY_POW, 2}},
        {"3 x^2 x^y", {3, KEY_SQUARE, KEY_POW}},
        {"1 e^x EXP exp ee", {1, KEY_EXPE, KEY_EXP, KEY_EXP, KEY_EXP}},
        {"30 SIN sin Sin", {3, 0, KEY_SIN, KEY_SIN, KEY_SIN}},
        {"0.5 asin acos atan arcsin", {0, KEY_POINT, 5, KEY_ASIN, KEY_ACOS, KEY_ATAN, KEY_ASIN}},
        {"pi π", {KEY_PI, KEY_PI}},
        {"6 × 7 ÷ 2 − 1", {6, KEY_MUL, 7, KEY_DIV, 2, KEY_SUB, 1}},
        {"200 * 10 pct %op %",
         {2, 0, 0, KEY_MUL, 1, 0, KEY_PERCENT_OP, KEY_PERCENT_OP, KEY_PERCENT}},
        {"#252 #0 #44 #255", {252, 0, 44, 255}},
        {"#12+3", {12, KEY_ADD, 3}},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(Codes(c.text), c.codes) << "\"" << c.text << "\"";
    }
}

TEST(KeyTokens, EveryKeyOfANumberRemembersItsToken) {
    auto parsed = ParseKeys("1 + 23.4");
    ASSERT_EQ(parsed.keys.size(), 6u);
    EXPECT_EQ(parsed.keys[0].token, "1");
    EXPECT_EQ(parsed.keys[0].column, 1);
    EXPECT_EQ(parsed.keys[1].token, "+");
    EXPECT_EQ(parsed.keys[1].column, 3);
    for (size_t i = 2; i < 6; ++i) {
        EXPECT_EQ(parsed.keys[i].token, "23.4");
        EXPECT_EQ(parsed.keys[i].column, 5);
    }
}

struct BadCase {
    const char *text;
    const char *token;
    int column;
    const char *reason;
};

TEST(KeyTokens, BadTokensAreNamedWithTheirColumn) {
    const BadCase cases[] = {
        {"2 + sinn 3", "sinn", 5, "unknown key"},
        {"pie", "pie", 1, "unknown key"},
        {"2 x 3", "x", 3, "unknown key"},
        {"1.2.3", "1.2.3", 1, "bad number"},
        {"1 + 2..5", "2..5", 5, "bad number"},
        {"#2147483648", "#2147483648", 1, "bad raw code"},
        {"#-2147483649", "#-2147483649", 1, "bad raw code"},
        {"3 #", "#", 3, "bad raw code"},
        {"2 #-", "#-", 3, "bad raw code"},
        {"#abc", "#abc", 1, "bad raw code"},
        {"#99999999999999999999", "#99999999999999999999", 1, "bad raw code"},
        {"2 & 3", "&", 3, "unknown key"},
        {"× é", "é", 3, "unknown key"},  // columns count characters, not bytes
        {"msa", "msa", 1, "unknown key"},
        {"5 e^xsin", "xsin", 5, "unknown key"},
        {"1 = 2 E", "E", 7, "unknown key"},
    };
    for (const auto &c : cases) {
        auto parsed = ParseKeys(c.text);
        ASSERT_TRUE(parsed.error) << c.text;
        EXPECT_EQ(parsed.error->token, c.token) << c.text;
        EXPECT_EQ(parsed.error->column, c.column) << c.text;
        EXPECT_EQ(parsed.error->reason, c.reason) << c.text;
        for (const auto &key : parsed.keys) {
            EXPECT_LT(key.column, c.column) << c.text << ": no key after the bad token";
        }
    }
}

TEST(KeyTokens, ErrorMessageShowsTheInputWithACaretUnderTheToken) {
    const struct {
        const char *input, *where, *message;
    } cases[] = {
        {"2 + sinn 3", "--keys",
         "--keys: unknown key \"sinn\" at column 5\n"
         "  2 + sinn 3\n"
         "      ^^^^"},
        // A token that breaks a rule: the rule follows its place.
        {"#99999999999", "--keys",
         "--keys: bad raw code \"#99999999999\" at column 1: a raw code is # and a whole "
         "number that fits in 32 bits\n"
         "  #99999999999\n"
         "  ^^^^^^^^^^^^"},
        // Columns count characters, and a tab shows as one blank.
        {"×\t÷ ?", "line 4",
         "line 4: unknown key \"?\" at column 5\n"
         "  × ÷ ?\n"
         "      ^"},
    };
    for (const auto &c : cases) {
        const auto parsed = ParseKeys(c.input);
        ASSERT_TRUE(parsed.error) << c.input;
        EXPECT_EQ(tqhost::DescribeParseError(*parsed.error, c.input, c.where), c.message);
    }
}

struct PrintableCase {
    std::string text;
    const char *shown;
};

TEST(Messages, UserTextIsShownSafely) {
    const PrintableCase cases[] = {
        {"2 + sinn", "2 + sinn"},
        {"× ÷ π é", "× ÷ π é"},
        {"a\tb\rc", "a b c"},     // blanks separate keys; they show as blanks
        {"\a", "\\x07"},          // the bell
        {"a\\x07", "a\\\\x07"},   // typed, the escape's text is not the bell's
        {"\x1b[2J", "\\x1B[2J"},  // an escape sequence loses its escape
        {"\x7f\x01", "\\x7F\\x01"},
        {"\xC3", "\\xC3"},  // a lead byte without its continuation
        {"\xC3(", "\\xC3("},
        {"\x80\xBF", "\\x80\\xBF"},           // continuation bytes alone
        {"\xC0\xAF", "\\xC0\\xAF"},           // an overlong '/'
        {"\xED\xA0\x80", "\\xED\\xA0\\x80"},  // a surrogate
        {"\xC2\x85", "\\xC2\\x85"},           // a C1 control
        {"a\xE2\x80\xAE"
         "b",
         "a\\xE2\\x80\\xAE"
         "b"},  // right-to-left override
        {std::string(40, '7'), "7777777777777777777777777777777777777777"},
        {std::string(41, '7'), "7777777777777777777777777777777777777777\xE2\x80\xA6"},
        {std::string(45, 'x') + "\a", "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\xE2\x80\xA6"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(tqhost::Printable(c.text), c.shown) << c.text;
    }
}

struct MessageCase {
    std::string text;
    const char *message;
};

// At most 40 characters of the input are shown, around the bad token, with
// the caret under it where escapes widen what comes before.
TEST(Messages, ParseErrorsQuoteAWindowOfTheInput) {
    std::string ones;
    for (int i = 0; i < 30; ++i) {
        ones += "1 + ";
    }
    const MessageCase cases[] = {
        {"1 + \a + 2", "unknown key \"\\x07\" at column 5\n  1 + \\x07 + 2\n      ^^^^"},
        {"\x1b[A + sinn", "unknown key \"\\x1B\" at column 1\n  \\x1B[A + sinn\n  ^^^^"},
        {"\x1b 2 + sinn", "unknown key \"\\x1B\" at column 1\n  \\x1B 2 + sinn\n  ^^^^"},
        // A stray byte is a character of its own: echoed as an escape, the
        // caret under it.
        {"\x93"
         "abc",
         "unknown key \"\\x93\" at column 1\n  \\x93abc\n  ^^^^"},
        {"1 \x93 2", "unknown key \"\\x93\" at column 3\n  1 \\x93 2\n    ^^^^"},
        {"\\ 2 \\x07", "unknown key \"\\\\\" at column 1\n  \\\\ 2 \\\\x07\n  ^^"},
        {"\xE2\x88 2", "unknown key \"\\xE2\" at column 1\n  \\xE2\\x88 2\n  ^^^^"},
        {ones + "foo + 2",
         "unknown key \"foo\" at column 121\n"
         "  \xE2\x80\xA6 1 + 1 + 1 + 1 + 1 + 1 + 1 + 1 + foo + 2\n"
         "                                    ^^^"},
        {ones + "foo" + ones,
         "unknown key \"foo\" at column 121\n"
         "  \xE2\x80\xA6+ 1 + 1 + foo1 + 1 + 1 + 1 + 1 + 1 + 1 +\xE2\x80\xA6\n"
         "             ^^^"},
        {"2 + " + std::string(60, 'q'),
         "unknown key \"qqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqq\xE2\x80\xA6\" at column 5\n"
         "  2 + qqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqqq\xE2\x80\xA6\n"
         "      ^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^^"},
    };
    for (const auto &c : cases) {
        auto parsed = ParseKeys(c.text);
        ASSERT_TRUE(parsed.error) << c.text;
        EXPECT_EQ(tqhost::DescribeParseError(*parsed.error, c.text, "--keys"),
                  std::string("--keys: ") + c.message)
            << c.text;
    }
}

// A line of 100,000 keys reads through; the last token's column is counted
// from the start of the line, though the parser never goes back to it.
TEST(KeyTokens, LongLinesKeepTheirColumns) {
    std::string text;
    for (int i = 0; i < 50000; ++i) {
        text += "7 × ";
    }
    text += "sinn";
    auto parsed = ParseKeys(text);
    ASSERT_TRUE(parsed.error);
    EXPECT_EQ(parsed.error->column, 200001);
    text.resize(text.size() - 4);
    parsed = ParseKeys(text);
    ASSERT_FALSE(parsed.error);
    ASSERT_EQ(parsed.keys.size(), 100000u);
    EXPECT_EQ(parsed.keys.back().column, 199999);
    EXPECT_EQ(parsed.keys.back().code, KEY_MUL);
}

TEST(KeyTokens, EveryNameAndAliasReadsBackAsItsKey) {
    std::set<std::string> seen;
    std::set<int> codes;
    for (const auto &key : tqhost::KeyNames()) {
        std::vector<std::string> tokens{key.name};
        std::string aliases = key.aliases;
        for (size_t start = 0; start < aliases.size();) {
            size_t blank = aliases.find(' ', start);
            tokens.push_back(aliases.substr(start, blank - start));
            start = blank == std::string::npos ? aliases.size() : blank + 1;
        }
        for (const auto &token : tokens) {
            EXPECT_EQ(Codes(token), std::vector<int>{key.code}) << token;
            EXPECT_TRUE(seen.insert(token).second) << token << " names two keys";
        }
        EXPECT_EQ(tqhost::KeyLabel(key.code), key.name);
        codes.insert(key.code);
    }
    for (int code = KEY_EQUAL; code <= KEY_LAST_EDIT_CODE; ++code) {
        EXPECT_TRUE(codes.count(code)) << code << " has no name";
    }
    EXPECT_TRUE(codes.count(KEY_MSTORE_ALT) && codes.count(KEY_PERCENT_OP) &&
                codes.count(KEY_BLANK_OP));
    EXPECT_EQ(tqhost::KeyLabel(7), "7");
    EXPECT_EQ(tqhost::KeyLabel(KEY_POINT), ".");
    EXPECT_EQ(tqhost::KeyLabel(99), "#99");
}

TEST(Keyboard, EveryCalculatorKeyCanBeTyped) {
    std::set<int> reachable;
    for (int input = 0; input < 0x80; ++input) {
        reachable.insert(tqhost::CodeForInput(input));
    }
    for (int code = KEY_0; code <= KEY_LAST_EDIT_CODE; ++code) {
        EXPECT_TRUE(reachable.count(code)) << tqhost::KeyLabel(code) << " has no keyboard key";
    }
    EXPECT_TRUE(reachable.count(KEY_PERCENT_OP));
    EXPECT_TRUE(reachable.count(tqhost::COMMAND_QUIT));
    EXPECT_TRUE(reachable.count(tqhost::COMMAND_MODE));
}

TEST(Keyboard, KeysWithoutCharactersAndCommands) {
    using namespace tqhost;
    EXPECT_EQ(CodeForInput(INPUT_ENTER), KEY_EQUAL);
    EXPECT_EQ(CodeForInput(INPUT_BACKSPACE), KEY_BACKSPACE);
    EXPECT_EQ(CodeForInput(INPUT_DELETE), KEY_CE);
    EXPECT_EQ(CodeForInput(INPUT_ESCAPE), KEY_AC);
    EXPECT_EQ(CodeForInput(3), COMMAND_QUIT);  // Ctrl-C in raw mode
    EXPECT_EQ(CodeForInput('z'), COMMAND_NONE);
    // The mode key is o, as on the page; Tab too, which the page cannot take.
    EXPECT_EQ(CodeForInput('o'), COMMAND_MODE);
    EXPECT_EQ(CodeForInput(INPUT_TAB), COMMAND_MODE);
    EXPECT_EQ(CodeForInput('w'), KEY_MSTORE_ALT);
    EXPECT_EQ(CodeForInput('b'), KEY_BLANK_OP);
}

// Whatever room the terminal leaves, the legend stays inside it, shows each
// entry at most once, and keeps the key that quits.
TEST(Keyboard, LegendFitsItsAreaAndAlwaysShowsQuit) {
    const size_t all = tqhost::KeyboardLegend().size();
    const struct {
        int columns, rows;
        size_t shown;
    } cases[] = {{1, 1, 1},   {1, 3, 3},   {1, 40, all}, {2, 5, 10},
                 {3, 9, all}, {4, 9, all}, {1, 0, 0}};
    for (const auto &c : cases) {
        auto places = tqhost::LayOutLegend(c.columns, c.rows);
        EXPECT_EQ(places.size(), c.shown) << c.columns << "x" << c.rows;
        std::set<std::pair<int, int>> cells;
        std::set<const tqhost::LegendEntry *> entries;
        bool quit = false;
        for (const auto &place : places) {
            EXPECT_TRUE(place.row >= 0 && place.row < c.rows && place.column >= 0 &&
                        place.column < c.columns);
            EXPECT_TRUE(cells.insert({place.row, place.column}).second)
                << "two entries in one place";
            EXPECT_TRUE(entries.insert(place.entry).second) << place.entry->keys << " shown twice";
            quit = quit || tqhost::CodeForInput(place.entry->keys[0]) == tqhost::COMMAND_QUIT;
        }
        EXPECT_EQ(quit, c.shown > 0) << c.columns << "x" << c.rows;
    }
}

}  // namespace
