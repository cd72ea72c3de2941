// Powers of ten, decimal exponents, fractional parts and reciprocals: the
// exact doubles every other routine's tolerances were set against.
#include "numeric/decimal.h"
#include "tqcal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using namespace tqcal;

constexpr double INF_VALUE = std::numeric_limits<double>::infinity();
constexpr double NAN_VALUE = std::numeric_limits<double>::quiet_NaN();

struct Pair {
    double in;
    double out;
};

TEST(Pow10, FixedMultiplicationOrder) {
    const Pair cases[] = {
        {0, 1.0},
        {0.5, 1.0},
        {-0.5, 1.0},
        {2.7, 100.0},
        {-2.7, 0.010000000000000002},
        {-3, 0.0010000000000000002},
        {-14, 1.0000000000000003e-14},
        {14, 100000000000000.0},
        {15, 1000000000000000.0},
        {111, 1.0000000000000001e+111},
        {99, 1.0000000000000002e+99},
        {-7, 1.0000000000000005e-07},
        {-26, 1.0000000000000005e-26},
    };
    for (const Pair &c : cases) {
        EXPECT_EQ(TQCAL_Pow10(c.in), c.out) << c.in;
    }
}

TEST(Pow10, PositiveExponentsUpTo22AreExact) {
    double exact = 1.0;
    for (int k = 0; k <= 22; ++k) {
        EXPECT_EQ(TQCAL_Pow10(k), exact) << k;
        exact *= 10.0;
    }
}

TEST(Pow10, SameDoublesAsTheStepByStepProduct) {
    // Rebuilds every power from -400 to 400 by the documented steps and
    // compares bit for bit.
    for (int k = -400; k <= 400; ++k) {
        double r = 1.0;
        int n = k < 0 ? -k : k;
        const double big = k < 0 ? 1e-100 : 1e100;
        const double mid = k < 0 ? 1e-10 : 1e10;
        const double unit = k < 0 ? 0.1 : 10.0;
        for (; n / 100 != 0; n -= 100) r *= big;
        for (; n / 10 != 0; n -= 10) r *= mid;
        for (; n > 0; --n) r *= unit;
        EXPECT_EQ(TQCAL_Pow10(k), r) << k;
    }
}

// Near the everyday powers the values come from a table built by the same
// steps; beyond it the steps run. Every argument that truncates to the same
// integer gives the same power, on both sides of the table's edge.
TEST(Pow10, FractionalArgumentsTakeThePowerOfTheirIntegerPart) {
    for (int k = -60; k <= 60; ++k) {
        const double whole = TQCAL_Pow10(k);
        for (double f : {0.25, 0.5, 0.999999999}) {
            const double x = k < 0 ? k - f : k + f;
            EXPECT_EQ(TQCAL_Pow10(x), whole) << x;
        }
    }
    EXPECT_EQ(TQCAL_Pow10(-0.999999999), 1.0);
    EXPECT_EQ(TQCAL_Pow10(-0.0), 1.0);
}

// The integer form the display's digit loops use must give the very same
// doubles, inside the table and beyond it.
TEST(Pow10, IntegerFormGivesTheSameDoubles) {
    for (int32_t k = -1200; k <= 1200; ++k) {
        EXPECT_EQ(Pow10Of(k), TQCAL_Pow10(k)) << k;
    }
    for (int32_t k : {INT32_MIN, INT32_MIN + 1, -2147483647, 2147483647}) {
        EXPECT_EQ(Pow10Of(k), TQCAL_Pow10(k)) << k;
    }
}

TEST(Pow10, OutOfRangeArgumentsReturnTheirLimit) {
    EXPECT_EQ(TQCAL_Pow10(3e9), INF_VALUE);
    EXPECT_EQ(TQCAL_Pow10(2147483648.0), INF_VALUE);
    EXPECT_EQ(TQCAL_Pow10(-3e9), 0.0);
    EXPECT_EQ(TQCAL_Pow10(INF_VALUE), INF_VALUE);
    EXPECT_EQ(TQCAL_Pow10(-INF_VALUE), 0.0);
    EXPECT_EQ(TQCAL_Pow10(NAN_VALUE), 1.0);
    EXPECT_EQ(TQCAL_Pow10(2147483647.0), INF_VALUE);
    EXPECT_EQ(TQCAL_Pow10(-2147483647.0), 0.0);
}

TEST(DecimalExponent, DecadeBoundariesWithTolerance) {
    const struct {
        double in;
        int out;
    } cases[] = {
        {0, 0},
        {9.9999999999995, 1},
        {9.9999999999994, 0},
        {0.999999999999995, 0},
        {0.99999999999999, 0},
        {0.5, -1},
        {-250, 2},
        {1e-99, -99},
        {9.999999999999e-100, -100},
        {1e-100, 0},
        {1.0, 0},
        {12345678901234.0, 13},
        {99999999999999.0, 14},
        {9.9999999999991e99, 99},
    };
    for (const auto &c : cases) EXPECT_EQ(DecimalExponent(c.in), c.out) << c.in;
}

TEST(DecimalExponent, NonFiniteValuesReturn) {
    EXPECT_EQ(DecimalExponent(INF_VALUE), 0);
    EXPECT_EQ(DecimalExponent(-INF_VALUE), 0);
    EXPECT_EQ(DecimalExponent(NAN_VALUE), 0);
    EXPECT_EQ(DecimalExponent(1e308), 308);
}

TEST(FractionalPart, WholeNumbersWithinSevenUnitsOfTheFifteenthDigit) {
    const Pair cases[] = {
        {2.5, 0.5},
        {-2.5, -0.5},
        {0.25, 0.25},
        {-0.25, -0.25},
        {1e14, 0},
        {99999999999999.5, 0},
        {50000000000000.8, 0.796875},
        {50000000000000.5, 0},
        {123.0000000000001, 0},
        {12.345, 0.34500000000000064},
        {1e-99, 1e-99},
        {9.999999999999e-100, 0},
    };
    for (const Pair &c : cases) EXPECT_EQ(FractionalPart(c.in), c.out) << c.in;
    const double small = FractionalPart(7.000000000001);
    EXPECT_NE(small, 0.0);
    EXPECT_NEAR(small, 1.0000889e-12, 1e-18);
}

TEST(FractionalPart, NonFiniteValuesAreNeverWhole) {
    EXPECT_EQ(FractionalPart(INF_VALUE), 0.0);  // beyond 1e14: no fraction digits
    EXPECT_TRUE(std::isnan(FractionalPart(NAN_VALUE)));
}

TEST(Reciprocal, WorksOnTheMantissa) {
    const Pair cases[] = {
        {4, 0.25},
        {-8, -0.125},
        {1e-99, 1.0000000000000008e+99},
    };
    for (const Pair &c : cases) {
        double v = c.in;
        EXPECT_EQ(Reciprocal(&v), 0) << c.in;
        EXPECT_EQ(v, c.out) << c.in;
    }
}

TEST(Reciprocal, RefusesZeroAndNonFiniteValues) {
    for (double in : {0.0, 1e-100, -9.9e-100, INF_VALUE, -INF_VALUE, NAN_VALUE}) {
        double v = in;
        EXPECT_EQ(Reciprocal(&v), -1) << in;
        if (!std::isnan(in)) {
            EXPECT_EQ(v, in);
        }
    }
}

TEST(TruncToInt32, SaturatesInsteadOfOverflowing) {
    EXPECT_EQ(TruncToInt32(2.9), 2);
    EXPECT_EQ(TruncToInt32(-2.9), -2);
    EXPECT_EQ(TruncToInt32(1e20), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(TruncToInt32(-1e20), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(TruncToInt32(NAN_VALUE), 0);
}

}  // namespace
