// binary64 arithmetic on integers (see binary64.h).
//
// A finite operand is taken apart into its sign, its exponent field e (1
// for subnormals, whose significand then lacks the leading one) and its
// significand m, a whole number below 2^53 with value m * 2^(e - 1075).
// Each operation forms its exact result, or the leading bits of it, as a
// 64-bit significand whose leading one sits in bit 62, with ten bits below
// the last bit the result keeps; every bit shifted out further down is
// folded into bit 0 ("sticky"). Rounding looks at those ten bits, so the
// sticky bit is never confused with a half: the rounded result is the
// correctly rounded one however far the bits were shifted.
//
// This file must not contain a single double operation: on a soft-float
// build each one would be a call into the helpers defined at its end, and
// those call the routines here.
#include "math/binary64.h"

#include <type_traits>

namespace tqcal::math {

namespace {

constexpr uint64_t SIGN_BIT = 1ULL << 63;
constexpr uint64_t INF_BITS = 0x7FF0000000000000ULL;
constexpr uint64_t QUIET_BIT = 1ULL << 51;
constexpr uint64_t DEFAULT_NAN = 0xFFF8000000000000ULL;
constexpr uint64_t FRACTION_MASK = (1ULL << 52) - 1;
constexpr uint64_t IMPLICIT_BIT = 1ULL << 52;

bool IsNaN(uint64_t a) { return (a & ~SIGN_BIT) > INF_BITS; }
bool IsInf(uint64_t a) { return (a & ~SIGN_BIT) == INF_BITS; }
uint64_t Magnitude(uint64_t a) { return a & ~SIGN_BIT; }

// The NaN an operation on NaN operands gives: the first NaN, made quiet.
uint64_t PropagateNaN(uint64_t a, uint64_t b) { return (IsNaN(a) ? a : b) | QUIET_BIT; }

// x is never 0. ARMv4 has no count-leading-zeros instruction (and the
// compiler's helper for it uses one), so there the count narrows the word
// down to its leading nibble in three steps and reads that nibble's count
// from a table: a few instructions, where a loop took dozens.
#if defined(__ARM_ARCH) && __ARM_ARCH < 5
constexpr uint8_t NIBBLE_LEADING_ZEROS[16] = {4, 3, 2, 2, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0};

int LeadingZeros32(uint32_t x) {
    int n = 0;
    if (x < (1u << 16)) {
        n = 16;
        x <<= 16;
    }
    if (x < (1u << 24)) {
        n += 8;
        x <<= 8;
    }
    if (x < (1u << 28)) {
        n += 4;
        x <<= 4;
    }
    return n + NIBBLE_LEADING_ZEROS[x >> 28];
}

int LeadingZeros(uint64_t x) {
    const uint32_t high = static_cast<uint32_t>(x >> 32);
    return high != 0 ? LeadingZeros32(high) : 32 + LeadingZeros32(static_cast<uint32_t>(x));
}
#else
int LeadingZeros32(uint32_t x) { return __builtin_clz(x); }
int LeadingZeros(uint64_t x) { return __builtin_clzll(x); }
#endif

// True when neither a nor b is zero, subnormal, infinite or NaN: the
// common case, which skips the tests of the others.
bool BothNormal(uint64_t a, uint64_t b) {
    const uint32_t ea = static_cast<uint32_t>(a >> 52) & 0x7FF;
    const uint32_t eb = static_cast<uint32_t>(b >> 52) & 0x7FF;
    return ea - 1 < 0x7FE && eb - 1 < 0x7FE;
}

// x >> n, with a 1 in bit 0 when any bit shifted out was a 1.
uint64_t ShiftRightSticky(uint64_t x, int n) {
    if (n <= 0) return x;
    if (n >= 64) return x != 0;
    return (x >> n) | ((x << (64 - n)) != 0);
}

// The exponent field and the significand with its leading one (for a
// subnormal: e = 1 and no leading one).
struct Unpacked {
    int e;
    uint64_t m;
};

Unpacked Unpack(uint64_t a) {
    const int e = static_cast<int>((a >> 52) & 0x7FF);
    if (e == 0) return {1, a & FRACTION_MASK};
    return {e, (a & FRACTION_MASK) | IMPLICIT_BIT};
}

// As Unpack, with a subnormal's significand shifted up to a leading one in
// bit 52 and its exponent below 1 to match. a must be finite and not zero.
Unpacked UnpackNormalized(uint64_t a) {
    Unpacked u = Unpack(a);
    if (u.m < IMPLICIT_BIT) {
        const int shift = LeadingZeros(u.m) - 11;
        u.m <<= shift;
        u.e -= shift;
    }
    return u;
}

// The value m * 2^(e - 1085) (m != 0, its leading one in bit 62), rounded
// to nearest, ties to even, with the sign. Exponents above the range give
// infinity; below it the significand is shifted down (sticky) into a
// subnormal, which may round to zero or up to the smallest normal.
uint64_t RoundPack(uint64_t sign, int e, uint64_t m) {
    if (e >= 0x7FF) return sign | INF_BITS;
    if (e <= 0) {
        m = ShiftRightSticky(m, 1 - e);
        e = 1;
    }
    const uint64_t rest = m & 0x3FF;
    m >>= 10;
    if (rest > 0x200 || (rest == 0x200 && (m & 1))) ++m;
    // Adding the significand, leading one included, to the exponent field
    // less one gives the field; a carry out of the rounding steps it up,
    // to infinity above the largest finite number.
    return sign | ((static_cast<uint64_t>(e - 1) << 52) + m);
}

// As RoundPack for any non-zero m: moves its leading one to bit 62 first.
uint64_t NormalizeRoundPack(uint64_t sign, int e, uint64_t m) {
    const int lz = LeadingZeros(m);
    if (lz == 0) return RoundPack(sign, e + 1, ShiftRightSticky(m, 1));
    return RoundPack(sign, e - (lz - 1), m << (lz - 1));
}

// a + (b with its sign flipped when negate), for operands that are not NaN.
uint64_t AddSigned(uint64_t a, uint64_t b) {
    const bool normal = BothNormal(a, b);
    if (!normal && (IsInf(a) || IsInf(b))) {
        if (IsInf(a) && IsInf(b) && ((a ^ b) & SIGN_BIT)) return DEFAULT_NAN;
        return IsInf(a) ? a : b;
    }
    // a takes the larger magnitude.
    if (Magnitude(a) < Magnitude(b)) {
        const uint64_t t = a;
        a = b;
        b = t;
    }
    const uint64_t sign = a & SIGN_BIT;
    const bool subtract = ((a ^ b) & SIGN_BIT) != 0;
    if (!normal && Magnitude(b) == 0) {
        // x + 0 = x; +0 + -0 = +0, -0 + -0 = -0.
        if (Magnitude(a) == 0) return subtract ? 0 : a;
        return a;
    }
    if (subtract && Magnitude(a) == Magnitude(b)) return 0;  // x - x = +0
    const Unpacked ua = Unpack(a);
    const Unpacked ub = Unpack(b);
    const uint64_t ma = ua.m << 10;
    // The smaller operand loses at most bits below the ten extra ones, and
    // only when the exponents are at least two apart; then the result
    // moves at most one place up, and the ten bits still lie below the
    // result's last.
    const uint64_t mb = ShiftRightSticky(ub.m << 10, ua.e - ub.e);
    const uint64_t m = subtract ? ma - mb : ma + mb;
    return NormalizeRoundPack(sign, ua.e, m);
}

// The leading 64 bits of the product of two significands below 2^53, less
// the 42 lowest folded into bit 0: each moved up to a leading one in bit
// 63, the product's high word with a sticky bit for the low one. Four
// 32 by 32-bit products, which ARMv4 and later make with one instruction
// each (UMULL).
uint64_t ProductSticky(uint64_t a, uint64_t b) {
    a <<= 11;
    b <<= 11;
    const uint32_t al = static_cast<uint32_t>(a), ah = static_cast<uint32_t>(a >> 32);
    const uint32_t bl = static_cast<uint32_t>(b), bh = static_cast<uint32_t>(b >> 32);
    const uint64_t p0 = static_cast<uint64_t>(al) * bl, p1 = static_cast<uint64_t>(al) * bh;
    const uint64_t p2 = static_cast<uint64_t>(ah) * bl, p3 = static_cast<uint64_t>(ah) * bh;
    const uint64_t mid = (p0 >> 32) + static_cast<uint32_t>(p1) + static_cast<uint32_t>(p2);
    const uint64_t high = p3 + (p1 >> 32) + (p2 >> 32) + (mid >> 32);
    return high | ((static_cast<uint32_t>(p0) | static_cast<uint32_t>(mid)) != 0);
}

// Seeds for the reciprocal of a divisor word d in [2^31, 2^32), by the five
// bits after its leading one: the top 16 bits of 2^62 / (the largest d with
// those bits, plus one), so that every seed lies below 2^62 / d, by less
// than a 32nd of it.
constexpr uint16_t RECIPROCAL_SEED[32] = {
#define TQCAL_SEED(i) static_cast<uint16_t>((1ULL << 62) / ((32ULL + (i) + 1) << 26) >> 15)
    TQCAL_SEED(0),  TQCAL_SEED(1),  TQCAL_SEED(2),  TQCAL_SEED(3),  TQCAL_SEED(4),  TQCAL_SEED(5),
    TQCAL_SEED(6),  TQCAL_SEED(7),  TQCAL_SEED(8),  TQCAL_SEED(9),  TQCAL_SEED(10), TQCAL_SEED(11),
    TQCAL_SEED(12), TQCAL_SEED(13), TQCAL_SEED(14), TQCAL_SEED(15), TQCAL_SEED(16), TQCAL_SEED(17),
    TQCAL_SEED(18), TQCAL_SEED(19), TQCAL_SEED(20), TQCAL_SEED(21), TQCAL_SEED(22), TQCAL_SEED(23),
    TQCAL_SEED(24), TQCAL_SEED(25), TQCAL_SEED(26), TQCAL_SEED(27), TQCAL_SEED(28), TQCAL_SEED(29),
    TQCAL_SEED(30), TQCAL_SEED(31)
#undef TQCAL_SEED
};

// v, below 2^62 / d and within 2^-28 of it relatively (d in [2^31, 2^32)).
// Each Newton step v + v * (2^62 - d * v) / 2^62 squares the relative error
// of the one before and, rounded down, stays below 2^62 / d: from a 32nd to
// 2^-10, 2^-20 and 2^-40, less the few units that the rounding loses.
uint32_t Reciprocal(uint32_t d) {
    uint32_t v = static_cast<uint32_t>(RECIPROCAL_SEED[(d >> 26) & 31]) << 15;
    for (int step = 0; step < 3; ++step) {
        const uint64_t error = (1ULL << 62) - static_cast<uint64_t>(d) * v;
        v += static_cast<uint32_t>(static_cast<uint64_t>(v) * static_cast<uint32_t>(error >> 30) >>
                                   32);
    }
    return v;
}

// One digit of a long division by b (a significand in [2^52, 2^53)):
// *r, below 2 * b, becomes the remainder of *r * 2^27 by b, and the
// quotient, below 2^28, is returned. The estimate from the top 32 bits of
// *r (shifted down by shift) and the reciprocal v = Reciprocal(b >> 21)
// lies within one of the quotient, so the remainder, computed modulo 2^64,
// is exact as a signed number, and a correction or two makes both exact.
uint32_t DivideDigit(uint64_t *r, uint64_t b, uint32_t v, int shift) {
    uint32_t q = static_cast<uint32_t>(
        static_cast<uint64_t>(static_cast<uint32_t>(*r >> shift)) * v >> (56 - shift));
    int64_t rest = static_cast<int64_t>((*r << 27) - q * b);
    if (rest < 0) {
        rest += static_cast<int64_t>(b);
        --q;
    }
    while (static_cast<uint64_t>(rest) >= b) {
        rest -= static_cast<int64_t>(b);
        ++q;
    }
    *r = static_cast<uint64_t>(rest);
    return q;
}

}  // namespace

uint64_t AddBits(uint64_t a, uint64_t b) {
    if (!BothNormal(a, b) && (IsNaN(a) || IsNaN(b))) return PropagateNaN(a, b);
    return AddSigned(a, b);
}

uint64_t SubBits(uint64_t a, uint64_t b) {
    if (IsNaN(a) || IsNaN(b)) return PropagateNaN(a, b);
    return AddSigned(a, b ^ SIGN_BIT);
}

uint64_t MulBits(uint64_t a, uint64_t b) {
    const uint64_t sign = (a ^ b) & SIGN_BIT;
    if (!BothNormal(a, b)) {
        if (IsNaN(a) || IsNaN(b)) return PropagateNaN(a, b);
        if (IsInf(a) || IsInf(b)) {
            if (Magnitude(a) == 0 || Magnitude(b) == 0) return DEFAULT_NAN;
            return sign | INF_BITS;
        }
        if (Magnitude(a) == 0 || Magnitude(b) == 0) return sign;
    }
    const Unpacked ua = UnpackNormalized(a);
    const Unpacked ub = UnpackNormalized(b);
    // The product lies in [2^104, 2^106): its leading 64 bits, less the
    // 42 lowest folded into bit 0, have the leading one in bit 62 or 63.
    const uint64_t m = ProductSticky(ua.m, ub.m);
    const int e = ua.e + ub.e - 1023;
    if (m >> 63) return RoundPack(sign, e + 1, (m >> 1) | (m & 1));
    return RoundPack(sign, e, m);
}

uint64_t DivBits(uint64_t a, uint64_t b) {
    const uint64_t sign = (a ^ b) & SIGN_BIT;
    if (!BothNormal(a, b)) {
        if (IsNaN(a) || IsNaN(b)) return PropagateNaN(a, b);
        if (IsInf(a)) return IsInf(b) ? DEFAULT_NAN : sign | INF_BITS;
        if (IsInf(b)) return sign;
        if (Magnitude(b) == 0) return Magnitude(a) == 0 ? DEFAULT_NAN : sign | INF_BITS;
        if (Magnitude(a) == 0) return sign;
    }
    const Unpacked ua = UnpackNormalized(a);
    const Unpacked ub = UnpackNormalized(b);
    int e = ua.e - ub.e + 1023;
    uint64_t r = ua.m;
    if (r < ub.m) {
        r <<= 1;
        --e;
    }
    // The quotient r * 2^54 / b in two digits of 27 bits (the first with
    // its leading one, 28), each exact with its remainder: 55 bits, the
    // first a one, and the last remainder for the sticky bit.
    const uint32_t v = Reciprocal(static_cast<uint32_t>(ub.m >> 21));
    const uint64_t high = DivideDigit(&r, ub.m, v, 22);
    const uint64_t q = high << 27 | DivideDigit(&r, ub.m, v, 21);
    return RoundPack(sign, e, (q << 8) | (r != 0));
}

uint64_t SqrtBits(uint64_t a) {
    if (IsNaN(a)) return a | QUIET_BIT;
    if (Magnitude(a) == 0) return a;  // sqrt(-0) = -0
    if (a & SIGN_BIT) return DEFAULT_NAN;
    if (IsInf(a)) return a;
    Unpacked u = UnpackNormalized(a);
    // a = m * 2^k with k = e - 1075; make k even, so that sqrt(a) =
    // sqrt(m) * 2^(k/2), with m below 2^54.
    int k = u.e - 1075;
    if (k & 1) {
        u.m <<= 1;
        --k;
    }
    // The integer square root of m * 2^56, two radicand bits a step: the
    // 54 bits of m (27 steps) and 28 steps of zeros give a root of 55 bits,
    // the first a one; what remains tells whether the root was exact.
    uint64_t root = 0, rest = 0;
    for (int i = 0; i < 55; ++i) {
        const int shift = 52 - 2 * i;
        const uint64_t pair = shift >= 0 ? (u.m >> shift) & 3 : 0;
        rest = (rest << 2) | pair;
        const uint64_t trial = (root << 2) | 1;
        root <<= 1;
        if (rest >= trial) {
            rest -= trial;
            root |= 1;
        }
    }
    return RoundPack(0, k / 2 + 1049, (root << 8) | (rest != 0));
}

uint64_t FmodBits(uint64_t a, uint64_t b) {
    if (IsNaN(a) || IsNaN(b)) return PropagateNaN(a, b);
    if (IsInf(a) || Magnitude(b) == 0) return DEFAULT_NAN;
    if (IsInf(b) || Magnitude(a) < Magnitude(b)) return a;  // +-0 included
    const uint64_t sign = a & SIGN_BIT;
    const Unpacked ua = UnpackNormalized(a);
    const Unpacked ub = UnpackNormalized(b);
    // |a| = ma * 2^(ea - 1075) with ea >= eb: the remainder of ma * 2^(ea
    // - eb) by mb is the result's significand at b's exponent. Nothing is
    // rounded.
    uint64_t r = ua.m;
#if defined(__x86_64__) || defined(_M_X64) || defined(__aarch64__)
    // One division instruction for eleven bits of the shift at a time (the
    // remainder stays below 2^53, so eleven more bits fit).
    r %= ub.m;
    for (int d = ua.e - ub.e; d > 0;) {
        const int step = d < 11 ? d : 11;
        r = (r << step) % ub.m;
        d -= step;
    }
#else
    // Without a 64-bit division instruction: one bit at a time, as the
    // division routine would do, and no call into the run-time library.
    if (r >= ub.m) r -= ub.m;
    for (int d = ua.e - ub.e; d > 0; --d) {
        r <<= 1;
        if (r >= ub.m) r -= ub.m;
    }
#endif
    if (r == 0) return sign;
    // Back to a leading one in bit 52, or a subnormal: the shift down is
    // exact, as the remainder is a whole multiple of the smallest unit of
    // a and b, which is 2^-1074 or more.
    const int shift = LeadingZeros(r) - 11;
    int e = ub.e - shift;
    r <<= shift;
    if (e <= 0) {
        r >>= 1 - e;
        e = 1;
        return sign | r;
    }
    return sign | ((static_cast<uint64_t>(e - 1) << 52) + r);
}

Order CompareBits(uint64_t a, uint64_t b) {
    if (IsNaN(a) || IsNaN(b)) return Order::UNORDERED;
    if (((a | b) & ~SIGN_BIT) == 0) return Order::EQUAL;  // +0 and -0
    // As signed integers the bit patterns order as the doubles do, except
    // that among two negative ones the larger pattern is the smaller number.
    const int64_t ka = static_cast<int64_t>(a), kb = static_cast<int64_t>(b);
    if (ka == kb) return Order::EQUAL;
    if ((ka < kb) != ((a & b) >> 63 != 0)) return Order::LESS;
    return Order::GREATER;
}

namespace {

uint64_t FromMagnitude(uint64_t sign, uint64_t v) {
    if (v == 0) return 0;
    // v = m * 2^(e - 1085) with the leading one of v moved to bit 62.
    return NormalizeRoundPack(sign, 1085, v);
}

// A 32-bit magnitude is exact in a double: its leading one moves to bit 52.
uint64_t FromMagnitude32(uint64_t sign, uint32_t v) {
    if (v == 0) return 0;
    const int lz = LeadingZeros32(v);
    // The field less one plus the significand, leading one included.
    return sign |
           ((static_cast<uint64_t>(1054 - lz - 1) << 52) + (static_cast<uint64_t>(v) << (lz + 21)));
}

// The magnitude of a truncated towards zero, saturating at limit.
uint64_t TruncatedMagnitude(uint64_t a, uint64_t limit) {
    if (Magnitude(a) < 0x3FF0000000000000ULL) return 0;  // below 1
    const Unpacked u = Unpack(a);
    const int shift = u.e - 1075;
    if (shift >= 0) {
        if (shift > 63 - 52 || (u.m << shift) > limit) return limit;
        return u.m << shift;
    }
    const uint64_t v = u.m >> -shift;
    return v > limit ? limit : v;
}

template <typename Int>
Int ToSigned(uint64_t a) {
    using Unsigned = std::make_unsigned_t<Int>;
    constexpr uint64_t SIGNED_MAX = static_cast<Unsigned>(-1) >> 1;
    if (IsNaN(a)) return 0;
    const uint64_t v = TruncatedMagnitude(a, SIGNED_MAX + 1);
    if (!(a & SIGN_BIT)) return v > SIGNED_MAX ? static_cast<Int>(SIGNED_MAX) : static_cast<Int>(v);
    return static_cast<Int>(-static_cast<Unsigned>(v));  // -(SIGNED_MAX + 1) included
}

}  // namespace

uint64_t FromInt32(int32_t v) {
    return FromMagnitude32(v < 0 ? SIGN_BIT : 0,
                           v < 0 ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v));
}
uint64_t FromUint32(uint32_t v) { return FromMagnitude32(0, v); }
uint64_t FromInt64(int64_t v) {
    const uint64_t sign = v < 0 ? SIGN_BIT : 0;
    const uint64_t magnitude = v < 0 ? -static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
    return FromMagnitude(sign, magnitude);
}
uint64_t FromUint64(uint64_t v) { return FromMagnitude(0, v); }

uint64_t FromFloatBits(uint32_t f) {
    const uint64_t sign = static_cast<uint64_t>(f & 0x80000000u) << 32;
    const uint32_t e = (f >> 23) & 0xFF;
    const uint64_t fraction = f & 0x7FFFFF;
    if (e == 0xFF) return sign | INF_BITS | (fraction << 29) | (fraction ? QUIET_BIT : 0);
    if (e == 0) {
        if (fraction == 0) return sign;
        // A float subnormal is a normal double: fraction * 2^-149.
        return FromMagnitude(sign, fraction) - (149ULL << 52);
    }
    return sign | (static_cast<uint64_t>(e + 1023 - 127) << 52) | (fraction << 29);
}

int32_t ToInt32(uint64_t a) {
    // Below 2^31 in magnitude the whole part is the significand shifted
    // down by 22 to 52 places; the rest (saturation, NaN) as for 64 bits.
    const uint32_t high = static_cast<uint32_t>(a >> 32);
    const int e = static_cast<int>((high >> 20) & 0x7FF);
    if (e < 1023) return 0;
    if (e >= 1023 + 31) return ToSigned<int32_t>(a);
    const uint32_t v = static_cast<uint32_t>(((a & FRACTION_MASK) | IMPLICIT_BIT) >> (1075 - e));
    return static_cast<int32_t>((high >> 31) ? 0u - v : v);
}
int64_t ToInt64(uint64_t a) { return ToSigned<int64_t>(a); }
uint32_t ToUint32(uint64_t a) {
    if (IsNaN(a) || (a & SIGN_BIT)) return 0;
    return static_cast<uint32_t>(TruncatedMagnitude(a, 0xFFFFFFFFu));
}
uint64_t ToUint64(uint64_t a) {
    if (IsNaN(a) || (a & SIGN_BIT)) return 0;
    return TruncatedMagnitude(a, ~0ULL);
}

}  // namespace tqcal::math

// ---- the compiler's helpers on soft-float ARM ---------------------------------
//
// With no floating-point unit, GCC turns every double operation into a call
// of the run-time ABI's helpers, which its support library provides; its
// addition loses the guard bit in some subtractions (1 - 1.2708e-10 comes
// out one unit low). The library defines every helper its code can call
// here instead, over the routines above. They are hidden: calls inside the
// library bind to them, the host's own calls still go to its helpers. The
// support library defines several helpers in one object file (the addition
// also holds the integer conversions), so this file replaces each such set
// whole: none of those objects may be linked in beside these, or the names
// would collide (the dependency test checks that none is). This file is
// compiled without link-time optimization, since the compiler emits these
// calls only after optimizing, when a definition inside link-time code
// could already have been dropped.
// (TQCAL_COMPILER_SOFT_FLOAT_HELPERS keeps the compiler's, to measure the
// difference.)
#if defined(__ARM_EABI__) && defined(__SOFTFP__) && !defined(TQCAL_COMPILER_SOFT_FLOAT_HELPERS)

namespace {

using namespace tqcal::math;

uint64_t B(double x) { return __builtin_bit_cast(uint64_t, x); }
double D(uint64_t x) { return __builtin_bit_cast(double, x); }

}  // namespace

// Each helper carries its own inlined copy of the routine it calls: a
// third less time per key than calls between small functions.
#define TQCAL_HELPER extern "C" __attribute__((visibility("hidden"), used, flatten))

TQCAL_HELPER double __aeabi_dadd(double a, double b) { return D(AddBits(B(a), B(b))); }
// A subtraction is the addition with the sign of its second operand
// flipped, unless that operand is a NaN, which comes out with its own sign:
// one copy of the addition, reached by a branch, rather than three.
namespace {
double Negated(double x) { return D(IsNaN(B(x)) ? B(x) : B(x) ^ (1ULL << 63)); }
}  // namespace
#define TQCAL_HELPER_CALLING extern "C" __attribute__((visibility("hidden"), used))
TQCAL_HELPER_CALLING double __aeabi_dsub(double a, double b) { return __aeabi_dadd(a, Negated(b)); }
TQCAL_HELPER_CALLING double __aeabi_drsub(double a, double b) {
    return __aeabi_dadd(b, Negated(a));
}
TQCAL_HELPER double __aeabi_dmul(double a, double b) { return D(MulBits(B(a), B(b))); }
TQCAL_HELPER double __aeabi_ddiv(double a, double b) { return D(DivBits(B(a), B(b))); }

TQCAL_HELPER int __aeabi_dcmpeq(double a, double b) {
    return CompareBits(B(a), B(b)) == Order::EQUAL;
}
TQCAL_HELPER int __aeabi_dcmplt(double a, double b) {
    return CompareBits(B(a), B(b)) == Order::LESS;
}
TQCAL_HELPER int __aeabi_dcmple(double a, double b) {
    const Order o = CompareBits(B(a), B(b));
    return o == Order::LESS || o == Order::EQUAL;
}
TQCAL_HELPER int __aeabi_dcmpge(double a, double b) {
    const Order o = CompareBits(B(a), B(b));
    return o == Order::GREATER || o == Order::EQUAL;
}
TQCAL_HELPER int __aeabi_dcmpgt(double a, double b) {
    return CompareBits(B(a), B(b)) == Order::GREATER;
}
TQCAL_HELPER int __aeabi_dcmpun(double a, double b) {
    return CompareBits(B(a), B(b)) == Order::UNORDERED;
}

// The comparisons that answer in the flags (Z set: equal; C clear: less;
// unordered: C set, Z clear) keep every register but ip and lr: the
// assembly below saves r0-r3 around this call and turns its answer (0
// less, 1 equal, 2 greater or unordered) into flags with one compare.
TQCAL_HELPER int tqcal_compare_for_flags(double a, double b) {
    switch (CompareBits(B(a), B(b))) {
        case Order::LESS: return 0;
        case Order::EQUAL: return 1;
        default: return 2;
    }
}
__asm__(
    "    .text\n"
    "    .align 2\n"
    "    .global __aeabi_cdcmple\n"
    "    .hidden __aeabi_cdcmple\n"
    "    .type __aeabi_cdcmple, %function\n"
    "    .global __aeabi_cdcmpeq\n"
    "    .hidden __aeabi_cdcmpeq\n"
    "    .type __aeabi_cdcmpeq, %function\n"
    "__aeabi_cdcmple:\n"
    "__aeabi_cdcmpeq:\n"
    "    push {r0, r1, r2, r3, r4, lr}\n"
    "    bl tqcal_compare_for_flags\n"
    "    cmp r0, #1\n"
    "    pop {r0, r1, r2, r3, r4, pc}\n"
    "    .size __aeabi_cdcmple, . - __aeabi_cdcmple\n"
    "    .size __aeabi_cdcmpeq, . - __aeabi_cdcmpeq\n"
    "    .global __aeabi_cdrcmple\n"
    "    .hidden __aeabi_cdrcmple\n"
    "    .type __aeabi_cdrcmple, %function\n"
    "__aeabi_cdrcmple:\n"
    "    push {r0, r1, r2, r3, r4, lr}\n"
    "    mov r0, r2\n"
    "    mov r1, r3\n"
    "    ldr r2, [sp]\n"
    "    ldr r3, [sp, #4]\n"
    "    bl tqcal_compare_for_flags\n"
    "    cmp r0, #1\n"
    "    pop {r0, r1, r2, r3, r4, pc}\n"
    "    .size __aeabi_cdrcmple, . - __aeabi_cdrcmple\n");

TQCAL_HELPER double __aeabi_i2d(int32_t v) { return D(FromInt32(v)); }
TQCAL_HELPER double __aeabi_ui2d(uint32_t v) { return D(FromUint32(v)); }
TQCAL_HELPER double __aeabi_l2d(int64_t v) { return D(FromInt64(v)); }
TQCAL_HELPER double __aeabi_ul2d(uint64_t v) { return D(FromUint64(v)); }
TQCAL_HELPER double __aeabi_f2d(float f) {
    return D(FromFloatBits(__builtin_bit_cast(uint32_t, f)));
}
TQCAL_HELPER int32_t __aeabi_d2iz(double a) { return ToInt32(B(a)); }
TQCAL_HELPER uint32_t __aeabi_d2uiz(double a) { return ToUint32(B(a)); }
TQCAL_HELPER int64_t __aeabi_d2lz(double a) { return ToInt64(B(a)); }
TQCAL_HELPER uint64_t __aeabi_d2ulz(double a) { return ToUint64(B(a)); }

#endif
