#include "entry/wide_text.h"

#include <charconv>
#include <cstdint>
#include <limits>

namespace tqcal {

namespace {

// Significant digits handed to the converter. Any midpoint between two
// adjacent doubles has at most 768 significant digits, so cutting a longer
// digit string here and standing in a single non-zero "sticky" digit for the
// rest cannot move the result across a midpoint: the conversion stays
// correctly rounded however long the text is, without a heap buffer.
constexpr int kMaxSignificant = 800;

// Exponents beyond this overflow or underflow any double whatever the
// digits, so both the typed exponent and the final scale saturate here.
constexpr int64_t kExponentLimit = 1000000;

bool IsSpace(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
           c == '\r';
}

bool IsDigit(int c) { return c >= '0' && c <= '9'; }

// Reads cell k as a plain code; a cell beyond maxCells or outside ASCII reads
// as the terminator, so the scan ends there.
int CellAt(const WChar *text, int maxCells, int k) {
    if (k >= maxCells) return 0;
    const WChar c = text[k];
    return c < 0x80 ? static_cast<int>(c) : 0;
}

int64_t Saturate(int64_t v) {
    if (v > kExponentLimit) return kExponentLimit;
    if (v < -kExponentLimit) return -kExponentLimit;
    return v;
}

}  // namespace

double ParseWide(const WChar *text, int maxCells) {
    if (text == nullptr || maxCells <= 0) return 0.0;
    int i = 0;
    while (IsSpace(CellAt(text, maxCells, i))) ++i;

    bool negative = false;
    if (CellAt(text, maxCells, i) == '+' || CellAt(text, maxCells, i) == '-') {
        negative = CellAt(text, maxCells, i) == '-';
        ++i;
    }

    // The number is kept as the significant digits (no leading zeros) times
    // 10^scale.
    char buf[kMaxSignificant + 1 + 16];
    int kept = 0;
    bool sticky = false;
    int64_t scale = 0;
    int seen = 0;  // digits of the mantissa, leading zeros included

    for (int c = CellAt(text, maxCells, i); IsDigit(c);
         c = CellAt(text, maxCells, ++i)) {
        ++seen;
        if (kept == 0 && c == '0') continue;
        if (kept < kMaxSignificant) {
            buf[kept++] = static_cast<char>(c);
        } else {
            ++scale;
            if (c != '0') sticky = true;
        }
    }
    if (CellAt(text, maxCells, i) == '.') {
        ++i;
        for (int c = CellAt(text, maxCells, i); IsDigit(c);
             c = CellAt(text, maxCells, ++i)) {
            ++seen;
            if (kept == 0 && c == '0') {
                --scale;
            } else if (kept < kMaxSignificant) {
                buf[kept++] = static_cast<char>(c);
                --scale;
            } else if (c != '0') {
                sticky = true;
            }
        }
    }
    if (seen == 0) return 0.0;  // no digits: not a number at all

    // An exponent counts only when at least one digit follows the 'e' and
    // its sign; otherwise the number ends before the 'e'.
    int64_t typedExponent = 0;
    const int e = CellAt(text, maxCells, i);
    if (e == 'e' || e == 'E') {
        int j = i + 1;
        bool expNegative = false;
        const int s = CellAt(text, maxCells, j);
        if (s == '+' || s == '-') {
            expNegative = s == '-';
            ++j;
        }
        if (IsDigit(CellAt(text, maxCells, j))) {
            for (int c = CellAt(text, maxCells, j); IsDigit(c);
                 c = CellAt(text, maxCells, ++j)) {
                typedExponent = Saturate(typedExponent * 10 + (c - '0'));
            }
            if (expNegative) typedExponent = -typedExponent;
        }
    }

    const double zero = negative ? -0.0 : 0.0;
    if (kept == 0) return zero;
    if (sticky) {
        buf[kept++] = '1';
        --scale;
    }
    const int64_t exponent = Saturate(scale + typedExponent);

    int len = kept;
    buf[len++] = 'e';
    const auto written =
        std::to_chars(buf + len, buf + sizeof buf, static_cast<long long>(exponent));
    len = static_cast<int>(written.ptr - buf);

    double value = 0.0;
    const auto parsed = std::from_chars(buf, buf + len, value);
    if (parsed.ec == std::errc::result_out_of_range) {
        // The decade of the leading digit tells overflow from underflow.
        value = exponent + kept > 0 ? std::numeric_limits<double>::infinity()
                                    : 0.0;
    } else if (parsed.ec != std::errc()) {
        value = 0.0;
    }
    return negative ? -value : value;
}

// Returns the characters written before the terminator.
int FormatDecimal(WChar *cells, int maxCells, uint32_t value) {
    if (cells == nullptr || maxCells <= 0) return 0;
    // "%02d": at least two digits, zero-padded.
    char tmp[16];
    int len = 0;
    do {
        tmp[len++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (len < 2) tmp[len++] = '0';

    // tmp holds the text backwards; copy what fits before the terminator.
    const int room = maxCells - 1;
    int n = 0;
    for (; n < len && n < room; ++n) cells[n] = static_cast<WChar>(tmp[len - 1 - n]);
    cells[n] = kTerminator;
    return n;
}

}  // namespace tqcal
