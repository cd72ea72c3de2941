// Decimal view of a double: powers of ten built by a fixed sequence of
// multiplications, the decimal exponent with tolerance at decade boundaries,
// the tolerant fractional part and the reciprocal taken on the mantissa.
// The numeric core never touches the context.
#pragma once

#include <array>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>

// Every value is a double rounded after each operation: the tolerances are
// set against those last bits, and the powers of ten above all. Arithmetic
// carried in a wider format (the x87 unit of 32-bit x86 without -msse2
// -mfpmath=sse) would change them, so such a build stops here.
static_assert(FLT_EVAL_METHOD == 0,
              "doubles must be evaluated as doubles: build 32-bit x86 with -msse2 -mfpmath=sse");

namespace tqcal {

// Shared tolerances; every other routine's limits were set against these.
inline constexpr double ZERO_LIMIT = 9.999999999999e-100;
inline constexpr double MANTISSA_HIGH = 9.9999999999995;
inline constexpr double MANTISSA_LOW = 0.99999999999999;

// The largest magnitude the calculator shows; above it is an error.
inline constexpr double OVERFLOW_LIMIT = 9.9999999999991e99;

// The operands every two-operand routine accepts. An infinity or NaN comes
// from no key, only from an intermediate that overflowed inside a longer
// reduction (a x b before a percent completion, say). Every such routine
// refuses it, so that it ends as an error rather than in a number: x^-inf is
// 0 and a/inf is 0, finite results the end steps would show.
inline bool FiniteOperands(double a, double b) { return std::isfinite(a) && std::isfinite(b); }

// The double nearest to pi: the value of KEY_PI and the factor of the
// degree conversions.
inline constexpr double PI = 3.141592653589793;

// The powers of ten from -31 to 31, built at compile time by the very
// multiplications Pow10 spells out: every power the display and the
// arithmetic ask for on everyday numbers. POW10_TABLE[POW10_TABLE_REACH + n]
// is the power n.
inline constexpr int32_t POW10_TABLE_REACH = 31;
inline constexpr int POW10_TABLE_SIZE = 2 * POW10_TABLE_REACH + 1;
extern const std::array<double, POW10_TABLE_SIZE> POW10_TABLE;

// 10 to the integer part of x: r = 1, then steps of 1e100, 1e10 and 10 (or
// 1e-100, 1e-10 and 0.1) applied one by one. The last bits of the result are
// part of the contract. Magnitudes at or beyond 2^31 and infinities give the
// limit the steps tend to (+inf or 0); NaN gives 1. Powers within the
// table's reach are read from it.
double Pow10(double x);

// Pow10 of an integer, the same double, with the table read inline: for the
// loops that take a power for every digit.
inline double Pow10Of(int32_t n) {
    if (n >= -POW10_TABLE_REACH && n <= POW10_TABLE_REACH) {
        return POW10_TABLE[POW10_TABLE_REACH + n];
    }
    return Pow10(static_cast<double>(n));
}

// Decimal exponent of |x| with tolerance: 0 below ZERO_LIMIT; a mantissa at
// or above MANTISSA_HIGH counts in the next decade, one at or above
// MANTISSA_LOW in the current one. Non-finite values give 0.
int32_t DecimalExponent(double x);

// Signed fractional part of x, where a remainder within 7 units of the 15th
// significant digit counts as zero. 0 for |x| <= ZERO_LIMIT or >= 1e14;
// x itself below MANTISSA_LOW. NaN comes back as NaN (never "whole").
double FractionalPart(double x);

// *value = 1 / *value computed on the decimal mantissa. -1 (value unchanged)
// for a magnitude below ZERO_LIMIT or a non-finite value.
int Reciprocal(double *value);

// Truncation toward zero to a 32-bit integer; out-of-range values saturate
// and NaN gives 0 instead of being undefined. Inline: the display takes
// every digit through it.
inline int32_t TruncToInt32(double x) {
    if (std::isnan(x)) return 0;
    if (x >= 2147483648.0) return std::numeric_limits<int32_t>::max();
    if (x <= -2147483649.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(x);
}

}  // namespace tqcal
