// The per-key road to the engine: the fresh calculator, which keys go where,
// and the status tidy-up after each operation key.
#include "key_protocol.h"

#include "screen.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>

namespace {

using tqhost::Calculator;
using tqhost::KeyOutcome;
using tqhost::PressKey;

Calculator Fresh(int mode = TQCAL_MODE_ALGEBRAIC) {
    Calculator calc;
    std::memset(&calc, 0x5A, sizeof calc);  // whatever was there before
    tqhost::ResetCalculator(calc, mode);
    return calc;
}

std::string Shown(const Calculator &calc) {
    return tqhost::OneLine(tqhost::ReadScreen(calc.ctx, calc.status));
}

TEST(KeyProtocol, FreshCalculatorIsSetUpAsTheEngineExpects) {
    Calculator calc = Fresh(TQCAL_MODE_EQUAL);
    EXPECT_EQ(calc.status, TQCAL_STATUS_INITIAL);
    EXPECT_EQ(calc.mode, TQCAL_MODE_EQUAL);
    EXPECT_EQ(calc.ctx.optTop, -1);
    EXPECT_EQ(calc.ctx.opdTop, -1);
    EXPECT_EQ(calc.ctx.digits, 14);
    // Everything else is zero bytes, apart from the edit buffer: [0.] and " 00".
    TQCAL_Context zero{};
    TQCAL_ResetEditValue(&zero);
    zero.optTop = zero.opdTop = -1;
    zero.digits = 14;
    EXPECT_EQ(std::memcmp(&zero, &calc.ctx, sizeof zero), 0);
    EXPECT_EQ(Shown(calc), "0");
}

TEST(KeyProtocol, EditKeysStayWithTheEditHandler) {
    Calculator calc = Fresh();
    EXPECT_EQ(PressKey(calc, 4), KeyOutcome::EDITED);
    EXPECT_EQ(PressKey(calc, KEY_POINT), KeyOutcome::EDITED);
    EXPECT_EQ(PressKey(calc, 5), KeyOutcome::EDITED);
    EXPECT_EQ(PressKey(calc, KEY_EXP), KeyOutcome::EDITED);
    // Exponent entry is on until the next operation key: the tidy-up has
    // not run.
    EXPECT_NE(calc.status & ST_EXP_ENTRY, 0u);
    EXPECT_EQ(PressKey(calc, 3), KeyOutcome::EDITED);
    EXPECT_EQ(Shown(calc), "4.5E03");
    EXPECT_EQ(calc.ctx.lastKey, 0) << "the dispatcher has not seen a key yet";
}

TEST(KeyProtocol, CodesThatAreNoKeysChangeNothing) {
    Calculator calc = Fresh();
    PressKey(calc, 7);
    PressKey(calc, KEY_MUL);
    Calculator before = calc;
    for (int code : {int{KEY_FIRST_NON_KEY}, 100, 250, 254, 255, -1, 1000}) {
        EXPECT_EQ(PressKey(calc, code), KeyOutcome::NOT_A_KEY) << code;
        EXPECT_EQ(std::memcmp(&before, &calc, sizeof calc), 0) << code;
    }
}

TEST(KeyProtocol, DirectCodesGoStraightToTheDispatcher) {
    Calculator calc = Fresh();
    PressKey(calc, 8);
    EXPECT_EQ(PressKey(calc, KEY_MSTORE_ALT), KeyOutcome::OPERATED);
    EXPECT_EQ(calc.ctx.memory, 8.0);
    EXPECT_EQ(calc.ctx.lastKey, KEY_MSTORE_ALT);
    EXPECT_NE(calc.status & ST_MEMORY, 0u);

    calc = Fresh();
    for (int key : std::initializer_list<int>{2, 0, 0, KEY_ADD, 1, 0}) {
        PressKey(calc, key);
    }
    EXPECT_EQ(PressKey(calc, KEY_PERCENT_OP), KeyOutcome::OPERATED);
    EXPECT_EQ(Shown(calc), "220");

    calc = Fresh();
    for (int key : std::initializer_list<int>{1, KEY_ADD, 2}) {
        PressKey(calc, key);
    }
    EXPECT_EQ(PressKey(calc, KEY_BLANK_OP), KeyOutcome::OPERATED);
    EXPECT_EQ(Shown(calc), "3");
}

TEST(KeyProtocol, ChangeOfSignAndBackspaceLetAnEntryGoOn) {
    Calculator calc = Fresh();
    for (int key : std::initializer_list<int>{1, 2, KEY_SIGN, 3}) {
        PressKey(calc, key);
    }
    EXPECT_EQ(Shown(calc), "-123");
    PressKey(calc, KEY_BACKSPACE);
    EXPECT_EQ(Shown(calc), "-12");
    PressKey(calc, 4);
    EXPECT_EQ(Shown(calc), "-124");
    PressKey(calc, KEY_EQUAL);
    EXPECT_EQ(calc.ctx.value, -124.0);
}

TEST(KeyProtocol, FailureDropsConstantAndMemoryIndicator) {
    Calculator calc = Fresh();
    for (int key : std::initializer_list<int>{5, KEY_MPLUS, 0, KEY_MUL, KEY_MUL}) {
        PressKey(calc, key);
    }
    ASSERT_NE(calc.status & ST_CONST, 0u);
    ASSERT_NE(calc.status & ST_MEMORY, 0u);
    PressKey(calc, KEY_RECIP);  // 1/0
    EXPECT_EQ(tqcal_result(calc.status), RES_ERROR);
    EXPECT_EQ(calc.status & (ST_CONST | ST_MEMORY), 0u);
    EXPECT_EQ(calc.ctx.lastKey, 0);
    EXPECT_EQ(calc.ctx.parenDepth, 0);
    EXPECT_EQ(calc.ctx.memory, 5.0) << "the memory itself stays";
    PressKey(calc, 3);
    EXPECT_EQ(tqcal_result(calc.status), RES_OK) << "a digit starts afresh";
}

// The tidy-up alone, on status words made up by hand.
struct TidyCase {
    const char *what;
    int key;
    TQCAL_Status before;
    TQCAL_Status after;
    bool clearsCounters;
};

constexpr TQCAL_Status RESULT_OK = RES_OK << 1;
constexpr TQCAL_Status RESULT_FULL = RES_FULL << 1;
constexpr TQCAL_Status RESULT_ERROR = RES_ERROR << 1;
constexpr TQCAL_Status EDIT_PHASE = ST_SHOWN | ST_ZERO;

TEST(KeyProtocol, StatusTidyUpAfterEachOperationKey) {
    const TidyCase cases[] = {
        {"an operator ends the entry", KEY_ADD,
         RESULT_OK | ST_TYPED | ST_POINT | ST_EXP_ENTRY | ST_CLEARED | ST_CONST | ST_MEMORY,
         RESULT_OK | EDIT_PHASE | ST_CONST | ST_MEMORY, false},
        {"an error drops constant and memory indicator", KEY_DIV,
         RESULT_ERROR | ST_TYPED | ST_CONST | ST_MEMORY, RESULT_ERROR | EDIT_PHASE, true},
        {"a full stack keeps the typed number", KEY_LPAREN, RESULT_FULL | ST_TYPED | ST_CONST,
         RESULT_FULL | ST_TYPED | EDIT_PHASE, true},
        {"a full stack without a typed number", KEY_MUL, RESULT_FULL | ST_MEMORY,
         RESULT_FULL | EDIT_PHASE, true},
        {"sign in the middle of an entry", KEY_SIGN, RESULT_OK | ST_TYPED | ST_POINT,
         RESULT_OK | ST_POINT, false},
        {"sign on a shown value", KEY_SIGN, RESULT_OK | EDIT_PHASE, RESULT_OK | EDIT_PHASE, false},
        {"backspace in the middle of an entry", KEY_BACKSPACE, RESULT_OK | ST_TYPED | ST_POINT,
         RESULT_OK | ST_TYPED | ST_POINT, false},
        {"backspace down to the placeholder", KEY_BACKSPACE, RESULT_OK | ST_TYPED | ST_ZERO,
         RESULT_OK | ST_TYPED | ST_ZERO, false},
        {"backspace on a shown value", KEY_BACKSPACE, RESULT_OK | ST_TYPED | EDIT_PHASE | ST_POINT,
         RESULT_OK | ST_TYPED | EDIT_PHASE, false},
        {"bits the tidy-up leaves alone", KEY_EQUAL,
         RESULT_OK | ST_PCT_BASE | ST_FRESH | ST_MRC | 0x10000u,
         RESULT_OK | ST_PCT_BASE | ST_FRESH | ST_MRC | 0x10000u | EDIT_PHASE, false},
    };
    for (const auto &c : cases) {
        TQCAL_Context ctx{};
        ctx.lastKey = KEY_ADD;
        ctx.parenDepth = 3;
        TQCAL_Status status = c.before;
        tqcal_tidy(c.key, &ctx, &status);
        EXPECT_EQ(status, c.after) << c.what;
        EXPECT_EQ(ctx.lastKey, c.clearsCounters ? 0 : KEY_ADD) << c.what;
        EXPECT_EQ(ctx.parenDepth, c.clearsCounters ? 0 : 3) << c.what;
    }
}

TEST(KeyProtocol, PrecedenceModeTravelsWithEachCalculator) {
    Calculator algebraic = Fresh(TQCAL_MODE_ALGEBRAIC);
    Calculator equal = Fresh(TQCAL_MODE_EQUAL);
    // Interleaved: each operation key passes its own calculator's mode.
    for (int key : std::initializer_list<int>{2, KEY_ADD, 3, KEY_MUL, 4, KEY_EQUAL}) {
        PressKey(algebraic, key);
        PressKey(equal, key);
    }
    EXPECT_EQ(Shown(algebraic), "14");
    EXPECT_EQ(Shown(equal), "20");
}

}  // namespace
