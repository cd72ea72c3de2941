#include "numeric/decimal.h"

#include <cmath>
#include <limits>

namespace tqcal {

namespace {

// The steps themselves: r = 1, then 1e100, 1e10 and 10 (or their inverses)
// one multiplication at a time. Usable at compile time, so that the table
// below holds the very doubles these multiplications give.
constexpr double StepPow10(int32_t n, bool negative) {
    const double big = negative ? 1e-100 : 1e100;
    const double mid = negative ? 1e-10 : 1e10;
    const double unit = negative ? 0.1 : 10.0;
    constexpr double LARGEST = std::numeric_limits<double>::max();
    double r = 1.0;
    // Once r has reached infinity or zero no further step can change it, so
    // the first loop may stop early without altering any result.
    while (n / 100 != 0 && r != 0.0 && r <= LARGEST) {
        r *= big;
        n -= 100;
    }
    if (r == 0.0 || r > LARGEST) return r;
    while (n / 10 != 0) {
        r *= mid;
        n -= 10;
    }
    while (n > 0) {
        r *= unit;
        n -= 1;
    }
    return r;
}

constexpr std::array<double, POW10_TABLE_SIZE> MakePow10Table() {
    std::array<double, POW10_TABLE_SIZE> t{};
    for (int32_t n = -POW10_TABLE_REACH; n <= POW10_TABLE_REACH; ++n) {
        t[POW10_TABLE_REACH + n] = StepPow10(n < 0 ? -n : n, n < 0);
    }
    return t;
}

}  // namespace

constexpr std::array<double, POW10_TABLE_SIZE> POW10_TABLE = MakePow10Table();

double Pow10(double x) {
    const double magnitude = std::fabs(x);
    if (magnitude < POW10_TABLE_REACH + 1) {
        // Truncation toward zero picks the power the steps would (0.5 and
        // -0.5 give 1, -2.7 the power -2).
        return POW10_TABLE[POW10_TABLE_REACH + static_cast<int32_t>(x)];
    }
    if (std::isnan(x)) return 1.0;
    if (magnitude >= 2147483648.0) {
        // The multiplications would overflow (or underflow) long before.
        return x > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return StepPow10(static_cast<int32_t>(magnitude), x < 0);
}

int32_t DecimalExponent(double x) {
    double v = std::fabs(x);
    int32_t count = 0;
    if (!std::isfinite(v) || v < ZERO_LIMIT) return 0;
    if (v >= MANTISSA_HIGH) {
        do {
            v = v / 10;
            count = count + 1;
        } while (v >= MANTISSA_HIGH);
        return count;
    }
    if (v < 1.0) {
        while (v < MANTISSA_LOW) {
            v = v * 10;
            count = count - 1;
        }
        return count;
    }
    return 0;
}

double FractionalPart(double x) {
    if (std::isnan(x)) return x;
    if (std::fabs(x) <= ZERO_LIMIT) return 0.0;
    if (std::fabs(x) >= Pow10(14)) return 0.0;
    if (std::fabs(x) < MANTISSA_LOW) return x;
    double v = std::fabs(x);
    const bool negative = x < 0;
    const int32_t n = DecimalExponent(v);
    const double t = Pow10(n - 14);
    for (int32_t k = n; k >= 0; --k) {
        const double p = Pow10(k);
        const int32_t q = TruncToInt32(v / p);
        v = v - q * p;
        if (std::fabs(v) <= 7 * t) {
            v = 0;
            break;
        }
    }
    return negative ? -v : v;
}

int Reciprocal(double *value) {
    if (!std::isfinite(*value) || std::fabs(*value) < ZERO_LIMIT) return -1;
    const int32_t e = DecimalExponent(*value);
    *value = *value / Pow10(e);
    *value = (1.0 / *value) * Pow10(-e);
    return 0;
}

}  // namespace tqcal
