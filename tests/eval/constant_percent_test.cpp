// Constant calculation and the percent keys, typed as a person would.
#include "calc_driver.h"
#include "screen_cases.h"
#include "eval/percent.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace calc_test;

TEST(ConstantCalculation, RepeatedEquals) {
    ExpectScreens({
        {"2 * * =", "4."},
        {"2 * * = =", "8."},
        {"2 * * = = =", "16."},
        {"3 + + = =", "9."},
        {"10 - - =", "0."},
        {"10 - - = =", "-10."},
        {"2 * * 5 =", "10."},
        {"2 * * 5 = =", "10."},  // the digit disarmed it
        {"3 * *", "3."},
    });
}

TEST(ConstantCalculation, ArmingRecordsOperatorAndOperand) {
    Calc c = Fresh();
    Type(c, "2 * *");
    EXPECT_TRUE(c.status & ST_CONST);
    EXPECT_EQ(c.ctx.constOperator, KEY_MUL);
    EXPECT_EQ(c.ctx.constOperand, 2.0);
    EXPECT_EQ(c.ctx.pendingOps, 1);
    Type(c, "AC");
    EXPECT_FALSE(c.status & ST_CONST);
    EXPECT_EQ(c.ctx.constOperator, 0);
}

TEST(ConstantCalculation, InsideParenthesesAndWithMemory) {
    EXPECT_EQ(ScreenAfter("2 + + ( pi ="), "5.1415926535898");
    Calc c = Fresh();
    Type(c, "2 + + ( pi M+");
    EXPECT_EQ(c.ctx.memory, 3.141592653589793 + 2);
}

TEST(PercentKeys, CompletionOfEachOperator) {
    ExpectScreens({
        {"200 + 10 pct", "220."},
        {"200 - 10 pct", "180."},
        {"50 / 25 pct", "200."},
        {"50 / 0 pct", "Error"},
        {"200 * 10 pct", "20."},
        {"2 ^ 50 pct", "1.4142135623731"},
        {"50 %", "0.5"},
    });
}

// The pending x, reduced by the completion, overflows: 1e198 x -1e198 is
// -inf, which the bottom ^ then takes as a percentage. That ends in Error,
// not in 1e198^-inf = 0.
TEST(PercentKeys, OverflowBeforeTheCompletionIsAnError) {
    ExpectScreens({
        {"/ sqrt * 1 EXP 99 = * 1 EXP 99 = ^ 10^x * +/- pct", "Error"},
    });
}

TEST(PercentKeys, BaseOfAPercentMultiplication) {
    Calc c = Fresh();
    Type(c, "200 * 10 pct");
    EXPECT_TRUE(c.status & ST_PCT_BASE);
    EXPECT_EQ(c.ctx.operands[0], 200.0);
    EXPECT_EQ(c.ctx.operands[1], 20.0);
    EXPECT_EQ(c.ctx.operands[2], 0.0);
    EXPECT_EQ(c.ctx.optTop, -1);

    ExpectScreens({
        {"200 * 10 pct +", "220."},
        {"200 * 10 pct -", "180."},
        {"200 * 10 pct +/- +", "180."},
        {"200 * 10 pct + 5 =", "5."},
        {"200 * 10 pct * 3 =", "60."},
        {"200 * 10 pct 5 + 1 =", "6."},
    });
}

TEST(PercentKeys, WithAnArmedConstant) {
    Calc c = Fresh();
    Type(c, "2 + + pi pct");
    EXPECT_EQ(c.ctx.value, 3.141592653589793 * (1.0 + 2 / 100.0));
    c = Fresh();
    Type(c, "2 * * pi pct");
    EXPECT_EQ(c.ctx.value, 3.141592653589793 * (2 / 100.0));
}

TEST(PercentKeys, NothingToCompleteChangesNothing) {
    Calc c = Fresh();
    Type(c, "7 =");
    const TQCAL_Context before = c.ctx;
    Press(c, KEY_PERCENT_OP);
    EXPECT_EQ(c.ctx.lastKey, before.lastKey);
    EXPECT_EQ(DisplayText(c), "7.");
}

TEST(PercentKeys, OnlyParenthesesKeepTheTypedValue) {
    Calc c = Fresh();
    Type(c, "( 10 pct");
    EXPECT_EQ(Screen(c), "10.");
    EXPECT_EQ(c.ctx.optTop, -1);
    EXPECT_EQ(c.ctx.opdTop, -1);
    EXPECT_EQ(c.ctx.parenDepth, 0);
    ExpectScreens({
        {"( ( 10 pct", "10."},
        {"( 5 + 3 pct", "8."},
    });
}

TEST(PercentOperate, TableOfOperators) {
    const struct {
        double a;
        int op;
        double b;
        int rc;
        double result;
    } cases[] = {
        {200, KEY_ADD, 10, 0, 200 * (1.0 + 0.1)},
        {200, KEY_SUB, 10, 0, 200 * (1.0 - 0.1)},
        {200, KEY_MUL, 10, 0, 200 * 0.1},
        {50, KEY_DIV, 25, 0, 50 / 0.25},
        {50, KEY_DIV, 0, -1, 50},
        {4, KEY_POW, 50, 0, 2},
        {8, KEY_LPAREN, 50, 0, 8},
        // an infinity or NaN is refused, also where the arithmetic would
        // give a finite number (a / inf, a ^ -inf, the inf-th root)
        {50, KEY_DIV, HUGE_VAL, -1, 50},
        {1e198, KEY_POW, -HUGE_VAL, -1, 1e198},
        {8, KEY_ROOT, HUGE_VAL, -1, 8},
        {HUGE_VAL, KEY_ADD, 10, -1, HUGE_VAL},
        {2, KEY_MUL, std::nan(""), -1, 2},
    };
    for (const auto &c : cases) {
        double a = c.a;
        EXPECT_EQ(tqcal::PercentOperate(&a, &c.b, c.op), c.rc) << c.op;
        EXPECT_EQ(a, c.result) << c.op;
    }
}

}  // namespace
