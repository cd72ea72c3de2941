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

int PowerOverflows(const double *x, const double *y) {
    if (std::fabs(*x) < ZERO_LIMIT) return 0;
    if (*y * math::Log10(std::fabs(*x)) > 100.0) return -1;
    return 0;
}

int PowerXY(double *x, const double *y) {
    const double ay = std::fabs(*y);
    // An exponent that counts as zero: x^0 = 1. Without this the reciprocal
    // test below would take such an exponent for an odd root and put the
    // sign of a negative base back onto the 1.
    if (ay < ZERO_LIMIT && *x != 0.0 && !std::isnan(*x)) {
        *x = 1.0;
        return 0;
    }
    // Non-zero (NaN included) when a negative base cannot be raised to y: a
    // fractional exponent, or the reciprocal of one that is no odd root.
    double refusesNegativeBase;
    if (ay >= 1.0) {
        refusesNegativeBase = FractionalPart(*y);
    } else if (ay > 0.0 && ay < 1.0) {
        const double r = ReciprocalOrSelf(*y);
        refusesNegativeBase = (!IsWhole(r) || IsEven(r)) ? r : 0.0;
    } else if (*y == 0.0) {
        refusesNegativeBase = 0.0;
    } else {
        refusesNegativeBase = *y;  // not a number: never allowed for a negative base
    }
    if (*y <= 0.0 && *x == 0.0) return -1;
    if (refusesNegativeBase != 0.0 && *x < 0.0) return -1;
    if (PowerOverflows(x, y) != 0) return -1;
    if (*x >= 0.0) return RaisePower(x, y);
    if (IsEven(*y)) {
        *x = -*x;
        return RaisePower(x, y);
    }
    *x = -*x;
    const int r = RaisePower(x, y);
    *x = -*x;
    return r;
}

int RootXY(double *x, double *y) {
    const double ay = std::fabs(*y);
    // Non-zero (NaN included) when no root of a negative number is taken:
    // a fractional degree, or the reciprocal of one that is not whole.
    double refusesNegativeBase;
    if (ay >= 1.0) {
        refusesNegativeBase = FractionalPart(*y);
    } else if (ay > 0.0 && ay < 1.0) {
        const double r = ReciprocalOrSelf(*y);
        refusesNegativeBase = IsWhole(r) ? 0.0 : r;
    } else if (*y == 0.0) {
        refusesNegativeBase = 0.0;
    } else {
        refusesNegativeBase = *y;  // not a number
    }
    if (*y == 0.0) return -1;
    if (*y < 0.0 && *x == 0.0) return -1;
    if (*x < 0.0 && (refusesNegativeBase != 0.0 || IsEven(*y))) return -1;
    *y = 1.0 / *y;
    if (*x < 0.0) {
        if (PowerOverflows(x, y) != 0) return -1;
        *x = -*x;
        if (IsEven(*y)) return RaisePower(x, y);
        const int r = RaisePower(x, y);
        *x = -*x;
        return r;
    }
    if (PowerOverflows(x, y) != 0) return -1;
    return RaisePower(x, y);
}

}  // namespace tqcal
