// Building blocks of the elementary functions: exact sums and products of
// doubles (error-free transformations) and the shared exp and log kernels.
// Every step is a plain binary64 operation; the build keeps
// -ffp-contract=off, so no multiply and add are fused behind our back.
#pragma once

#include <cstdint>

// The kernels are small and called from one or two places each; keeping
// them inline lets their parts stay in registers.
#define TQCAL_MATH_INLINE inline __attribute__((always_inline))

namespace tqcal::math::detail {

// An unevaluated sum hi + lo; |lo| is small against |hi|.
struct DD {
    double hi;
    double lo;
};

// The compiler's own bit cast: std::bit_cast is missing from some of the
// C++ libraries the engine is built with (the WebAssembly one among them).
TQCAL_MATH_INLINE uint64_t Bits(double x) { return __builtin_bit_cast(uint64_t, x); }
TQCAL_MATH_INLINE double FromBits(uint64_t b) { return __builtin_bit_cast(double, b); }

// 2^e for a normal exponent (-1022 <= e <= 1023).
TQCAL_MATH_INLINE double TwoTo(int e) { return FromBits(static_cast<uint64_t>(e + 1023) << 52); }

// v rounded to the nearest multiple of 2^-B, for 0 <= v < 2^20; *count is
// that multiple times 2^B. Adding 1.5 * 2^(52 - B) leaves the rounded value in
// the low bits of the sum, so no conversion to an integer is needed.
template <int B>
TQCAL_MATH_INLINE double RoundToGrid(double v, int *count) {
    constexpr double SHIFT = 1.5 * static_cast<double>(1LL << (52 - B));
    const double t = v + SHIFT;
    *count = static_cast<int>(Bits(t) & 0xffffffffU);
    return t - SHIFT;
}

// s + e = a + b exactly, whatever the magnitudes.
TQCAL_MATH_INLINE DD TwoSum(double a, double b) {
    const double s = a + b;
    const double bb = s - a;
    const double e = (a - (s - bb)) + (b - bb);
    return {s, e};
}

// s + e = a + b exactly, when a is zero or the exponent of a is at least
// that of b.
TQCAL_MATH_INLINE DD FastTwoSum(double a, double b) {
    const double s = a + b;
    const double e = b - (s - a);
    return {s, e};
}

// Splits a into hi + lo of at most 26 significant bits each (Veltkamp), so
// that products of halves are exact. Needs |a| < 2^995 so that the scaled
// copy cannot overflow.
constexpr void Split(double a, double *hi, double *lo) {
    const double c = 134217729.0 * a;  // 2^27 + 1
    const double h = c - (c - a);
    *hi = h;
    *lo = a - h;
}

// The same split as a value, for constants split at compile time.
constexpr DD Halves(double a) {
    double h = 0, l = 0;
    Split(a, &h, &l);
    return {h, l};
}

// p + e = a * b exactly (Dekker), for |a|, |b| < 2^995 and a product that
// does not underflow.
TQCAL_MATH_INLINE DD TwoProd(double a, double b) {
    const double p = a * b;
    double ah, al, bh, bl;
    Split(a, &ah, &al);
    Split(b, &bh, &bl);
    const double e = ((ah * bh - p) + ah * bl + al * bh) + al * bl;
    return {p, e};
}

// As TwoProd, for a already split into ah + al (a table entry).
TQCAL_MATH_INLINE DD TwoProdSplit(double a, double ah, double al, double b) {
    const double p = a * b;
    double bh, bl;
    Split(b, &bh, &bl);
    const double e = ((ah * bh - p) + ah * bl + al * bh) + al * bl;
    return {p, e};
}

// p + e = a * a exactly.
TQCAL_MATH_INLINE DD Square(double a) {
    const double p = a * a;
    double ah, al;
    Split(a, &ah, &al);
    const double e = ((ah * ah - p) + 2.0 * (ah * al)) + al * al;
    return {p, e};
}

// As TwoProd, for b with at most 26 significant bits (it needs no split).
TQCAL_MATH_INLINE DD TwoProdShort(double a, double b) {
    const double p = a * b;
    double ah, al;
    Split(a, &ah, &al);
    const double e = (ah * b - p) + al * b;
    return {p, e};
}

// (n.hi + n.lo) / (d.hi + d.lo) to about 100 bits. The parts need not be
// normalised: the tails may be as large as 2^-8 of the heads.
TQCAL_MATH_INLINE DD Divide(DD nn, DD dd) {
    const DD n = FastTwoSum(nn.hi, nn.lo);
    const DD d = FastTwoSum(dd.hi, dd.lo);
    // One division: q need not be the rounded quotient, the remainder
    // n - q d is formed exactly all the same.
    const double inv = 1.0 / d.hi;
    const double q = n.hi * inv;
    const DD p = TwoProd(q, d.hi);
    const double r = (((n.hi - p.hi) - p.lo) + n.lo) - q * d.lo;
    return {q, r * inv};
}

}  // namespace tqcal::math::detail
