// Number entry and formatting through the shared library, as a host calls
// them.
#include "tqcal.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string Text(const TQCAL_WChar *cells, int max) {
    std::string s;
    for (int i = 0; i < max && cells[i] != 0; ++i) s += char(cells[i]);
    return s;
}

TQCAL_Context FreshContext() {
    TQCAL_Context ctx;
    std::memset(&ctx, 0, sizeof ctx);
    ctx.optTop = ctx.opdTop = -1;
    ctx.digits = 14;
    TQCAL_ResetEditValue(&ctx);
    return ctx;
}

TEST(EntryExports, TypingAsAHostDoes) {
    TQCAL_Context ctx = FreshContext();
    TQCAL_Status status = TQCAL_STATUS_INITIAL | ST_ZERO;
    for (int key : {KEY_1, KEY_2, KEY_POINT, KEY_3}) EXPECT_EQ(EEditInfo(key, &ctx, &status), 0);
    EXPECT_EQ(TQCAL_DeleteChar(&ctx, &status), 1);
    EXPECT_EQ(TQCAL_ApendChar(&ctx, &status, u'9'), 1);
    EXPECT_EQ(Text(ctx.display, 17), "          12.9");
    EXPECT_EQ(EEditInfo(KEY_ADD, &ctx, &status), 1);
    EXPECT_EQ(EEditInfo(KEY_FIRST_NON_KEY, &ctx, &status), -1);
}

TEST(EntryExports, FormatsIntoTheHostsCells) {
    TQCAL_Context ctx = FreshContext();
    EXPECT_EQ(
        TQCAL_DivideDoubleToStr(-1.0 / 3, ctx.display, ctx.exponent, &ctx.negative, ctx.digits), 0);
    EXPECT_EQ(Text(ctx.display, 17), "0.3333333333333");
    EXPECT_EQ(ctx.display[15], 0);
    EXPECT_EQ(ctx.display[16], u' ');  // the second spill cell is left alone
    EXPECT_EQ(Text(ctx.exponent, 4), " 00");
    EXPECT_EQ(ctx.negative, 1);

    TQCAL_DivideDoubleToStr(2.5e-20, ctx.display, ctx.exponent, &ctx.negative, 14);
    EXPECT_EQ(Text(ctx.display, 17), "           2.5");
    EXPECT_EQ(Text(ctx.exponent, 4), "-20");
    EXPECT_EQ(ctx.negative, 0);
}

TEST(EntryExports, NullPointersAreRefused) {
    TQCAL_Context ctx = FreshContext();
    TQCAL_Status status = TQCAL_STATUS_INITIAL;
    TQCAL_WChar exponent[4];
    int32_t negative = 0;
    EXPECT_EQ(EEditInfo(KEY_1, nullptr, &status), -1);
    EXPECT_EQ(EEditInfo(KEY_1, &ctx, nullptr), -1);
    EXPECT_EQ(TQCAL_ApendChar(nullptr, &status, u'1'), 0);
    EXPECT_EQ(TQCAL_ApendChar(&ctx, nullptr, u'1'), 0);
    EXPECT_EQ(TQCAL_DeleteChar(nullptr, &status), 0);
    EXPECT_EQ(TQCAL_DeleteChar(&ctx, nullptr), 0);
    TQCAL_ResetEditValue(nullptr);
    EXPECT_EQ(TQCAL_DivideDoubleToStr(1.0, nullptr, exponent, &negative, 14), -1);
    EXPECT_EQ(TQCAL_DivideDoubleToStr(1.0, ctx.display, nullptr, &negative, 14), -1);
    EXPECT_EQ(TQCAL_DivideDoubleToStr(1.0, ctx.display, exponent, nullptr, 14), -1);
    EXPECT_EQ(Text(ctx.display, 17), "            0.");
    EXPECT_EQ(status, TQCAL_STATUS_INITIAL);
}

}  // namespace
