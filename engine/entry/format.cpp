#include "entry/format.h"

#include "entry/wide_text.h"
#include "numeric/decimal.h"

#include <cmath>
#include <cstring>

namespace tqcal {

namespace {

constexpr int kMaxWidth = kFieldCells;  // 14 digits and the point: 15 cells

// The two-digit exponent cells hold decades -99 to 99.
constexpr int32_t kMinExponent = -99;
constexpr int32_t kMaxExponent = 99;

// The largest mantissa the field can show: a 9 and thirteen more behind the
// point. Formatted at width w it yields w nines.
constexpr double kLargestMantissa = 9.9999999999999;

// P(k): the power of ten for the integer k, the very double Pow10 gives for
// it everywhere else in the engine, read from its table.
double P(int32_t k) { return Pow10Of(k); }

// d is 0..9 for every finite value the steps see (the pre-rounding keeps
// the leading digit below 10 and remainders stay below one unit); the clamp
// only guarantees that a cell never holds anything but a digit.
WChar DigitChar(int32_t d) {
    if (d < 0) d = 0;
    if (d > 9) d = 9;
    return static_cast<WChar>(u'0' + d);
}

// What the texts hold before anything is written: fourteen blanks and the
// terminator; a blank sign and "00". Each is put in place with one copy.
constexpr WChar kBlankField[kFieldCells + 1] = {
    kBlank, kBlank, kBlank, kBlank, kBlank, kBlank, kBlank,
    kBlank, kBlank, kBlank, kBlank, kBlank, kBlank, kBlank, kTerminator};
constexpr WChar kNoExponent[kExponentCells] = {kBlank, u'0', u'0', kTerminator};

void WriteZeroText(WChar *display, int32_t *negative) {
    display[kFieldCells - 2] = u'0';
    display[kFieldCells - 1] = u'.';
    *negative = 0;
}

}  // namespace

int DivideDoubleToStr(double value, WChar *display, WChar *exponent,
                      int32_t *negative, int32_t width) {
    // The field has 14 cells for digits and the point plus one cell of
    // spill; a wider text would run past the display area and a width
    // below 1 leaves no digit at all, so the width is held to 1..14.
    if (width < 1) width = 1;
    if (width > kMaxWidth) width = kMaxWidth;

    std::memcpy(exponent, kNoExponent, sizeof kNoExponent);
    std::memcpy(display, kBlankField, sizeof kBlankField);

    // Not a number has no digits to show: it reads as zero.
    if (std::isnan(value) || std::fabs(value) < ZERO_LIMIT) {
        WriteZeroText(display, negative);
        return 0;
    }

    double x = value;
    if (x < 0) {
        x = -x;
        *negative = 1;
    } else {
        *negative = 0;
    }

    // DecimalExponent has no decade for infinity; it belongs above them all.
    int32_t n = std::isinf(x) ? kMaxExponent + 1 : DecimalExponent(x);
    bool belowOne = false;  // plain form of a magnitude below 1: "0.ddd"
    if (n >= width - 1 || n <= 1 - width) {
        if (n > kMaxExponent) {
            // Beyond the two exponent digits (infinity included): show the
            // largest magnitude the display can hold, all nines at 10^99.
            n = kMaxExponent;
            x = kLargestMantissa;
        } else if (n < kMinExponent) {
            // Just above the zero limit the decade is -100, which needs a
            // third exponent digit. Such a value lies at most 1e-112 below
            // 1e-99, so it is held in range and shown as 1e-99 (the
            // neighbouring values just above come out as that too) rather
            // than written past the exponent cells.
            n = kMinExponent;
            x = 1.0;
        } else {
            x = x / P(n);
        }
        FormatDecimal(exponent + 1, kExponentCells - 1, n < 0 ? -n : n);
        exponent[0] = n < 0 ? u'-' : kBlank;
        n = 0;
    } else if (n < 0) {
        n = 0;
        belowOne = true;
    }

    double s = P(n - width);
    if (std::fabs(x - P(n + 1)) > 7.0 * s) x = x + 3.0 * s;

    // DecimalExponent counts a magnitude a few units in the last place below
    // a power of ten in that power's decade. When the pre-rounding does not
    // lift it over the boundary its leading digit would come out as 0
    // ([09.999999999999]); such a value is shown as the power of ten it was
    // placed at, as the values the pre-rounding does lift are.
    if (!belowOne && TruncToInt32(x / P(n)) < 1) x = P(n);

    // The text is written into a line behind kMaxWidth blanks, so that the
    // right-aligned field is always one copy away (see the end).
    WChar line[2 * kMaxWidth + 2];
    std::memcpy(line, kBlankField, kMaxWidth * sizeof(WChar));
    WChar *const text = line + kMaxWidth;

    int pos = 0;
    for (int32_t k = n; k >= 0; --k) {
        const double p = P(k);
        const int32_t d = TruncToInt32(x / p);
        text[pos++] = DigitChar(d);
        x = x - d * p;
        if (std::fabs(x) <= 7.0 * s) {
            // An integer within the shown precision.
            x = 0;
            for (int32_t r = k - 1; r >= 0; --r) text[pos++] = u'0';
            break;
        }
    }
    text[pos++] = u'.';

    int c = pos - 1;  // digits so far; the point does not count
    if (x >= P(1 - width) && c < width) {
        double u = 0.0;  // fraction digits written so far, as an integer
        while (c < width) {
            // Stop once what is left is below 0.99 of the last showable
            // unit: trailing zeros are never written.
            if (!(x >= u + 9.9 * s)) break;
            x = x * 10.0;
            u = u * 10.0;
            s = s * 10.0;
            const int32_t d = TruncToInt32(x - u);
            text[pos++] = DigitChar(d);
            u = u + d;
            c = c + 1;
        }
    }

    // Right-align short texts so the last character sits in cell width - 1:
    // the field's first width cells are the width cells of the line that
    // end with the text. A text of width characters or more starts in cell
    // 0. Cells the copy does not reach keep the blanks and the terminator
    // put there first. At the engine's width the copy has a fixed length.
    const int last = pos - 1;
    const int target = width - 1;
    const WChar *const from = last < target ? text + last - target : text;
    const int count = last < target ? width : pos;
    if (count == kFieldCells) {
        std::memcpy(display, from, kFieldCells * sizeof(WChar));
    } else if (count == kFieldCells + 1) {
        std::memcpy(display, from, (kFieldCells + 1) * sizeof(WChar));
    } else {
        for (int i = 0; i < count; ++i) display[i] = from[i];
    }
    // A text of all width digits and the point has covered the terminator
    // cell; its own terminator goes right behind it, into the spill.
    if (last >= kFieldCells) display[last + 1] = kTerminator;
    return 0;
}

}  // namespace tqcal
