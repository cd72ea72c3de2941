// The checks of tqcal_host.h on a calculator in the middle of a calculation:
// each rule of tqcal_problem, broken on its own, is named; the usable blocks
// are the ones the exports serve. And the initial status word is the named
// bits it stands for.
#include "calc_driver.h"
#include "tqcal_host.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>

namespace {

using namespace calc_test;

Calc MidCalculation() {
    Calc c = Fresh();
    Type(c, "7 M+ 12 + ( 3 *");
    return c;
}

TEST(BlockCheck, KeysLeaveNoProblem) {
    const Calc c = MidCalculation();
    EXPECT_EQ(tqcal_problem(&c.ctx, c.status), nullptr);
    EXPECT_TRUE(tqcal_block_usable(&c.ctx));
}

TEST(BlockCheck, EachBrokenRuleIsNamed) {
    struct Damage {
        std::function<void(Calc &)> apply;
        const char *problem;
        bool usable;  // whether the exports still serve the block
    };
    const Damage damages[] = {
        {[](Calc &c) { c.status |= 0x4000; }, "a status bit that no key sets", true},
        {[](Calc &c) { c.status |= ST_RESULT; }, "result state 3", true},
        {[](Calc &c) { c.ctx.optTop = TQCAL_OPERATOR_SLOTS; },
         "a stack top or counter out of range", false},
        {[](Calc &c) { c.ctx.opdTop = -2; }, "a stack top or counter out of range", false},
        {[](Calc &c) { c.ctx.pendingOps = TQCAL_COUNTER_BOUND; },
         "a stack top or counter out of range", false},
        {[](Calc &c) { c.ctx.parenDepth = -1; }, "a stack top or counter out of range", true},
        {[](Calc &c) { c.ctx.operands[TQCAL_OPERAND_SLOTS - 1] = 1.5; },
         "a stack slot above its top not zero", true},
        {[](Calc &c) { c.ctx.operators[TQCAL_OPERATOR_SLOTS - 1] = KEY_ADD; },
         "a stack slot above its top not zero", true},
        {[](Calc &c) { c.ctx.operators[0] = KEY_7; },
         "a code on the operator stack that is no operator", true},
        {[](Calc &c) { c.ctx.constOperator = KEY_AC; }, "a constant operator that is no operator",
         true},
        {[](Calc &c) { c.ctx.digits = 12; }, "digits other than 14", true},
        {[](Calc &c) { c.ctx.negative = 2; }, "a negative flag other than 0 and 1", true},
        {[](Calc &c) { c.ctx.display[11] = u'.'; }, "a display or exponent text that is no number",
         true},
        {[](Calc &c) { c.ctx.display[12] = u'A'; }, "a display or exponent text that is no number",
         true},
        {[](Calc &c) { c.ctx.display[14] = c.ctx.display[15] = u'0', c.ctx.display[16] = 0; },
         "a display or exponent text that is no number", true},  // ends in cell 16
        {[](Calc &c) { c.ctx.exponent[0] = u'+'; }, "a display or exponent text that is no number",
         true},
        {[](Calc &c) {
             for (TQCAL_WChar &cell : c.ctx.display) cell = u'9';
         },
         "a display or exponent text that is no number", false},
        {[](Calc &c) { c.ctx.exponent[3] = u'0'; }, "a display or exponent text that is no number",
         false},
        {[](Calc &c) { c.ctx.reserved1[2] = 1; }, "a reserved byte written", true},
        {[](Calc &c) { c.ctx.memory = std::numeric_limits<double>::infinity(); },
         "a memory that is no finite number", true},
        {[](Calc &c) { c.ctx.memory = std::nan(""); }, "a memory that is no finite number", true},
    };
    for (const Damage &damage : damages) {
        Calc c = MidCalculation();
        damage.apply(c);
        const char *problem = tqcal_problem(&c.ctx, c.status);
        EXPECT_EQ(std::string(problem ? problem : "none"), damage.problem);
        EXPECT_EQ(tqcal_block_usable(&c.ctx) != 0, damage.usable) << damage.problem;
    }
}

TEST(StatusWord, InitialIsAShownValueWithTheResultOk) {
    EXPECT_EQ(TQCAL_STATUS_INITIAL, static_cast<TQCAL_Status>(ST_SHOWN | RES_OK << 1));
    EXPECT_EQ(tqcal_result(TQCAL_STATUS_INITIAL), RES_OK);
}

}  // namespace
