// exp, log, log10 and pow.
//
// exp: x = (128 k + j) ln2/128 + r with |r| <= ln2/256, so that
// exp(x) = 2^k * 2^(j/128) * exp(r); 2^(j/128) comes from a table as a sum
// of two doubles and exp(r) from its Taylor series, the leading product
// formed exactly.
//
// log: x = 2^e * z with z in [0.71, 1.42); z falls in one of 256 pieces with
// a short c ~ 1/z, so that r = z c - 1 is exact and small (|r| <= 2^-9) and
// ln x = e ln2 - ln c + ln(1 + r), the square of r formed exactly.
//
// pow: exp(y ln|x|), with ln|x| carried to about 2^-72 and y ln|x| formed
// exactly, so that results near the overflow limit keep their accuracy.
#include "math/elementary.h"

#include "math/double_double.h"
#include "math/tables.h"

#include <limits>

namespace tqcal::math {

namespace {

// Columns of an EXP_TABLE row: 2^(j/128) as head and tail.
enum ExpColumn { EXP_HI, EXP_LO };
// Columns of a LOG_TABLE or LOG_TABLE_SHORT row: the piece's c, and -ln c as
// head and tail.
enum LogColumn { LOG_C, NEG_LN_C_HI, NEG_LN_C_LO };

using detail::Bits;
using detail::DD;
using detail::FastTwoSum;
using detail::FromBits;
using detail::TwoSum;
using detail::TwoTo;
namespace t = tables;

// exp(x.hi + x.lo) = 2^k * (hi + lo) with 0.99 < hi < 2 and a relative
// error below about 2^-68, for |x.hi| < 750.
TQCAL_MATH_INLINE DD ExpKernel(DD x, int *k) {
    // n = x * 128/ln2 rounded to the nearest integer by the 1.5 * 2^52 shift.
    constexpr double SHIFT = 6755399441055744.0;
    const double nd = (x.hi * t::EXP_INV_L + SHIFT) - SHIFT;
    const int n = static_cast<int>(nd);
    // r = x - n ln2/128: the first product and difference are exact.
    const double a = x.hi - nd * t::EXP_L1;
    // The tail of x (up to 2^-44 for x near 709) goes into r.hi, so that
    // r.lo stays at the level of the rounding of r.hi. The sum is exact when
    // |a| >= |b|; otherwise |r| < 2^-25 and its error is below 2^-78.
    const DD r = FastTwoSum(a, x.lo - nd * t::EXP_L2);
    const double rh = r.hi;
    const double rl = r.lo;
    // exp(r) - 1 - r, |r| <= 0.0028: Taylor series to r^6 (next term 2^-72).
    // (Estrin's scheme: shorter chains of dependent operations than Horner's.)
    const double r2 = rh * rh;
    const double q =
        r2 * ((1.0 / 2 + rh * (1.0 / 6)) + r2 * ((1.0 / 24 + rh * (1.0 / 120)) + r2 * (1.0 / 720)));
    const int j = n & 127;
    *k = n >> 7;  // floor(n / 128)
    const double *e = t::EXP_TABLE[j];
    const double th = e[EXP_HI];
    const double tl = e[EXP_LO];
    // T (1 + r + q): T + T rh exactly, the rest as one small correction.
    const DD p = detail::TwoProd(th, rh);
    const DD s = FastTwoSum(th, p.hi);
    const double lo = (s.lo + p.lo) + ((tl + tl * rh) + th * ((rl + rh * rl) + q));
    return {s.hi, lo};
}

// Rounds 2^k * (m.hi + m.lo) once to the nearest double, subnormal and
// overflowing results included, for 0.99 < m.hi < 2 and -1100 < k < 1100.
TQCAL_MATH_INLINE double ScaleRound(DD m, int k) {
    if (k > 1023) {
        // Round the mantissa first, then scale in two exact steps; the
        // second overflows to infinity exactly when the result does.
        return (m.hi + m.lo) * TwoTo(1023) * TwoTo(k - 1023);
    }
    if (k >= -1022) return (m.hi + m.lo) * TwoTo(k);
    // Possibly subnormal: y = 2^(k + 1022) * m, with the result 2^-1022 * y.
    const double s = TwoTo(k + 1022);
    const double yh = m.hi * s;
    const double yl = m.lo * s;
    if (yh >= 1.0) return (yh + yl) * TwoTo(-1022);
    // Round y to a multiple of 2^-52 by adding 1: the spacing of [1, 2).
    const DD z = FastTwoSum(1.0, yh);
    const double w = z.hi + (z.lo + yl);
    return (w - 1.0) * TwoTo(-1022);
}

// x = 2^e z with z in [LOG_OFF, 2 LOG_OFF) (subnormals scaled first); i is
// the piece of z.
struct LogSplit {
    int e;
    int i;
    uint64_t iz;  // bits of z
};

TQCAL_MATH_INLINE LogSplit SplitLog(double x) {
    uint64_t ix = Bits(x);
    int e = 0;
    if (ix < 0x0010000000000000ULL) {  // subnormal: make it normal
        ix = Bits(x * 0x1p52);
        e = -52;
    }
    const uint64_t tmp = ix - t::LOG_OFF;
    e += static_cast<int>(static_cast<int64_t>(tmp) >> 52);
    return {e, static_cast<int>((tmp >> 44) & 255), ix - (tmp & (0xfffULL << 52))};
}

// z = zh + zl with 26 and 27 significant bits.
TQCAL_MATH_INLINE DD HalvesOf(uint64_t iz) {
    const double zh = FromBits(iz & ~((1ULL << 27) - 1));
    return {zh, FromBits(iz) - zh};
}

// ln x for a positive finite x, to about 2^-66 relative (log and log10).
// With c on the 2^-9 grid, zh c and zl c are exact, zh c - 1 is exact, and
// their sum is a multiple of 2^-61 below 2^-8: r = z c - 1 is one exact
// double, |r| < 1.7 2^-9.
TQCAL_MATH_INLINE DD LogKernel(double x) {
    const LogSplit sp = SplitLog(x);
    const double *row = t::LOG_TABLE_SHORT[sp.i];
    const double c = row[LOG_C];
    const DD z = HalvesOf(sp.iz);
    const double r = (z.hi * c - 1.0) + z.lo * c;
    // ln(1 + r) = r - r^2/2 + r^3/3 - ... to r^8 (next term below 2^-76),
    // r^2 formed exactly.
    const DD r2 = detail::Square(r);
    const double h2 = r2.hi;
    const double p3 = r * h2 *
                      ((1.0 / 3 + r * (-1.0 / 4)) +
                       h2 * ((1.0 / 5 + r * (-1.0 / 6)) + h2 * (1.0 / 7 + r * (-1.0 / 8))));
    const double ed = static_cast<double>(sp.e);
    // e ln2 + (-ln c): both heads lie on the 2^-41 grid below 2^10, so the
    // sum is exact; it is 0 or larger in exponent than r.
    const DD s1 = FastTwoSum(ed * t::LN2_HI + row[NEG_LN_C_HI], r);
    const DD s2 = FastTwoSum(s1.hi, -0.5 * h2);
    const double early = (s1.lo + s2.lo) + (ed * t::LN2_LO + row[NEG_LN_C_LO]);
    const double lo = (early - 0.5 * r2.lo) + p3;
    return {s2.hi, lo};
}

// ln x for a positive finite x, to about 2^-72 relative: precise enough for
// pow, where y ln x may reach 745. Here c has 26 bits, |r| <= 2^-9, and
// r = z c - 1 is carried as a sum of two doubles.
TQCAL_MATH_INLINE DD LogKernelPrecise(double x) {
    const LogSplit sp = SplitLog(x);
    const double *row = t::LOG_TABLE[sp.i];
    const double c = row[LOG_C];
    // zh c and zl c are exact (26 x 26 and 27 x 26 bits), and zh c - 1 is
    // exact since zh c is within a factor of two of 1.
    const DD z = HalvesOf(sp.iz);
    const DD r = TwoSum(z.hi * c - 1.0, z.lo * c);
    const double rh = r.hi, rl = r.lo;
    // ln(1 + r) to r^8 (next term below 2^-84), r^2 formed exactly.
    const DD r2 = detail::Square(rh);
    const double h2 = r2.hi;
    const double p3 = rh * h2 *
                      ((1.0 / 3 + rh * (-1.0 / 4)) +
                       h2 * ((1.0 / 5 + rh * (-1.0 / 6)) + h2 * (1.0 / 7 + rh * (-1.0 / 8))));
    const double ed = static_cast<double>(sp.e);
    // e ln2 + (-ln c) is exact, and 0 or larger in exponent than r.
    const DD s1 = FastTwoSum(ed * t::LN2_HI + row[NEG_LN_C_HI], rh);
    const DD s2 = FastTwoSum(s1.hi, -0.5 * h2);
    // The terms known early first, the polynomial last.
    const double early = ((s1.lo + s2.lo) + (ed * t::LN2_LO + row[NEG_LN_C_LO])) + (rl - rh * rl);
    const double lo = (early - 0.5 * r2.lo) + p3;
    return {s2.hi, lo};
}

constexpr double INF_VALUE = std::numeric_limits<double>::infinity();
constexpr double NAN_VALUE = std::numeric_limits<double>::quiet_NaN();

// 0 when y is not an integer, 1 when it is an odd one, 2 when an even one.
int IntegerKind(double y) {
    const uint64_t b = Bits(y) & 0x7fffffffffffffffULL;
    const int ex = static_cast<int>(b >> 52) - 1023;
    if (b >= 0x7ff0000000000000ULL) return 0;  // infinite or NaN
    if (ex < 0) return b == 0 ? 2 : 0;         // zero, or 0 < |y| < 1
    if (ex >= 53) return 2;                    // |y| >= 2^53: even
    const uint64_t frac_mask = (1ULL << (52 - ex)) - 1;
    if (b & frac_mask) return 0;
    return ((b >> (52 - ex)) & 1) ? 1 : 2;
}

}  // namespace

double Exp(double x) {
    if (!(x < 709.8)) {
        if (x != x) return x + x;
        return INF_VALUE;  // x >= 709.8 overflows (the limit is 709.7827...)
    }
    if (x < -745.2) return 0.0;  // below 2^-1075: rounds to zero
    const double ax = x < 0 ? -x : x;
    if (ax < 0x1p-54) return 1.0 + x;
    int k;
    const DD m = ExpKernel({x, 0.0}, &k);
    return ScaleRound(m, k);
}

double Log(double x) {
    if (!(x > 0.0) || x == INF_VALUE) {
        if (x == 0.0) return -INF_VALUE;
        if (x == INF_VALUE) return x;
        return NAN_VALUE;  // negative or NaN
    }
    const DD l = LogKernel(x);
    return l.hi + l.lo;
}

double Log10(double x) {
    if (!(x > 0.0) || x == INF_VALUE) {
        if (x == 0.0) return -INF_VALUE;
        if (x == INF_VALUE) return x;
        return NAN_VALUE;
    }
    const DD l = LogKernel(x);
    // ln x / ln 10 with 1/ln 10 as a sum of two doubles.
    constexpr DD INV_LN10_HALVES = detail::Halves(tables::INV_LN10_HI);
    const DD p =
        detail::TwoProdSplit(tables::INV_LN10_HI, INV_LN10_HALVES.hi, INV_LN10_HALVES.lo, l.hi);
    const double lo = p.lo + (l.hi * tables::INV_LN10_LO + l.lo * tables::INV_LN10_HI);
    return p.hi + lo;
}

namespace {

// |x|^y for finite x != 0 and 2^-65 <= |y| < 2^63, where the result is
// neither 1 nor over- or underflowing by the size of y alone. |y| < 2^63
// keeps y clear of overflow in the exact product y ln|x|.
TQCAL_MATH_INLINE double PowMagnitude(double ax, double y) {
    const DD l = LogKernelPrecise(ax);
    // y ln|x|; beyond the range of exp the result over- or underflows.
    const double th = y * l.hi;
    if (th > 709.8) return INF_VALUE;
    if (th < -745.2) return 0.0;
    if ((th < 0 ? -th : th) < 0x1p-56) return 1.0 + th;  // x = 1 lands here
    // y ln|x| = p.hi + (p.lo + y l.lo) exactly enough; the kernel takes the
    // pair as it is (p.hi = th, so its reduction can start before the tail
    // is known).
    const DD p = detail::TwoProd(y, l.hi);
    int k;
    const DD m = ExpKernel({p.hi, p.lo + y * l.lo}, &k);
    return ScaleRound(m, k);
}

// Everything but a positive normal base with a moderate exponent.
__attribute__((noinline)) double PowSpecial(double x, double y) {
    const uint64_t by = Bits(y) & 0x7fffffffffffffffULL;
    const uint64_t bx = Bits(x) & 0x7fffffffffffffffULL;
    if (by == 0) return 1.0;   // x^0 = 1, even for NaN
    if (x == 1.0) return 1.0;  // 1^y = 1, even for NaN
    if (x != x || y != y) return x + y;
    const int kind = IntegerKind(y);
    const bool negative = Bits(x) >> 63;
    // Only odd integer powers keep the sign of the base.
    const bool odd = kind == 1;
    if (by == 0x7ff0000000000000ULL) {                // y = +-inf
        if (bx == 0x3ff0000000000000ULL) return 1.0;  // (-1)^+-inf
        const bool big = bx > 0x3ff0000000000000ULL;
        return (big == (y > 0)) ? INF_VALUE : 0.0;
    }
    if (bx == 0 || bx == 0x7ff0000000000000ULL) {  // x = +-0 or +-inf
        // |x|^y is 0 or inf; the sign of x stays for odd integer y.
        const bool zero = bx == 0;
        const double mag = (zero == (y < 0)) ? INF_VALUE : 0.0;
        return (negative && odd) ? -mag : mag;
    }
    if (negative && kind == 0) return NAN_VALUE;  // negative base, non-integer y
    const double ax = negative ? -x : x;
    double mag;
    if (by >= 0x43e0000000000000ULL) {
        // |y| >= 2^63: |y ln|x|| > 1000 unless |x| = 1.
        if (bx == 0x3ff0000000000000ULL) {
            mag = 1.0;
        } else {
            mag = ((bx > 0x3ff0000000000000ULL) == (y > 0)) ? INF_VALUE : 0.0;
        }
    } else if (by < 0x3be0000000000000ULL) {
        mag = 1.0;  // |y| < 2^-65: |y ln|x|| < 2^-55, the result rounds to 1
    } else {
        mag = PowMagnitude(ax, y);
    }
    return (negative && odd) ? -mag : mag;
}

}  // namespace

double Pow(double x, double y) {
    // The common case: 0 < x < inf normal, 2^-65 <= |y| < 2^63.
    const uint64_t ix = Bits(x);
    const uint64_t ay = Bits(y) & 0x7fffffffffffffffULL;
    if (ix - 0x0010000000000000ULL < 0x7fe0000000000000ULL &&
        ay - 0x3be0000000000000ULL < 0x43e0000000000000ULL - 0x3be0000000000000ULL) {
        return PowMagnitude(x, y);
    }
    return PowSpecial(x, y);
}

}  // namespace tqcal::math
