// The engine's binary64 routines against the processor's double arithmetic.
//
// Each test runs a class of operands through the routines and folds every
// result into a hash. Where the test program has hardware doubles (x86-64,
// 32-bit x86 with SSE2, ARM VFP, Windows), every result is also compared
// with the hardware's. The hashes were recorded on x86-64, where every
// result agreed with the hardware; a soft-float build, which has no
// hardware to ask, must give the same hashes, that is the same bits.
#include "math/binary64.h"

#include <gtest/gtest.h>

#include "binary64_cases.h"

#include <bit>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

namespace {

using namespace tqcal::math;
using namespace binary64_cases;

constexpr uint64_t SIGN_BIT = 1ULL << 63;

uint64_t Bits(double x) { return std::bit_cast<uint64_t>(x); }
double Double(uint64_t x) { return std::bit_cast<double>(x); }

std::string Hex(uint64_t x) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%016" PRIX64, x);
    return text;
}

enum Op { OP_ADD, OP_SUB, OP_MUL, OP_DIV, OP_COUNT };
const char *const OP_NAMES[OP_COUNT] = {"+", "-", "*", "/"};

uint64_t Ours(int op, uint64_t a, uint64_t b) {
    switch (op) {
        case OP_ADD: return AddBits(a, b);
        case OP_SUB: return SubBits(a, b);
        case OP_MUL: return MulBits(a, b);
        default: return DivBits(a, b);
    }
}

double Hardware(int op, double a, double b) {
    switch (op) {
        case OP_ADD: return HardwareAdd(a, b);
        case OP_SUB: return HardwareSub(a, b);
        case OP_MUL: return HardwareMul(a, b);
        default: return HardwareDiv(a, b);
    }
}

// Runs pairs through the four operations and the comparison: one hash over
// all results, and on hardware targets the disagreements (the first few
// are reported in hex).
struct Checker {
    Hash hash;
    int failures = 0;

    void Fail(const std::string &what) {
        if (++failures <= 8) ADD_FAILURE() << what;
    }

    void Check(uint64_t a, uint64_t b) {
        for (int op = 0; op < OP_COUNT; ++op) {
            const uint64_t ours = Ours(op, a, b);
            hash.Add(ours);
            if (!HARDWARE_DOUBLES) continue;
            const double h = Hardware(op, Double(a), Double(b));
            if (!Agrees(ours, h, a, b))
                Fail(Hex(a) + " " + OP_NAMES[op] + " " + Hex(b) + " gives " + Hex(ours) +
                     ", the hardware " + Hex(Bits(h)));
        }
        const Order order = CompareBits(a, b);
        hash.Add(static_cast<uint64_t>(order));
        if (!HARDWARE_DOUBLES) return;
        const double x = Double(a), y = Double(b);
        const Order h = x < y    ? Order::LESS
                        : x == y ? Order::EQUAL
                        : x > y  ? Order::GREATER
                                 : Order::UNORDERED;
        if (order != h) Fail("comparing " + Hex(a) + " with " + Hex(b));
    }
};

uint64_t Make(uint64_t sign, int64_t exponent, uint64_t fraction) {
    return sign << 63 | static_cast<uint64_t>(exponent) << 52 | fraction;
}

// A double from one random number (so that the order of evaluation cannot
// change the sequence): random fraction, exponent field in [low, low +
// count), sign random when signed.
uint64_t Drawn(Random &r, int64_t low, int64_t count, bool sign = false) {
    const uint64_t x = r.Next();
    return Make(sign ? (x >> 11) & 1 : 0, low + static_cast<int64_t>((x & 0x7FF) % count), x >> 12);
}

// Signed zeros, infinities, quiet and signalling NaNs (with payloads), the
// extremes of the normal and subnormal ranges and a few ordinary numbers,
// in both signs.
std::vector<uint64_t> Specials() {
    const uint64_t magnitudes[] = {
        0,
        0x7FF0000000000000ULL,  // 0, inf
        0x7FF8000000000000ULL,
        0x7FF8000000000ABCULL,  // quiet NaNs
        0x7FF0000000000001ULL,
        0x7FF4000000000000ULL,  // signalling NaNs
        0x7FEFFFFFFFFFFFFFULL,
        0x0010000000000000ULL,  // largest, smallest normal
        0x000FFFFFFFFFFFFFULL,
        0x0000000000000001ULL,  // largest, smallest subnormal
        0x3FF0000000000000ULL,
        0x4008000000000000ULL,  // 1, 3
        0x3FF0000000000001ULL,
        0x3FEFFFFFFFFFFFFFULL,  // 1 + ulp, 1 - ulp/2
    };
    std::vector<uint64_t> v;
    for (uint64_t m : magnitudes) {
        v.push_back(m);
        v.push_back(m | SIGN_BIT);
    }
    return v;
}

void ExpectHash(const Hash &hash, uint64_t recorded) {
    EXPECT_EQ(hash.value, recorded)
        << "hash " << Hex(hash.value) << ", recorded on x86-64 " << Hex(recorded);
}

TEST(Binary64, ReportedSumsAreCorrectlyRounded) {
    // Exponents 33 apart, the sum normalising one place down: the guard
    // bit decides, and a helper that drops it is one unit low.
    EXPECT_EQ(AddBits(0x3FF0000000000000ULL, 0xBDE17741679CA5CCULL), 0x3FEFFFFFFFEE88BFULL);
    EXPECT_EQ(AddBits(0x4060000000000000ULL, 0xBE5CFCB31804E312ULL), 0x405FFFFFFFE3034DULL);
}

TEST(Binary64, SpecialOperands) {
    Checker c;
    const std::vector<uint64_t> specials = Specials();
    for (uint64_t a : specials)
        for (uint64_t b : specials) c.Check(a, b);
    ExpectHash(c.hash, 0xF016CB1C2A78D317ULL);
}

#if defined(__ARM_EABI__) && defined(__SOFTFP__)
extern "C" double __aeabi_dsub(double a, double b);
extern "C" double __aeabi_drsub(double a, double b);

// The subtraction helpers flip a sign and branch to the addition: a NaN
// operand must keep its own sign and payload, and every other result be
// SubBits' (the reversed one with its operands swapped).
TEST(Binary64, SubtractionHelpers) {
    const std::vector<uint64_t> specials = Specials();
    for (uint64_t a : specials) {
        for (uint64_t b : specials) {
            EXPECT_EQ(Bits(__aeabi_dsub(Double(a), Double(b))), SubBits(a, b))
                << Hex(a) << " " << Hex(b);
            EXPECT_EQ(Bits(__aeabi_drsub(Double(a), Double(b))), SubBits(b, a))
                << Hex(a) << " " << Hex(b);
        }
    }
}
#endif

// Every exponent difference from 0 to 64, both ways round, with fractions
// that are a power of two, one unit above it, all ones or random, in every
// sign, at exponents in the middle of the range and near both ends.
TEST(Binary64, EveryExponentDifference) {
    Checker c;
    Random r{1};
    const int64_t exponents[] = {1023, 1600, 70, 2000};
    for (int64_t ea : exponents) {
        for (int64_t d = 0; d <= 64; ++d) {
            const uint64_t fractions[] = {0, 1, (1ULL << 52) - 1, r.Next() >> 12, r.Next() >> 12};
            for (uint64_t fa : fractions) {
                for (uint64_t fb : fractions) {
                    for (uint64_t signs = 0; signs < 4; ++signs) {
                        const uint64_t a = Make(signs & 1, ea, fa);
                        const uint64_t b = Make(signs >> 1, ea - d, fb);
                        c.Check(a, b);
                        c.Check(b, a);
                    }
                }
            }
        }
    }
    ExpectHash(c.hash, 0x4D18443F211C4A54ULL);
}

// Results exactly half way between two doubles: sums with half a unit or
// one and a half units of the larger operand, and products 3 m with m odd
// and 3 m of 54 bits, at exponents where the result is normal or subnormal.
TEST(Binary64, ExactTies) {
    Checker c;
    Random r{2};
    for (int i = 0; i < 4000; ++i) {
        const uint64_t s = r.Next();
        const int64_t ea = 60 + static_cast<int64_t>(s % 1980);
        const uint64_t a = Make(s >> 63, ea, r.Next() >> 12);
        c.Check(a, Make((s >> 62) & 1, ea - 53, 0));           // half a unit
        c.Check(a, Make((s >> 61) & 1, ea - 52, 1ULL << 51));  // one and a half
        // 3 m with m in [2^52, 2^54 / 3) and odd has 54 bits, the last a 1.
        const uint64_t m = ((r.Next() % ((1ULL << 52) / 3)) | 1);
        const int64_t em = 1 + static_cast<int64_t>(r.Next() % 2046);
        int64_t e3 = 2047 - em + static_cast<int64_t>(s % 120) - 60;          // products near 1
        if (i % 4 == 0) e3 = 1023 - em + static_cast<int64_t>(s % 100) - 60;  // subnormal
        if (e3 < 1) e3 = 1;
        if (e3 > 2046) e3 = 2046;
        c.Check(Make(s >> 60 & 1, e3, 1ULL << 51), Make(s >> 59 & 1, em, m));
    }
    // The largest double and half a unit more: the tie goes to the even
    // neighbour, which is infinity.
    c.Check(0x7FEFFFFFFFFFFFFFULL, 0x7C90000000000000ULL);
    ExpectHash(c.hash, 0x73BBB54E7F8781BDULL);
}

// Differences that cancel to zero or nearly, subnormal operands and
// results, and results beyond the largest double.
TEST(Binary64, CancellationSubnormalsAndOverflow) {
    Checker c;
    Random r{3};
    for (int i = 0; i < 4000; ++i) {
        const uint64_t s = r.Next();
        const uint64_t a = s & ~SIGN_BIT;
        c.Check(a, a);
        c.Check(a, a | SIGN_BIT);
        c.Check(a, a + 1);
        c.Check(a | SIGN_BIT, (a - 1) & ~SIGN_BIT);
        const uint64_t tiny = r.Next() >> 12;  // subnormal
        c.Check(tiny, r.Next() >> 12 | (s & SIGN_BIT));
        c.Check(tiny, Make(0, 1 + static_cast<int64_t>(s % 60), r.Next() >> 12));
        // Products and quotients from deep in the subnormal range to the
        // smallest normal, and from near the largest double to beyond it.
        const int64_t ea = 1 + static_cast<int64_t>(r.Next() % 2046);
        const int64_t low = static_cast<int64_t>(s % 130) - 60;  // result exponent
        const int64_t high = 2035 + static_cast<int64_t>(s % 20);
        const uint64_t fa = r.Next() >> 12, fb = r.Next() >> 12;
        for (int64_t target : {low, high}) {
            const int64_t eb_mul = target + 1023 - ea, eb_div = ea + 1023 - target;
            if (eb_mul >= 1 && eb_mul <= 2046) c.Check(Make(0, ea, fa), Make(s >> 63, eb_mul, fb));
            if (eb_div >= 1 && eb_div <= 2046) c.Check(Make(s >> 63, ea, fa), Make(0, eb_div, fb));
        }
        c.Check(Make(0, 2046, fa), Make(0, 2046 - static_cast<int64_t>(s % 3), fb));
    }
    ExpectHash(c.hash, 0x77A072EA09A621D6ULL);
}

// Random pairs (binary64_cases.h). TQCAL_BINARY64_PAIRS sets their number
// (bench/binary64.sh runs 10^8); the hash is recorded for the default 10^6.
TEST(Binary64, RandomPairs) {
    const char *count_text = std::getenv("TQCAL_BINARY64_PAIRS");
    const uint64_t count = count_text ? std::strtoull(count_text, nullptr, 10) : 1000000;
    Checker c;
    Random r{4};
    for (uint64_t i = 0; i < count; ++i) {
        const Pair p = RandomPair(r);
        c.Check(p.a, p.b);
    }
    std::printf("binary64 random pairs: %" PRIu64 ", hash %s, %d differ from the hardware%s\n",
                count, Hex(c.hash.value).c_str(), c.failures,
                HARDWARE_DOUBLES ? "" : " (not compared: no hardware doubles)");
    if (!count_text) ExpectHash(c.hash, 0x1E16E7C3428FE863ULL);
    EXPECT_EQ(c.failures, 0);
}

// The square root computed on integers, on every target (the engine's Sqrt
// is the instruction where there is one): perfect squares, their
// neighbours, subnormals, the specials and random numbers, against the
// hardware's square root and against the engine's Sqrt.
TEST(Binary64, SquareRoot) {
    Hash hash;
    int failures = 0;
    auto check = [&](uint64_t a) {
        const uint64_t ours = SqrtBits(a);
        hash.Add(ours);
        if (Bits(Sqrt(Double(a))) != ours && !(IsNaN(ours) && std::isnan(Sqrt(Double(a)))))
            if (++failures <= 8) ADD_FAILURE() << "Sqrt and SqrtBits differ at " << Hex(a);
        if (!HARDWARE_DOUBLES) return;
        volatile double x = Double(a);
        const double h = std::sqrt(x);
        if (!Agrees(ours, h, a, a))
            if (++failures <= 8)
                ADD_FAILURE() << "sqrt " << Hex(a) << " gives " << Hex(ours) << ", the hardware "
                              << Hex(Bits(h));
    };
    for (uint64_t a : Specials()) check(a);
    Random r{5};
    for (int i = 0; i < 200000; ++i) {
        const uint64_t bits = r.Next();
        const uint64_t k = bits >> (11 + bits % 40) | 1;  // below 2^53
        const uint64_t square = FromUint64(k * k < (1ULL << 53) ? k * k : k);
        check(square);
        check(square + 1);
        check(square - 1);
        check(r.Next() >> 12);        // subnormal
        check(r.Next() & ~SIGN_BIT);  // any positive double
        check(Drawn(r, 1, 2046));
    }
    ExpectHash(hash, 0x0C7E49A7788439ABULL);
    EXPECT_EQ(failures, 0);
}

// fmod is exact: against the C library's (exact on every target tested),
// with exponent gaps of every size, subnormals and the specials.
TEST(Binary64, Remainder) {
    Hash hash;
    int failures = 0;
    auto check = [&](uint64_t a, uint64_t b) {
        const uint64_t ours = FmodBits(a, b);
        hash.Add(ours);
        if (Bits(Fmod(Double(a), Double(b))) != ours)
            if (++failures <= 8) ADD_FAILURE() << "Fmod and FmodBits differ at " << Hex(a);
        if (!HARDWARE_DOUBLES) return;
        volatile double x = Double(a), y = Double(b);
        const double h = std::fmod(x, y);
        if (!Agrees(ours, h, a, b))
            if (++failures <= 8)
                ADD_FAILURE() << "fmod(" << Hex(a) << ", " << Hex(b) << ") gives " << Hex(ours)
                              << ", the library " << Hex(Bits(h));
    };
    const std::vector<uint64_t> specials = Specials();
    for (uint64_t a : specials)
        for (uint64_t b : specials) check(a, b);
    Random r{6};
    for (int i = 0; i < 100000; ++i) {
        const Pair p = RandomPair(r);
        check(p.a, p.b);
        const uint64_t a = Drawn(r, 1, 2046);
        check(a, Drawn(r, 1, 1200, true));
        const uint64_t tiny = r.Next() >> 12;  // subnormals
        check(tiny, r.Next() >> 20);
    }
    // The engine's own uses: angles in degrees and the parity of exponents.
    for (double x : {360.0, 720.0, 1e100, -1e22, 359.99999999999994, 1e-300, 3.0, 4.0, 2.5}) {
        check(Bits(x), Bits(360.0));
        check(Bits(x), Bits(180.0));
        check(Bits(x), Bits(2.0));
    }
    ExpectHash(hash, 0xA223AC5B92FE4E93ULL);
    EXPECT_EQ(failures, 0);
}

// Integers to doubles (rounded above 2^53) and back (truncated), and
// floats to doubles.
TEST(Binary64, Conversions) {
    Hash hash;
    int failures = 0;
    auto expect = [&](uint64_t ours, double hardware, const std::string &what) {
        hash.Add(ours);
        if (HARDWARE_DOUBLES && !Agrees(ours, hardware, 0, 0))
            if (++failures <= 8)
                ADD_FAILURE() << what << " gives " << Hex(ours) << ", the hardware "
                              << Hex(Bits(hardware));
    };
    Random r{7};
    for (int i = 0; i < 100000; ++i) {
        const uint64_t bits = r.Next();
        const uint64_t v = bits >> (bits % 64);
        volatile uint64_t uv = v;
        volatile int64_t sv = static_cast<int64_t>(r.Next() & 1 ? v : -v);
        volatile int32_t s32 = static_cast<int32_t>(v);
        volatile uint32_t u32 = static_cast<uint32_t>(v);
        expect(FromUint64(v), static_cast<double>(uv), "u64 " + Hex(v));
        expect(FromInt64(sv), static_cast<double>(sv), "i64 " + Hex(v));
        expect(FromInt32(s32), static_cast<double>(s32), "i32 " + Hex(v));
        expect(FromUint32(u32), static_cast<double>(u32), "u32 " + Hex(v));
        volatile uint32_t fbits = static_cast<uint32_t>(r.Next());
        const float f = std::bit_cast<float>(static_cast<uint32_t>(fbits));
        expect(FromFloatBits(fbits), static_cast<double>(f), "float " + Hex(fbits));
        // Back to integers, from doubles in range of each type.
        const double d = Double(Drawn(r, 1000, 86, true));
        volatile double vd = d;
        hash.Add(static_cast<uint64_t>(ToInt64(Bits(d))));
        if (std::fabs(d) < 0x1p63 && HARDWARE_DOUBLES &&
            ToInt64(Bits(d)) != static_cast<int64_t>(vd))
            if (++failures <= 8) ADD_FAILURE() << "to i64 " << Hex(Bits(d));
        if (std::fabs(d) < 0x1p31 && ToInt32(Bits(d)) != static_cast<int32_t>(vd))
            if (++failures <= 8) ADD_FAILURE() << "to i32 " << Hex(Bits(d));
        if (d >= 0 && d < 0x1p32 && ToUint32(Bits(d)) != static_cast<uint32_t>(vd))
            if (++failures <= 8) ADD_FAILURE() << "to u32 " << Hex(Bits(d));
        if (d >= 0 && d < 0x1p64 && ToUint64(Bits(d)) != static_cast<uint64_t>(vd))
            if (++failures <= 8) ADD_FAILURE() << "to u64 " << Hex(Bits(d));
    }
    ExpectHash(hash, 0x8802B2E1E515ECA9ULL);
    EXPECT_EQ(failures, 0);
    // Out of range: the nearest integer; NaN gives 0.
    constexpr double INF_VALUE = std::numeric_limits<double>::infinity();
    EXPECT_EQ(ToInt32(Bits(3e9)), INT32_MAX);
    EXPECT_EQ(ToInt32(Bits(-3e9)), INT32_MIN);
    EXPECT_EQ(ToInt32(Bits(-2147483648.9)), INT32_MIN);
    EXPECT_EQ(ToInt32(Bits(-INF_VALUE)), INT32_MIN);
    EXPECT_EQ(ToInt32(Bits(std::nan(""))), 0);
    EXPECT_EQ(ToUint32(Bits(-1.5)), 0u);
    EXPECT_EQ(ToUint32(Bits(5e9)), UINT32_MAX);
    EXPECT_EQ(ToInt64(Bits(1e19)), INT64_MAX);
    EXPECT_EQ(ToInt64(Bits(-0x1p63)), INT64_MIN);
    EXPECT_EQ(ToUint64(Bits(INF_VALUE)), UINT64_MAX);
    EXPECT_EQ(ToInt32(Bits(-0.99)), 0);
}

}  // namespace
