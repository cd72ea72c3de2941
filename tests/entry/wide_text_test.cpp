// The engine's own wide-text conversions: display and exponent texts to
// double, and the two-digit exponent writer.
#include "entry/wide_text.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace {

using namespace tqcal;

constexpr double kInf = std::numeric_limits<double>::infinity();

std::vector<WChar> Wide(const std::string &s) {
    std::vector<WChar> w(s.begin(), s.end());
    w.push_back(0);
    return w;
}

double Parse(const std::string &s) {
    const std::vector<WChar> w = Wide(s);
    return ParseWide(w.data(), static_cast<int>(w.size()));
}

TEST(ParseWide, TextsAsTheEngineHoldsThem) {
    const struct {
        const char *text;
        double value;
    } cases[] = {
        {"            0.", 0.0},
        {"          12.5", 12.5},
        {"0.3333333333333", 0.3333333333333},
        {"1234567890123.", 1234567890123.0},
        {" 00", 0.0},
        {" 05", 5.0},
        {"-13", -13.0},
        {"  +7", 7.0},
        {"\t.5", 0.5},
        {"1.5e3", 1500.0},
        {"2E-2", 0.02},
        {"1e", 1.0},      // an exponent needs digits
        {"1e+", 1.0},
        {"12-3", 12.0},   // the number ends where the grammar does
        {"1.2.3", 1.2},
        {"", 0.0},
        {"-", 0.0},
        {".", 0.0},
        {"abc", 0.0},
        {"inf", 0.0},
        {"nan", 0.0},
        {"0x10", 0.0},
        {"1e400", kInf},
        {"-1e400", -kInf},
        {"1e-400", 0.0},
        {"1e99999999999999999999", kInf},   // exponent saturates
        {"1e-310", 1e-310},
    };
    for (const auto &c : cases) EXPECT_EQ(Parse(c.text), c.value) << '"' << c.text << '"';
}

TEST(ParseWide, StopsAtTheCellLimitAndAtNonAsciiCells) {
    const WChar unterminated[6] = {'1', '2', '3', '4', '5', '6'};
    EXPECT_EQ(ParseWide(unterminated, 3), 123.0);
    EXPECT_EQ(ParseWide(unterminated, 0), 0.0);
    EXPECT_EQ(ParseWide(nullptr, 5), 0.0);
    const WChar exponentCut[3] = {'2', 'e', '5'};
    EXPECT_EQ(ParseWide(exponentCut, 2), 2.0);
    const WChar arabicOne[4] = {'1', '2', 0x0661, 0};  // not an ASCII digit
    EXPECT_EQ(ParseWide(arabicOne, 4), 12.0);
    const WChar highByteTwo[3] = {'1', 0x0132, 0};      // low byte is '2'
    EXPECT_EQ(ParseWide(highByteTwo, 3), 1.0);
}

// Long texts keep correct rounding: a digit far behind must still break a
// tie between two doubles.
TEST(ParseWide, VeryLongNumbersRoundCorrectly) {
    const std::string tie = "9007199254740993";  // 2^53 + 1, halfway
    EXPECT_EQ(Parse(tie), 9007199254740992.0);
    EXPECT_EQ(Parse(tie + std::string(900, '0') + "1e-901"), 9007199254740994.0);
    EXPECT_EQ(Parse(tie + "." + std::string(900, '0') + "1"), 9007199254740994.0);
    EXPECT_EQ(Parse(std::string(1000, '0') + "1.5"), 1.5);
    EXPECT_EQ(Parse("0." + std::string(1000, '0') + "1"), 0.0);
    EXPECT_EQ(Parse("1" + std::string(1000, '0')), kInf);
    EXPECT_EQ(Parse("1" + std::string(1000, '0') + "e-1000"), 1.0);
}

TEST(FormatDecimal, TwoDigitsAtLeastAndNeverPastTheCells) {
    const struct {
        uint32_t value;
        int cells;
        const char *text;
    } cases[] = {
        {0, 3, "00"},      {5, 3, "05"},  {13, 3, "13"},  {99, 3, "99"},
        {100, 4, "100"},   {100, 3, "10"}, {7, 2, "0"},    {7, 1, ""},
        {std::numeric_limits<uint32_t>::max(), 16, "4294967295"},
    };
    for (const auto &c : cases) {
        WChar cells[20];
        for (WChar &w : cells) w = 0xBEEF;
        const int n = FormatDecimal(cells, c.cells, c.value);
        std::string got;
        for (int i = 0; i < n; ++i) got += char(cells[i]);
        EXPECT_EQ(got, c.text) << c.value;
        EXPECT_EQ(cells[n], 0) << c.value;
        for (int i = c.cells; i < 20; ++i) EXPECT_EQ(cells[i], 0xBEEF) << c.value;
    }
    WChar untouched = 0xBEEF;
    EXPECT_EQ(FormatDecimal(&untouched, 0, 42), 0);
    EXPECT_EQ(untouched, 0xBEEF);
}

}  // namespace
