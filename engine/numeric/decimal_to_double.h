// Decimal numbers to doubles, correctly rounded (to nearest, ties to even)
// whatever the number of digits or the exponent: the display parser's
// arithmetic, without the platform's strtod or its locale.
#pragma once

#include "math/binary64.h"

#include <cstdint>

namespace tqcal {

// The longest number the display parser hands over: every cell of the
// display area a digit.
inline constexpr int MAX_DECIMAL_DIGITS = 17;

// Powers of ten that are doubles exactly: 10^22 = 2^22 * 5^22 and 5^22 < 2^53.
inline constexpr double EXACT_POW10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                         1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
inline constexpr int MAX_EXACT_POW10 = 22;
inline constexpr uint64_t EXACT_INTEGER_LIMIT = uint64_t{1} << 53;

// digits[0..count) (ASCII digits, no leading zero, count at most
// MAX_DECIMAL_DIGITS) times 10^exp10 by exact big-integer arithmetic.
double ExactDecimal(const char *digits, int count, int64_t exp10);

// digits[0..count) times 10^exp10, where value is the same digits as an
// integer; 0.0 when there are none. Numbers of up to 15 digits with a small
// exponent take one exact multiplication or division, inline, for the
// display parser that every key runs; the others the exact path.
inline double DecimalToDouble(const char *digits, int count, uint64_t value, int64_t exp10) {
    if (count == 0) return 0.0;
    if (value < EXACT_INTEGER_LIMIT && exp10 >= -MAX_EXACT_POW10 && exp10 <= MAX_EXACT_POW10) {
        // Both operands are doubles exactly, so the one rounding of the
        // product or quotient (in double, never wider: see numeric/decimal.h)
        // is the correct one. Every text the engine writes (at most 15
        // digits, scale within the field) comes here.
        const double m = math::ExactDouble(value);
        return exp10 >= 0 ? m * EXACT_POW10[exp10] : m / EXACT_POW10[-exp10];
    }
    return ExactDecimal(digits, count, exp10);
}

}  // namespace tqcal
