#include "numeric/arithmetic.h"

#include "numeric/decimal.h"
#include "numeric/power.h"
#include "tqcal.h"

#include <cmath>

namespace tqcal {

namespace {

constexpr double ROUNDING_NUDGE = 0.04;

int AddOrSubtract(int32_t op, double *left, const double *right) {
    double a = *left;
    double b = *right;
    double scale = 0.0;
    const AlignMode mode = AlignOperands(&a, &b, &scale);
    a = (op == KEY_ADD) ? a + b : a - b;
    // Scaled, the significant digits stand in front of the point, and what
    // is left behind it is the binary error of the operands: the sum is cut
    // to whole units. A sum that lies just below a whole unit is first
    // nudged 0.04 away from zero so that the cut keeps that unit; the nudge
    // is too small to lift a real digit. FractionalPart cuts only below
    // 1e14 (after cancellation, or for operands below 1); above that the
    // nudge stays, below the 15th significant digit. At scale 1 nothing was
    // scaled (the larger operand lies between 1e14 and 1e15), so the smaller
    // operand's fraction is real and is neither nudged nor cut.
    if (mode != ALIGN_TINY && scale > 1.0) {
        a = (a > 0) ? a + ROUNDING_NUDGE : a - ROUNDING_NUDGE;
        if (std::fabs(a) < 1.0) {
            a = 0;
        } else {
            a = a - FractionalPart(a);
        }
    } else if (mode == ALIGN_TINY) {
        // The smaller operand now has its leading digit at 1e-14, its last
        // of 13 digits near 1e-26: a sum below that is what is left when the
        // operands cancel, and counts as zero.
        if (std::fabs(a) < Pow10(-26)) a = 0;
    }
    if (scale > 1.0) UnscaleOperands(&a, &b, scale, mode);
    *left = a;
    return 0;
}

int Divide(double *left, const double *right) {
    if (std::fabs(*right) < ZERO_LIMIT) return -1;
    if (std::fabs(std::fabs(*left) - MANTISSA_LOW) < Pow10(-14)) {
        // The dividend counts as +-1: divide on the divisor's mantissa, as
        // the reciprocal does, so 0.99999999999999 / 4 is exactly 0.25.
        const int32_t e = DecimalExponent(*right);
        const double m = *right / Pow10(e);
        double inverse = 1.0 / m;
        if (*left < 0) inverse = -inverse;
        *left = inverse * Pow10(-e);
    } else {
        *left = *left / *right;
    }
    return 0;
}

}  // namespace

AlignMode AlignOperands(double *a, double *b, double *scale) {
    const double hi = Pow10(14);
    const double lo = Pow10(-14);
    const double fa = std::fabs(*a);
    const double fb = std::fabs(*b);
    if (fa < ZERO_LIMIT || fb < ZERO_LIMIT) {
        *scale = 0.0;
        return ALIGN_NORMAL;
    }
    AlignMode mode;
    int32_t e;
    if (fa > hi || fb > hi) {
        mode = ALIGN_LARGE;
        e = DecimalExponent(fa >= fb ? *a : *b) - 14;
    } else if (fa < lo || fb < lo) {
        mode = ALIGN_TINY;
        e = -(DecimalExponent(fa <= fb ? *a : *b) + 14);
    } else {
        mode = ALIGN_NORMAL;
        e = 0;
    }
    *scale = Pow10(e);
    switch (mode) {
        case ALIGN_LARGE:
            *a = *a / *scale;
            *b = *b / *scale;
            return mode;
        case ALIGN_TINY:
            *a = *a * *scale;
            *b = *b * *scale;
            return mode;
        case ALIGN_NORMAL: break;
    }
    const int32_t d = DecimalExponent(fa >= fb ? *a : *b);
    *scale = (d >= 0) ? Pow10(15 - d) : Pow10(14);
    *a = *a * *scale;
    *b = *b * *scale;
    return mode;
}

void UnscaleOperands(double *a, double *b, double scale, AlignMode mode) {
    if (mode == ALIGN_LARGE) {
        *a = *a * scale;
        *b = *b * scale;
    } else {
        *a = *a / scale;
        *b = *b / scale;
    }
}

int BaseOperate(int32_t op, double *left, double *right) {
    // Refusing infinities and NaN also keeps every decade loop below finite.
    if (!FiniteOperands(*left, *right)) return -1;
    switch (op) {
        case KEY_ADD:
        case KEY_SUB: return AddOrSubtract(op, left, right);
        case KEY_MUL: *left = *left * *right; return 0;
        case KEY_DIV: return Divide(left, right);
        case KEY_POW: return PowerXY(left, right);
        case KEY_ROOT: return RootXY(left, right);
        default:  // KEY_BLANK_OP, and codes that are no operator
            return -1;
    }
}

}  // namespace tqcal
