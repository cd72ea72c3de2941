// Powers and roots, with the calculator's rules for negative bases.
#include "numeric/power.h"
#include "tqcal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

using namespace tqcal;

struct PowerCase {
    double x;
    double y;
    int rc;
    double result;  // compared only when rc is 0
};

TEST(PowerXY, ValuesAndFailures) {
    const PowerCase cases[] = {
        {2, 10, 0, 1024},
        {10, 3, 0, 1000},
        {10, -3, 0, 0.0010000000000000002},
        {10, 99, 0, 1.0000000000000002e+99},
        {10, 100, -1, 0},
        {10, -100, 0, 0.0},
        {10, 3.0000000000000004, 0, 1000},
        {10, 0.5, 0, 3.1622776601683795},  // through the engine's pow
        {-2, 3, 0, -8},
        {-2, 2, 0, 4},
        {-2, 0.5, -1, 0},
        {-8, 1.0 / 3.0, 0, -2},  // 8^0.3333333333333333 rounds to 2
        {-8, 0.25, -1, 0},
        {-3, 0, 0, 1},
        {0, 0, -1, 0},
        {0, -1, -1, 0},
        {0, 2, 0, 0},
        {2, 400, -1, 0},
        {5, 1, 0, 5},
        {5, 0.999999999999995, 0, 5},
        // An exponent that counts as zero gives 1, whatever the base's sign.
        {-3, 1e-100, 0, 1},
        {-3, -1e-100, 0, 1},
        {3, 1e-100, 0, 1},
    };
    for (const PowerCase &c : cases) {
        double x = c.x;
        const double y = c.y;
        ASSERT_EQ(PowerXY(&x, &y), c.rc) << c.x << " ^ " << c.y;
        if (c.rc == 0) {
            EXPECT_EQ(x, c.result) << c.x << " ^ " << c.y;
        }
    }
    double x = 2, y = -400;
    ASSERT_EQ(PowerXY(&x, &y), 0);
    EXPECT_EQ(x, 3.8725919148493183e-121);
}

TEST(RootXY, ValuesAndFailures) {
    const PowerCase cases[] = {
        {-8, 3, 0, -2},  {-4, 2, -1, 0},    {5, 0, -1, 0},      {0, -1, -1, 0},
        {-3, 0.5, 0, 9}, {-3, 0.25, 0, 81}, {100, 0.01, -1, 0}, {16, 2, 0, 4},
    };
    for (const PowerCase &c : cases) {
        double x = c.x, y = c.y;
        ASSERT_EQ(RootXY(&x, &y), c.rc) << c.x << " root " << c.y;
        if (c.rc == 0) {
            EXPECT_EQ(x, c.result) << c.x << " root " << c.y;
        }
    }
    double x = -8, y = 3;
    RootXY(&x, &y);
    EXPECT_EQ(y, 0.3333333333333333);
}

// An infinity or NaN in either place is refused with both operands as they
// were, also where pow would give a finite number (2^-inf is 0, 1^NaN is 1).
TEST(PowerAndRoot, RefuseNonFiniteOperands) {
    const double inf = HUGE_VAL, nan = std::nan("");
    const double pairs[][2] = {{2, -inf}, {2, inf},   {1, nan},  {nan, 0},  {inf, 0.5},
                               {-inf, 3}, {nan, nan}, {0, -inf}, {-8, inf}, {1e198, -inf}};
    for (const auto &p : pairs) {
        for (auto routine : {+[](double *x, double *y) { return PowerXY(x, y); },
                             +[](double *x, double *y) { return RootXY(x, y); }}) {
            double x = p[0], y = p[1];
            EXPECT_EQ(routine(&x, &y), -1) << p[0] << ", " << p[1];
            EXPECT_EQ(std::memcmp(&x, &p[0], sizeof x), 0) << p[0] << ", " << p[1];
            EXPECT_EQ(std::memcmp(&y, &p[1], sizeof y), 0) << p[0] << ", " << p[1];
        }
    }
}

TEST(RaisePower, TensTakeTheirPowersFromPow10) {
    double b = 10, e = -120;
    EXPECT_EQ(RaisePower(&b, &e), 0);
    EXPECT_EQ(b, 0.0);
    b = 10, e = 100;
    EXPECT_EQ(RaisePower(&b, &e), -1);
    EXPECT_EQ(b, 10);
    b = 10, e = -99;
    EXPECT_EQ(RaisePower(&b, &e), 0);
    EXPECT_EQ(b, TQCAL_Pow10(-99));
}

TEST(PowerOverflows, EstimatesTheUpwardDirectionOnly) {
    double x = 10, y = 100;
    EXPECT_EQ(PowerOverflows(&x, &y), 0);  // 10^100 itself passes
    y = 100.1;
    EXPECT_EQ(PowerOverflows(&x, &y), -1);
    y = -1000;
    EXPECT_EQ(PowerOverflows(&x, &y), 0);
    x = 0;
    y = 1e9;
    EXPECT_EQ(PowerOverflows(&x, &y), 0);
}

}  // namespace
