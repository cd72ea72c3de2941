#include "entry/format.h"

#include "entry/wide_text.h"
#include "numeric/decimal.h"

#include <cmath>
#include <cstring>

namespace tqcal {

namespace {

constexpr int MAX_WIDTH = FIELD_CELLS;  // 14 digits and the point: 15 cells

// The two-digit exponent cells hold decades -99 to 99.
constexpr int32_t MIN_EXPONENT = -99;
constexpr int32_t MAX_EXPONENT = 99;

// The largest mantissa the field can show: a 9 and thirteen more behind the
// point. Formatted at width w it yields w nines.
constexpr double LARGEST_MANTISSA = 9.9999999999999;

// Multiples of the tolerance unit s (one place below the last digit shown).
constexpr double WITHIN_UNITS = 7.0;      // a remainder this close counts as none
constexpr double LIFT_UNITS = 3.0;        // the pre-rounding's upward correction
constexpr double NEXT_DIGIT_UNITS = 9.9;  // the least a further fraction digit needs

// d is 0..9 for every finite value the steps see (the pre-rounding keeps
// the leading digit below 10 and remainders stay below one unit); the clamp
// only guarantees that a cell never holds anything but a digit.
WChar DigitChar(int32_t d) {
    if (d < 0) d = 0;
    if (d > 9) d = 9;
    return static_cast<WChar>(u'0' + d);
}

// The field blanked with its terminator behind it, and the exponent " 00",
// each put in place with one copy.
constexpr WChar BLANK_FIELD[FIELD_CELLS + 1] = {BLANK, BLANK, BLANK, BLANK, BLANK,
                                                BLANK, BLANK, BLANK, BLANK, BLANK,
                                                BLANK, BLANK, BLANK, BLANK, TERMINATOR};

void ClearTexts(WChar *display, WChar *exponent) {
    std::memcpy(exponent, NO_EXPONENT_TEXT, sizeof NO_EXPONENT_TEXT);
    std::memcpy(display, BLANK_FIELD, sizeof BLANK_FIELD);
}

void WriteZeroText(WChar *display, int32_t *negative) {
    display[FIELD_CELLS - 2] = u'0';
    display[FIELD_CELLS - 1] = u'.';
    *negative = 0;
}

// Sign: the text holds the magnitude; the sign goes to the negative flag.
double TakeSign(double value, int32_t *negative) {
    double x = value;
    if (x < 0) {
        x = -x;
        *negative = 1;
    } else {
        *negative = 0;
    }
    return x;
}

// What the decade and the form leave to be written.
struct Layout {
    double x;          // the magnitude, or the mantissa in exponent form
    int32_t n;         // decade of the first digit written
    bool belowOne;     // plain form of a magnitude below 1: "0.ddd"
    int32_t exponent;  // the decade written into the exponent text; 0 for none
    bool exponentForm;
};

// Decade and form: exponent form when the leading digit lies at 10^(w-1)
// or above or at 10^(1-w) or below; the mantissa is then written like a
// plain number between 1 and 10.
Layout ChooseForm(double x, int32_t width) {
    // DecimalExponent has no decade for infinity; it belongs above them all.
    const int32_t n = std::isinf(x) ? MAX_EXPONENT + 1 : DecimalExponent(x);
    if (n >= width - 1 || n <= 1 - width) {
        if (n > MAX_EXPONENT) {
            // Beyond the two exponent digits (infinity included): show the
            // largest magnitude the display can hold, all nines at 10^99.
            return {LARGEST_MANTISSA, 0, false, MAX_EXPONENT, true};
        }
        if (n < MIN_EXPONENT) {
            // Just above the zero limit the decade is -100, which needs a
            // third exponent digit. Such a value lies at most 1e-112 below
            // 1e-99, so it is held in range and shown as 1e-99 (the
            // neighbouring values just above come out as that too) rather
            // than written past the exponent cells.
            return {1.0, 0, false, MIN_EXPONENT, true};
        }
        return {x / Pow10Of(n), 0, false, n, true};
    }
    if (n < 0) return {x, 0, true, 0, false};
    return {x, n, false, 0, false};
}

// The exponent text: sign cell, then |e| as "%02d".
void WriteExponent(WChar *exponent, int32_t e) {
    FormatDecimal(exponent + 1, EXPONENT_CELLS - 1, static_cast<uint32_t>(e < 0 ? -e : e));
    exponent[0] = e < 0 ? u'-' : BLANK;
}

// Pre-rounding: the digits are cut, not rounded, so a lift of 3 units of s
// carries into the last digit shown exactly when what lies beyond it is at
// least 0.7 of its unit, and lifts values stored a few units in the last
// place below a decimal fraction (0.3 as 0.29999999999999998...) over it.
// Close to the next power of ten it is left out; with the tolerances of
// DecimalExponent that happens only at small widths.
double PreRound(double x, int32_t n, double s) {
    if (std::fabs(x - Pow10Of(n + 1)) > WITHIN_UNITS * s) x = x + LIFT_UNITS * s;
    return x;
}

// DecimalExponent counts a magnitude a few units in the last place below a
// power of ten in that power's decade. When the pre-rounding does not lift
// it over the boundary its leading digit would come out as 0
// ([09.999999999999]); such a value is shown as the power of ten it was
// placed at, as the values the pre-rounding does lift are.
double HoldLeadingDigit(const Layout &layout, double x) {
    if (!layout.belowOne && TruncToInt32(x / Pow10Of(layout.n)) < 1) return Pow10Of(layout.n);
    return x;
}

// Integer digits from 10^n down to units, then the point. Returns what is
// left for the fraction: 0 once the rest lies within the tolerance, which
// makes the value an integer within the shown precision.
double WriteIntegerDigits(double x, int32_t n, double s, WChar *text, int &pos) {
    for (int32_t k = n; k >= 0; --k) {
        const double p = Pow10Of(k);
        const int32_t d = TruncToInt32(x / p);
        text[pos++] = DigitChar(d);
        x = x - d * p;
        if (std::fabs(x) <= WITHIN_UNITS * s) {
            x = 0;
            for (int32_t r = k - 1; r >= 0; --r) text[pos++] = u'0';
            break;
        }
    }
    text[pos++] = u'.';
    return x;
}

// Fraction digits while the width allows. u holds the digits written so far
// as an integer in the current scale, so each digit is cut from x - u
// without the rounding a running remainder would collect; the fraction
// ends once what is left is below 0.99 of the last showable unit, so
// trailing zeros are never written.
void WriteFractionDigits(double x, double s, int32_t width, WChar *text, int &pos) {
    int c = pos - 1;  // digits so far; the point does not count
    if (!(x >= Pow10Of(1 - width) && c < width)) return;
    double u = 0.0;
    while (c < width) {
        if (!(x >= u + NEXT_DIGIT_UNITS * s)) break;
        x = x * 10.0;
        u = u * 10.0;
        s = s * 10.0;
        const int32_t d = TruncToInt32(x - u);
        text[pos++] = DigitChar(d);
        u = u + d;
        c = c + 1;
    }
}

// The text is written into a line behind MAX_WIDTH blanks, so that the
// right-aligned field is always one copy away.
struct TextLine {
    WChar cells[2 * MAX_WIDTH + 2];
    TextLine() { std::memcpy(cells, BLANK_FIELD, MAX_WIDTH * sizeof(WChar)); }
    WChar *Text() { return cells + MAX_WIDTH; }
};

// Alignment: a short text moves right so its last character sits in cell
// width - 1: the field's first width cells are the width cells of the line
// that end with the text. A text of width characters or more starts in
// cell 0. Cells the copy does not reach keep the blanks and the terminator
// ClearTexts put there; at the engine's width the copy has a fixed length.
// A text of all width digits and the point has covered the terminator
// cell; its own terminator goes right behind it, into the spill.
void AlignRight(WChar *display, TextLine &line, int last, int32_t width) {
    const int target = width - 1;
    const WChar *const from = last < target ? line.Text() + last - target : line.Text();
    const int count = last < target ? width : last + 1;
    if (count == FIELD_CELLS) {
        std::memcpy(display, from, FIELD_CELLS * sizeof(WChar));
    } else if (count == FIELD_CELLS + 1) {
        std::memcpy(display, from, (FIELD_CELLS + 1) * sizeof(WChar));
    } else {
        for (int i = 0; i < count; ++i) display[i] = from[i];
    }
    if (last >= FIELD_CELLS) display[last + 1] = TERMINATOR;
}

}  // namespace

bool FormatValue(double value, WChar *display, WChar *exponent, int32_t *negative, int32_t width) {
    // The field has 14 cells for digits and the point plus one cell of
    // spill; a wider text would run past the display area and a width
    // below 1 leaves no digit at all, so the width is held to 1..14.
    if (width < 1) width = 1;
    if (width > MAX_WIDTH) width = MAX_WIDTH;

    ClearTexts(display, exponent);
    // Not a number has no digits to show: it reads as zero.
    if (std::isnan(value) || std::fabs(value) < ZERO_LIMIT) {
        WriteZeroText(display, negative);
        return false;
    }
    const Layout layout = ChooseForm(TakeSign(value, negative), width);
    if (layout.exponentForm) WriteExponent(exponent, layout.exponent);

    const double s = Pow10Of(layout.n - width);
    double x = PreRound(layout.x, layout.n, s);
    x = HoldLeadingDigit(layout, x);
    TextLine line;
    int pos = 0;
    x = WriteIntegerDigits(x, layout.n, s, line.Text(), pos);
    WriteFractionDigits(x, s, width, line.Text(), pos);
    AlignRight(display, line, pos - 1, width);
    return layout.exponent != 0;
}

}  // namespace tqcal
