// Trigonometric functions in degrees: reductions, exact values at the special
// angles, the tangent's poles and the whole-degree snap of the inverses.
//
// The expected values of the functions are the correctly rounded sine (cosine,
// ...) of the documented radian value (deg * 3.141592653589793) / 180, taken
// from MPFR (tools/math/reference.cpp). The engine's own functions give the
// same bits on every target and are correctly rounded at these arguments, so
// the values are compared exactly: that pins the reduction and the order of
// the conversion as well.
#include "numeric/trig.h"

#include "math/elementary.h"

#include <gtest/gtest.h>

#include "ulps.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

using namespace tqcal;

constexpr double PI_VALUE = 3.141592653589793;
constexpr double INF_VALUE = std::numeric_limits<double>::infinity();
constexpr double LIMIT = 9.9999999999991e99;

using ulps::Call;
using ulps::Exact;
using ulps::ExpectExact;
using ulps::ExpectNaNsRefused;
using ulps::Routine;

// ---------------------------------------------------------------- SinDeg

TEST(SinDeg, ExactAtThePeaksAndZeroCrossings) {
    const Exact cases[] = {
        {90, 1.0},
        {90.0005, 1.0},
        {89.9995, 1.0},
        {90.00057, 1.0},
        {450, 1.0},
        {-90, -1.0},
        {-450, -1.0},
        {270, -1.0},
        {270.0005, -1.0},
        {269.9995, -1.0},
        {-270, 1.0},
        {-269.9995, 1.0},
        {180, 0.0},
        {-180, 0.0},
        {540, 0.0},
        {180.000000000009, 0.0},
        {179.999999999991, 0.0},
        {-180.000000000009, 0.0},
        {0, 0.0},
        {360, 0.0},
        {-360, 0.0},
        {3600, 0.0},
    };
    ExpectExact(SinDeg, cases);
}

TEST(SinDeg, OutsideTheTolerancesComesFromTheSine) {
    const Exact cases[] = {
        {90.001, 0.9999999998476913},
        {90.00058, 0.99999999994876332},  // just outside the peak tolerance
        {269.99942, -0.99999999994876332},
        // 2.0009e-11 and 1.00044e-11 beyond 180: outside the zero tolerance.
        {180.00000000002, -3.4937574347208452e-13},
        {180.00000000001, -1.7440459479115987e-13},
    };
    ExpectExact(SinDeg, cases);
}

TEST(SinDeg, NoSnapAtZeroOrAtOtherAngles) {
    const Exact cases[] = {
        {0.0003, 5.235987755959063e-06},
        {30, 0.49999999999999994},
        {-30, -0.49999999999999994},
        {359.9999, -1.7453292520339832e-06},
    };
    ExpectExact(SinDeg, cases);
}

TEST(SinDeg, ReducesByWholeTurnsKeepingTheSign) {
    const Exact cases[] = {
        {720.5, 0.008726535498373935},
        {-720.5, -0.008726535498373935},
        // fmod is exact: 1e99 reduces to 96, 1e20 to 280.
        {1e99, 0.9945218953682734},
        {-1e99, -0.9945218953682734},
        {1e20, -0.98480775301220813},
        {-450, -1.0},  // reduced to -90
    };
    ExpectExact(SinDeg, cases);
}

TEST(SinDeg, ZeroRemainderCountsAsNotPositive) {
    // A zero remainder is not positive, so the library's +0 is multiplied by
    // -1.0: the result is -0.0, which equals zero (the dispatcher's zero
    // check stores any magnitude below the zero limit as 0).
    for (double x : {0.0, 360.0, -720.0, 360000000.0}) {
        double v;
        ASSERT_EQ(Call(SinDeg, x, &v), 0) << x;
        EXPECT_EQ(v, 0.0) << x;
        EXPECT_TRUE(std::signbit(v)) << x;
    }
    // At 180 the special angle gives +0.0 whatever the sign.
    double v;
    ASSERT_EQ(Call(SinDeg, -180.0, &v), 0);
    EXPECT_FALSE(std::signbit(v));
}

TEST(SinDeg, ConversionMultipliesFirstThenDivides) {
    // Angles i * 0.1 + 0.013 where a precomputed factor r * (pi / 180) gives
    // a different radian value than (r * pi) / 180, and a different
    // correctly rounded sine: the expected values are those of (r * pi) / 180.
    const struct {
        int i;
        double sine;
    } cases[] = {
        {950, 0.9961748974389439},   {1314, 0.7499610034211379},  {1895, -0.16527138271485803},
        {2130, -0.5448293093100446}, {2219, -0.6680014172123232}, {2383, -0.8509303132586862},
        {2604, -0.9860338503188278}, {2608, -0.9871725155544033}, {2907, -0.9353638058540558},
        {3146, -0.7118667141905309}, {3392, -0.3548948480516345}, {3453, -0.2535384719634706},
    };
    for (const auto &c : cases) {
        const double deg = c.i * 0.1 + 0.013;
        ASSERT_NE((deg * PI_VALUE) / 180, deg * (PI_VALUE / 180)) << deg;
        double v;
        ASSERT_EQ(Call(SinDeg, deg, &v), 0) << deg;
        EXPECT_EQ(v, c.sine) << deg;
    }
}

TEST(SinDeg, ArgumentLimit) {
    for (double x : {LIMIT, -LIMIT, 1e100, -1e100, INF_VALUE, -INF_VALUE}) {
        double v;
        EXPECT_EQ(Call(SinDeg, x, &v), -1) << x;
        EXPECT_EQ(v, x);
    }
    double v;
    const double below = std::nextafter(LIMIT, 0.0);  // reduces to 200
    EXPECT_EQ(Call(SinDeg, below, &v), 0);
    EXPECT_EQ(v, -0.34202014332566866);
}

// ---------------------------------------------------------------- CosDeg

TEST(CosDeg, ExactAtThePeaksAndZeroCrossings) {
    const Exact cases[] = {
        {0, 1.0},
        {360, 1.0},
        {-360, 1.0},
        {3600, 1.0},
        {0.0005, 1.0},
        {-0.0005, 1.0},
        {0.000573, 1.0},
        {360.000573, 1.0},
        {90, 0.0},
        {-90, 0.0},
        {270, 0.0},
        {-270, 0.0},
        {450, 0.0},
        {90.000000000009, 0.0},
        {89.999999999991, 0.0},
        {270.000000000009, 0.0},
        {180, -1.0},
        {180.0005, -1.0},
        {179.9995, -1.0},
        {-180, -1.0},
        {540, -1.0},
    };
    ExpectExact(CosDeg, cases);
}

TEST(CosDeg, PeakAtZeroIsOneSided) {
    const Exact cases[] = {
        {0.0005731, 0.99999999994997513},  // just above the tolerance at 0
        {359.9995, 0.99999999996192279},   // just below a whole turn: no snap
        {359.9999, 0.9999999999984769},
        // The sign is dropped before the reduction: -359.9995 is 359.9995,
        // not 0.0005.
        {-359.9995, 0.99999999996192279},
    };
    ExpectExact(CosDeg, cases);
}

TEST(CosDeg, OutsideTheTolerancesComesFromTheCosine) {
    const Exact cases[] = {
        {0.001, 0.9999999998476913},
        {90.00000000002, -3.4899288660219184e-13},
        {180.00058, -0.99999999994876332},
        {60, 0.5000000000000001},
        {-1e99, -0.10452846326765333},  // reduced to 96
        {1e20, 0.17364817766692997},    // reduced to 280
        // The cosine ends with 1 + (cos d - 1), a subtraction whose
        // exponents are 33 apart: an addition that drops the guard bit
        // there gives ...921.
        {0.00091343462659635539, 0.99999999987291932},
    };
    ExpectExact(CosDeg, cases);
}

TEST(CosDeg, ArgumentLimit) {
    for (double x : {LIMIT, -LIMIT, 1e100, INF_VALUE, -INF_VALUE}) {
        double v;
        EXPECT_EQ(Call(CosDeg, x, &v), -1) << x;
        EXPECT_EQ(v, x);
    }
}

// ---------------------------------------------------------------- TanDeg

TEST(TanDeg, MultiplesOf180GiveZero) {
    for (double x : {0.0, 180.0, -180.0, 360.0, 1800.0, -3600.0}) {
        double v;
        ASSERT_EQ(Call(TanDeg, x, &v), 0) << x;
        EXPECT_EQ(v, 0.0) << x;
    }
}

TEST(TanDeg, PolesFailAndKeepTheReducedAngle) {
    const Exact cases[] = {
        {90, 90},
        {-90, -90},
        {270, 90},
        {-270, -90},
        {450, 90},
        {-630, -90},
        {89.99999999996, 89.99999999996},
        {90.00000000004, 90.00000000004},
        {269.99999999996, std::fmod(269.99999999996, 180.0)},
    };
    for (const Exact &c : cases) {
        double v;
        EXPECT_EQ(Call(TanDeg, c.in, &v), -1) << c.in;
        EXPECT_EQ(v, c.out) << c.in;
    }
}

TEST(TanDeg, ValuesNearThePolesAndNotSnapped) {
    const Exact cases[] = {
        {90.00000000006, -955017597264.45789},  // 6e-11 from the pole
        {89.9999999999, 572956949790.92883},
        {45, 0.9999999999999999},
        {135, -1.0000000000000002},
    };
    ExpectExact(TanDeg, cases);
}

TEST(TanDeg, ReducesByHalfTurnsKeepingTheSign) {
    const Exact cases[] = {
        {1e20, -5.671281819617711},   // fmod gives exactly 100
        {-225, -0.9999999999999999},  // reduced to -45, not to 135
        {1e99, -9.5143644542225978},  // reduced to 96
    };
    ExpectExact(TanDeg, cases);
}

TEST(TanDeg, ArgumentLimit) {
    for (double x : {LIMIT, -LIMIT, 1e100, INF_VALUE, -INF_VALUE}) {
        double v;
        EXPECT_EQ(Call(TanDeg, x, &v), -1) << x;
        EXPECT_EQ(v, x) << "the limit test comes before the reduction";
    }
}

// ---------------------------------------------------------------- inverses

TEST(AsinDeg, SpecialAndWholeDegreeResults) {
    const Exact cases[] = {
        {0.5, 30},
        {-0.5, -30},
        {1, 90},
        {-1, -90},
        {0, 0},
        {0.7071067811865476, 45},
        {-0.7071067811865476, -45},
        {0.8660254037844386, 60},
    };
    ExpectExact(AsinDeg, cases);
    // The raw conversions are not whole, so the snap did the work.
    EXPECT_EQ((math::Asin(0.5) * 180) / PI_VALUE, 30.000000000000004);
    EXPECT_EQ((math::Acos(0.5) * 180) / PI_VALUE, 60.00000000000001);
    EXPECT_EQ((math::Atan(1.7320508075688772) * 180) / PI_VALUE, 59.99999999999999);
}

TEST(AsinDeg, OtherValuesAreUnchanged) {
    const Exact cases[] = {
        {0.1, 5.739170477266787},
        {1e-5, 0.00057295779514037262},
    };
    ExpectExact(AsinDeg, cases);
}

TEST(AsinDeg, DomainIsInclusive) {
    for (double x : {1.0000001, -1.0000001, std::nextafter(1.0, 2.0), std::nextafter(-1.0, -2.0),
                     2.0, INF_VALUE, -INF_VALUE}) {
        double v;
        EXPECT_EQ(Call(AsinDeg, x, &v), -1) << x;
        EXPECT_EQ(v, x);
    }
}

TEST(AcosDeg, SpecialAndWholeDegreeResults) {
    const Exact cases[] = {
        {1, 0},
        {-1, 180},
        {0, 90},
        {0.5, 60},
        {-0.5, 120},
        {0.7071067811865476, 45},
        {-0.7071067811865476, 135},
    };
    ExpectExact(AcosDeg, cases);
    double v;
    ASSERT_EQ(Call(AcosDeg, 0.1, &v), 0);
    EXPECT_EQ(v, 84.260829522733218);
}

TEST(AcosDeg, DomainIsInclusive) {
    for (double x : {1.0000001, -1.0000001, std::nextafter(1.0, 2.0), std::nextafter(-1.0, -2.0),
                     INF_VALUE, -INF_VALUE}) {
        double v;
        EXPECT_EQ(Call(AcosDeg, x, &v), -1) << x;
        EXPECT_EQ(v, x);
    }
}

TEST(AtanDeg, SpecialAndWholeDegreeResults) {
    const Exact cases[] = {
        {0, 0},      {1, 45},       {-1, -45},       {1.7320508075688772, 60},
        {1e300, 90}, {-1e300, -90}, {INF_VALUE, 90}, {-INF_VALUE, -90},
        {1e12, 90},  {-1e12, -90},
    };
    ExpectExact(AtanDeg, cases);
    double v;
    ASSERT_EQ(Call(AtanDeg, 0.5, &v), 0);
    EXPECT_EQ(v, 26.56505117707799);
    // A special angle matched first gives the angle itself: +0, not −0.
    ASSERT_EQ(Call(AtanDeg, -1e-14, &v), 0);
    EXPECT_EQ(v, 0.0);
    EXPECT_FALSE(std::signbit(v));
}

TEST(InverseTrig, ConversionMultipliesFirstThenDivides) {
    // Away from whole degrees the result is exactly (a * 180) / pi for the
    // correctly rounded angle a. At these arguments x = (i / 1000 + 0.000123)
    // * scale, a * (180 / pi) would give a different double.
    const struct {
        Routine f;
        double scale;
        int i;
        double degrees;
    } cases[] = {
        {AsinDeg, 1.0, -851, -58.30718523108565},  {AsinDeg, 1.0, -814, -54.47647306089355},
        {AsinDeg, 1.0, -740, -47.720938912450315}, {AsinDeg, 1.0, -444, -26.35151191279645},
        {AcosDeg, 1.0, -962, 164.12840299081566},  {AcosDeg, 1.0, -407, 114.00880321216238},
        {AcosDeg, 1.0, -185, 100.65396131635123},  {AcosDeg, 1.0, -74, 94.23670013090344},
        {AtanDeg, 50.0, -999, -88.852949367542},   {AtanDeg, 50.0, -962, -88.80883887120244},
        {AtanDeg, 50.0, -481, -87.6184023228602},  {AtanDeg, 50.0, -407, -87.18589646561995},
    };
    for (const auto &c : cases) {
        const double x = (c.i / 1000.0 + 0.000123) * c.scale;
        double v = x;
        ASSERT_EQ(c.f(&v), 0) << x;
        EXPECT_EQ(v, c.degrees) << x;
    }
}

// The whole-degree snap on its own. The routines take the argument of the
// inverse function, so the test looks for an argument next to tan (sin, cos)
// of the wanted angle whose raw conversion through the engine's own inverse
// is exactly the wanted degree value, then checks what the routine makes of
// it.
struct SnapCase {
    double raw;     // (a * 180) / pi as the routine computes it
    double result;  // expected after the snap
};

bool FindArgument(double raw, Routine *f, double *x) {
    const double rad = (raw * PI_VALUE) / 180;
    const struct {
        Routine f;
        double (*inverse)(double);
        double start;
    } tries[] = {
        {AtanDeg, math::Atan, math::Tan(rad)},
        {AsinDeg, math::Asin, math::Sin(rad)},
        {AcosDeg, math::Acos, math::Cos(rad)},
    };
    for (const auto &t : tries) {
        double up = t.start, down = t.start;
        for (int i = 0; i < 400; ++i) {
            for (double c : {up, down}) {
                if ((t.inverse(c) * 180) / PI_VALUE == raw) {
                    *f = t.f;
                    *x = c;
                    return true;
                }
            }
            up = std::nextafter(up, INF_VALUE);
            down = std::nextafter(down, -INF_VALUE);
        }
    }
    return false;
}

TEST(WholeDegreeSnap, WindowAroundWholeDegrees) {
    const SnapCase cases[] = {
        {29.9999999995, 30},
        {30.0000000004999, 30},
        {29.99999999949, 29.99999999949},
        {-29.9999999995, -30},
        {-30.0000000004999, -30},
        {-29.99999999949, -29.99999999949},
        {30.00000000051, 30.00000000051},
        {30.0000000007, 30.0000000007},
        {44.9999999996, 45},
        {45.00000000002, 45},
    };
    for (const SnapCase &c : cases) {
        Routine f = nullptr;
        double x = 0;
        ASSERT_TRUE(FindArgument(c.raw, &f, &x)) << c.raw;
        double v = x;
        ASSERT_EQ(f(&v), 0) << c.raw;
        EXPECT_EQ(v, c.result) << std::hexfloat << c.raw << " from " << x;
    }
}

// ---------------------------------------------------------------- all six

TEST(TrigNaN, EveryRoutineRefusesNaNAndLeavesTheValue) {
    const Routine routines[] = {SinDeg, CosDeg, TanDeg, AsinDeg, AcosDeg, AtanDeg};
    ExpectNaNsRefused(routines);
}

TEST(TrigResults, StayInTheirRanges) {
    for (int i = -2000; i <= 2000; ++i) {
        const double x = i * 0.37;
        double s = x, c = x;
        ASSERT_EQ(SinDeg(&s), 0);
        ASSERT_EQ(CosDeg(&c), 0);
        EXPECT_LE(std::fabs(s), 1.0) << x;
        EXPECT_LE(std::fabs(c), 1.0) << x;
    }
    for (int i = -100; i <= 100; ++i) {
        const double x = i / 100.0;
        double a = x, b = x, t = x * 1e6;
        ASSERT_EQ(AsinDeg(&a), 0);
        ASSERT_EQ(AcosDeg(&b), 0);
        ASSERT_EQ(AtanDeg(&t), 0);
        EXPECT_TRUE(a >= -90 && a <= 90) << x;
        EXPECT_TRUE(b >= 0 && b <= 180) << x;
        EXPECT_TRUE(t >= -90 && t <= 90) << x;
    }
}

}  // namespace
