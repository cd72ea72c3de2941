#include "numeric/power.h"

#include "math/binary64.h"
#include "numeric/decimal.h"
#include "math/elementary.h"

#include <cmath>

namespace tqcal {

namespace {

bool IsWhole(double v) { return FractionalPart(v) == 0.0; }
bool IsEven(double v) { return math::Fmod(v, 2.0) == 0.0; }

// 1/y for an exponent between 0 and 1 in magnitude; a y that Reciprocal
// refuses (below the zero limit) comes back unchanged.
double ReciprocalOrSelf(double y) {
    double r = y;
    Reciprocal(&r);
    return r;
}

// Whether a negative number may be raised to the power y: a whole y, or one
// between 0 and 1 in magnitude whose reciprocal is whole (and odd, when
// oddRoot: an even root of a negative number is no number). Zero passes; a
// NaN never does.
bool NegativeBaseAllowed(double y, bool oddRoot) {
    const double ay = std::fabs(y);
    if (ay >= 1.0) return IsWhole(y);
    if (ay > 0.0) {
        const double r = ReciprocalOrSelf(y);
        return IsWhole(r) && !(oddRoot && IsEven(r));
    }
    return y == 0.0;
}

// A negative x raised as its magnitude; the sign comes back for an odd y.
int RaiseNegative(double *x, const double *y) {
    const bool odd = !IsEven(*y);
    *x = -*x;
    const int r = RaisePower(x, y);
    if (odd) *x = -*x;
    return r;
}

}  // namespace

int RaisePower(double *base, const double *exponent) {
    const double e = *exponent;
    if (std::fabs(*base) == 10.0 && IsWhole(e)) {
        if (e > 99.0) return -1;
        if (e < -99.0) {
            *base = 0.0;
        } else {
            *base = Pow10(e);
        }
        return 0;
    }
    if (std::fabs(e - MANTISSA_LOW) < Pow10(-12)) return 0;
    *base = math::Pow(*base, e);
    return 0;
}

int PowerOfTen(double *x) {
    double ten = 10.0;
    const int r = RaisePower(&ten, x);
    if (r == 0) *x = ten;
    return r;
}

int PowerOverflows(const double *x, const double *y) {
    if (std::fabs(*x) < ZERO_LIMIT) return 0;
    if (*y * math::Log10(std::fabs(*x)) > 100.0) return -1;
    return 0;
}

int PowerXY(double *x, const double *y) {
    if (!FiniteOperands(*x, *y)) return -1;
    // An exponent that counts as zero: x^0 = 1. Without this the reciprocal
    // test below would take such an exponent for an odd root and put the
    // sign of a negative base back onto the 1.
    if (std::fabs(*y) < ZERO_LIMIT && *x != 0.0) {
        *x = 1.0;
        return 0;
    }
    if (*y <= 0.0 && *x == 0.0) return -1;
    if (*x < 0.0 && !NegativeBaseAllowed(*y, true)) return -1;
    if (PowerOverflows(x, y) != 0) return -1;
    if (*x >= 0.0) return RaisePower(x, y);
    return RaiseNegative(x, y);
}

int RootXY(double *x, double *y) {
    if (!FiniteOperands(*x, *y)) return -1;
    if (*y == 0.0) return -1;
    if (*y < 0.0 && *x == 0.0) return -1;
    if (*x < 0.0 && (!NegativeBaseAllowed(*y, false) || IsEven(*y))) return -1;
    *y = 1.0 / *y;
    if (PowerOverflows(x, y) != 0) return -1;
    if (*x < 0.0) return RaiseNegative(x, y);
    return RaisePower(x, y);
}

}  // namespace tqcal
