// Comparison of doubles within a number of units in the last place, for
// values whose last bits are not part of the contract (the elementary
// functions promise at most one unit), and the shared helpers of the
// function tests.
#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstddef>
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

// The routine refuses x and leaves the value as it was, bit for bit.
inline void ExpectRefused(Routine f, double x, const char *name) {
    double v = x;
    EXPECT_EQ(f(&v), -1) << name << "(" << x << ")";
    EXPECT_EQ(std::bit_cast<uint64_t>(v), std::bit_cast<uint64_t>(x))
        << name << "(" << x << ") changed the value";
}

// Every routine refuses every kind of NaN: quiet, negative, with a payload.
template <size_t N>
void ExpectNaNsRefused(const Routine (&routines)[N]) {
    const double nans[] = {std::numeric_limits<double>::quiet_NaN(),
                           -std::numeric_limits<double>::quiet_NaN(),
                           std::bit_cast<double>(uint64_t{0x7ff8000000001234})};
    for (Routine f : routines) {
        for (double n : nans) ExpectRefused(f, n, "routine");
    }
}

// Each argument must succeed and give exactly its double.
template <size_t N>
void ExpectExact(Routine f, const Exact (&cases)[N]) {
    for (const Exact &c : cases) {
        double v;
        ASSERT_EQ(Call(f, c.in, &v), 0) << c.in;
        EXPECT_EQ(v, c.out) << c.in;
    }
}

}  // namespace ulps
