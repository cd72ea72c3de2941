// The stack routines through the shared library, as a host calls them.
#include "tqcal.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TQCAL_Context EmptyContext() {
    TQCAL_Context ctx;
    std::memset(&ctx, 0xAB, sizeof ctx);  // garbage the resets must clear
    TQCAL_InitStack(&ctx);
    return ctx;
}

TEST(StackExports, FourteenOperandsFitTheFifteenthIsRefused) {
    TQCAL_Context ctx = EmptyContext();
    ctx.value = 42.0;
    for (int i = 0; i < 14; ++i) {
        double v = i + 1;
        ASSERT_EQ(TQCAL_PushOpd(&v, &ctx), 0) << "push " << i;
    }
    double extra = 99.0;
    EXPECT_EQ(TQCAL_PushOpd(&extra, &ctx), -1);
    EXPECT_EQ(ctx.opdTop, 13);
    EXPECT_EQ(ctx.value, 42.0);
    EXPECT_EQ(ctx.operands[13], 14.0);
}

TEST(StackExports, EighteenOperatorsFitTheNineteenthIsRefused) {
    TQCAL_Context ctx = EmptyContext();
    ctx.negative = 0;
    for (int i = 0; i < 18; ++i) {
        int32_t op = KEY_ADD;
        ASSERT_EQ(TQCAL_PushOpt(&op, &ctx), 0) << "push " << i;
    }
    int32_t op = KEY_MUL;
    EXPECT_EQ(TQCAL_PushOpt(&op, &ctx), -1);
    EXPECT_EQ(ctx.optTop, 17);
    EXPECT_EQ(ctx.negative, 0);
}

TEST(StackExports, PopReturnsTopAndClearsTheSlot) {
    TQCAL_Context ctx = EmptyContext();
    double five = 5.0, seven = 7.0, out = 0.0;
    TQCAL_PushOpd(&five, &ctx);
    TQCAL_PushOpd(&seven, &ctx);
    ASSERT_EQ(TQCAL_PopOpd(&out, &ctx), 0);
    EXPECT_EQ(out, 7.0);
    EXPECT_EQ(ctx.opdTop, 0);
    EXPECT_EQ(ctx.operands[1], 0.0);

    int32_t plus = KEY_ADD, got = 0;
    TQCAL_PushOpt(&plus, &ctx);
    ASSERT_EQ(TQCAL_PopOpt(&got, &ctx), 0);
    EXPECT_EQ(got, KEY_ADD);
    EXPECT_EQ(ctx.optTop, -1);
    EXPECT_EQ(ctx.operators[0], 0);
}

TEST(StackExports, PopOnEmptyStacksLeavesOutAlone) {
    TQCAL_Context ctx = EmptyContext();
    double out = 3.5;
    int32_t op = 77;
    EXPECT_EQ(TQCAL_PopOpd(&out, &ctx), -1);
    EXPECT_EQ(TQCAL_PopOpt(&op, &ctx), -1);
    EXPECT_EQ(out, 3.5);
    EXPECT_EQ(op, 77);
}

TEST(StackExports, InitStackResetsCountersAndKeepsTheRest) {
    TQCAL_Context ctx = EmptyContext();
    ctx.parenDepth = 3;
    ctx.pendingOps = 2;
    ctx.value = 1.5;
    ctx.memory = 2.5;
    double v = 1.0;
    int32_t lp = KEY_LPAREN;
    TQCAL_PushOpd(&v, &ctx);
    TQCAL_PushOpt(&lp, &ctx);
    TQCAL_InitStack(&ctx);
    EXPECT_EQ(ctx.parenDepth, 0);
    EXPECT_EQ(ctx.pendingOps, 0);
    EXPECT_EQ(ctx.optTop, -1);
    EXPECT_EQ(ctx.opdTop, -1);
    EXPECT_EQ(ctx.value, 1.5);
    EXPECT_EQ(ctx.memory, 2.5);
    for (double slot : ctx.operands) EXPECT_EQ(slot, 0.0);
    for (int32_t slot : ctx.operators) EXPECT_EQ(slot, 0);
}

TEST(StackExports, OutOfRangeTopsAndNullPointersAreRefused) {
    TQCAL_Context ctx = EmptyContext();
    double v = 1.0, out = 0.0;
    int32_t op = KEY_ADD, got = 0;
    for (int32_t bad : {-2, 14, 1000, -100000}) {
        ctx.opdTop = bad;
        EXPECT_EQ(TQCAL_PushOpd(&v, &ctx), -1) << bad;
        EXPECT_EQ(TQCAL_PopOpd(&out, &ctx), -1) << bad;
        EXPECT_EQ(ctx.opdTop, bad);
    }
    for (int32_t bad : {-2, 18, 1000}) {
        ctx.optTop = bad;
        EXPECT_EQ(TQCAL_PushOpt(&op, &ctx), -1) << bad;
        EXPECT_EQ(TQCAL_PopOpt(&got, &ctx), -1) << bad;
        EXPECT_EQ(ctx.optTop, bad);
    }
    EXPECT_EQ(TQCAL_PushOpd(nullptr, &ctx), -1);
    EXPECT_EQ(TQCAL_PushOpd(&v, nullptr), -1);
    EXPECT_EQ(TQCAL_PopOpd(nullptr, &ctx), -1);
    EXPECT_EQ(TQCAL_PushOpt(nullptr, &ctx), -1);
    EXPECT_EQ(TQCAL_PopOpt(&got, nullptr), -1);
    TQCAL_InitStack(nullptr);
    TQCAL_InitOpd(nullptr);
    TQCAL_InitOpt(nullptr);
}

}  // namespace
