// sin, cos and tan.
//
// Reduction: x = k pi/2 + r with |r| <= about pi/4, r carried as a sum of two
// doubles. Below 2^20, pi/2 in four parts (three of 33 bits, so that k times
// each is exact) keeps about 150 bits, enough for the closest approach of
// any double to a multiple of pi/2. Above, the bits of 2/pi are taken from a
// table in integer arithmetic (the window that matters for this exponent),
// giving x 2/pi modulo 4 with more than 130 bits after the point.
//
// Evaluation: r = a + d with a = j/64 and |d| <= 1/128; sin and cos of a
// come from a table as sums of two doubles, and
//   sin(a + d) = sin a + cos a * d + sin a (cos d - 1) + cos a (sin d - d)
//   cos(a + d) = cos a - sin a * d + cos a (cos d - 1) - sin a (sin d - d)
// with the products by d formed exactly. tan r comes from a table of Taylor
// series about each a, and for odd k from its reciprocal. Each result carries
// about 66 bits and is rounded once.
#include "math/elementary.h"

#include "math/binary64.h"
#include "math/double_double.h"
#include "math/tables.h"

#include <limits>

namespace tqcal::math {

namespace {

using detail::Bits;
using detail::DD;
using detail::FastTwoSum;
using detail::FromBits;
using detail::TwoProd;
using detail::TwoSum;
namespace t = tables;

// Columns of a SINCOS_TABLE row: sin and cos of j/64, each as head and tail.
enum SinCosColumn { SIN_HI, SIN_LO, COS_HI, COS_LO };
// Columns of a TAN_TABLE row, about c = j/64: A = tan c and B1 = tan'(c) as
// head and tail, the head of B1 also in two halves for an exact product,
// then the Taylor coefficients B2, ..., B10 of tan(c + d).
enum TanColumn {
    A_HI,
    A_LO,
    B1_HI,
    B1_LO,
    B1_HI_UPPER,
    B1_HI_LOWER,
    B2,
    B3,
    B4,
    B5,
    B6,
    B7,
    B8,
    B9,
    B10
};

constexpr double NAN_VALUE = std::numeric_limits<double>::quiet_NaN();

// x = k pi/2 + r for 0 <= x < 2^20; returns k mod 4.
TQCAL_MATH_INLINE int ReduceMedium(double x, DD *r) {
    constexpr double SHIFT = 6755399441055744.0;  // 1.5 * 2^52
    const double kd = (x * t::INV_PIO2 + SHIFT) - SHIFT;
    const int k = static_cast<int>(kd);
    // k < 2^20 and the parts have 33 bits: the products by the first three
    // are exact, and so is x - k PIO2_1 (both lie on the grid of 2^-53 and
    // the difference is below 1).
    const double a = x - kd * t::PIO2_1;
    const DD s = TwoSum(a, -(kd * t::PIO2_2));
    if (s.hi > 0x1p-30 || s.hi < -0x1p-30) {
        // No deep cancellation: the last two parts may be rounded along
        // with the tail.
        *r = FastTwoSum(s.hi, (s.lo - kd * t::PIO2_3) - kd * t::PIO2_4);
        return k & 3;
    }
    const DD s2 = TwoSum(s.hi, -(kd * t::PIO2_3));
    const double lo = (s.lo + s2.lo) - kd * t::PIO2_4;
    *r = TwoSum(s2.hi, lo);
    return k & 3;
}

// Bits lo .. lo + 63 of the 192-bit number f[0..5] (least significant word
// first); bits outside it read as zero.
uint64_t Window64(const uint32_t f[6], int lo) {
    auto word = [f](int w) -> uint64_t { return (w >= 0 && w < 6) ? f[w] : 0; };
    const int q = lo >= 0 ? lo / 32 : -((31 - lo) / 32);
    const int sh = lo - 32 * q;
    const uint64_t w01 = word(q) | (word(q + 1) << 32);
    const uint64_t w2 = word(q + 2);
    return sh == 0 ? w01 : (w01 >> sh) | (w2 << (64 - sh));
}

// x = k pi/2 + r for 2^20 <= x < inf (Payne and Hanek): with x = M 2^E,
// M a 53-bit integer, the bits of 2/pi below weight 2^(1-E) times M are
// multiples of 4 and drop out; the next 192 bits W give x 2/pi mod 4 as the
// low 192 bits of M W, two bits before the point and 190 after.
__attribute__((noinline)) int ReduceLarge(double x, DD *r) {
    const uint64_t b = Bits(x);
    const int ex = static_cast<int>(b >> 52);  // x >= 2^20: normal
    const uint64_t m = (b & ((1ULL << 52) - 1)) | (1ULL << 52);
    const int start = ex - 1075 + 62;  // first bit of the window in the table
    const int q = start >> 5, sh = start & 31;
    uint32_t w[6];  // least significant word first
    for (int i = 0; i < 6; ++i) {
        const uint32_t hi = t::TWO_OVER_PI_BITS[q + i];
        const uint32_t lo = t::TWO_OVER_PI_BITS[q + i + 1];
        w[5 - i] = sh == 0 ? hi : (hi << sh) | (lo >> (32 - sh));
    }
    // p = M * W mod 2^192.
    const uint32_t mw[2] = {static_cast<uint32_t>(m), static_cast<uint32_t>(m >> 32)};
    uint32_t p[6] = {0, 0, 0, 0, 0, 0};
    for (int i = 0; i < 2; ++i) {
        uint64_t carry = 0;
        for (int j = 0; i + j < 6; ++j) {
            const uint64_t v = static_cast<uint64_t>(mw[i]) * w[j] + p[i + j] + carry;
            p[i + j] = static_cast<uint32_t>(v);
            carry = v >> 32;
        }
    }
    // Quadrant in the top two bits; round to the nearest quadrant.
    int k = static_cast<int>(p[5] >> 30);
    p[5] &= 0x3fffffffU;
    bool negative = false;
    if (p[5] & 0x20000000U) {  // fraction >= 1/2: take 1 - fraction
        k += 1;
        negative = true;
        uint64_t borrow = 0;
        for (int i = 0; i < 6; ++i) {
            const uint64_t v = (i == 5 ? (1ULL << 30) : 0) - static_cast<uint64_t>(p[i]) - borrow;
            p[i] = static_cast<uint32_t>(v);
            borrow = (v >> 32) & 1;
        }
    }
    // The fraction f = p / 2^190 in [0, 1/2] as a sum of two doubles.
    int lead = 189;
    while (lead >= 0 && ((p[lead >> 5] >> (lead & 31)) & 1) == 0) --lead;
    if (lead < 106) {     // cannot happen for a double (its closest approach
        *r = {0.0, 0.0};  // to a multiple of pi/2 is about 2^-62)
        return k & 3;
    }
    constexpr uint64_t MASK53 = (1ULL << 53) - 1;
    const double fh = ExactDouble(Window64(p, lead - 52) & MASK53) * detail::TwoTo(lead - 52 - 190);
    const double fl =
        ExactDouble(Window64(p, lead - 105) & MASK53) * detail::TwoTo(lead - 105 - 190);
    // r = f pi/2.
    const DD ph = TwoProd(fh, t::PIO2_HI);
    const double lo = ph.lo + (fh * t::PIO2_LO + fl * t::PIO2_HI);
    DD res = FastTwoSum(ph.hi, lo);
    if (negative) res = {-res.hi, -res.lo};
    *r = res;
    return k & 3;
}

// k mod 4 and r with x = k pi/2 + r, for finite x >= 0.
TQCAL_MATH_INLINE int Reduce(double x, DD *r) {
    if (x < 0.78) {
        *r = {x, 0.0};
        return 0;
    }
    if (x < 0x1p20) return ReduceMedium(x, r);
    return ReduceLarge(x, r);
}

// r = a + d with a = j/64, |d| <= 1/128 (+ a little), for
// 0 <= r.hi <= pi/4 (+ a little), with sin d - d and cos d - 1.
struct Parts {
    int j;      // a = j/64
    double dh;  // r.hi - a, exact
    double dl;  // r.lo
    double sd;  // sin dh - dh
    double cd;  // cos dh - 1
};

TQCAL_MATH_INLINE Parts Split64(DD r) {
    int j;
    const double dh = r.hi - detail::RoundToGrid<6>(r.hi, &j);
    // Taylor series; the first terms left out are below 2^-71 of the result.
    const double d2 = dh * dh;
    const double sd = dh * d2 * (-1.0 / 6 + d2 * (1.0 / 120 + d2 * (-1.0 / 5040)));
    const double cd = d2 * (-1.0 / 2 + d2 * (1.0 / 24 + d2 * (-1.0 / 720)));
    return {j, dh, r.lo, sd, cd};
}

// sin(a + d) or cos(a + d) from (P, Q) = (sin a, cos a) or (cos a, -sin a),
// each a head and a tail:
//   f(a + d) = P + Q d + P (cos d - 1) + Q (sin d - d),
// the product Q d formed exactly; the tail dl of r enters with the slope
// f'(a + d) = Q - P d (+ smaller terms).
TQCAL_MATH_INLINE DD SinCosOf(double ph, double pl, double qh, double ql, const Parts &p) {
    const DD qd = TwoProd(qh, p.dh);
    const DD h = FastTwoSum(ph, qd.hi);
    const double lo =
        h.lo + qd.lo + (pl + ql * p.dh + (ph * p.cd + qh * p.sd) + p.dl * (qh - ph * p.dh));
    return {h.hi, lo};
}

TQCAL_MATH_INLINE DD Neg(DD v) { return {-v.hi, -v.lo}; }

// sin |r| (cosine = false) or cos |r|; *rneg tells whether r < 0.
TQCAL_MATH_INLINE double SinCosAbs(DD r, bool cosine, bool *rneg) {
    *rneg = r.hi < 0;
    const Parts p = Split64(*rneg ? Neg(r) : r);
    const double *e = t::SINCOS_TABLE[p.j];
    const DD v = cosine ? SinCosOf(e[COS_HI], e[COS_LO], -e[SIN_HI], -e[SIN_LO], p)
                        : SinCosOf(e[SIN_HI], e[SIN_LO], e[COS_HI], e[COS_LO], p);
    return v.hi + v.lo;
}

// tan r for 0 <= r.hi <= pi/4 (+ a little): about c = j/64 from the Taylor
// series in d = r.hi - c, |d| <= 1/128, the leading product formed exactly.
TQCAL_MATH_INLINE DD TanOf(DD r) {
    int j;
    const double d = r.hi - detail::RoundToGrid<6>(r.hi, &j);
    const double d2 = d * d;
    const double d4 = d2 * d2;
    if (j == 0) {
        // Odd series to d^9; the next term is below 2^-76 of the result.
        const double p =
            d * d2 * ((1.0 / 3 + d2 * (2.0 / 15)) + d4 * (17.0 / 315 + d2 * (62.0 / 2835)));
        return {d, p + r.lo * (1.0 + d2)};
    }
    const double *e = t::TAN_TABLE[j];
    const DD b = detail::TwoProdSplit(e[B1_HI], e[B1_HI_UPPER], e[B1_HI_LOWER], d);  // B1 d
    const DD s = FastTwoSum(e[A_HI], b.hi);
    const double q = ((e[B2] + d * e[B3]) + d2 * (e[B4] + d * e[B5])) +
                     d4 * (((e[B6] + d * e[B7]) + d2 * (e[B8] + d * e[B9])) + d4 * e[B10]);
    // r.lo enters with the slope tan'(r.hi) = B1 + 2 B2 d + ...
    const double lo =
        s.lo + b.lo + (e[A_LO] + e[B1_LO] * d + d2 * q + r.lo * (e[B1_HI] + 2.0 * e[B2] * d));
    return {s.hi, lo};
}

// 1 / (v.hi + v.lo) to about 100 bits.
TQCAL_MATH_INLINE DD Reciprocal(DD w) {
    const DD v = FastTwoSum(w.hi, w.lo);  // the tail may be up to 2^-6 of the head
    const double inv = 1.0 / v.hi;
    const DD p = TwoProd(v.hi, inv);
    const double e = ((1.0 - p.hi) - p.lo) - v.lo * inv;
    return {inv, e * inv};
}

// |x| below which sin x and tan x round to x, and cos x to 1.
constexpr double TINY = 0x1p-27;

}  // namespace

double Sin(double x) {
    const double ax = x < 0 ? -x : x;
    if (!(ax < std::numeric_limits<double>::infinity())) return x != x ? x + x : NAN_VALUE;
    if (ax < TINY) return x;
    DD r;
    const int q = Reduce(ax, &r);
    // sin(k pi/2 + r) = sin r, cos r, -sin r, -cos r for k = 0, 1, 2, 3 mod 4;
    // sin is odd and cos even.
    bool rneg;
    double res = SinCosAbs(r, q & 1, &rneg);
    if (!(q & 1) && rneg) res = -res;
    if (q & 2) res = -res;
    return x < 0 ? -res : res;
}

double Cos(double x) {
    const double ax = x < 0 ? -x : x;
    if (!(ax < std::numeric_limits<double>::infinity())) return x != x ? x + x : NAN_VALUE;
    if (ax < TINY) return 1.0;
    DD r;
    const int q = Reduce(ax, &r);
    // cos(k pi/2 + r) = cos r, -sin r, -cos r, sin r for k = 0, 1, 2, 3 mod 4.
    bool rneg;
    double res = SinCosAbs(r, !(q & 1), &rneg);
    if ((q & 1) && !rneg) res = -res;
    if (q & 2) res = -res;
    return res;
}

double Tan(double x) {
    const double ax = x < 0 ? -x : x;
    if (!(ax < std::numeric_limits<double>::infinity())) return x != x ? x + x : NAN_VALUE;
    if (ax < TINY) return x;
    DD r;
    const int q = Reduce(ax, &r);
    const bool rneg = r.hi < 0;
    const DD tr = TanOf(rneg ? Neg(r) : r);
    // tan(k pi/2 + r) = tan r for even k, -1/tan r for odd k; tan is odd.
    DD v = (q & 1) ? Neg(Reciprocal(tr)) : tr;
    if (rneg) v = Neg(v);
    const double res = v.hi + v.lo;
    return x < 0 ? -res : res;
}

}  // namespace tqcal::math
