// Squares, roots, logarithms, exponential and factorial: domains, limits,
// the snaps near 1, the log window and the factorial's rounding.
//
// The logarithms and the exponential come from the engine's own functions,
// which give the same bits on every target; their expected values are the
// correctly rounded ones from MPFR (tools/math/reference.cpp), and the
// functions are correctly rounded at these arguments, so everything is
// compared exactly. sqrt is correctly rounded under IEEE-754 too.
#include "numeric/functions.h"

#include "numeric/decimal.h"

#include <gtest/gtest.h>

#include "ulps.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

using namespace tqcal;

constexpr double INF_VALUE = std::numeric_limits<double>::infinity();

using ulps::Call;
using ulps::Exact;
using ulps::ExpectExact;
using ulps::ExpectNaNsRefused;
using ulps::ExpectRefused;
using ulps::Routine;

// ---------------------------------------------------------------- Square

TEST(Square, Values) {
    const Exact cases[] = {
        {3, 9},
        {-3, 9},
        {0, 0},
        {3e49, 9.000000000000002e98},
        {-3e49, 9.000000000000002e98},
        {0.1, 0.1 * 0.1},
    };
    ExpectExact(Square, cases);
    // Just below the limit: accepted, no range test on the result.
    double v;
    const double below = std::nextafter(1e50, 0.0);
    ASSERT_EQ(Call(Square, below, &v), 0);
    EXPECT_EQ(v, below * below);
}

TEST(Square, Limit) {
    for (double x : {1e50, -1e50, 1e51, INF_VALUE, -INF_VALUE}) ExpectRefused(Square, x, "Square");
}

// ---------------------------------------------------------------- SquareRoot

TEST(SquareRoot, Values) {
    const Exact cases[] = {
        {4, 2},       {2, 1.4142135623730951},
        {0, 0},       {1, 1},
        {1e98, 1e49}, {1.000000000003, std::sqrt(1.000000000003)},
    };
    ExpectExact(SquareRoot, cases);
    // 1.000000000003 is outside the snap: 1.0000000000015.
    double v;
    ASSERT_EQ(Call(SquareRoot, 1.000000000003, &v), 0);
    EXPECT_NE(v, 1.0);
    EXPECT_NEAR(v, 1.0000000000015, 1e-16);
    // Negative zero is not below zero.
    ASSERT_EQ(Call(SquareRoot, -0.0, &v), 0);
    EXPECT_EQ(v, 0.0);
}

TEST(SquareRoot, SnapsToOneWithin1e12) {
    const double raw_above = std::sqrt(1.000000000001);  // 1.0000000000005
    const double raw_below = std::sqrt(0.999999999999);  // 0.9999999999995
    ASSERT_NE(raw_above, 1.0);
    ASSERT_NE(raw_below, 1.0);
    for (double x : {1.000000000001, 0.999999999999, 1.0000000000019, 0.9999999999981}) {
        double v;
        ASSERT_EQ(Call(SquareRoot, x, &v), 0) << x;
        EXPECT_EQ(v, 1.0) << x;
    }
    // sqrt(1.0000000000021) is about 1 + 1.05e-12: outside.
    double v;
    ASSERT_EQ(Call(SquareRoot, 1.0000000000021, &v), 0);
    EXPECT_EQ(v, std::sqrt(1.0000000000021));
    EXPECT_NE(v, 1.0);
}

TEST(SquareRoot, InfinityGivesInfinity) {
    // Accepted as not below zero; the dispatcher's overflow check reports it.
    double v;
    ASSERT_EQ(Call(SquareRoot, INF_VALUE, &v), 0);
    EXPECT_EQ(v, INF_VALUE);
}

TEST(SquareRoot, NegativeValuesFail) {
    for (double x : {-1.0, -4.0, -1e-300, -ZERO_LIMIT, -INF_VALUE}) {
        ExpectRefused(SquareRoot, x, "SquareRoot");
    }
}

// ---------------------------------------------------------------- logarithms

TEST(Logarithms, WindowAroundOneGivesZero) {
    const double window_inside[] = {
        1.0,
        1.00000005,
        0.9999999,
        0.99999999999999,
        // The first and last doubles inside the window: it is centred on
        // 0.99999999999999 with the half-width Pow10(-7) = 1.0000000000000005e-07.
        0.9999998999999901,
        1.0000000999999898,
    };
    for (double x : window_inside) {
        double v;
        ASSERT_EQ(Call(NaturalLog, x, &v), 0) << x;
        EXPECT_EQ(v, 0.0) << x;
        ASSERT_EQ(Call(CommonLog, x, &v), 0) << x;
        EXPECT_EQ(v, 0.0) << x;
    }
    // ln 1.00000005 itself is about 5e-8, not zero: the window did it.
    // The first doubles outside, on both sides, give the logarithms.
    const struct {
        double x, ln, lg;
    } outside[] = {
        {0.99999989999999, -1.0000001505039528e-07, -4.3429454726628799e-08},
        {1.00000009999999, 9.9999985066380828e-08, 4.3429441704736782e-08},
        {1.0000001, 9.9999995058387044e-08, 4.3429446044209946e-08},
        {0.9999998, -2.000000200057538e-07, -8.6858905069038846e-08},
    };
    for (const auto &c : outside) {
        double v;
        ASSERT_EQ(Call(NaturalLog, c.x, &v), 0) << c.x;
        EXPECT_EQ(v, c.ln) << c.x;
        ASSERT_EQ(Call(CommonLog, c.x, &v), 0) << c.x;
        EXPECT_EQ(v, c.lg) << c.x;
    }
}

TEST(Logarithms, Values) {
    const Exact natural[] = {
        {1.0000001, 9.999999505838704e-08},
        {10, 2.302585092994046},
        // Just above the zero limit is accepted.
        {9.999999999999001e-100, -227.95592420641063},
    };
    ExpectExact(NaturalLog, natural);
    const Exact common[] = {
        {1e-99, -99.0},
        {1000, 3.0},
        {9.9999999999991e99, 99.999999999999957},
    };
    ExpectExact(CommonLog, common);
}

TEST(Logarithms, ZeroLimitAndBelowFail) {
    for (double x : {0.0, -0.0, -5.0, ZERO_LIMIT, 1e-100, -1.0, -INF_VALUE}) {
        ExpectRefused(NaturalLog, x, "NaturalLog");
        ExpectRefused(CommonLog, x, "CommonLog");
    }
}

TEST(Logarithms, InfinityGivesInfinity) {
    double v;
    ASSERT_EQ(Call(NaturalLog, INF_VALUE, &v), 0);
    EXPECT_EQ(v, INF_VALUE);
    ASSERT_EQ(Call(CommonLog, INF_VALUE, &v), 0);
    EXPECT_EQ(v, INF_VALUE);
}

// ---------------------------------------------------------------- Exponential

TEST(Exponential, Values) {
    double v;
    ASSERT_EQ(Call(Exponential, 0, &v), 0);
    EXPECT_EQ(v, 1.0);
    ASSERT_EQ(Call(Exponential, 1, &v), 0);
    EXPECT_EQ(v, 2.718281828459045);
    ASSERT_EQ(Call(Exponential, -1000, &v), 0);
    EXPECT_EQ(v, 0.0);
    ASSERT_EQ(Call(Exponential, -INF_VALUE, &v), 0);
    EXPECT_EQ(v, 0.0);
}

TEST(Exponential, LimitIsAccepted) {
    double v;
    ASSERT_EQ(Call(Exponential, 230.258509299404, &v), 0);
    EXPECT_EQ(v, 9.9999999999944266e+99);
    EXPECT_LT(v, 9.9999999999991e99);
    for (double x : {std::nextafter(230.258509299404, INF_VALUE), 230.2585093, 230.25850929940458,
                     1000.0, INF_VALUE}) {
        ExpectRefused(Exponential, x, "Exponential");
    }
}

// ---------------------------------------------------------------- Factorial

// The product 1.0 times 1, 2, ... n in increasing order.
double Product(int n) {
    double p = 1.0;
    for (int g = 1; g <= n; ++g) p = p * g;
    return p;
}

TEST(Factorial, Values) {
    const Exact cases[] = {
        {0, 1},
        {-0.0, 1},
        {1e-100, 1},
        {-1e-100, 1},
        {1, 1},
        {2, 2},
        {5, 120},
        {4.999999999, 120},
        {5.000000001, 120},
        {5.0000000089, 120},
        {22, 1.1240007277776077e21},
        {69, 1.711224524281413e98},
        {69.9999999995, 1.197857166996989e100},
        {1.000000005, 1},
        {0.999999999999999999, 1},
    };
    ExpectExact(Factorial, cases);
}

TEST(Factorial, EveryWholeArgumentMultipliesInIncreasingOrder) {
    for (int n = 1; n <= 69; ++n) {
        double v;
        ASSERT_EQ(Call(Factorial, n, &v), 0) << n;
        EXPECT_EQ(v, Product(n)) << n;
    }
    // Exact up to 22!.
    double exact = 1.0;
    for (int n = 1; n <= 22; ++n) {
        exact *= n;
        double v;
        ASSERT_EQ(Call(Factorial, n, &v), 0);
        EXPECT_EQ(v, exact);
    }
}

TEST(Factorial, RefusedArguments) {
    const double refused[] = {
        1e-99, -1e-99,      ZERO_LIMIT, -ZERO_LIMIT, 0.5,          0.9999999995, -3,
        -1,    4.5,         4.99999999, 5.00000001,  5.0000000091, 4.9999999989, 70,
        70.5,  69.99999999, 1e99,       -1e99,       INF_VALUE,    -INF_VALUE,
    };
    for (double x : refused) ExpectRefused(Factorial, x, "Factorial");
}

// ---------------------------------------------------------------- all six

TEST(FunctionsNaN, EveryRoutineRefusesNaNAndLeavesTheValue) {
    const Routine routines[] = {Square, SquareRoot, Factorial, NaturalLog, Exponential, CommonLog};
    ExpectNaNsRefused(routines);
}

}  // namespace
