// Blocks a host wrote itself, through the shared library: stack indices,
// counters and texts the engine never produces, values it never computes,
// null pointers. Every export must refuse or cope without touching anything
// outside the block, the status word and the buffers it was given, while the
// blocks the engine does produce, up to their limits, are served as always.
//
// Blocks live in heap allocations of exactly their size, so a read or write
// past the end of one lands in a sanitizer redzone.
#include "calc_driver.h"
#include "screen_cases.h"
#include "tqcal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace calc_test;

constexpr double NAN_VALUE = std::numeric_limits<double>::quiet_NaN();
constexpr double INF_VALUE = std::numeric_limits<double>::infinity();

bool SameBlock(const TQCAL_Context &a, const TQCAL_Context &b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Every code a host might hand the dispatcher.
std::vector<int> EveryCode() {
    std::vector<int> codes;
    for (int k = 0; k <= KEY_LAST_EDIT_CODE; ++k) codes.push_back(k);
    for (int k = KEY_FIRST_DIRECT; k <= KEY_LAST_DIRECT; ++k) codes.push_back(k);
    for (int k : {int{KEY_FIRST_NON_KEY}, KEY_FIRST_DIRECT - 1, KEY_LAST_DIRECT + 1, -1, INT_MIN,
                  INT_MAX}) {
        codes.push_back(k);
    }
    return codes;
}

// A calculation in progress, as the engine leaves it: two parentheses and
// three operators waiting.
Calc MidCalculation() {
    Calc c = Fresh();
    Type(c, "2 * ( 3 + ( 4 - 1");
    return c;
}

struct Corruption {
    const char *name;
    std::function<void(TQCAL_Context &)> apply;
    bool stacks;  // a stack index or counter, as opposed to a text
};

std::vector<Corruption> Corruptions() {
    return {
        {"optTop 18", [](TQCAL_Context &b) { b.optTop = 18; }, true},
        {"optTop -2", [](TQCAL_Context &b) { b.optTop = -2; }, true},
        {"optTop INT_MIN", [](TQCAL_Context &b) { b.optTop = INT_MIN; }, true},
        {"optTop INT_MAX", [](TQCAL_Context &b) { b.optTop = INT_MAX; }, true},
        {"opdTop 14", [](TQCAL_Context &b) { b.opdTop = 14; }, true},
        {"opdTop -2", [](TQCAL_Context &b) { b.opdTop = -2; }, true},
        {"opdTop INT_MIN", [](TQCAL_Context &b) { b.opdTop = INT_MIN; }, true},
        {"parenDepth INT_MAX", [](TQCAL_Context &b) { b.parenDepth = INT_MAX; }, true},
        {"pendingOps INT_MIN", [](TQCAL_Context &b) { b.pendingOps = INT_MIN; }, true},
        {"display without terminator",
         [](TQCAL_Context &b) {
             for (TQCAL_WChar &cell : b.display) cell = u'9';
         },
         false},
        {"exponent without terminator",
         [](TQCAL_Context &b) {
             for (TQCAL_WChar &cell : b.exponent) cell = u'9';
         },
         false},
    };
}

// ---- inconsistent blocks are refused ----------------------------------------------

TEST(InconsistentBlocks, DispatcherRefusesEveryKeyAndLeavesTheBlockAsItWas) {
    const Calc base = MidCalculation();
    for (const Corruption &corruption : Corruptions()) {
        auto block = std::make_unique<TQCAL_Context>(base.ctx);
        corruption.apply(*block);
        const TQCAL_Context before = *block;
        for (TQCAL_Status statusBefore :
             {base.status, TQCAL_STATUS_INITIAL | ST_TYPED, TQCAL_Status{0xFFFFFFFFu}}) {
            for (int key : EveryCode()) {
                auto status = std::make_unique<TQCAL_Status>(statusBefore);
                TQCAL_Operate(key, block.get(), status.get(), TQCAL_MODE_ALGEBRAIC);
                ASSERT_TRUE(SameBlock(*block, before)) << corruption.name << ", key " << key;
                // Only the result state changes: RES_ERROR.
                ASSERT_EQ(*status, statusBefore & ~static_cast<TQCAL_Status>(ST_RESULT))
                    << corruption.name << ", key " << key;
            }
        }
    }
}

TEST(InconsistentBlocks, ReductionRefusesStackIndicesAndCountersOutOfRange) {
    const Calc base = MidCalculation();
    for (const Corruption &corruption : Corruptions()) {
        if (!corruption.stacks) continue;
        auto block = std::make_unique<TQCAL_Context>(base.ctx);
        corruption.apply(*block);
        const TQCAL_Context before = *block;
        for (int type : {KEY_EQUAL, KEY_RPAREN, KEY_ADD, KEY_MUL, KEY_POW, KEY_BLANK_OP}) {
            for (int toBottom : {0, 1}) {
                EXPECT_EQ(TQCAL_Calculator(type, toBottom, block.get()), -1) << corruption.name;
                EXPECT_TRUE(SameBlock(*block, before)) << corruption.name;
            }
        }
    }
}

TEST(InconsistentBlocks, StackRoutinesRefuseTopsOutOfRangeWithoutWriting) {
    auto block = std::make_unique<TQCAL_Context>(MidCalculation().ctx);
    for (int32_t top : {INT_MIN, -1000, -2, 14, 18, 1000, INT_MAX}) {
        block->opdTop = top;
        const TQCAL_Context before = *block;
        double value = 5.0, out = 7.0;
        EXPECT_EQ(TQCAL_PushOpd(&value, block.get()), -1) << top;
        EXPECT_EQ(TQCAL_PopOpd(&out, block.get()), -1) << top;
        EXPECT_TRUE(SameBlock(*block, before)) << top;
        EXPECT_EQ(out, 7.0);
    }
    for (int32_t top : {INT_MIN, -1000, -2, 18, 1000, INT_MAX}) {
        block->optTop = top;
        const TQCAL_Context before = *block;
        int32_t op = KEY_ADD, got = 9;
        EXPECT_EQ(TQCAL_PushOpt(&op, block.get()), -1) << top;
        EXPECT_EQ(TQCAL_PopOpt(&got, block.get()), -1) << top;
        EXPECT_TRUE(SameBlock(*block, before)) << top;
        EXPECT_EQ(got, 9);
    }
}

// ---- texts without terminators ----------------------------------------------------

// The edit routines only ever write the display cells, the exponent and the
// negative flag, whatever those hold and whatever the status word says.
TEST(UnterminatedTexts, EditRoutinesStayWithinTheirCells) {
    const uint32_t bits[] = {ST_SHOWN, ST_ZERO, ST_POINT, ST_EXP_ENTRY, ST_CLEARED, 0x2, 0x4};
    for (const TQCAL_WChar fill : {u'9', u' ', u'.'}) {
        auto block = std::make_unique<TQCAL_Context>(MidCalculation().ctx);
        for (TQCAL_WChar &cell : block->display) cell = fill;
        for (TQCAL_WChar &cell : block->exponent) cell = u'7';
        const TQCAL_Context pristine = *block;
        auto unchangedOutsideTexts = [&](const TQCAL_Context &b) {
            TQCAL_Context masked = b;
            std::memcpy(masked.display, pristine.display, sizeof masked.display);
            std::memcpy(masked.exponent, pristine.exponent, sizeof masked.exponent);
            masked.negative = pristine.negative;
            return SameBlock(masked, pristine);
        };
        for (uint32_t combo = 0; combo < (1u << std::size(bits)); ++combo) {
            TQCAL_Status statusBefore = 0;
            for (size_t i = 0; i < std::size(bits); ++i) {
                if (combo & (1u << i)) statusBefore |= bits[i];
            }
            for (int key = 0; key <= KEY_LAST_EDIT_CODE; ++key) {
                *block = pristine;
                auto status = std::make_unique<TQCAL_Status>(statusBefore);
                const int r = EEditInfo(key, block.get(), status.get());
                ASSERT_TRUE(r == 0 || r == 1) << key;
                ASSERT_TRUE(unchangedOutsideTexts(*block)) << "key " << key << ", status " << combo;
            }
            *block = pristine;
            auto status = std::make_unique<TQCAL_Status>(statusBefore);
            const int placed = TQCAL_ApendChar(block.get(), status.get(), u'3');
            EXPECT_TRUE(placed == 0 || placed == 1);
            EXPECT_TRUE(unchangedOutsideTexts(*block));
            EXPECT_EQ(std::memcmp(block->exponent, pristine.exponent, sizeof block->exponent), 0);
            EXPECT_EQ(block->display[14], pristine.display[14]);  // the field only
            *block = pristine;
            EXPECT_EQ(TQCAL_DeleteChar(block.get(), status.get()), 1);
            EXPECT_TRUE(unchangedOutsideTexts(*block));
            EXPECT_EQ(block->display[14], pristine.display[14]);
        }
    }
}

// ---- any double, any width ------------------------------------------------------------

TEST(Formatting, AnyDoubleAndWidthStaysInItsCellsAndReadsAsANumber) {
    const double values[] = {NAN_VALUE,
                             -NAN_VALUE,
                             INF_VALUE,
                             -INF_VALUE,
                             0.0,
                             -0.0,
                             4.9e-324,
                             -2.2250738585072014e-308,
                             std::numeric_limits<double>::max(),
                             1e100,
                             9.9999999999992e99,
                             9.999999999999e-100,
                             9.9999999999989e-100,
                             1e-99,
                             1.0 / 3,
                             2147483648.0};
    const int widths[] = {INT_MIN, -1, 0, 1, 2, 13, 14, 15, 17, 100, INT_MAX};
    constexpr int GUARD = 8;
    for (double v : values) {
        for (int width : widths) {
            TQCAL_WChar display[TQCAL_DISPLAY_AREA + GUARD];
            TQCAL_WChar exponent[TQCAL_EXPONENT_CELLS + GUARD];
            int32_t negative[2] = {-5, 0x5A5A};
            std::fill(std::begin(display), std::end(display), u'#');
            std::fill(std::begin(exponent), std::end(exponent), u'#');
            ASSERT_EQ(TQCAL_DivideDoubleToStr(v, display, exponent, negative, width), 0);
            SCOPED_TRACE("value " + std::to_string(v) + ", width " + std::to_string(width));
            for (int i = TQCAL_DISPLAY_AREA; i < TQCAL_DISPLAY_AREA + GUARD; ++i) {
                ASSERT_EQ(display[i], u'#') << "display cell " << i;
            }
            for (int i = TQCAL_EXPONENT_CELLS; i < TQCAL_EXPONENT_CELLS + GUARD; ++i) {
                ASSERT_EQ(exponent[i], u'#') << "exponent cell " << i;
            }
            EXPECT_EQ(negative[1], 0x5A5A);
            EXPECT_TRUE(negative[0] == 0 || negative[0] == 1);
            int end = 0, points = 0;
            while (end < TQCAL_DISPLAY_AREA && display[end] != 0) points += display[end++] == u'.';
            ASSERT_LT(end, TQCAL_DISPLAY_AREA) << "no terminator";
            EXPECT_EQ(points, 1);
            EXPECT_TRUE(exponent[0] == u' ' || exponent[0] == u'-');
            EXPECT_EQ(exponent[3], 0);
            if (width >= 14) {
                EXPECT_TRUE(end == 14 || end == 15);
            }
        }
    }
}

// ---- null pointers ----------------------------------------------------------------------

TEST(NullPointers, EvaluationRoutinesRefuse) {
    Calc c = MidCalculation();
    const TQCAL_Context before = c.ctx;
    TQCAL_Status status = TQCAL_STATUS_INITIAL;
    TQCAL_Operate(KEY_EQUAL, nullptr, &status, TQCAL_MODE_ALGEBRAIC);
    EXPECT_EQ(status, TQCAL_STATUS_INITIAL & ~static_cast<TQCAL_Status>(ST_RESULT));
    TQCAL_Operate(KEY_EQUAL, &c.ctx, nullptr, TQCAL_MODE_ALGEBRAIC);
    EXPECT_TRUE(SameBlock(c.ctx, before));
    TQCAL_Operate(KEY_EQUAL, nullptr, nullptr, TQCAL_MODE_ALGEBRAIC);
    EXPECT_EQ(TQCAL_Calculator(KEY_EQUAL, 1, nullptr), -1);
    double x = 2.0;
    EXPECT_EQ(TQCAL_BaseOperate(KEY_ADD, nullptr, &x), -1);
    EXPECT_EQ(TQCAL_BaseOperate(KEY_ADD, &x, nullptr), -1);
    EXPECT_EQ(x, 2.0);
}

// ---- values the calculator never computes ------------------------------------------------

// A consistent block whose numbers a host set to NaN or an infinity: every
// key ends in a defined state and the block stays consistent.
TEST(NonFiniteValues, EveryKeyEndsInADefinedState) {
    const std::vector<std::function<void(Calc &)>> poisons = {
        [](Calc &c) { c.ctx.memory = NAN_VALUE; },
        [](Calc &c) { c.ctx.memory = -INF_VALUE; },
        [](Calc &c) {
            c.ctx.constOperand = INF_VALUE;
            c.ctx.constOperator = KEY_MUL;
            c.status |= ST_CONST;
        },
        [](Calc &c) { c.ctx.operands[0] = NAN_VALUE; },
        [](Calc &c) { c.ctx.operands[c.ctx.opdTop] = -INF_VALUE; },
        [](Calc &c) {
            c.ctx.operands[1] = 4.9e-324;
            c.ctx.value = std::numeric_limits<double>::max();
        },
    };
    for (size_t p = 0; p < poisons.size(); ++p) {
        for (int key : EveryCode()) {
            Calc c = MidCalculation();
            poisons[p](c);
            std::memset(c.ctx.reserved1, 0x5A, sizeof c.ctx.reserved1);
            TQCAL_Operate(key, &c.ctx, &c.status, TQCAL_MODE_ALGEBRAIC);
            Tidy(c, key);
            SCOPED_TRACE("poison " + std::to_string(p) + ", key " + std::to_string(key));
            ASSERT_NE(ResultState(c), 3);
            ASSERT_GE(c.ctx.optTop, -1);
            ASSERT_LT(c.ctx.optTop, TQCAL_OPERATOR_SLOTS);
            ASSERT_GE(c.ctx.opdTop, -1);
            ASSERT_LT(c.ctx.opdTop, TQCAL_OPERAND_SLOTS);
            ASSERT_EQ(c.ctx.reserved1[3], 0x5A);
            if (ResultState(c) == RES_OK) {
                ASSERT_TRUE(std::fabs(c.ctx.value) <= 9.9999999999991e99) << c.ctx.value;
            }
            // The calculator goes on: all clear and a sum.
            Type(c, "AC 2 + 3 =");
            ASSERT_EQ(Screen(c), "5.");
        }
    }
}

// ---- blocks the engine produces are served as before -------------------------------------

TEST(EngineBlocks, StatesAtTheLimitsOfTheChecksAreServed) {
    // The operator stack full: 8 parentheses and 10 operators, 18 entries.
    Calc c = Fresh();
    Type(c, "1 + ( 1 + ( 1 + ( 1 + ( 1 + ( 1 + ( 1 + ( 1 + ( 1 + 1 *");
    ASSERT_EQ(c.ctx.optTop, TQCAL_OPERATOR_SLOTS - 1);
    Type(c, "1 =");
    EXPECT_EQ(Screen(c), "10.");

    // Seventeen open parentheses, the most the dispatcher accepts.
    c = Fresh();
    for (int i = 0; i < 17; ++i) Press(c, KEY_LPAREN);
    Type(c, "6 =");
    EXPECT_EQ(Screen(c), "6.");

    // A 15-character text has its terminator in cell 15, the last place the
    // dispatcher accepts it.
    c = Fresh();
    Type(c, "1 / 3 =");
    ASSERT_EQ(c.ctx.display[15], 0);
    Type(c, "+ 1 =");
    EXPECT_EQ(Screen(c), "1.3333333333333");
    Type(c, "* 3 =");
    EXPECT_EQ(Screen(c), "4.");

    // A full typed field, and exponent entry.
    ExpectScreens({
        {"1234567890123 + 1 =", "1234567890124."},
        {"2 EXP 99 / 4 =", "5.E98"},
        {"1 / 3 EXP 13 =", "3.3333333333333E-14"},
    });
}

// ---- regressions found by fuzzing ----------------------------------------------------------

// An error in the middle of a power leaves both operands and the power on
// the stacks; the repeated power key arms the constant over them, and the
// memory key then loaded the constant over three operands, lowering the top
// without clearing the slot it dropped.
TEST(FuzzFindings, LoadingTheConstantClearsTheSlotsItDrops) {
    Calc c = Fresh();
    Type(c, "7333333 ^ M- ^ % M-");
    EXPECT_EQ(Screen(c), "Error");
    ASSERT_EQ(c.ctx.opdTop, 1);
    ASSERT_EQ(c.ctx.optTop, 0);
    for (int i = 2; i < TQCAL_OPERAND_SLOTS; ++i) EXPECT_EQ(c.ctx.operands[i], 0.0) << i;
    for (int i = 1; i < TQCAL_OPERATOR_SLOTS; ++i) EXPECT_EQ(c.ctx.operators[i], 0) << i;
    Type(c, "AC 6 * 7 =");
    EXPECT_EQ(Screen(c), "42.");
}

// A change of sign during an entry with an exponent formats the value
// ([7.4] with exponent 45) and the entry goes on over that text; backspace
// then edits a layout it did not make: a point typed after that lets
// backspace empty the field, and a 15-character text formatted by a second
// change of sign leaves a digit behind the placeholder backspace restores.
// Whatever the text becomes, it stays in its cells, and the next operation
// key shows a well-formed number.
TEST(FuzzFindings, BackspaceAfterASignChangeInAnEntryWithAnExponent) {
    for (const char *keys :
         {"74 EXP 44 +/- BS", "74 EXP 44 +/- BS . BS BS BS 5",
          "74 EXP 44 +/- BS 123456789123 +/- BS BS BS BS BS BS BS BS BS BS BS BS BS BS"}) {
        Calc c = Fresh();
        Type(c, keys);
        EXPECT_EQ(ResultState(c), RES_OK) << keys;
        EXPECT_TRUE(c.ctx.display[14] == 0 || c.ctx.display[15] == 0) << keys;
        EXPECT_EQ(c.ctx.exponent[3], 0) << keys;
        EXPECT_TRUE(std::isfinite(c.ctx.value)) << keys;
        Type(c, "=");
        const std::string screen = Screen(c);
        EXPECT_EQ(std::count(screen.begin(), screen.end(), '.'), 1) << keys << ": " << screen;
        Type(c, "AC 2 + 3 =");
        EXPECT_EQ(Screen(c), "5.") << keys;
    }
}

// Clear entry on a full stack clears the edit phase but leaves the shown
// result, so backspace and the digits then edit a formatted 15-character
// text as if it had been typed. The text stays in its cells with its
// terminator, and the next operation key formats a number again.
TEST(FuzzFindings, EditingAShownResultAfterClearEntryOnAFullStack) {
    Calc c = Fresh();
    Type(c, "1 + ( 1 + ( 1 + ( 1 + ( 1 + ( 1 + ( 1 + ( 1 + ( 1 + 1 * 3 1/x");
    ASSERT_EQ(DisplayText(c), "0.3333333333333");
    Type(c, "^");
    ASSERT_EQ(Screen(c), "Full");
    Type(c, "CE BS 5");
    EXPECT_EQ(ResultState(c), RES_OK);
    EXPECT_EQ(c.ctx.display[15], 0);  // still the terminator of 15 cells
    EXPECT_EQ(c.ctx.display[16], u' ');
    EXPECT_EQ(c.ctx.exponent[3], 0);
    Type(c, "=");
    EXPECT_EQ(ResultState(c), RES_OK);
    const std::string shown = DisplayText(c);
    EXPECT_EQ(std::count(shown.begin(), shown.end(), '.'), 1) << shown;
    EXPECT_TRUE(std::isfinite(c.ctx.value));
}

}  // namespace
