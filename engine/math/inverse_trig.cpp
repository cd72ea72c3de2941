// atan, asin and acos.
//
// atan goes through the angle of the point (x, y) in the first quadrant,
// atan(y/x), for x and y given as sums of two doubles.
//
// With n/d = min/max of (y, x), a table point c = j/64 near n/d gives
//   atan(n/d) = atan(c) + atan(v),  v = (n - c d) / (d + c n),  |v| <= 1/128,
// where atan(c) comes from a table as a sum of two doubles and atan(v) from
// its Taylor series; n - c d and d + c n are formed exactly, v to about 100
// bits. When y > x the angle is pi/2 - atan(x/y).
//
// asin on [0, 0.59375) comes from pieces of width 1/128, each with its own
// Taylor series about its centre; above, asin x = pi/2 - 2 asin(sqrt((1 - x)/2))
// with the square root carried as a sum of two doubles. acos is pi/2 - asin x,
// or 2 asin(sqrt((1 - x)/2)) (pi minus it for x < 0). The table rows carry
// the asin of the piece's centre; it is combined with 0, pi/2 or pi into a
// head, and each result is that head plus a small correction, rounded once.
#include "math/elementary.h"

#include "math/binary64.h"
#include "math/double_double.h"
#include "math/tables.h"

#include <limits>

namespace tqcal::math {

namespace {

using detail::DD;
using detail::FastTwoSum;
using detail::TwoProd;
using detail::TwoProdShort;
using detail::TwoSum;
namespace t = tables;

// Columns of an ATAN_TABLE row: atan(j/64) as head and tail.
enum AtanColumn { ATAN_HI, ATAN_LO };
// Columns of an ASIN_TABLE row, about c = j/128: A = asin c as head and
// tail, then the Taylor coefficients of asin(c + d): B1 - 1, B2, ..., B9.
enum AsinColumn { A_HI, A_LO, B1_LESS_1, B2, B3, B4, B5, B6, B7, B8, B9 };

constexpr double NAN_VALUE = std::numeric_limits<double>::quiet_NaN();

// atan(y/x) in [0, pi/2] for x, y >= 0, not both zero, each below 2^900.
TQCAL_MATH_INLINE DD Angle(DD y, DD x) {
    const bool swap = y.hi > x.hi;
    const DD n = swap ? x : y;
    const DD d = swap ? y : x;
    int j;
    const double c = detail::RoundToGrid<6>(n.hi / d.hi, &j);
    DD num = n, den = d;
    if (j != 0) {
        // c = j/64 has at most 7 significant bits: no split needed.
        const DD cd = TwoProdShort(d.hi, c);
        const DD cn = TwoProdShort(n.hi, c);
        const DD a = TwoSum(n.hi, -cd.hi);
        const DD b = TwoSum(d.hi, cn.hi);
        num = {a.hi, ((a.lo - cd.lo) + n.lo) - c * d.lo};
        den = {b.hi, ((b.lo + cn.lo) + d.lo) + c * n.lo};
    }
    const DD v = detail::Divide(num, den);
    // atan(v) - v for |v| <= 1/128: Taylor series to v^11 (next term
    // below 2^-84 relative). The tail of v enters with its derivative.
    const double v2 = v.hi * v.hi;
    const double v4 = v2 * v2;
    const double tail =
        v.hi * v2 *
        ((-1.0 / 3 + v2 * (1.0 / 5)) + v4 * ((-1.0 / 7 + v2 * (1.0 / 9)) + v4 * (-1.0 / 11)));
    const double *e = t::ATAN_TABLE[j];
    const DD s = FastTwoSum(e[ATAN_HI], v.hi);
    double lo = s.lo + (e[ATAN_LO] + (v.lo - v.lo * v2 + tail));
    DD r = {s.hi, lo};
    if (swap) {
        const DD u = FastTwoSum(t::PIO2_HI, -r.hi);
        r = {u.hi, u.lo + (t::PIO2_LO - r.lo)};
    }
    return r;
}

// Below this, asin is taken on its own pieces; above, from the square root.
constexpr double ASIN_SPLIT = 76.0 / 128;

// K + s asin(z + zl), rounded, for 0 <= z < ASIN_SPLIT and |zl| tiny against
// z; K = kh + kl is 0, pi/2 or pi and s is 1, -1 or -2. The piece of width
// 1/128 around c = j/128 gives asin(c + d) from its Taylor series, d exact;
// K + s asin(c) is formed as a head (exact: K is 0 or larger than s asin c)
// and s d is added to it exactly.
template <bool WITH_TAIL>
TQCAL_MATH_INLINE double AsinCombined(double z, double zl, double kh, double kl, double s) {
    int j;
    const double c = detail::RoundToGrid<7>(z, &j);
    const double *e = t::ASIN_TABLE[j];
    const double d = z - c;
    const double d2 = d * d;
    const double d4 = d2 * d2;
    const double q = ((e[B1_LESS_1] + d * e[B2]) + d2 * (e[B3] + d * e[B4])) +
                     d4 * (((e[B5] + d * e[B6]) + d2 * (e[B7] + d * e[B8])) + d4 * e[B9]);
    // Scaling by s is exact, so it may go onto d and zl first, off the path
    // through the polynomial.
    const double sd = s * d;
    const DD k = FastTwoSum(kh, s * e[A_HI]);
    const DD h = FastTwoSum(k.hi, sd);
    const double early = (h.lo + k.lo) + (kl + s * e[A_LO]);
    // zl enters with the slope asin'(z) = 1 + M1 + 2 B2 d + ...
    if (WITH_TAIL) {
        return h.hi + ((early + (s * zl) * (1.0 + e[B1_LESS_1] + 2.0 * e[B2] * d)) + sd * q);
    }
    return h.hi + (early + sd * q);
}

// sqrt((1 - x)/2) as a sum of two doubles, for 1/2 <= x < 1.
TQCAL_MATH_INLINE DD HalfComplementRoot(double x) {
    const double w = (1.0 - x) * 0.5;  // exact
    const double z = Sqrt(w);
    // The tail (w - z^2) / (2z) is needed to about 10 bits. With zh the head
    // of z to 26 bits and zt = z - zh, w - zh^2 is exact and
    // w - z^2 = (w - zh^2) - zt (zh + z) up to 2^-26 of itself.
    const double zh = detail::FromBits(detail::Bits(z) & ~((1ULL << 27) - 1));
    const double zt = z - zh;
    const double res = (w - zh * zh) - zt * (zh + z);
    return {z, res / (2.0 * z)};
}

}  // namespace

double Atan(double x) {
    const double ax = x < 0 ? -x : x;
    if (x != x) return x + x;
    if (ax < 0x1p-27) return x;  // atan x = x - x^3/3: rounds to x
    double res;
    if (ax > 0x1p60) {
        res = t::PIO2_HI;  // pi/2 - 1/|x| rounds to the nearest double of pi/2
    } else {
        const DD a = Angle({ax, 0.0}, {1.0, 0.0});
        res = a.hi + a.lo;
    }
    return x < 0 ? -res : res;
}

double Asin(double x) {
    const double ax = x < 0 ? -x : x;
    if (!(ax <= 1.0)) return x != x ? x + x : NAN_VALUE;
    if (ax < 0x1p-27) return x;  // asin x = x + x^3/6: rounds to x
    double res;
    if (ax < ASIN_SPLIT) {
        res = AsinCombined<false>(ax, 0.0, 0.0, 0.0, 1.0);
    } else if (ax == 1.0) {
        res = t::PIO2_HI;
    } else {
        // asin x = pi/2 - 2 asin(sqrt((1 - x)/2)).
        const DD z = HalfComplementRoot(ax);
        res = AsinCombined<true>(z.hi, z.lo, t::PIO2_HI, t::PIO2_LO, -2.0);
    }
    return x < 0 ? -res : res;
}

double Acos(double x) {
    const double ax = x < 0 ? -x : x;
    if (!(ax <= 1.0)) return x != x ? x + x : NAN_VALUE;
    if (ax < ASIN_SPLIT) {
        // acos x = pi/2 - asin x = pi/2 + asin |x| for x < 0.
        return x < 0 ? AsinCombined<false>(ax, 0.0, t::PIO2_HI, t::PIO2_LO, 1.0)
                     : AsinCombined<false>(ax, 0.0, t::PIO2_HI, t::PIO2_LO, -1.0);
    }
    if (ax == 1.0) return x > 0 ? 0.0 : t::PI_HI;
    // acos x = 2 asin(sqrt((1 - x)/2)); for x < 0, pi minus that of |x|.
    const DD z = HalfComplementRoot(ax);
    if (x > 0) return 2.0 * AsinCombined<true>(z.hi, z.lo, 0.0, 0.0, 1.0);
    return AsinCombined<true>(z.hi, z.lo, t::PI_HI, t::PI_LO, -2.0);
}

}  // namespace tqcal::math
