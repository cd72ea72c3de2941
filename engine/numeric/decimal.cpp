#include "numeric/decimal.h"

#include <cmath>
#include <limits>

namespace tqcal {

int32_t TruncToInt32(double x) {
    if (std::isnan(x)) return 0;
    if (x >= 2147483648.0) return std::numeric_limits<int32_t>::max();
    if (x <= -2147483649.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(x);
}

double Pow10(double x) {
    if (std::isnan(x)) return 1.0;
    if (std::fabs(x) >= 2147483648.0) {
        // The multiplications would overflow (or underflow) long before.
        return x > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    }
    double r = 1.0;
    int32_t n = static_cast<int32_t>(std::fabs(x));
    double big, mid, unit;
    if (x > 0) {
        big = 1e100, mid = 1e10, unit = 10.0;
    } else if (x < 0) {
        big = 1e-100, mid = 1e-10, unit = 0.1;
    } else {
        return r;
    }
    // Once r has reached infinity or zero no further step can change it, so
    // the loops may stop early without altering any result.
    while (n / 100 != 0 && std::isfinite(r) && r != 0.0) {
        r *= big;
        n -= 100;
    }
    if (!std::isfinite(r) || r == 0.0) return r;
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
