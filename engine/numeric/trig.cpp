#include "numeric/trig.h"

#include "math/binary64.h"
#include "numeric/decimal.h"
#include "math/elementary.h"

#include <cmath>

namespace tqcal {

namespace {

// Conversions with PI always multiply first and divide second; a
// precomputed factor would give different last bits.
constexpr double PEAK_TOL = 0.000573;  // degrees around the +-1 peaks
constexpr double ZERO_TOL = 1e-11;     // degrees around the zero crossings
constexpr double POLE_TOL = 5e-11;     // degrees around the tangent's poles
constexpr double SPECIAL_TOL = 1e-10;  // inverse functions' special angles
constexpr double SNAP_OFFSET = 5e-10;  // added before the whole-degree test
constexpr double SNAP_LIMIT = 1e-9;    // acceptance of the whole-degree test

double ToRadians(double deg) { return (deg * PI) / 180; }
double ToDegrees(double rad) { return (rad * 180) / PI; }

// |v - a| < t, as the double difference compared strictly.
bool Within(double v, double a, double t) { return std::fabs(v - a) < t; }

// Arguments the direct functions refuse: too large, infinite or NaN.
bool BadDirectArgument(double x) { return std::isnan(x) || std::fabs(x) >= OVERFLOW_LIMIT; }

// The tidy-up of the inverse functions: the special angles in the order
// given, then the whole-degree snap.
template <int N>
double TidyDegrees(double d, const double (&special)[N]) {
    for (double a : special) {
        if (Within(d, a, SPECIAL_TOL)) return a;
    }
    const bool negative = d < 0;
    const double s = std::fabs(d) + SNAP_OFFSET;
    const int32_t n = TruncToInt32(s);
    if (std::fabs(s - static_cast<double>(n)) < SNAP_LIMIT) {
        return negative ? static_cast<double>(-n) : static_cast<double>(n);
    }
    return d;
}

}  // namespace

int SinDeg(double *value) {
    const double x = *value;
    if (BadDirectArgument(x)) return -1;
    double r = math::Fmod(x, 360.0);
    const bool positive = r > 0;
    r = std::fabs(r);
    double result;
    if (Within(r, 90.0, PEAK_TOL)) {
        result = positive ? 1.0 : -1.0;
    } else if (Within(r, 180.0, ZERO_TOL)) {
        result = 0.0;
    } else if (Within(r, 270.0, PEAK_TOL)) {
        result = positive ? -1.0 : 1.0;
    } else {
        result = math::Sin(ToRadians(r));
        if (!positive) result = result * -1.0;
    }
    *value = result;
    return 0;
}

int CosDeg(double *value) {
    const double x = *value;
    if (BadDirectArgument(x)) return -1;
    const double r = math::Fmod(std::fabs(x), 360.0);
    double result;
    if (r <= PEAK_TOL) {
        result = 1.0;
    } else if (Within(r, 90.0, ZERO_TOL)) {
        result = 0.0;
    } else if (Within(r, 180.0, PEAK_TOL)) {
        result = -1.0;
    } else if (Within(r, 270.0, ZERO_TOL)) {
        result = 0.0;
    } else {
        result = math::Cos(ToRadians(r));
    }
    *value = result;
    return 0;
}

int TanDeg(double *value) {
    const double x = *value;
    if (BadDirectArgument(x)) return -1;
    const double r = math::Fmod(x, 180.0);
    *value = r;
    if (Within(r, 90.0, POLE_TOL) || Within(r, -90.0, POLE_TOL)) return -1;
    *value = math::Tan(ToRadians(r));
    return 0;
}

int AsinDeg(double *value) {
    const double x = *value;
    if (!(x >= -1.0 && x <= 1.0)) return -1;  // NaN fails too
    static constexpr double EXACT_ANGLES[] = {90.0, -90.0};
    *value = TidyDegrees(ToDegrees(math::Asin(x)), EXACT_ANGLES);
    return 0;
}

int AcosDeg(double *value) {
    const double x = *value;
    if (!(x >= -1.0 && x <= 1.0)) return -1;  // NaN fails too
    static constexpr double EXACT_ANGLES[] = {180.0, 90.0, 0.0};
    *value = TidyDegrees(ToDegrees(math::Acos(x)), EXACT_ANGLES);
    return 0;
}

int AtanDeg(double *value) {
    const double x = *value;
    // Every number is accepted (the infinities give +-90); NaN is refused so
    // that the dispatcher shows an error rather than a meaningless value.
    if (std::isnan(x)) return -1;
    static constexpr double EXACT_ANGLES[] = {0.0, 90.0, -90.0};
    *value = TidyDegrees(ToDegrees(math::Atan(x)), EXACT_ANGLES);
    return 0;
}

}  // namespace tqcal
