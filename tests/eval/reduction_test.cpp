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
    ResetStacks(ctx);
    for (double v : operands) PushOperand(ctx, v);
    for (int32_t op : operators) {
        PushOperator(ctx, op);
        if (op == KEY_LPAREN) {
            ctx.parenDepth += 1;
        } else {
            ctx.pendingOps += 1;
        }
    }
    return ctx;
}

TEST(Reduction, PrioritiesFollowTheMode) {
    EXPECT_EQ(OperatorPriority(KEY_ADD, TQCAL_MODE_ALGEBRAIC), 1);
    EXPECT_EQ(OperatorPriority(KEY_MUL, TQCAL_MODE_ALGEBRAIC), 2);
    EXPECT_EQ(OperatorPriority(KEY_ROOT, TQCAL_MODE_ALGEBRAIC), 3);
    EXPECT_EQ(OperatorPriority(KEY_LPAREN, TQCAL_MODE_ALGEBRAIC), 0);
    EXPECT_EQ(OperatorPriority(KEY_BLANK_OP, TQCAL_MODE_ALGEBRAIC), 0);
    EXPECT_EQ(OperatorPriority(KEY_DIV, TQCAL_MODE_EQUAL), 1);
    EXPECT_EQ(OperatorPriority(KEY_MUL, 2), 1);
    EXPECT_EQ(OperatorPriority(KEY_POW, TQCAL_MODE_EQUAL), 3);
}

TEST(Reduction, EqualsAppliesEverything) {
    Context ctx = Stacks({2, 3, 4}, {KEY_ADD, KEY_MUL});
    ASSERT_EQ(ReduceStacks(KEY_EQUAL, Reach::THROUGH_BOTTOM, ctx, TQCAL_MODE_ALGEBRAIC), 0);
    EXPECT_EQ(ctx.value, 14);
    EXPECT_EQ(ctx.opdTop, 0);
    EXPECT_EQ(ctx.optTop, -1);
    EXPECT_EQ(ctx.pendingOps, 0);
    EXPECT_EQ(ctx.operands[1], 0.0);
    EXPECT_EQ(ctx.operators[0], 0);
}

TEST(Reduction, ThresholdStopsAtLowerPriority) {
    Context ctx = Stacks({2, 3}, {KEY_MUL});
    ASSERT_EQ(ReduceStacks(KEY_ADD, Reach::THROUGH_BOTTOM, ctx, TQCAL_MODE_ALGEBRAIC), 0);
    EXPECT_EQ(ctx.value, 6);
    ctx = Stacks({2, 3}, {KEY_ADD});
    ASSERT_EQ(ReduceStacks(KEY_MUL, Reach::THROUGH_BOTTOM, ctx, TQCAL_MODE_ALGEBRAIC), 0);
    EXPECT_EQ(ctx.value, 3);
    EXPECT_EQ(ctx.optTop, 0);
}

TEST(Reduction, ClosingParenthesisClosesOne) {
    Context ctx = Stacks({5, 1, 2}, {KEY_ADD, KEY_LPAREN, KEY_ADD});
    ASSERT_EQ(ReduceStacks(KEY_RPAREN, Reach::THROUGH_BOTTOM, ctx, TQCAL_MODE_ALGEBRAIC), 0);
    EXPECT_EQ(ctx.value, 3);
    EXPECT_EQ(ctx.optTop, 0);
    EXPECT_EQ(ctx.operators[0], KEY_ADD);
    EXPECT_EQ(ctx.parenDepth, 0);
}

TEST(Reduction, EqualsClosesEveryParenthesis) {
    Context ctx = Stacks({1, 2, 3}, {KEY_LPAREN, KEY_LPAREN, KEY_ADD});
    ASSERT_EQ(ReduceStacks(KEY_EQUAL, Reach::THROUGH_BOTTOM, ctx, TQCAL_MODE_ALGEBRAIC), 0);
    EXPECT_EQ(ctx.parenDepth, 0);
    EXPECT_EQ(ctx.optTop, -1);
    EXPECT_EQ(ctx.value, 5);
}

TEST(Reduction, FailureLeavesTheFailingStep) {
    Context ctx = Stacks({2, 0}, {KEY_DIV});
    ctx.value = 9;
    EXPECT_EQ(ReduceStacks(KEY_EQUAL, Reach::THROUGH_BOTTOM, ctx, TQCAL_MODE_ALGEBRAIC), -1);
    EXPECT_EQ(ctx.opdTop, 1);
    EXPECT_EQ(ctx.optTop, 0);
    EXPECT_EQ(ctx.operands[1], 0.0);
    EXPECT_EQ(ctx.value, 9);
}

TEST(Reduction, EmptyOperatorStackTouchesNothing) {
    Context ctx = Stacks({1, 2}, {});
    ctx.value = 7;
    EXPECT_EQ(ReduceStacks(KEY_EQUAL, Reach::THROUGH_BOTTOM, ctx, TQCAL_MODE_ALGEBRAIC), 0);
    EXPECT_EQ(ctx.value, 7);
}

TEST(Reduction, KeepingTheBottomEntry) {
    Context ctx = Stacks({4, 5}, {KEY_ADD});
    ASSERT_EQ(ReduceStacks(KEY_EQUAL, Reach::KEEP_BOTTOM, ctx, TQCAL_MODE_ALGEBRAIC), 0);
    EXPECT_EQ(ctx.optTop, 0);
    EXPECT_EQ(ctx.value, 5);
}

TEST(Reduction, OperatorWithoutTwoOperandsFailsWithoutReadingBelowTheStack) {
    Context ctx = Stacks({3}, {KEY_LPAREN});
    EXPECT_EQ(ReduceStacks(KEY_BLANK_OP, Reach::THROUGH_BOTTOM, ctx, TQCAL_MODE_ALGEBRAIC), -1);
    ctx = Stacks({}, {KEY_ADD});
    EXPECT_EQ(ReduceStacks(KEY_EQUAL, Reach::THROUGH_BOTTOM, ctx, TQCAL_MODE_ALGEBRAIC), -1);
    EXPECT_EQ(ctx.optTop, 0);
}

TEST(Reduction, EqualPriorityRunsLeftToRight) {
    Context ctx = Stacks({2, 3}, {KEY_ADD});
    ASSERT_EQ(ReduceStacks(KEY_MUL, Reach::THROUGH_BOTTOM, ctx, TQCAL_MODE_EQUAL), 0);
    EXPECT_EQ(ctx.value, 5);
}

}  // namespace
