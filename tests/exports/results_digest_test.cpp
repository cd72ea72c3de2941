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
//
// A digest says that something changed, not what. To find the first case
// that differs, write every case as one line of text on both builds and
// compare: TQCAL_RESULTS_TRACE=DIR writes DIR/<group>.txt, and
// TQCAL_RESULTS_REFERENCE=DIR reads the files another build (the last good
// commit, or the native build beside a cross build) wrote there, so that a
// failure names the first differing case: its key sequence, key and both
// states, or its argument and both results. When a change of results is
// intended, the failure message prints the new digest to record here
// (TQCAL_PRINT_DIGESTS=1 prints them all).
#include "tqcal.h"
#include "tqcal_host.h"
#include "weighted_keys.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>
#include <string>
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

// One group of cases: its digest, and with the variables above its cases as
// text, written for another build or compared with what another build wrote.
class Group {
public:
    explicit Group(const char *name) : name_(name) {
        out_ = Open("TQCAL_RESULTS_TRACE", "w");
        reference_ = Open("TQCAL_RESULTS_REFERENCE", "r");
    }
    ~Group() {
        if (out_ != nullptr) std::fclose(out_);
        if (reference_ != nullptr) std::fclose(reference_);
    }
    Group(const Group &) = delete;
    Group &operator=(const Group &) = delete;

    Digest digest;

    // Whether Case wants the cases' text: formatting it costs time.
    bool Tracing() const { return out_ != nullptr || reference_ != nullptr; }

    // What the cases that follow belong to (a key sequence), for the report.
    std::string heading;

    // One case as a line of text (printf format), numbered from 1.
    void Case(const char *format, ...) {
        char line[2048];
        va_list args;
        va_start(args, format);
        std::vsnprintf(line, sizeof line, format, args);
        va_end(args);
        ++cases_;
        if (out_ != nullptr) std::fprintf(out_, "%s\n", line);
        if (reference_ == nullptr || !firstDifference_.empty()) return;
        char theirs[2048] = "(no such line)";
        if (std::fgets(theirs, sizeof theirs, reference_) != nullptr)
            theirs[std::strcspn(theirs, "\n")] = '\0';
        if (std::strcmp(line, theirs) != 0) {
            firstDifference_ = "first differing case, " + std::to_string(cases_) + ", " + heading +
                               ":\n  reference:  " + theirs + "\n  this build: " + line;
        }
    }

    void Expect(uint64_t expected) const {
        if (std::getenv("TQCAL_PRINT_DIGESTS") != nullptr) {
            std::printf("%-28s 0x%016llxull\n", name_.c_str(),
                        static_cast<unsigned long long>(digest.h));
        }
        if (digest.h == expected && firstDifference_.empty()) return;
        std::ostringstream why;
        if (digest.h != expected)
            why << "results changed; the new digest is 0x" << std::hex << digest.h << "ull\n";
        if (!firstDifference_.empty())
            why << firstDifference_;
        else if (reference_ != nullptr)
            why << "every case equals the reference's";
        else
            why << "TQCAL_RESULTS_TRACE=DIR on a good build, then TQCAL_RESULTS_REFERENCE=DIR "
                   "here, names the first differing case";
        ADD_FAILURE() << name_ << ": " << why.str();
    }

private:
    std::FILE *Open(const char *variable, const char *mode) const {
        const char *dir = std::getenv(variable);
        if (dir == nullptr) return nullptr;
        std::string path = std::string(dir) + "/" + name_ + ".txt";
        for (char &c : path) {
            if (c == ' ') c = '_';
        }
        std::FILE *f = std::fopen(path.c_str(), mode);
        if (f == nullptr) ADD_FAILURE() << "cannot open " << path;
        return f;
    }

    std::string name_;
    std::FILE *out_ = nullptr;
    std::FILE *reference_ = nullptr;
    std::string firstDifference_;
    long cases_ = 0;
};

// Cells as text: printable ASCII as itself, the terminator as '|', a cell
// the engine left alone as '#', anything else as \xHHHH.
std::string CellText(const TQCAL_WChar *cells, int count) {
    std::string s;
    for (int i = 0; i < count; ++i) {
        char buf[8];
        if (cells[i] >= 0x20 && cells[i] <= 0x7E && cells[i] != '|' && cells[i] != '#') {
            s += static_cast<char>(cells[i]);
            continue;
        }
        if (cells[i] == 0 || cells[i] == 0xBEEF) {
            s += cells[i] == 0 ? '|' : '#';
            continue;
        }
        std::snprintf(buf, sizeof buf, "\\x%04X", static_cast<unsigned>(cells[i]));
        s += buf;
    }
    return s;
}

unsigned long long Bits(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

// ---- key sequences ----------------------------------------------------------

enum class Mix {
    ARITHMETIC,  // how people type: digits, the four operators, equals, memory
    NESTING,     // parentheses and blank operators until the stacks are full
    SCIENTIFIC   // everything, the function keys included
};

class KeySource : public kit::WeightedKeys {
public:
    KeySource(uint32_t seed, Mix mix) : WeightedKeys(seed) {
        if (mix == Mix::NESTING) {
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
        Add(1, {KEY_PERCENT, KEY_MSTORE, KEY_MSTORE_ALT, KEY_MPLUS, KEY_MMINUS, KEY_MRC, KEY_SQUARE,
                KEY_SQRT, KEY_AC, KEY_PI, KEY_RECIP});
        if (mix == Mix::SCIENTIFIC) {
            Add(2, {KEY_POW, KEY_ROOT});
            Add(1, {KEY_FACT, KEY_SIN, KEY_ASIN, KEY_COS, KEY_ACOS, KEY_TAN, KEY_ATAN, KEY_POW10,
                    KEY_LN, KEY_EXPE, KEY_LOG});
        }
    }
};

struct KeyRun {
    explicit KeyRun(const char *name) : group(name) {}
    Group group;
    int refused[256] = {};  // keys refused on a full operand stack, by code
};

// The keys as raw codes, which tqcal --keys takes as they are.
std::string Codes(const std::vector<int> &keys) {
    std::string s;
    for (int key : keys) s += (s.empty() ? "#" : " #") + std::to_string(key);
    return s;
}

void PressSequence(uint32_t seed, const std::vector<int> &keys, int mode, KeyRun &run) {
    TQCAL_Context ctx;
    TQCAL_Status status;
    tqcal_reset(&ctx, &status);
    if (run.group.Tracing()) {
        run.group.heading = "seed " + std::to_string(seed) + " (mode " + std::to_string(mode) +
                            "): tqcal --keys \"" + Codes(keys) + "\"";
    }
    for (size_t i = 0; i < keys.size(); ++i) {
        const bool operandsFull = ctx.opdTop == TQCAL_OPERAND_SLOTS - 1;
        const int pressed = tqcal_press(&ctx, &status, keys[i], mode);
        run.group.digest.Add(pressed);
        run.group.digest.Add(ctx);
        run.group.digest.Add(status);
        if (operandsFull && tqcal_result(status) == RES_FULL) ++run.refused[keys[i] & 0xFF];
        if (!run.group.Tracing()) continue;
        Digest context;
        context.Add(ctx);
        run.group.Case(
            "seed %u, mode %d, key %zu (#%d): returns %d, display \"%s\" exponent "
            "\"%s\" negative %d status %x value %016llx context %016llx",
            seed, mode, i + 1, keys[i], pressed, CellText(ctx.display, TQCAL_DISPLAY_AREA).c_str(),
            CellText(ctx.exponent, TQCAL_EXPONENT_CELLS).c_str(), static_cast<int>(ctx.negative),
            static_cast<unsigned>(status), Bits(ctx.value),
            static_cast<unsigned long long>(context.h));
    }
}

void CalcStringSequence(const std::vector<int> &keys, Group &g) {
    std::vector<int8_t> codes(keys.begin(), keys.end());
    double value = -1.0;
    TQCAL_WChar text[TQCAL_RESULT_TEXT_CELLS];
    for (TQCAL_WChar &cell : text) cell = 0xBEEF;  // cells left alone show up
    const int rc = TQCAL_CalcString(&value, text, codes.data(), static_cast<int>(codes.size()));
    g.digest.Add(rc);
    g.digest.Add(value);
    g.digest.Add(text);
    if (g.Tracing()) {
        g.Case("TQCAL_CalcString over %s: returns %d, value %016llx, text \"%s\"",
               Codes(keys).c_str(), rc, Bits(value),
               CellText(text, TQCAL_RESULT_TEXT_CELLS).c_str());
    }
}

std::vector<int> Sequence(uint32_t seed, Mix mix) {
    KeySource source(seed, mix);
    const int length = mix == Mix::NESTING ? 120 : 1 + static_cast<int>(source.Below(60));
    std::vector<int> keys;
    for (int i = 0; i < length; ++i) keys.push_back(source.Next());
    return keys;
}

void PressMany(uint32_t firstSeed, int count, Mix mix, int mode, KeyRun &run) {
    for (uint32_t seed = firstSeed; seed < firstSeed + count; ++seed) {
        PressSequence(seed, Sequence(seed, mix), mode, run);
    }
}

void ExpectPressMany(const char *name, uint32_t firstSeed, int count, Mix mix, int mode,
                     uint64_t expected) {
    KeyRun run(name);
    PressMany(firstSeed, count, mix, mode, run);
    run.group.Expect(expected);
}

void ExpectCalcStringMany(const char *name, uint32_t firstSeed, int count, Mix mix,
                          uint64_t expected) {
    Group g(name);
    for (uint32_t seed = firstSeed; seed < firstSeed + count; ++seed) {
        CalcStringSequence(Sequence(seed, mix), g);
    }
    g.Expect(expected);
}

TEST(ResultsDigest, ArithmeticKeysAlgebraic) {
    ExpectPressMany("arithmetic algebraic", 1, 3000, Mix::ARITHMETIC, 1, 0xd76032ca3f3542e1ull);
}

TEST(ResultsDigest, ArithmeticKeysEqualPriority) {
    ExpectPressMany("arithmetic equal", 1, 3000, Mix::ARITHMETIC, 0, 0xa6df769a60361d3aull);
}

TEST(ResultsDigest, NestingToTheLimitsInBothModes) {
    KeyRun algebraic("nesting algebraic"), equal("nesting equal");
    PressMany(10001, 1500, Mix::NESTING, 1, algebraic);
    PressMany(10001, 1500, Mix::NESTING, 0, equal);
    algebraic.group.Expect(0x8472c2975709aa6full);
    equal.group.Expect(0xcf044efb47420bacull);
    // Every road where an operand finds its stack full must be taken, or the
    // digests say nothing about them.
    for (int key : {KEY_ADD, KEY_BLANK_OP, KEY_EQUAL, KEY_RPAREN, KEY_MPLUS, KEY_PERCENT_OP}) {
        EXPECT_GT(algebraic.refused[key] + equal.refused[key], 0) << "key " << key;
    }
}

TEST(ResultsDigest, WholeSequenceCall) {
    ExpectCalcStringMany("calc string arithmetic", 1, 3000, Mix::ARITHMETIC, 0xaa1a10c706ab9109ull);
    ExpectCalcStringMany("calc string nesting", 10001, 1500, Mix::NESTING, 0xd8780231df81eb2bull);
}

// These fold in the last bits of the engine's elementary functions behind
// the function keys.
TEST(ResultsDigest, ScientificKeys) {
    ExpectPressMany("scientific algebraic", 20001, 2000, Mix::SCIENTIFIC, 1, 0x80ad6850661698adull);
    ExpectPressMany("scientific equal", 20001, 2000, Mix::SCIENTIFIC, 0, 0x0754fa9bd59e4847ull);
    ExpectCalcStringMany("calc string scientific", 20001, 2000, Mix::SCIENTIFIC,
                         0x631a2eadce76af34ull);
}

// ---- formatter and powers of ten ----------------------------------------------

// One call of the formatter; cells it leaves alone show up. The digest
// leaves out the exponent cells of widths other than 14, as it always has.
void Format(double value, int width, Group &g) {
    TQCAL_WChar display[TQCAL_DISPLAY_AREA];
    TQCAL_WChar exponent[TQCAL_EXPONENT_CELLS];
    int32_t negative = -7;
    for (TQCAL_WChar &cell : display) cell = 0xBEEF;
    if (width == 14) {
        for (TQCAL_WChar &cell : exponent) cell = 0xBEEF;
    }
    const int rc = TQCAL_DivideDoubleToStr(value, display, exponent, &negative, width);
    g.digest.Add(rc);
    g.digest.Add(display);
    g.digest.Add(exponent);
    g.digest.Add(negative);
    if (g.Tracing()) {
        g.Case(
            "TQCAL_DivideDoubleToStr(%016llx, width %d): returns %d, display \"%s\" exponent "
            "\"%s\" negative %d",
            Bits(value), width, rc, CellText(display, TQCAL_DISPLAY_AREA).c_str(),
            CellText(exponent, TQCAL_EXPONENT_CELLS).c_str(), static_cast<int>(negative));
    }
}

TEST(ResultsDigest, FormatterOverEveryDecade) {
    Group g("formatter");
    // Values at and a few units in the last place around k * 10^e: where the
    // pre-rounding, the carries and the form switch decide.
    for (int e = -101; e <= 100; ++e) {
        for (int k = 1; k <= 99; ++k) {
            // The engine's own powers: the same bits on every target, where
            // a platform's pow may differ in the last place.
            const double v = k * TQCAL_Pow10(e);
            double below = v, above = v;
            for (int step = 0; step < 4; ++step) {
                Format(below, 14, g);
                Format(above, 14, g);
                below = std::nextafter(below, 0.0);
                above = std::nextafter(above, std::numeric_limits<double>::infinity());
            }
            Format(-v, 14, g);
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
        Format(v, 14, g);
    }
    // Widths other than 14 and values the engine never hands over.
    for (double v :
         {0.0, -0.0, 1e-100, 9.999999999999e-100, 9.9999999999991e99, 1e100, 1e300,
          std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
          std::numeric_limits<double>::quiet_NaN(), 1.0 / 3, 2.0 / 3, 99999.999999999}) {
        for (int width : {-1, 0, 1, 2, 7, 13, 14, 15, 40}) Format(v, width, g);
    }
    g.Expect(0x4d216e1f8c9636dbull);
}

TEST(ResultsDigest, Pow10OverItsWholeRange) {
    Group g("pow10");
    auto pow10 = [&g](double x) {
        const double r = TQCAL_Pow10(x);
        g.digest.Add(r);
        if (g.Tracing()) g.Case("TQCAL_Pow10(%016llx): %016llx", Bits(x), Bits(r));
    };
    for (int k = -1200; k <= 1200; ++k) {
        for (double f : {0.0, 0.25, 0.5, 0.999}) {
            pow10(k + f);
            pow10(k - f);
        }
    }
    for (double x :
         {-0.0, 2147483647.0, -2147483647.0, 2147483648.0, -2147483648.0, 1e10, -1e10, 1e300,
          -1e300, std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
          std::numeric_limits<double>::quiet_NaN(), 5e-324, -5e-324}) {
        pow10(x);
    }
    g.Expect(0xc3501ca44b0208fdull);
}

}  // namespace
