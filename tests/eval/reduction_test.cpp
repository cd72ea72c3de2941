// The reduction routine on hand-built stacks.
#include "eval/precedence.h"
#include "context/stacks.h"
#include "tqcal.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace {

using namespace tqcal;

Context Stacks(std::initializer_list<double> operands, std::initializer_list<int32_t> operators) {
    Context ctx{};
    InitStack(ctx);
    for (double v : operands) PushOpd(ctx, v);
    for (int32_t op : operators) {
        PushOpt(ctx, op);
        if (op == KEY_LPAREN) {
            ctx.parenDepth += 1;
        } else {
            ctx.pendingOps += 1;
        }
    }
    return ctx;
}

class Reduction : public ::testing::Test {
  protected:
    void SetUp() override { SetPrecedenceMode(1); }
    void TearDown() override { SetPrecedenceMode(0); }
};

TEST_F(Reduction, PrioritiesFollowTheMode) {
    EXPECT_EQ(OperatorPriority(KEY_ADD), 1);
    EXPECT_EQ(OperatorPriority(KEY_MUL), 2);
    EXPECT_EQ(OperatorPriority(KEY_ROOT), 3);
    EXPECT_EQ(OperatorPriority(KEY_LPAREN), 0);
    EXPECT_EQ(OperatorPriority(KEY_BLANK_OP), 0);
    SetPrecedenceMode(0);
    EXPECT_EQ(OperatorPriority(KEY_DIV), 1);
    SetPrecedenceMode(2);
    EXPECT_EQ(OperatorPriority(KEY_MUL), 1);
}

TEST_F(Reduction, EqualsAppliesEverything) {
    Context ctx = Stacks({2, 3, 4}, {KEY_ADD, KEY_MUL});
    ASSERT_EQ(Calculator(KEY_EQUAL, 1, ctx), 0);
    EXPECT_EQ(ctx.value, 14);
    EXPECT_EQ(ctx.opdTop, 0);
    EXPECT_EQ(ctx.optTop, -1);
    EXPECT_EQ(ctx.pendingOps, 0);
    EXPECT_EQ(ctx.operands[1], 0.0);
    EXPECT_EQ(ctx.operators[0], 0);
}

TEST_F(Reduction, ThresholdStopsAtLowerPriority) {
    Context ctx = Stacks({2, 3}, {KEY_MUL});
    ASSERT_EQ(Calculator(KEY_ADD, 1, ctx), 0);
    EXPECT_EQ(ctx.value, 6);
    ctx = Stacks({2, 3}, {KEY_ADD});
    ASSERT_EQ(Calculator(KEY_MUL, 1, ctx), 0);
    EXPECT_EQ(ctx.value, 3);
    EXPECT_EQ(ctx.optTop, 0);
}

TEST_F(Reduction, ClosingParenthesisClosesOne) {
    Context ctx = Stacks({5, 1, 2}, {KEY_ADD, KEY_LPAREN, KEY_ADD});
    ASSERT_EQ(Calculator(KEY_RPAREN, 1, ctx), 0);
    EXPECT_EQ(ctx.value, 3);
    EXPECT_EQ(ctx.optTop, 0);
    EXPECT_EQ(ctx.operators[0], KEY_ADD);
    EXPECT_EQ(ctx.parenDepth, 0);
}

TEST_F(Reduction, EqualsClosesEveryParenthesis) {
    Context ctx = Stacks({1, 2, 3}, {KEY_LPAREN, KEY_LPAREN, KEY_ADD});
    ASSERT_EQ(Calculator(KEY_EQUAL, 1, ctx), 0);
    EXPECT_EQ(ctx.parenDepth, 0);
    EXPECT_EQ(ctx.optTop, -1);
    EXPECT_EQ(ctx.value, 5);
}

TEST_F(Reduction, FailureLeavesTheFailingStep) {
    Context ctx = Stacks({2, 0}, {KEY_DIV});
    ctx.value = 9;
    EXPECT_EQ(Calculator(KEY_EQUAL, 1, ctx), -1);
    EXPECT_EQ(ctx.opdTop, 1);
    EXPECT_EQ(ctx.optTop, 0);
    EXPECT_EQ(ctx.operands[1], 0.0);
    EXPECT_EQ(ctx.value, 9);
}

TEST_F(Reduction, EmptyOperatorStackTouchesNothing) {
    Context ctx = Stacks({1, 2}, {});
    ctx.value = 7;
    EXPECT_EQ(Calculator(KEY_EQUAL, 1, ctx), 0);
    EXPECT_EQ(ctx.value, 7);
}

TEST_F(Reduction, KeepingTheBottomEntry) {
    Context ctx = Stacks({4, 5}, {KEY_ADD});
    ASSERT_EQ(Calculator(KEY_EQUAL, 0, ctx), 0);
    EXPECT_EQ(ctx.optTop, 0);
    EXPECT_EQ(ctx.value, 5);
}

TEST_F(Reduction, OperatorWithoutTwoOperandsFailsWithoutReadingBelowTheStack) {
    Context ctx = Stacks({3}, {KEY_LPAREN});
    EXPECT_EQ(Calculator(KEY_BLANK_OP, 1, ctx), -1);
    ctx = Stacks({}, {KEY_ADD});
    EXPECT_EQ(Calculator(KEY_EQUAL, 1, ctx), -1);
    EXPECT_EQ(ctx.optTop, 0);
}

TEST_F(Reduction, EqualPriorityRunsLeftToRight) {
    SetPrecedenceMode(0);
    Context ctx = Stacks({2, 3}, {KEY_ADD});
    ASSERT_EQ(Calculator(KEY_MUL, 1, ctx), 0);
    EXPECT_EQ(ctx.value, 5);
}

}  // namespace
