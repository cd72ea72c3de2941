#include "numeric/functions.h"

#include "math/binary64.h"
#include "numeric/decimal.h"
#include "math/elementary.h"

#include <cmath>

namespace tqcal {

namespace {

constexpr double SQUARE_LIMIT = 1e50;                   // |x| at or above: error
constexpr double SQRT_SNAP_TOL = 1e-12;                 // around 1
constexpr double LOG_WINDOW_CENTRE = 0.99999999999999;  // MANTISSA_LOW
constexpr double EXP_LIMIT = 230.258509299404;          // above: error
constexpr double FACT_LIMIT = 70.0;                     // exclusive upper bound
constexpr double FACT_BIAS = 1e-9;                      // added before the rounding
constexpr double FACT_SCALE = 1e8;                      // 8 decimal places

static_assert(LOG_WINDOW_CENTRE == MANTISSA_LOW);

// Shared by NaturalLog and CommonLog; fn is log or log10.
int Logarithm(double *value, double (*fn)(double)) {
    const double x = *value;
    if (std::isnan(x) || x <= ZERO_LIMIT) return -1;
    // The half-width is 10^-7 as Pow10 forms it, obtained on every use.
    if (std::fabs(x - LOG_WINDOW_CENTRE) < Pow10(-7.0)) {
        *value = 0.0;
        return 0;
    }
    *value = fn(x);
    return 0;
}

double Log(double x) { return math::Log(x); }
double Log10(double x) { return math::Log10(x); }

}  // namespace

int Square(double *value) {
    const double x = *value;
    if (std::isnan(x) || std::fabs(x) >= SQUARE_LIMIT) return -1;
    *value = x * x;
    return 0;
}

int SquareRoot(double *value) {
    const double x = *value;
    if (std::isnan(x) || x < 0) return -1;
    const double r = math::Sqrt(x);
    *value = r;
    if (std::fabs(r - 1.0) < SQRT_SNAP_TOL) *value = 1.0;
    return 0;
}

int Factorial(double *value) {
    const double x = *value;
    if (!(x >= 1.0 && x < FACT_LIMIT)) {
        // NaN and the infinities end here too.
        if (std::fabs(x) < ZERO_LIMIT) {
            *value = 1.0;
            return 0;
        }
        return -1;
    }
    // Round to 8 decimal places with a small upward bias.
    const double b = (x + FACT_BIAS) * FACT_SCALE;
    const double t = b - FractionalPart(b);
    const double z = t / FACT_SCALE;
    if (FractionalPart(z) != 0.0) return -1;
    // z is at most 70 here, so the loop is short and the counter cannot
    // overflow. Factors go onto the running product in increasing order.
    double p = 1.0;
    for (int g = 1; static_cast<double>(g) <= z; ++g) {
        p = p * static_cast<double>(g);
    }
    *value = p;
    return 0;
}

int NaturalLog(double *value) { return Logarithm(value, Log); }

int CommonLog(double *value) { return Logarithm(value, Log10); }

int Exponential(double *value) {
    const double x = *value;
    if (std::isnan(x) || x > EXP_LIMIT) return -1;
    *value = math::Exp(x);
    return 0;
}

}  // namespace tqcal
