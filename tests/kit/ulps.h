// Comparison of doubles within a number of units in the last place, for
// values whose last bits are not part of the contract (the elementary
// functions promise at most one unit), and the shared helpers of the
// function tests.
#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace ulps {

// Distance in units in the last place between two finite doubles.
inline int64_t UlpDistance(double a, double b) {
    auto ordered = [](double v) {
        const int64_t bits = std::bit_cast<int64_t>(v);
        return bits < 0 ? std::numeric_limits<int64_t>::min() - bits : bits;
    };
    const int64_t ia = ordered(a), ib = ordered(b);
    return ia > ib ? ia - ib : ib - ia;
}

inline ::testing::AssertionResult NearUlps(double actual, double expected, int64_t max_ulps = 4) {
    if (std::isfinite(actual) && std::isfinite(expected) &&
        UlpDistance(actual, expected) <= max_ulps) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << std::hexfloat << actual << " is not within " << max_ulps << " ulps of " << expected
           << std::defaultfloat << " (" << actual << " vs " << expected << ")";
}

// The in-place unary routines of the numeric core, and a call that leaves
// the value in *out and returns the routine's code.
using Routine = int (*)(double *);

inline int Call(Routine f, double x, double *out) {
    *out = x;
    return f(out);
}

// An argument and the exact double a routine must give for it.
struct Exact {
    double in;
    double out;
};

}  // namespace ulps
