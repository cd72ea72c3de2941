// Key sequences that push the stacks and the number range to their limits:
// every one must end in a defined screen without touching memory outside
// its fields.
#include "calc_driver.h"
#include "screen_cases.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

using namespace calc_test;

TEST(DispatcherLimits, ParenthesisAfterAnErrorWithAFullOperatorStack) {
    Calc c = Fresh();
    for (int i = 0; i < 17; ++i) Press(c, KEY_LPAREN);
    Type(c, "1 / 0 +");  // fails, the + still fills the 18th slot
    ASSERT_EQ(Screen(c), "Error");
    ASSERT_EQ(c.ctx.optTop, 17);
    ASSERT_EQ(c.ctx.parenDepth, 0);  // the tidy-up zeroed it
    c.ctx.reserved1[0] = 0x5A;
    for (int i = 0; i < 5; ++i) {
        Press(c, KEY_LPAREN);
        EXPECT_EQ(Screen(c), "Full");
    }
    EXPECT_EQ(c.ctx.optTop, 17);
    EXPECT_EQ(c.ctx.negative, 0);
    EXPECT_EQ(c.ctx.reserved1[0], 0x5A);
    Type(c, "AC 2 + 3 =");
    EXPECT_EQ(Screen(c), "5.");
}

TEST(DispatcherLimits, BlankOperatorOnAnOpenParenthesisIsAnError) {
    ExpectScreens({
        {"( 1 + 2 blank", "Error"},
        {"( 4 * 2 blank", "Error"},
    });
}

TEST(DispatcherLimits, FullOperandStackRefusesTheKeyAndKeepsTheExpression) {
    {
        const int mode = TQCAL_MODE_ALGEBRAIC;
        Calc c = Fresh(mode);
        Type(c, "1 + 1 * 1 ^ ( 1 + 1 * 1 ^ ( 1 + 1 * 1 ^ ( 1 + 1 * 1 ^ (");
        ASSERT_NE(Screen(c), "Full");
        Type(c, "1 + 1 * 1");
        const TQCAL_Context before = c.ctx;
        bool refused = false;
        for (const char *key : {"^", "+", "=", ")"}) {
            Calc probe = c;
            Type(probe, key);
            if (Screen(probe) == "Full") {
                refused = true;
                EXPECT_EQ(std::memcmp(probe.ctx.operands, before.operands, sizeof before.operands),
                          0)
                    << key;
                EXPECT_EQ(probe.ctx.opdTop, before.opdTop) << key;
                EXPECT_EQ(probe.ctx.optTop, before.optTop) << key;
                EXPECT_EQ(probe.ctx.pendingOps, before.pendingOps) << key;
            }
            EXPECT_GE(probe.ctx.opdTop, -1);
            EXPECT_LE(probe.ctx.opdTop, 13);
        }
        EXPECT_TRUE(refused) << "mode " << mode;
        Type(c, "AC 6 * 7 =");
        EXPECT_EQ(Screen(c), "42.");
    }
}

TEST(DispatcherLimits, BlankOperatorInsideNestedParenthesesFillsTheOperands) {
    Calc c = Fresh();
    for (int i = 0; i < 8; ++i) Type(c, "( 1 blank 2 blank");
    for (int i = 0; i < 20; ++i) Type(c, "( 3 blank");
    EXPECT_LE(c.ctx.opdTop, 13);
    EXPECT_LE(c.ctx.optTop, 17);
}

TEST(DispatcherLimits, OverflowedValuesNeverReachTheRoutinesAsInfinity) {
    // After an overflow the out-of-range value stays; two more products
    // make it infinite. Every key that would compute with it is an error.
    const char *grow = "1 EXP 99 * 1 EXP 99 = * 1 EXP 99 = * 1 EXP 99 =";
    Calc grown = Fresh();
    Type(grown, grow);
    ASSERT_EQ(Screen(grown), "Error");
    ASSERT_TRUE(std::isinf(grown.ctx.value));
    const char *keys[] = {"1/x", "+",    "*", "=",   "sin", "tan", "!",  "x^2", "sqrt", "ln",
                          "e^x", "10^x", "%", "+/-", "MS",  "M+",  "M-", "pct", ")"};
    for (const char *key : keys) {
        Calc c = grown;
        Type(c, key);
        EXPECT_EQ(Screen(c), "Error") << key;
        EXPECT_EQ(c.ctx.memory, 0.0) << key;
    }
    Calc c = grown;
    Type(c, "+ 1 =");
    EXPECT_EQ(Screen(c), "1.");  // the infinite value never became an operand
    c = grown;
    Type(c, "AC 1 + 1 =");
    EXPECT_EQ(Screen(c), "2.");
}

TEST(DispatcherLimits, NotANumberIsAnError) {
    Calc c = Fresh();
    c.ctx.value = std::nan("");
    c.status |= ST_FRESH;
    for (int key : {KEY_ADD, KEY_EQUAL, KEY_SIN, KEY_RECIP, KEY_SIGN, KEY_MSTORE}) {
        Calc probe = c;
        Press(probe, key);
        EXPECT_EQ(Screen(probe), "Error") << key;
    }
}

}  // namespace
