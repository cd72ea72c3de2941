// Basic arithmetic with decimal alignment, through the exported routine.
#include "numeric/arithmetic.h"
#include "tqcal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct Case {
    double left;
    int op;
    double right;
    double result;
};

TEST(BaseOperate, AlignedSumsAndDifferences) {
    const Case cases[] = {
        {0.1, KEY_ADD, 0.2, 0.3000000000000004},
        {100, KEY_SUB, 99.99, 0.01},
        {5, KEY_SUB, 4.99999999999999, 1e-14},
        {12345678901234.5, KEY_SUB, 0.5, 12345678901234.0},
        {0.5, KEY_ADD, 0.25, 0.7500000000000004},
        {1e15, KEY_ADD, 1, 1000000000000001.4},
        {1e15, KEY_SUB, 1, 999999999999999.5},
        {2e14, KEY_ADD, 0.5, 200000000000000.5},  // scale 1: no rounding nudge
        {0.12345678901234566, KEY_ADD, 1.23e-14, 0.12345678901235},
        {3e-15, KEY_SUB, 3e-15, 0},
        {1e-15, KEY_ADD, 2e-15, 3.0000000000000006e-15},
        {-2.5, KEY_ADD, 2.5, 0},
        {0, KEY_ADD, 0.1, 0.1},
    };
    for (const Case &c : cases) {
        double l = c.left, r = c.right;
        ASSERT_EQ(TQCAL_BaseOperate(c.op, &l, &r), 0) << c.left << " op " << c.right;
        EXPECT_EQ(l, c.result) << c.left << " op " << c.op << " " << c.right;
        EXPECT_EQ(r, c.right) << "the right operand is read only";
    }
}

TEST(BaseOperate, ProductsAndQuotients) {
    const Case cases[] = {
        {1, KEY_DIV, 3, 0.3333333333333333},
        {-1, KEY_DIV, 3, -0.3333333333333333},
        {0.99999999999999, KEY_DIV, 4, 0.25},
        {1.0000000000000002, KEY_DIV, 4, 0.25000000000000006},
        {6, KEY_MUL, 7, 42},
        {2, KEY_POW, 10, 1024},
    };
    for (const Case &c : cases) {
        double l = c.left, r = c.right;
        ASSERT_EQ(TQCAL_BaseOperate(c.op, &l, &r), 0);
        EXPECT_EQ(l, c.result) << c.left << " op " << c.op << " " << c.right;
    }
    double l = 3, r = 9.999999999999e-100;
    ASSERT_EQ(TQCAL_BaseOperate(KEY_DIV, &l, &r), 0);
    EXPECT_NEAR(l, 3.0000000000003e+99, 1e86);
}

TEST(BaseOperate, FailuresLeaveTheLeftOperand) {
    double l = 3, r = 1e-100;
    EXPECT_EQ(TQCAL_BaseOperate(KEY_DIV, &l, &r), -1);
    EXPECT_EQ(l, 3);
    r = 2;
    for (int op : {16, 0, 11, 17, 42, 45, 253, -1}) {
        EXPECT_EQ(TQCAL_BaseOperate(op, &l, &r), -1) << op;
        EXPECT_EQ(l, 3);
    }
    EXPECT_EQ(TQCAL_BaseOperate(KEY_ADD, nullptr, &r), -1);
    EXPECT_EQ(TQCAL_BaseOperate(KEY_ADD, &l, nullptr), -1);
}

TEST(BaseOperate, NonFiniteOperandsAreRefused) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (int op : {KEY_ADD, KEY_SUB, KEY_MUL, KEY_DIV, KEY_POW, KEY_ROOT}) {
        for (double bad : {inf, -inf, nan}) {
            double l = bad, r = 2;
            EXPECT_EQ(TQCAL_BaseOperate(op, &l, &r), -1) << op;
            l = 2, r = bad;
            EXPECT_EQ(TQCAL_BaseOperate(op, &l, &r), -1) << op;
            EXPECT_EQ(l, 2);
        }
    }
}

TEST(BaseOperate, OverflowingResultsAreStillReturned) {
    double l = 1e99, r = 1e99;
    EXPECT_EQ(TQCAL_BaseOperate(KEY_MUL, &l, &r), 0);
    EXPECT_GT(l, 9.99e197);
    l = 1e300, r = 1e300;
    EXPECT_EQ(TQCAL_BaseOperate(KEY_MUL, &l, &r), 0);
    EXPECT_TRUE(std::isinf(l));
}

TEST(AlignOperands, ModesAndScales) {
    using namespace tqcal;
    double a = 1e15, b = 1, s = -1;
    EXPECT_EQ(AlignOperands(&a, &b, &s), ALIGN_LARGE);
    EXPECT_EQ(s, 10.0);
    a = 3e-15, b = 1, s = -1;
    EXPECT_EQ(AlignOperands(&a, &b, &s), ALIGN_TINY);
    a = 0, b = 5, s = -1;
    EXPECT_EQ(AlignOperands(&a, &b, &s), ALIGN_NORMAL);
    EXPECT_EQ(s, 0.0);
    EXPECT_EQ(b, 5);
    a = 12.5, b = 3, s = -1;
    EXPECT_EQ(AlignOperands(&a, &b, &s), ALIGN_NORMAL);
    EXPECT_EQ(s, 1e14);
    EXPECT_EQ(a, 1.25e15);
    a = 0.5, b = 0.25, s = -1;
    EXPECT_EQ(AlignOperands(&a, &b, &s), ALIGN_NORMAL);
    EXPECT_EQ(s, 1e14);
}

}  // namespace
