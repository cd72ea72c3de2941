// Value to display text: the cut digits, the forms, the alignment and the
// cells a result may use.
#include "entry/format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

namespace {

using namespace tqcal;

constexpr WChar GUARD = 0xBEEF;
constexpr double INF_VALUE = std::numeric_limits<double>::infinity();

struct Shown {
    std::string display;   // cells up to the terminator, blanks included
    std::string exponent;  // sign and digits
    int32_t negative;
};

// Formats into cells with guards behind them: nothing may be written past
// display cell 15 or exponent cell 3. The formatter's answer, exponent shown
// or not, must agree with the exponent text it wrote.
Shown Format(double value, int32_t width = 14) {
    WChar display[24], exponent[8];
    for (WChar &c : display) c = GUARD;
    for (WChar &c : exponent) c = GUARD;
    int32_t negative = 7;
    const bool exponentShown = FormatValue(value, display, exponent, &negative, width);
    EXPECT_EQ(exponentShown, !(exponent[1] == u'0' && exponent[2] == u'0')) << value;
    for (int i = 16; i < 24; ++i) EXPECT_EQ(display[i], GUARD) << value << " cell " << i;
    for (int i = 4; i < 8; ++i) EXPECT_EQ(exponent[i], GUARD) << value << " cell " << i;
    EXPECT_EQ(exponent[3], 0);
    Shown s{{}, {}, negative};
    for (int i = 0; i < 16 && display[i] != 0; ++i) s.display += char(display[i]);
    for (int i = 0; i < 3; ++i) s.exponent += char(exponent[i]);
    return s;
}

// The text as it stands in the cells: right-aligned to cell 13, unless it
// holds 15 characters and runs from cell 0 into cell 14.
std::string Field(const std::string &text) {
    return text.size() >= 14 ? text : std::string(14 - text.size(), ' ') + text;
}

struct Row {
    double value;
    const char *text;
    const char *exponent;
    int32_t negative;
};

void ExpectRows(const Row *rows, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const Row &r = rows[i];
        const Shown s = Format(r.value);
        EXPECT_EQ(s.display, Field(r.text)) << r.value;
        EXPECT_EQ(s.exponent, r.exponent) << r.value;
        EXPECT_EQ(s.negative, r.negative) << r.value;
    }
}

TEST(Format, WorkedExamples) {
    const Row rows[] = {
        {0, "0.", " 00", 0},
        {1.0 / 3, "0.3333333333333", " 00", 0},
        {2.0 / 3, "0.6666666666666", " 00", 0},
        {0.1 + 0.2, "0.3", " 00", 0},
        {-0.5, "0.5", " 00", 1},
        {1e-5, "0.00001", " 00", 0},
        {1e-12, "0.000000000001", " 00", 0},
        {1e-13, "1.", "-13", 0},
        {123.456, "123.456", " 00", 0},
        {1234567890123, "1234567890123.", " 00", 0},
        {12345678901234, "1.2345678901234", " 13", 0},
        {123456789012345, "1.2345678901234", " 14", 0},
        {99999999999999, "1.", " 14", 0},
        {99999.999999999, "100000.", " 00", 0},
        {3.14159265358979, "3.1415926535898", " 00", 0},
        {9.9999999999991e99, "9.9999999999991", " 99", 0},
    };
    ExpectRows(rows, std::size(rows));
}

TEST(Format, BoundariesSignsAndTrailingZeros) {
    const Row rows[] = {
        {-9.9999e-100, "0.", " 00", 0},  // below the zero limit
        {-0.0, "0.", " 00", 0},
        {1234567890123.4, "1234567890123.4", " 00", 0},
        {-1234567890123, "1234567890123.", " 00", 1},
        {9999999999999, "9999999999999.", " 00", 0},
        {1e13, "1.", " 13", 0},
        {-2.5e-13, "2.5", "-13", 1},
        {-1.5e-20, "1.5", "-20", 1},
        {1.5, "1.5", " 00", 0},
        {2, "2.", " 00", 0},
        {0.25, "0.25", " 00", 0},
        {1e99, "1.", " 99", 0},
        {1e-99, "1.", "-99", 0},
        {10, "10.", " 00", 0},
        {0.1, "0.1", " 00", 0},
    };
    ExpectRows(rows, std::size(rows));
}

// A value counted in the next decade that the pre-rounding does not carry
// over shows as the power of ten, never with a leading zero.
TEST(Format, ValuesJustBelowAPowerOfTenShowThatPower) {
    const Row rows[] = {
        {9.9999999999995, "10.", " 00", 0},       {99.999999999996, "100.", " 00", 0},
        {-999999.99999995, "1000000.", " 00", 1}, {9999999999999.5, "1.", " 13", 0},
        {9.99999999999951e50, "1.", " 51", 0},
    };
    ExpectRows(rows, std::size(rows));
}

// Three exponent digits or none at all do not fit the exponent cells.
TEST(Format, OutOfRangeValuesKeepTheCells) {
    const Row rows[] = {
        {9.999999999999e-100, "1.", "-99", 0},  // decade -100, held at -99
        {-9.99999999999989e-100, "1.", "-99", 1},
        {9.9999999999996e99, "9.9999999999999", " 99", 0},  // decade 100
        {1e150, "9.9999999999999", " 99", 0},
        {INF_VALUE, "9.9999999999999", " 99", 0},
        {-INF_VALUE, "9.9999999999999", " 99", 1},
        {std::numeric_limits<double>::quiet_NaN(), "0.", " 00", 0},
    };
    ExpectRows(rows, std::size(rows));
}

// Other widths cut and align to width - 1, inside the fixed 14-cell field;
// a width the field cannot hold is held to 1..14.
TEST(Format, WidthIsHeldToWhatTheFieldHolds) {
    struct WidthRow {
        double value;
        int32_t width;
        const char *display;
        const char *exponent;
    };
    const WidthRow rows[] = {
        {123.456, 5, "123.45        ", " 00"},
        {1.5, 5, "  1.5         ", " 00"},
        {1e150, 5, "9.9999        ", " 99"},
        {0.5, 0, "5.            ", "-01"},
        {5, 1, "5.            ", " 00"},  // exponent form, but no exponent to show
        {123, -7, "1.            ", " 02"},
        {1.0 / 3, 99, "0.3333333333333", " 00"},
        {1.0 / 3, 1000000, "0.3333333333333", " 00"},
    };
    for (const WidthRow &r : rows) {
        const Shown s = Format(r.value, r.width);
        EXPECT_EQ(s.display, r.display) << r.value << " width " << r.width;
        EXPECT_EQ(s.exponent, r.exponent) << r.value << " width " << r.width;
    }
}

// Every digit position of every decade: a cell holds a digit or the point,
// no text starts with '0' unless the value is below 1.
TEST(Format, EveryDecadeGivesWellFormedDigits) {
    for (int e = -99; e <= 99; ++e) {
        for (double m :
             {1.0, 1.2345678901234567, 5.0, 9.99999999999949, 9.9999999999995, 9.99999999999999}) {
            const double v = m * std::pow(10.0, e);
            const Shown s = Format(v);
            const size_t first = s.display.find_first_not_of(' ');
            ASSERT_NE(first, std::string::npos) << v;
            const std::string text = s.display.substr(first);
            EXPECT_EQ(std::count(text.begin(), text.end(), '.'), 1) << v;
            for (char c : text) EXPECT_TRUE(c == '.' || (c >= '0' && c <= '9')) << v;
            if (text[0] == '0') {
                EXPECT_LT(v, 1.0) << v << " " << text;
            }
        }
    }
}

}  // namespace
