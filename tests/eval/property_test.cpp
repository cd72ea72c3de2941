// Thousands of random key sequences, seeded so that every run presses the
// same keys, through the host protocol in both precedence modes. After every
// key the promises the fuzz targets check hold as well (the checks are
// shared with them), the public protocol header and the test driver's own
// copy of the protocol leave the same block and status word, and the
// whole-sequence call agrees with pressing the same codes one by one.
#include "host_invariants.h"
#include "calc_driver.h"
#include "weighted_keys.h"
#include "context/consistency.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace calc_test;

// Keys drawn with weights close to how people type: mostly digits and the
// four operators, some parentheses and equals, every other key now and then.
// The nesting mix presses opening parentheses and operators far more often,
// so that the stacks reach their limits.
enum class Mix { TYPING, NESTING };

class KeySource : public kit::WeightedKeys {
public:
    KeySource(uint32_t seed, Mix mix, bool withDirectCodes) : WeightedKeys(seed) {
        const bool nesting = mix == Mix::NESTING;
        Add(10, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
        Add(nesting ? 16 : 8, {KEY_ADD, KEY_SUB, KEY_MUL, KEY_DIV});
        Add(nesting ? 40 : 4, {KEY_LPAREN});
        Add(4, {KEY_EQUAL});
        Add(3, {KEY_POINT, KEY_RPAREN});
        Add(2, {KEY_POW, KEY_ROOT, KEY_BACKSPACE, KEY_SIGN, KEY_EXP, KEY_CE});
        Add(1, {KEY_PERCENT, KEY_MSTORE, KEY_MPLUS, KEY_MMINUS, KEY_MRC, KEY_SQUARE, KEY_SQRT,
                KEY_AC,      KEY_PI,     KEY_FACT,  KEY_RECIP,  KEY_SIN, KEY_ASIN,   KEY_COS,
                KEY_ACOS,    KEY_TAN,    KEY_ATAN,  KEY_POW10,  KEY_LN,  KEY_EXPE,   KEY_LOG});
        if (withDirectCodes) AddDirectCodes(2);
    }
};

std::string Codes(const std::vector<int> &keys) {
    std::string s;
    for (int k : keys) s += std::to_string(k) + " ";
    return s;
}

// Presses a random sequence; returns the first broken promise with the keys
// that led to it, or an empty string. Records how deep the stacks went.
struct Depth {
    int operators = -1, operands = -1;
};

std::string RunSequence(uint32_t seed, int mode, Mix mix, Depth &depth) {
    KeySource source(seed, mix, true);
    Calc c = host_invariants::FreshCalculator(mode);  // pressed through tqcal_host.h
    Calc twin = Fresh(mode);                          // through the driver's own copy
    for (Calc *calc : {&c, &twin}) {
        std::memset(calc->ctx.reserved0, 0xA5, sizeof calc->ctx.reserved0);
        std::memset(calc->ctx.reserved1, 0x5A, sizeof calc->ctx.reserved1);
    }
    host_invariants::KeyChecker checker;
    std::vector<int> pressed;
    const int length = 1 + static_cast<int>(source.Below(mix == Mix::NESTING ? 120 : 60));
    for (int i = 0; i <= length; ++i) {
        if (std::memcmp(&c.ctx, &twin.ctx, sizeof c.ctx) != 0 || c.status != twin.status) {
            return "the two host protocols disagree after keys " + Codes(pressed);
        }
        if (i == length) break;
        pressed.push_back(source.Next());
        Press(twin, pressed.back());
        std::string problem = checker.Press(c, pressed.back());
        // The exports refuse blocks that fail this gate; a block the engine
        // produced itself must never fail it, or a real calculator would be
        // refused.
        if (problem.empty() && !tqcal::BlockConsistent(c.ctx)) problem = "refused by the gate";
        if (!problem.empty()) return problem + " after keys " + Codes(pressed);
        depth.operators = std::max(depth.operators, c.ctx.optTop);
        depth.operands = std::max(depth.operands, c.ctx.opdTop);
    }
    return {};
}

void RunMany(uint32_t firstSeed, int count, int mode, Mix mix, Depth &depth) {
    for (uint32_t seed = firstSeed; seed < firstSeed + count; ++seed) {
        const std::string problem = RunSequence(seed, mode, mix, depth);
        ASSERT_TRUE(problem.empty()) << "seed " << seed << ", mode " << mode << ": " << problem;
    }
}

TEST(RandomKeySequences, KeepEveryPromiseAfterEveryKeyAlgebraic) {
    Depth depth;
    RunMany(1, 10000, TQCAL_MODE_ALGEBRAIC, Mix::TYPING, depth);
    RunMany(50001, 3000, TQCAL_MODE_ALGEBRAIC, Mix::NESTING, depth);
    // The sequences must reach the full operator stack to say anything
    // about it.
    EXPECT_EQ(depth.operators, TQCAL_OPERATOR_SLOTS - 1);
}

TEST(RandomKeySequences, KeepEveryPromiseAfterEveryKeyEqualPriority) {
    Depth depth;
    RunMany(100001, 10000, TQCAL_MODE_EQUAL, Mix::TYPING, depth);
    RunMany(150001, 3000, TQCAL_MODE_EQUAL, Mix::NESTING, depth);
    EXPECT_EQ(depth.operators, TQCAL_OPERATOR_SLOTS - 1);
}

// The whole-sequence call against the same codes pressed one by one in
// algebraic mode and closed with '='. A failing operation key ends the
// evaluation there: the call then reports the error.
TEST(RandomKeySequences, WholeSequenceCallAgreesWithPressingTheKeys) {
    int succeeded = 0, failed = 0;
    for (uint32_t seed = 200001; seed <= 210000; ++seed) {
        KeySource source(seed, seed % 4 == 0 ? Mix::NESTING : Mix::TYPING, false);
        std::vector<int8_t> codes;
        const int length = static_cast<int>(source.Below(40));
        for (int i = 0; i < length; ++i) {
            // Now and then a code that is no key: both roads skip it.
            const bool noKey = source.Below(20) == 0;
            codes.push_back(
                static_cast<int8_t>(noKey ? KEY_FIRST_NON_KEY + source.Below(200) : source.Next()));
        }
        std::vector<int> shown(codes.begin(), codes.end());
        SCOPED_TRACE("seed " + std::to_string(seed) + ", codes " + Codes(shown));

        double value = -1;
        TQCAL_WChar text[TQCAL_RESULT_TEXT_CELLS];
        const int rc = TQCAL_CalcString(&value, text, codes.data(), length);

        Calc c = host_invariants::FreshCalculator(TQCAL_MODE_ALGEBRAIC);
        host_invariants::KeyChecker checker;
        bool keyFailed = false;
        for (int i = 0; i < length && !keyFailed; ++i) {
            ASSERT_EQ(checker.Press(c, codes[i]), "");
            keyFailed = checker.failed();
        }
        if (!keyFailed) {
            ASSERT_EQ(checker.Press(c, KEY_EQUAL), "");
            keyFailed = checker.failed();
        }

        if (keyFailed) {
            ++failed;
            ASSERT_EQ(rc, 0);
            ASSERT_EQ(value, TQCAL_CALC_STRING_ERROR);
            ASSERT_EQ(text[0], 0);
            continue;
        }
        ++succeeded;
        ASSERT_EQ(rc, 1);
        ASSERT_EQ(value, c.ctx.value);
        ASSERT_EQ(std::signbit(value), std::signbit(c.ctx.value));
        int i = 0;
        for (; i < TQCAL_RESULT_TEXT_CELLS && c.ctx.display[i] != 0; ++i) {
            ASSERT_EQ(text[i], c.ctx.display[i]) << "cell " << i;
        }
        ASSERT_LT(i, TQCAL_RESULT_TEXT_CELLS);
        ASSERT_EQ(text[i], 0);
    }
    // Both outcomes must be well represented, or the comparison says little.
    EXPECT_GT(succeeded, 3000);
    EXPECT_GT(failed, 300);
}

}  // namespace
