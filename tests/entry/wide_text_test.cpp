// The engine's own wide-text conversions: display and exponent texts to
// double, and the two-digit exponent writer.
#include "entry/wide_text.h"
#include "numeric/decimal.h"
#include "tqcal_host.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace tqcal;

constexpr double INF_VALUE = std::numeric_limits<double>::infinity();

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
        // Leading white space is skipped as wcstod skips it: all six kinds.
        {"\t.5", 0.5},
        {" \n\v\f\r\t-2", -2.0},
        {"\v05", 5.0},
        {"\f3", 3.0},
        {"\r\n7.", 7.0},
        {"1.5e3", 1500.0},
        {"2E-2", 0.02},
        {"1e", 1.0},  // an exponent needs digits
        {"1e+", 1.0},
        {"12-3", 12.0},  // the number ends where the grammar does
        {"1.2.3", 1.2},
        {"", 0.0},
        {"-", 0.0},
        {".", 0.0},
        {"abc", 0.0},
        {"inf", 0.0},
        {"nan", 0.0},
        {"0x10", 0.0},
        {"1e400", INF_VALUE},
        {"-1e400", -INF_VALUE},
        {"1e-400", 0.0},
        {"1e99999999999999999999", INF_VALUE},  // exponent saturates
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
    const WChar highByteTwo[3] = {'1', 0x0132, 0};  // low byte is '2'
    EXPECT_EQ(ParseWide(highByteTwo, 3), 1.0);
}

// Nothing beyond the display area is read: the 18th cell of a text is not
// part of the number, however many cells the caller allows.
TEST(ParseWide, ReadsNoMoreThanTheDisplayArea) {
    EXPECT_EQ(Parse("9007199254740993"), 9007199254740992.0);    // 2^53 + 1: tie to even
    EXPECT_EQ(Parse("9007199254740993.5"), 9007199254740992.0);  // ".5" is cells 17 and 18
    EXPECT_EQ(Parse("90071992547409935"), 90071992547409935.0);  // 17 cells, all read
    EXPECT_EQ(Parse("1234567890123456789"), 12345678901234567.0);
    EXPECT_EQ(Parse("0.0000000000000001"), 0.0);  // 18 cells: the 1 is lost
    EXPECT_EQ(Parse("0.000000000000001"), 1e-15);
    EXPECT_EQ(Parse("               1e5"), 1.0);  // "e5" lies beyond the area
}

// ---- agreement with the C library's correctly rounded strtod ---------------

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Parses text both ways and records the first disagreement. The reference
// reads the same cells, so the two must agree bit for bit.
struct Agreement {
    long checked = 0;
    long failed = 0;
    std::string first;

    void Check(const char *text, int length) {
        // The parser reads the display area and no further: strtod is given
        // the same cells.
        if (length > DISPLAY_AREA) length = DISPLAY_AREA;
        WChar cells[64];
        char cut[64];
        for (int k = 0; k < length; ++k) {
            cells[k] = static_cast<WChar>(text[k]);
            cut[k] = text[k];
        }
        cells[length] = 0;
        cut[length] = 0;
        const double got = ParseWide(cells, length + 1);
        const double want = std::strtod(cut, nullptr);
        ++checked;
        if (!SameBits(got, want) && failed++ == 0) {
            char line[160];
            std::snprintf(line, sizeof line, "%s: got %.17g, strtod %.17g", text, got, want);
            first = line;
        }
    }
};

// Writes the digits of n (exactly `length` of them, leading zeros kept) with
// a point before digit `point` (none when point < 0) into out.
int MantissaText(char *out, long n, int length, int point) {
    int w = 0;
    char digits[16];
    for (int k = length - 1; k >= 0; --k, n /= 10) digits[k] = static_cast<char>('0' + n % 10);
    for (int k = 0; k < length; ++k) {
        if (k == point) out[w++] = '.';
        out[w++] = digits[k];
    }
    if (point == length) out[w++] = '.';
    return w;
}

// Calls f(w) for every mantissa text of one to maxLength digits, with the
// point in every place and without one, each written at the start of text
// (w characters, not terminated).
template <typename F>
void ForEachMantissa(char *text, int maxLength, F f) {
    for (int length = 1; length <= maxLength; ++length) {
        long limit = 1;
        for (int k = 0; k < length; ++k) limit *= 10;
        for (long n = 0; n < limit; ++n) {
            for (int point = -1; point <= length; ++point) f(MantissaText(text, n, length, point));
        }
    }
}

// TQCAL_PARSE_THOROUGH=1 widens the comparisons below from a quick check to
// a proof over every short text (millions of them; CI runs it once).
bool Thorough() {
    const char *env = std::getenv("TQCAL_PARSE_THOROUGH");
    return env != nullptr && env[0] == '1';
}

// Every digit string of one to four digits (six, thorough) with the point
// in every place, and every string of one to two digits (three) with every
// two-digit exponent: texts the display and exponent cells hold, all of
// them within these sizes.
TEST(ParseWide, AgreesWithStrtodOnEveryShortText) {
    const int plainDigits = Thorough() ? 6 : 4;
    const int exponentDigits = Thorough() ? 3 : 2;
    Agreement a;
    char text[40];
    ForEachMantissa(text, plainDigits, [&](int w) {
        text[w] = 0;
        a.Check(text, w);
    });
    ForEachMantissa(text, exponentDigits, [&](int w) {
        for (int exp = -99; exp <= 99; ++exp) {
            const int x = std::snprintf(text + w, sizeof text - w, "e%+03d", exp);
            a.Check(text, w + x);
        }
    });
    EXPECT_EQ(a.failed, 0) << "first of " << a.failed << ": " << a.first;
}

// Numbers whose correct rounding is decided far down: halfway cases between
// doubles written out in full, the edges of the subnormal and finite
// ranges, and 16- and 17-digit texts that a host's block may hold.
TEST(ParseWide, AgreesWithStrtodOnHardCases) {
    const char *cases[] = {
        "9007199254740993",          // 2^53 + 1: a tie, to even below
        "9007199254740995",          // a tie, to even above
        "9007199254740993.0000001",  // just above the tie
        "90071992547409930e-1",
        "4503599627370496.5",  // 2^52 + 1/2: a tie
        "4503599627370497.5",
        "2.2250738585072011e-308",  // just below the least normal
        "2.2250738585072012e-308",
        "2.2250738585072014e-308",  // the least normal
        "4.9406564584124654e-324",  // the least subnormal
        "2.4703282292062327e-324",  // just below half of it: zero
        "2.4703282292062328e-324",  // just above: the least subnormal
        "1.7976931348623157e308",   // the largest double
        "1.7976931348623158e308",   // rounds down to it
        "1.7976931348623159e308",   // overflows
        "1e308",
        "1e-307",
        "1e-323",
        "1e-324",
        "1e23",
        "8.98846567431158e307",
        "99999999999999999",
        "0.0000000000000001",
        "12345678901234567e-99",
        "12345678901234567e+99",
        "7.2057594037927933e16",
        "1.00000000000000011",
        "0.1",
        "0.3",
        "123456789012345.6",
        "999999999999999.9e+99",
    };
    Agreement a;
    for (const char *c : cases) a.Check(c, static_cast<int>(std::strlen(c)));
    EXPECT_EQ(a.failed, 0) << "first of " << a.failed << ": " << a.first;
}

// Random texts of up to 17 cells: a sign, up to 17 digits with a point
// anywhere, and an exponent; 100 thousand of them, 5 million thorough.
TEST(ParseWide, AgreesWithStrtodOnRandomTexts) {
    const long samples = Thorough() ? 5000000 : 100000;
    std::mt19937_64 rng(20240611);
    Agreement a;
    char text[40];
    for (long s = 0; s < samples; ++s) {
        const uint64_t r = rng();
        int w = 0;
        if (r & 1) text[w++] = '-';
        const int length = 1 + static_cast<int>((r >> 1) % 17);
        const bool withExponent = ((r >> 8) & 3) != 0;
        const int point = static_cast<int>((r >> 10) % (length + 2)) - 1;  // -1: none
        const uint64_t digits = rng();
        for (int k = 0; k < length; ++k) {
            if (k == point) text[w++] = '.';
            // Mostly arbitrary digits, sometimes runs of 0 or 9 near ties.
            const int pick = static_cast<int>((digits >> (3 * k)) & 7);
            text[w++] = pick == 0 ? '0' : pick == 1 ? '9' : static_cast<char>('0' + rng() % 10);
        }
        if (point == length) text[w++] = '.';
        if (withExponent) {
            const int exp = static_cast<int>(rng() % 199) - 99;
            w += std::snprintf(text + w, sizeof text - w, "e%d", exp);
        }
        text[w] = 0;
        a.Check(text, w);
    }
    EXPECT_EQ(a.failed, 0) << "first of " << a.failed << ": " << a.first;
}

// Beyond the range of the display's exponent: the whole decimal range of
// doubles, with 12-digit mantissas, where the slow path does all the work.
TEST(ParseWide, AgreesWithStrtodAcrossTheWholeRange) {
    std::mt19937_64 rng(7);
    Agreement a;
    char text[48];
    for (int exp = -345; exp <= 310; ++exp) {
        for (int s = 0; s < 40; ++s) {
            // 12 digits and "e-345" fill the 17 cells the parser reads.
            const unsigned long long m = rng() % 1000000000000ull;
            const int w = std::snprintf(text, sizeof text, "%llue%d", m, exp);
            a.Check(text, w);
        }
    }
    EXPECT_EQ(a.failed, 0) << "first of " << a.failed << ": " << a.first;
}

// ---- every code unit around a number, as a host writes the cells ----------

// A host may write the display and exponent cells itself, set ST_TYPED and
// press an operation key: the dispatcher then reads the display area (the
// 15 display cells and the 2 spill cells after them) with ParseWide, and the
// exponent cells with its shortcut for the texts the engine writes itself
// or with ParseWide for any other. Each template below puts one 16-bit code
// unit (the 'c') around a number into those cells; the reading must be the
// C library's strtod reading of the same text in the "C" locale, where a
// cell outside ASCII ends the text as the terminator does.
enum class Cells {
    DISPLAY,                // the display, from its first cell
    DISPLAY_AFTER_BLANK,    // the display, after one blank
    DISPLAY_RIGHT_ALIGNED,  // the display, right-aligned in its 14-cell field
                            // behind blanks, as the engine writes its texts
    EXPONENT,               // the exponent cells, beside the display "1."
};

struct CellTemplate {
    const char *text;  // 'c' is the code unit under test
    Cells cells;
};

constexpr CellTemplate CELL_TEMPLATES[] = {
    {"c1", Cells::DISPLAY},
    {"1c", Cells::DISPLAY},
    {"1c5", Cells::DISPLAY},
    {"1.c", Cells::DISPLAY},
    {"1Ec5", Cells::DISPLAY},
    {"1E+c", Cells::DISPLAY},
    {"c", Cells::DISPLAY},
    {"c1", Cells::DISPLAY_AFTER_BLANK},
    {"1c", Cells::DISPLAY_AFTER_BLANK},
    {"1c5", Cells::DISPLAY_AFTER_BLANK},
    {"1.c", Cells::DISPLAY_AFTER_BLANK},
    {"1Ec5", Cells::DISPLAY_AFTER_BLANK},
    {"1E+c", Cells::DISPLAY_AFTER_BLANK},
    {"c", Cells::DISPLAY_AFTER_BLANK},
    {"c1", Cells::DISPLAY_RIGHT_ALIGNED},
    {"1c", Cells::DISPLAY_RIGHT_ALIGNED},
    {"1c5", Cells::DISPLAY_RIGHT_ALIGNED},
    {"1.c", Cells::DISPLAY_RIGHT_ALIGNED},
    {"1Ec5", Cells::DISPLAY_RIGHT_ALIGNED},
    {"1E+c", Cells::DISPLAY_RIGHT_ALIGNED},
    {"c", Cells::DISPLAY_RIGHT_ALIGNED},
    // The exponent cells: sign cell, two digits, terminator as the engine
    // writes them, and the code unit in each of those places.
    {"c05", Cells::EXPONENT},
    {"c5", Cells::EXPONENT},
    {" c5", Cells::EXPONENT},
    {"-c5", Cells::EXPONENT},
    {" 1c", Cells::EXPONENT},
    {"-1c", Cells::EXPONENT},
    {"c", Cells::EXPONENT},
};

const char *CellsName(Cells cells) {
    switch (cells) {
        case Cells::DISPLAY: return "display";
        case Cells::DISPLAY_AFTER_BLANK: return "display after a blank";
        case Cells::DISPLAY_RIGHT_ALIGNED: return "display right-aligned";
        case Cells::EXPONENT: return "exponent beside the display \"1.\"";
    }
    return "?";
}

// The template with the code unit in place, written into a fresh context's
// cells as a host writes them (the rest of the area terminators).
void WriteTemplate(TQCAL_Context &ctx, const CellTemplate &t, WChar unit) {
    const int length = static_cast<int>(std::strlen(t.text));
    WChar *cells = t.cells == Cells::EXPONENT ? ctx.exponent : ctx.display;
    const int area = t.cells == Cells::EXPONENT ? EXPONENT_CELLS : DISPLAY_AREA;
    int lead = 0;
    if (t.cells == Cells::DISPLAY_AFTER_BLANK) lead = 1;
    if (t.cells == Cells::DISPLAY_RIGHT_ALIGNED) lead = FIELD_CELLS - length;
    for (int k = 0; k < area; ++k) cells[k] = k < lead ? u' ' : 0;
    for (int k = 0; k < length; ++k) {
        cells[lead + k] = t.text[k] == 'c' ? unit : static_cast<WChar>(t.text[k]);
    }
    if (t.cells == Cells::EXPONENT) {
        // "1." right-aligned, as the engine writes it.
        for (int k = 0; k < DISPLAY_AREA; ++k) ctx.display[k] = k < FIELD_CELLS ? u' ' : 0;
        ctx.display[FIELD_CELLS - 2] = u'1';
        ctx.display[FIELD_CELLS - 1] = u'.';
    }
}

// What the C library reads in cells: the ASCII cells before the first
// terminator or non-ASCII cell, through strtod. Where it finds no number
// the reading is zero; some C libraries give -0.0 for a lone sign there.
double ReferenceReading(const WChar *cells, int area, std::string &text) {
    text.clear();
    for (int k = 0; k < area && cells[k] != 0 && cells[k] < 0x80; ++k) {
        text += static_cast<char>(cells[k]);
    }
    char *end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    return end == text.c_str() ? 0.0 : value;
}

std::string Printable(const std::string &text) {
    std::string out;
    for (char ch : text) {
        if (ch >= 0x20 && ch <= 0x7E) {
            out += ch;
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned char>(ch));
            out += escape;
        }
    }
    return out;
}

// The code units one template is read wrongly for: how many, and the first
// few readings in words.
struct TemplateFailures {
    long units = 0;
    std::string shown;

    void Show(const CellTemplate &t, unsigned unit, const std::string &text, const char *road,
              double got, double want) {
        if (units >= 3) return;
        char line[240];
        std::snprintf(line, sizeof line,
                      "\n  \"%s\" in the %s, c = U+%04X: text \"%s\": %s %.17g, strtod %.17g",
                      t.text, CellsName(t.cells), unit, Printable(text).c_str(), road, got, want);
        shown += line;
    }
};

// The value TQCAL_Operate takes up from the reading r and keeps through
// KEY_EQUAL on a fresh calculator: a magnitude above the display range is
// refused (RES_ERROR, the value left as read), one below ZERO_LIMIT shown
// as zero.
bool TakenUpAsExpected(const TQCAL_Context &ctx, TQCAL_Status status, double r) {
    if (!(std::fabs(r) <= OVERFLOW_LIMIT)) {
        return tqcal_result(status) == RES_ERROR && SameBits(ctx.value, r);
    }
    const double shown = std::fabs(r) < ZERO_LIMIT ? 0.0 : r;
    return tqcal_result(status) == RES_OK && SameBits(ctx.value, shown);
}

// Every code unit in every template, read two ways: ParseWide on the cells
// where the dispatcher reads them (bit for bit, the sign of zero included),
// and the value TQCAL_Operate takes up for KEY_EQUAL from a block whose
// cells the host wrote, with ST_TYPED set.
TEST(ParseWide, EveryCodeUnitAroundANumberReadsAsStrtodReadsIt) {
    const char *locale = std::setlocale(LC_NUMERIC, nullptr);
    ASSERT_TRUE(locale != nullptr && std::strcmp(locale, "C") == 0)
        << "the reference is strtod in the \"C\" locale";
    TQCAL_Context fresh;
    TQCAL_Status freshStatus;
    tqcal_reset(&fresh, &freshStatus);
    long checked = 0;
    std::string report;
    std::string text;
    for (const CellTemplate &t : CELL_TEMPLATES) {
        TemplateFailures failures;
        for (unsigned unit = 0; unit <= 0xFFFF; ++unit) {
            TQCAL_Context ctx = fresh;
            WriteTemplate(ctx, t, static_cast<WChar>(unit));
            double want;
            double parsed;
            bool parsedRight;
            if (t.cells == Cells::EXPONENT) {
                const double exponent = ReferenceReading(ctx.exponent, EXPONENT_CELLS, text);
                parsed = ParseWide(ctx.exponent, EXPONENT_CELLS);
                parsedRight = SameBits(parsed, exponent);
                if (!parsedRight) failures.Show(t, unit, text, "ParseWide", parsed, exponent);
                want = TQCAL_Pow10(exponent);  // times the display's 1
            } else {
                want = ReferenceReading(ctx.display, DISPLAY_AREA, text);
                parsed = ParseWide(ctx.display, DISPLAY_AREA);
                parsedRight = SameBits(parsed, want);
                if (!parsedRight) failures.Show(t, unit, text, "ParseWide", parsed, want);
            }
            TQCAL_Status status = freshStatus | ST_TYPED;
            TQCAL_Operate(KEY_EQUAL, &ctx, &status, TQCAL_MODE_ALGEBRAIC);
            const bool takenUpRight = TakenUpAsExpected(ctx, status, want);
            if (!takenUpRight) {
                failures.Show(t, unit, text, "TQCAL_Operate took up", ctx.value, want);
            }
            if (!parsedRight || !takenUpRight) ++failures.units;
            ++checked;
        }
        if (failures.units > 0) {
            report += "\n\"" + std::string(t.text) + "\" in the " + CellsName(t.cells) + ": " +
                      std::to_string(failures.units) + " code units read otherwise" +
                      failures.shown;
        }
    }
    EXPECT_EQ(checked, 65536L * static_cast<long>(std::size(CELL_TEMPLATES)));
    EXPECT_TRUE(report.empty()) << report;
}

TEST(FormatDecimal, TwoDigitsAtLeastAndNeverPastTheCells) {
    const struct {
        uint32_t value;
        int cells;
        const char *text;
    } cases[] = {
        {0, 3, "00"},  {5, 3, "05"},    {13, 3, "13"},
        {99, 3, "99"}, {100, 4, "100"}, {100, 3, "10"},
        {7, 2, "0"},   {7, 1, ""},      {std::numeric_limits<uint32_t>::max(), 16, "4294967295"},
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
