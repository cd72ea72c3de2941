// Every byte the engine produces, over hundreds of thousands of key presses,
// formatted values and powers of ten, folded into one 64-bit digest per
// group and compared with the digest recorded from the engine as it was
// before any speed work. Making the engine faster or smaller must not move
// a single bit: the whole context block and status word after every key,
// the whole-sequence results, the formatter's cells, every Pow10 value.
//
// The key sequences are drawn from a seeded generator whose output the C++
// standard fixes, so every platform presses the same keys. The engine brings
// its own elementary functions, so the groups that press scientific keys are
// the same bit for bit on every target too.
// When a change of results is intended, the failure message prints the new
// digest to record here (TQCAL_PRINT_DIGESTS=1 prints them all).
#include "tqcal.h"
#include "tqcal_host.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace {

// FNV-1a over bytes: simple, fixed, and every changed bit changes it.
struct Digest {
    uint64_t h = 14695981039346656037ull;
    void Bytes(const void *data, size_t n) {
        const auto *p = static_cast<const unsigned char *>(data);
        for (size_t i = 0; i < n; ++i) {
            h ^= p[i];
            h *= 1099511628211ull;
        }
    }
    template <typename T>
    void Add(const T &v) {
        Bytes(&v, sizeof v);
    }
};

void ExpectDigest(const char *group, const Digest &d, uint64_t expected) {
    if (std::getenv("TQCAL_PRINT_DIGESTS") != nullptr) {
        std::printf("%-28s 0x%016llxull\n", group, static_cast<unsigned long long>(d.h));
    }
    EXPECT_EQ(d.h, expected) << group << ": results changed; the new digest is 0x" << std::hex
                             << d.h << "ull";
}

// ---- key sequences ----------------------------------------------------------

enum class Mix {
    Arithmetic,  // how people type: digits, the four operators, equals, memory
    Nesting,     // parentheses and blank operators until the stacks are full
    Scientific   // everything, the function keys included
};

class KeySource {
public:
    KeySource(uint32_t seed, Mix mix) : rng_(seed) {
        if (mix == Mix::Nesting) {
            // Few keys besides digits, operators and parentheses, and no
            // all-clear: the stacks fill up and stay full.
            Add(1, {KEY_0, KEY_1, KEY_2, KEY_3, KEY_4, KEY_5, KEY_6, KEY_7, KEY_8, KEY_9});
            Add(1, {KEY_ADD, KEY_SUB, KEY_MUL, KEY_DIV, KEY_EQUAL, KEY_MPLUS, KEY_MMINUS,
                    KEY_PERCENT_OP});
            Add(4, {KEY_LPAREN});
            Add(3, {KEY_BLANK_OP});
            Add(2, {KEY_RPAREN});
            return;
        }
        Add(10, {KEY_0, KEY_1, KEY_2, KEY_3, KEY_4, KEY_5, KEY_6, KEY_7, KEY_8, KEY_9});
        Add(8, {KEY_ADD, KEY_SUB, KEY_MUL, KEY_DIV});
        Add(3, {KEY_LPAREN, KEY_BLANK_OP, KEY_RPAREN});
        Add(4, {KEY_EQUAL, KEY_POINT});
        Add(2, {KEY_BACKSPACE, KEY_SIGN, KEY_EXP, KEY_CE, KEY_PERCENT_OP});
        Add(1, {KEY_PERCENT, KEY_MSTORE, KEY_MSTORE_ALT, KEY_MPLUS, KEY_MMINUS, KEY_MRC,
                KEY_SQUARE, KEY_SQRT, KEY_AC, KEY_PI, KEY_RECIP});
        if (mix == Mix::Scientific) {
            Add(2, {KEY_POW, KEY_ROOT});
            Add(1, {KEY_FACT, KEY_SIN, KEY_ASIN, KEY_COS, KEY_ACOS, KEY_TAN, KEY_ATAN,
                    KEY_POW10, KEY_LN, KEY_EXPE, KEY_LOG});
        }
    }
    uint32_t Below(uint32_t n) { return rng_() % n; }
    int Next() { return table_[Below(static_cast<uint32_t>(table_.size()))]; }

private:
    void Add(int weight, std::initializer_list<int> keys) {
        for (int key : keys) table_.insert(table_.end(), weight, key);
    }
    std::mt19937 rng_;
    std::vector<int> table_;
};

struct KeyRun {
    Digest digest;
    int refused[256] = {};  // keys refused on a full operand stack, by code
};

void PressSequence(const std::vector<int> &keys, int mode, KeyRun &run) {
    TQCAL_Context ctx;
    TQCAL_Status status;
    tqcal_reset(&ctx, &status);
    for (int key : keys) {
        const bool operandsFull = ctx.opdTop == TQCAL_OPERAND_SLOTS - 1;
        run.digest.Add(tqcal_press(&ctx, &status, key, mode));
        run.digest.Add(ctx);
        run.digest.Add(status);
        if (operandsFull && tqcal_result(status) == RES_FULL) ++run.refused[key & 0xFF];
    }
}

void CalcStringSequence(const std::vector<int> &keys, Digest &d) {
    std::vector<int8_t> codes(keys.begin(), keys.end());
    double value = -1.0;
    TQCAL_WChar text[TQCAL_RESULT_TEXT_CELLS];
    for (TQCAL_WChar &cell : text) cell = 0xBEEF;  // cells left alone show up
    d.Add(TQCAL_CalcString(&value, text, codes.data(), static_cast<int>(codes.size())));
    d.Add(value);
    d.Add(text);
}

std::vector<int> Sequence(uint32_t seed, Mix mix) {
    KeySource source(seed, mix);
    const int length = mix == Mix::Nesting ? 120 : 1 + static_cast<int>(source.Below(60));
    std::vector<int> keys;
    for (int i = 0; i < length; ++i) keys.push_back(source.Next());
    return keys;
}

KeyRun PressMany(uint32_t firstSeed, int count, Mix mix, int mode) {
    KeyRun run;
    for (uint32_t seed = firstSeed; seed < firstSeed + count; ++seed) {
        PressSequence(Sequence(seed, mix), mode, run);
    }
    return run;
}

Digest CalcStringMany(uint32_t firstSeed, int count, Mix mix) {
    Digest d;
    for (uint32_t seed = firstSeed; seed < firstSeed + count; ++seed) {
        CalcStringSequence(Sequence(seed, mix), d);
    }
    return d;
}

TEST(ResultsDigest, ArithmeticKeysAlgebraic) {
    ExpectDigest("arithmetic algebraic", PressMany(1, 3000, Mix::Arithmetic, 1).digest,
                 0xd76032ca3f3542e1ull);
}

TEST(ResultsDigest, ArithmeticKeysEqualPriority) {
    ExpectDigest("arithmetic equal", PressMany(1, 3000, Mix::Arithmetic, 0).digest,
                 0xa6df769a60361d3aull);
}

TEST(ResultsDigest, NestingToTheLimitsInBothModes) {
    KeyRun algebraic = PressMany(10001, 1500, Mix::Nesting, 1);
    KeyRun equal = PressMany(10001, 1500, Mix::Nesting, 0);
    ExpectDigest("nesting algebraic", algebraic.digest, 0x8472c2975709aa6full);
    ExpectDigest("nesting equal", equal.digest, 0xcf044efb47420bacull);
    // Every road where an operand finds its stack full must be taken, or the
    // digests say nothing about them.
    for (int key : {KEY_ADD, KEY_BLANK_OP, KEY_EQUAL, KEY_RPAREN, KEY_MPLUS, KEY_PERCENT_OP}) {
        EXPECT_GT(algebraic.refused[key] + equal.refused[key], 0) << "key " << key;
    }
}

TEST(ResultsDigest, WholeSequenceCall) {
    ExpectDigest("calc string arithmetic", CalcStringMany(1, 3000, Mix::Arithmetic),
                 0xaa1a10c706ab9109ull);
    ExpectDigest("calc string nesting", CalcStringMany(10001, 1500, Mix::Nesting),
                 0xd8780231df81eb2bull);
}

// These fold in the last bits of the engine's elementary functions behind
// the function keys.
TEST(ResultsDigest, ScientificKeys) {
    ExpectDigest("scientific algebraic", PressMany(20001, 2000, Mix::Scientific, 1).digest,
                 0x80ad6850661698adull);
    ExpectDigest("scientific equal", PressMany(20001, 2000, Mix::Scientific, 0).digest,
                 0x0754fa9bd59e4847ull);
    ExpectDigest("calc string scientific", CalcStringMany(20001, 2000, Mix::Scientific),
                 0x631a2eadce76af34ull);
}

// ---- formatter and powers of ten ----------------------------------------------

void Format(double value, Digest &d) {
    TQCAL_WChar display[TQCAL_DISPLAY_AREA];
    TQCAL_WChar exponent[TQCAL_EXPONENT_CELLS];
    int32_t negative = -7;
    for (TQCAL_WChar &cell : display) cell = 0xBEEF;
    for (TQCAL_WChar &cell : exponent) cell = 0xBEEF;
    d.Add(TQCAL_DivideDoubleToStr(value, display, exponent, &negative, 14));
    d.Add(display);
    d.Add(exponent);
    d.Add(negative);
}

TEST(ResultsDigest, FormatterOverEveryDecade) {
    Digest d;
    // Values at and a few units in the last place around k * 10^e: where the
    // pre-rounding, the carries and the form switch decide.
    for (int e = -101; e <= 100; ++e) {
        for (int k = 1; k <= 99; ++k) {
            // The engine's own powers: the same bits on every target, where
            // a platform's pow may differ in the last place.
            const double v = k * TQCAL_Pow10(e);
            double below = v, above = v;
            for (int step = 0; step < 4; ++step) {
                Format(below, d);
                Format(above, d);
                below = std::nextafter(below, 0.0);
                above = std::nextafter(above, std::numeric_limits<double>::infinity());
            }
            Format(-v, d);
        }
    }
    // Random doubles of every magnitude the display can show.
    std::mt19937_64 rng(12);
    for (int i = 0; i < 200000; ++i) {
        const uint64_t mantissa = rng() & ((1ull << 52) - 1);
        const uint64_t biased = 1023 - 335 + rng() % 668;  // about 1e-101 to 1e101
        const uint64_t bits = (biased << 52) | mantissa | ((rng() & 1) << 63);
        double v;
        std::memcpy(&v, &bits, sizeof v);
        Format(v, d);
    }
    // Widths other than 14 and values the engine never hands over.
    for (double v : {0.0, -0.0, 1e-100, 9.999999999999e-100, 9.9999999999991e99, 1e100, 1e300,
                     std::numeric_limits<double>::infinity(),
                     -std::numeric_limits<double>::infinity(),
                     std::numeric_limits<double>::quiet_NaN(), 1.0 / 3, 2.0 / 3, 99999.999999999}) {
        for (int width : {-1, 0, 1, 2, 7, 13, 14, 15, 40}) {
            TQCAL_WChar display[TQCAL_DISPLAY_AREA];
            TQCAL_WChar exponent[TQCAL_EXPONENT_CELLS];
            int32_t negative = -7;
            for (TQCAL_WChar &cell : display) cell = 0xBEEF;
            d.Add(TQCAL_DivideDoubleToStr(v, display, exponent, &negative, width));
            d.Add(display);
            d.Add(exponent);
            d.Add(negative);
        }
    }
    ExpectDigest("formatter", d, 0x4d216e1f8c9636dbull);
}

TEST(ResultsDigest, Pow10OverItsWholeRange) {
    Digest d;
    for (int k = -1200; k <= 1200; ++k) {
        for (double f : {0.0, 0.25, 0.5, 0.999}) {
            d.Add(TQCAL_Pow10(k + f));
            d.Add(TQCAL_Pow10(k - f));
        }
    }
    for (double x : {-0.0, 2147483647.0, -2147483647.0, 2147483648.0, -2147483648.0, 1e10,
                     -1e10, 1e300, -1e300, std::numeric_limits<double>::infinity(),
                     -std::numeric_limits<double>::infinity(),
                     std::numeric_limits<double>::quiet_NaN(), 5e-324, -5e-324}) {
        d.Add(TQCAL_Pow10(x));
    }
    ExpectDigest("pow10", d, 0xc3501ca44b0208fdull);
}

}  // namespace
