// Whole key sequences as a person types them, through the host protocol
// (edit keys, dispatcher, tidy-up), with the screen they should see.
#include "calc_driver.h"
#include "screen_cases.h"

#include <gtest/gtest.h>

namespace {

using namespace calc_test;

TEST(KeySequences, Arithmetic) {
    ExpectScreens({
        {"2 + 3 * 4 =", "14."},
        {"100 - 99.99 =", "0.01"},
        {"0.1 + 0.2 =", "0.3"},
        {"0.05 + 0.05 =", "0.1"},
        {"2 EXP 14 + 0.5 - 2 EXP 14 =", "0.5"},
        {"1 / 3 =", "0.3333333333333"},
        {"2 / 3 =", "0.6666666666666"},
        {"0 - 5 =", "-5."},
        {"1 / 0 =", "Error"},
        {"2 ^ 3 ^ 2 =", "64."},
        {"2 + 3 ^ 2 =", "11."},
        {"27 root 3 =", "3."},
        {"2 + 3 = * 4 =", "20."},
        {"12345678901234 =", "1234567890123."},
        {"9999999 * 9999999 =", "9.9999980000001E13"},
        {"99999999 * 99999999 =", "9.9999998E15"},
        {"1 EXP 99 * 9.99 =", "9.99E99"},
        {"1 EXP 99 * 10 =", "Error"},
        {"1 + 2 CE 3 =", "4."},
        {"1 2 +/- 3 =", "-123."},
    });
}

TEST(KeySequences, PrecedenceModes) {
    EXPECT_EQ(ScreenAfter("2 + 3 * 4 =", TQCAL_MODE_ALGEBRAIC), "14.");
    EXPECT_EQ(ScreenAfter("2 + 3 * 4 =", TQCAL_MODE_EQUAL), "20.");
    EXPECT_EQ(ScreenAfter("2 + 3 * 4 =", 7), "20.");  // any mode but 1 is equal priority
    EXPECT_EQ(ScreenAfter("10 - 2 * 3 ^ 2 =", TQCAL_MODE_ALGEBRAIC), "-8.");
    EXPECT_EQ(ScreenAfter("10 - 2 * 3 ^ 2 =", TQCAL_MODE_EQUAL), "72.");
    EXPECT_EQ(ScreenAfter("2 * ( 3 + 4 ) =", TQCAL_MODE_EQUAL), "14.");
}

TEST(KeySequences, Parentheses) {
    ExpectScreens({
        {"2 * ( 3 + 4 )", "7."},
        {"2 * ( 3 + 4 ) =", "14."},
        {"( )", "0."},
        {"( 5 )", "5."},
        {"( 5 ) )", "5."},
        {"2 * 5 ( 3 ) =", "6."},
        {"2 * pi ( 3 ) =", "6."},
        {"( ( 1 + 2 ) * 3 ) =", "9."},
        {"( 1 + 2 =", "3."},
        {"( ( ( 4 =", "4."},
        {"1 + ( 2 * ( 3 + 4 ) ) =", "15."},
    });
}

TEST(KeySequences, ClosingParenthesisMarksAProducedValue) {
    Calc c = Fresh();
    Type(c, "2 * ( 3 + 4 )");
    EXPECT_TRUE(c.status & ST_FRESH);
    c = Fresh();
    Type(c, "( 5 )");
    EXPECT_FALSE(c.status & ST_FRESH);
    c = Fresh();
    Type(c, "( )");
    EXPECT_TRUE(c.status & ST_FRESH);
    EXPECT_EQ(c.ctx.parenDepth, 0);
}

TEST(KeySequences, SeventeenParenthesesThenFull) {
    Calc c = Fresh();
    for (int i = 0; i < 17; ++i) Press(c, KEY_LPAREN);
    EXPECT_EQ(ResultState(c), RES_OK);
    EXPECT_EQ(c.ctx.parenDepth, 17);
    Press(c, KEY_LPAREN);
    EXPECT_EQ(ResultState(c), RES_FULL);
    EXPECT_EQ(c.ctx.optTop, 16);
}

TEST(KeySequences, OperatorKeysReplaceEachOther) {
    ExpectScreens({
        {"1 + + - 2 =", "-1."},
        {"6 * / 2 =", "3."},
        {"6 + * 2 =", "12."},
    });
}

TEST(KeySequences, BlankOperatorAppliesPendingOperators) {
    ExpectScreens({
        {"1 + 2 blank", "3."},
        {"1 + 2 blank 3 =", "Error"},
        {"1 + 2 blank + 4 =", "7."},
    });
}

TEST(KeySequences, MemoryRegister) {
    Calc c = Fresh();
    Type(c, "5 M+ 3 M-");
    EXPECT_EQ(c.ctx.memory, 2.0);
    Type(c, "MRC");
    EXPECT_EQ(Screen(c), "2.");
    EXPECT_TRUE(c.status & ST_MRC);
    EXPECT_TRUE(c.status & ST_MEMORY);
    Type(c, "MRC");
    EXPECT_EQ(Screen(c), "0.");
    EXPECT_EQ(c.ctx.memory, 0.0);
    EXPECT_FALSE(c.status & (ST_MEMORY | ST_MRC));

    c = Fresh();
    Type(c, "7 MS MRC 5 MRC");  // digits between do not count as keys
    EXPECT_EQ(Screen(c), "0.");
    EXPECT_EQ(c.ctx.memory, 0.0);

    // Any other key between two recalls ends the pair: the second recall
    // shows the memory again and keeps it.
    for (const char *keys : {"5 M+ MRC + 1 = MRC", "5 M+ MRC x^2 MRC"}) {
        c = Fresh();
        Type(c, keys);
        EXPECT_EQ(Screen(c), "5.") << keys;
        EXPECT_EQ(c.ctx.memory, 5.0) << keys;
    }

    c = Fresh();
    Type(c, "2 + 3 M+");
    EXPECT_EQ(Screen(c), "5.");
    EXPECT_EQ(c.ctx.memory, 5.0);
    EXPECT_FALSE(c.status & ST_FRESH);

    c = Fresh();
    Type(c, "0.1 M+ 0.2 M+");
    EXPECT_EQ(c.ctx.memory, 0.3000000000000004);  // aligned, not plain, addition
}

TEST(KeySequences, MemoryStoreKeysAgree) {
    Calc a = Fresh(), b = Fresh();
    Type(a, "4 MS");
    Type(b, "4 MSalt");
    EXPECT_EQ(a.ctx.memory, b.ctx.memory);
    EXPECT_EQ(a.status, b.status);
    EXPECT_EQ(a.ctx.lastKey, KEY_MSTORE);
    EXPECT_EQ(b.ctx.lastKey, KEY_MSTORE_ALT);
}

TEST(KeySequences, ClearEntryKeepsLastKeyAndMemoryRecall) {
    Calc c = Fresh();
    Type(c, "3 MS 4 MRC");
    EXPECT_EQ(c.ctx.lastKey, KEY_MRC);
    Type(c, "9 CE MRC");  // CE does not count: the second recall clears
    EXPECT_EQ(c.ctx.memory, 0.0);
    EXPECT_EQ(Screen(c), "0.");
}

TEST(KeySequences, UnaryFunctions) {
    ExpectScreens({
        {"5 EXP 1 !", "3.0414093201713E64"},
        {"9 sqrt", "3."},
        {"3 x^2", "9."},
        {"4 1/x", "0.25"},
        {"0 1/x", "Error"},
        {"30 sin", "0.5"},
        {"90 tan", "Error"},
        {"0.5 asin", "30."},
        {"0.0000076 atan * 1000000000 =", "435447.92429104"},  // x^3/3 shows
        {"3 10^x", "1000."},
        {"100 10^x", "Error"},
        {"100 log", "2."},
        {"1 e^x", "2.718281828459"},
        {"2 +/- sqrt", "Error"},
        {"50 %", "0.5"},
        {"pi", "3.1415926535898"},
        {"70 !", "Error"},
        {"69 !", "1.7112245242814E98"},
    });
}

TEST(KeySequences, ErrorKeepsTheDisplayAndTheTidyUpDisarms) {
    Calc c = Fresh();
    Type(c, "1 / 0");
    Type(c, "=");
    EXPECT_EQ(ResultState(c), RES_ERROR);
    EXPECT_EQ(DisplayText(c), "0.");  // the typed 0 stays on the display
    EXPECT_EQ(c.ctx.lastKey, 0);
    EXPECT_EQ(c.ctx.parenDepth, 0);

    c = Fresh();
    Type(c, "4 M+ 2 * * 1 EXP 99 * 1 EXP 99 =");
    EXPECT_EQ(ResultState(c), RES_ERROR);
    EXPECT_FALSE(c.status & (ST_CONST | ST_MEMORY));
}

TEST(KeySequences, BackspaceDuringEntry) {
    Calc c = Fresh();
    Type(c, "5 +/- BS");
    EXPECT_EQ(DisplayText(c), "0.");
    EXPECT_EQ(c.ctx.negative, 0);
    c = Fresh();
    Type(c, "1 2 +/- BS");
    EXPECT_EQ(DisplayText(c), "1.");
    EXPECT_EQ(c.ctx.negative, 1);
    Type(c, "3 =");
    EXPECT_EQ(Screen(c), "-13.");
}

TEST(KeySequences, ExponentIsShownOnlyForLargeAndSmallValues) {
    ExpectScreens({
        {"12345678901234 * 10 =", "1.234567890123E13"},
        {"1 / 1 EXP 13 =", "1.E-13"},
        {"1 / 1 EXP 12 =", "0.000000000001"},
    });
    Calc c = Fresh();
    Type(c, "1 EXP 20");
    TQCAL_Operate(KEY_EQUAL, &c.ctx, &c.status, c.mode);
    EXPECT_TRUE(c.status & ST_EXP_ENTRY);  // the exponent-shown bit before the tidy-up
    TQCAL_Operate(KEY_AC, &c.ctx, &c.status, c.mode);
    EXPECT_FALSE(c.status & ST_EXP_ENTRY);
}

// A host may write the exponent cells itself; the engine reads them as
// wcstod would, leading white space of every kind included.
TEST(KeySequences, HostWrittenExponentTextWithLeadingWhiteSpace) {
    for (const TQCAL_WChar space : {u' ', u'\t', u'\n', u'\v', u'\f', u'\r'}) {
        Calc c = Fresh();
        Type(c, "2");
        const TQCAL_WChar exponent[TQCAL_EXPONENT_CELLS] = {space, u'0', u'5', 0};
        for (int i = 0; i < TQCAL_EXPONENT_CELLS; ++i) c.ctx.exponent[i] = exponent[i];
        Type(c, "=");
        EXPECT_EQ(Screen(c), "200000.") << "white space " << int(space);
    }
}

TEST(KeySequences, TypedInputBeyondTheRangeIsAnError) {
    Calc c = Fresh();
    Type(c, "99.5 EXP 99");
    Press(c, KEY_ADD);
    EXPECT_EQ(ResultState(c), RES_ERROR);
    EXPECT_EQ(DisplayText(c), "99.5");

    // The number typed stays the value, so the keys after it fail as well.
    c = Fresh();
    Type(c, "99 EXP 99 =");
    EXPECT_EQ(Screen(c), "Error");
    EXPECT_EQ(c.ctx.value, 99 * TQCAL_Pow10(99));
    Type(c, "+");
    EXPECT_EQ(Screen(c), "Error");
    EXPECT_EQ(DisplayText(c), "99.");
    Type(c, "1 =");
    EXPECT_EQ(Screen(c), "Error");
}

}  // namespace
