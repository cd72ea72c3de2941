// Whole stored key sequences, evaluated on a private calculator.
#include "tqcal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr double ERROR_VALUE = TQCAL_CALC_STRING_ERROR;

struct Outcome {
    int rc;
    double value;
    std::string text;  // without its leading blanks
};

Outcome Evaluate(const std::vector<int8_t> &keys) {
    TQCAL_WChar text[16];
    for (TQCAL_WChar &cell : text) cell = u'#';
    double value = -1;
    Outcome out;
    out.rc = TQCAL_CalcString(&value, text, keys.data(), static_cast<int>(keys.size()));
    out.value = value;
    int i = 0;
    while (i < 16 && text[i] == u' ') ++i;
    for (; i < 16 && text[i] != 0; ++i) out.text += static_cast<char>(text[i]);
    EXPECT_LT(i, 16) << "the text must be terminated inside its 16 cells";
    return out;
}

struct Row {
    std::vector<int8_t> keys;
    int rc;
    double value;
    const char *text;
};

TEST(CalcString, EdgeCaseTable) {
    std::vector<int8_t> eighteenParens(18, KEY_LPAREN);
    eighteenParens.push_back(1);
    const Row rows[] = {
        {{}, 1, 0.0, "0."},
        {{1, 12, 2, 14, 3}, 1, 7.0, "7."},
        {{1, 12, 2, 14, 3, 11}, 1, 7.0, "7."},
        {{0, 13, 5, 11}, 1, -5.0, "5."},
        {{1, 15, 0, 11}, 0, ERROR_VALUE, ""},
        {{1, 15, 3}, 1, 0.3333333333333333, "0.3333333333333"},
        {{45, 100, 7}, 1, 7.0, "7."},
        {{2, 12, 3, 11, 11}, 1, 5.0, "5."},
        {{1, 2, 3, 10, 4, 5, 24}, 1, -123.45, "123.45"},
        {{5, 29, 2, 0}, 1, 5e20, "5."},
        {eighteenParens, 0, ERROR_VALUE, ""},
        {{2, 12, 12, 11, 11}, 1, 8.0, "8."},
        {{2, 12, 12, 3, 11}, 1, 5.0, "5."},
        {{3, 14, 14}, 1, 9.0, "9."},
        {{-5, -4, -3, 4}, 1, 4.0, "4."},  // 251..253 arrive negative: skipped
    };
    for (const Row &row : rows) {
        const Outcome out = Evaluate(row.keys);
        std::string keys;
        for (int8_t k : row.keys) keys += std::to_string(k) + " ";
        EXPECT_EQ(out.rc, row.rc) << keys;
        EXPECT_EQ(out.value, row.value) << keys;
        EXPECT_EQ(out.text, row.text) << keys;
    }
}

TEST(CalcString, FifteenCharacterTextKeepsItsTerminator) {
    TQCAL_WChar text[16];
    double value = 0;
    const int8_t keys[] = {1, 15, 3};
    ASSERT_EQ(TQCAL_CalcString(&value, text, keys, 3), 1);
    EXPECT_EQ(text[0], u'0');
    EXPECT_EQ(text[14], u'3');
    EXPECT_EQ(text[15], 0);
}

// 2 + 3 waiting, then a direct reduction for x: equal priority applies the
// + (5), algebraic mode leaves it waiting over the 3.
double DirectReductionOfTwoPlusThreeForTimes() {
    TQCAL_Context ctx{};
    TQCAL_InitStack(&ctx);
    const double two = 2, three = 3;
    const int32_t plus = KEY_ADD;
    TQCAL_PushOpd(&two, &ctx);
    TQCAL_PushOpt(&plus, &ctx);
    TQCAL_PushOpd(&three, &ctx);
    ctx.pendingOps = 1;
    EXPECT_EQ(TQCAL_Calculator(KEY_MUL, 1, &ctx), 0);
    return ctx.value;
}

TEST(CalcString, DirectReductionsUseTheModeOfTheLastDispatcherCall) {
    TQCAL_Context host{};
    TQCAL_InitStack(&host);
    TQCAL_Status status = TQCAL_STATUS_INITIAL;
    TQCAL_Operate(KEY_AC, &host, &status, 0);
    EXPECT_EQ(DirectReductionOfTwoPlusThreeForTimes(), 5.0);

    const int8_t keys[] = {1};
    double value = 0;
    TQCAL_WChar text[16];
    TQCAL_CalcString(&value, text, keys, 1);  // always algebraic
    EXPECT_EQ(DirectReductionOfTwoPlusThreeForTimes(), 3.0);

    TQCAL_Operate(KEY_AC, &host, &status, 0);
    EXPECT_EQ(DirectReductionOfTwoPlusThreeForTimes(), 5.0);
}

TEST(CalcString, NullArgumentsAreRefused) {
    TQCAL_WChar text[16];
    double value = 0;
    const int8_t keys[] = {1};
    EXPECT_EQ(TQCAL_CalcString(nullptr, text, keys, 1), 0);
    EXPECT_EQ(TQCAL_CalcString(&value, nullptr, keys, 1), 0);
    EXPECT_EQ(TQCAL_CalcString(&value, text, nullptr, 1), 0);
    EXPECT_EQ(TQCAL_CalcString(&value, text, nullptr, 0), 1);
    EXPECT_EQ(value, 0.0);
}

}  // namespace
