// Trigonometric functions in degrees: reductions, exact values at the special
// angles, the tangent's poles and the whole-degree snap of the inverses.
//
// Values that come straight from the platform's sin, cos, tan, asin, acos
// and atan are compared within a few units in the last place; everything the
// engine decides itself (limits, reductions, snapping) is compared exactly.
// Where a test needs to pin the reduction and the conversion order, it
// compares exactly against the same library call on the documented radian
// expression (deg * 3.141592653589793) / 180.
#include "numeric/trig.h"

#include <gtest/gtest.h>

#include "ulps.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

using namespace tqcal;

constexpr double kPi = 3.141592653589793;
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kLimit = 9.9999999999991e99;

using ulps::NearUlps;

// Goes through memory so that std::sin(Rad(...)) below is the library call
// the engine makes at run time: a compiler folds it on constants with its own
// correctly rounded arithmetic, which some platforms' libraries do not match.
double Rad(double deg) {
    volatile double r = (deg * kPi) / 180;
    return r;
}

using ulps::Call;
using ulps::Exact;
using ulps::Routine;

// ---------------------------------------------------------------- SinDeg

TEST(SinDeg, ExactAtThePeaksAndZeroCrossings) {
    const Exact cases[] = {
        {90, 1.0},         {90.0005, 1.0},   {89.9995, 1.0},  {90.00057, 1.0},
        {450, 1.0},        {-90, -1.0},      {-450, -1.0},    {270, -1.0},
        {270.0005, -1.0},  {269.9995, -1.0}, {-270, 1.0},     {-269.9995, 1.0},
        {180, 0.0},        {-180, 0.0},      {540, 0.0},      {180.000000000009, 0.0},
        {179.999999999991, 0.0},             {-180.000000000009, 0.0},
        {0, 0.0},          {360, 0.0},       {-360, 0.0},     {3600, 0.0},
    };
    for (const Exact &c : cases) {
        double v;
        ASSERT_EQ(Call(SinDeg, c.in, &v), 0) << c.in;
        EXPECT_EQ(v, c.out) << c.in;
    }
}

TEST(SinDeg, OutsideTheTolerancesComesFromTheLibrary) {
    double v;
    ASSERT_EQ(Call(SinDeg, 90.001, &v), 0);
    EXPECT_TRUE(NearUlps(v, 0.9999999998476913));
    EXPECT_EQ(v, std::sin(Rad(90.001)));

    ASSERT_EQ(Call(SinDeg, 90.00058, &v), 0);
    EXPECT_NE(v, 1.0);
    EXPECT_EQ(v, std::sin(Rad(90.00058)));

    ASSERT_EQ(Call(SinDeg, 269.99942, &v), 0);
    EXPECT_NE(v, -1.0);
    EXPECT_EQ(v, std::sin(Rad(269.99942)));

    // 2.0009e-11 beyond 180: outside the zero tolerance.
    ASSERT_EQ(Call(SinDeg, 180.00000000002, &v), 0);
    EXPECT_NE(v, 0.0);
    EXPECT_NEAR(v, -3.49e-13, 0.01e-13);
    EXPECT_EQ(v, std::sin(Rad(180.00000000002)));
    // 1.00044e-11 beyond 180: just outside as well.
    ASSERT_EQ(Call(SinDeg, 180.00000000001, &v), 0);
    EXPECT_NE(v, 0.0);
}

TEST(SinDeg, NoSnapAtZeroOrAtOtherAngles) {
    double v;
    ASSERT_EQ(Call(SinDeg, 0.0003, &v), 0);
    EXPECT_TRUE(NearUlps(v, 5.235987755959063e-06));
    ASSERT_EQ(Call(SinDeg, 30, &v), 0);
    EXPECT_TRUE(NearUlps(v, 0.49999999999999994));
    EXPECT_EQ(v, std::sin(Rad(30)));
    ASSERT_EQ(Call(SinDeg, -30, &v), 0);
    EXPECT_TRUE(NearUlps(v, -0.49999999999999994));
    EXPECT_EQ(v, -std::sin(Rad(30)));
    ASSERT_EQ(Call(SinDeg, 359.9999, &v), 0);
    EXPECT_EQ(v, std::sin(Rad(359.9999)));
}

TEST(SinDeg, ReducesByWholeTurnsKeepingTheSign) {
    double v;
    ASSERT_EQ(Call(SinDeg, 720.5, &v), 0);
    EXPECT_TRUE(NearUlps(v, 0.008726535498373935));
    EXPECT_EQ(v, std::sin(Rad(0.5)));
    ASSERT_EQ(Call(SinDeg, -720.5, &v), 0);
    EXPECT_TRUE(NearUlps(v, -0.008726535498373935));
    EXPECT_EQ(v, -std::sin(Rad(0.5)));
    // fmod is exact: 1e99 reduces to 96, 1e20 to 280.
    ASSERT_EQ(Call(SinDeg, 1e99, &v), 0);
    EXPECT_TRUE(NearUlps(v, 0.9945218953682734));
    EXPECT_EQ(v, std::sin(Rad(96)));
    ASSERT_EQ(Call(SinDeg, -1e99, &v), 0);
    EXPECT_EQ(v, -std::sin(Rad(96)));
    ASSERT_EQ(Call(SinDeg, 1e20, &v), 0);
    EXPECT_EQ(v, std::sin(Rad(280)));
    // −450 reduces to −90.
    ASSERT_EQ(Call(SinDeg, -450, &v), 0);
    EXPECT_EQ(v, -1.0);
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
    // Over a sweep of angles the result is the library's sine of exactly
    // (r * pi) / 180. The sweep also contains angles where a precomputed
    // factor r * (pi / 180) gives a different radian value, so the test
    // would notice it.
    int factor_differs = 0;
    for (int i = 1; i < 3600; ++i) {
        const double deg = i * 0.1 + 0.013;
        if (std::fabs(deg - 90) < 0.001 || std::fabs(deg - 180) < 0.001 ||
            std::fabs(deg - 270) < 0.001) {
            continue;
        }
        if ((deg * kPi) / 180 != deg * (kPi / 180)) ++factor_differs;
        double v;
        ASSERT_EQ(Call(SinDeg, deg, &v), 0) << deg;
        ASSERT_EQ(v, std::sin((deg * kPi) / 180)) << deg;
    }
    EXPECT_GT(factor_differs, 0);
}

TEST(SinDeg, ArgumentLimit) {
    for (double x : {kLimit, -kLimit, 1e100, -1e100, kInf, -kInf}) {
        double v;
        EXPECT_EQ(Call(SinDeg, x, &v), -1) << x;
        EXPECT_EQ(v, x);
    }
    double v;
    const double below = std::nextafter(kLimit, 0.0);
    EXPECT_EQ(Call(SinDeg, below, &v), 0);
    EXPECT_EQ(v, std::sin(Rad(std::fmod(below, 360.0))));
}

// ---------------------------------------------------------------- CosDeg

TEST(CosDeg, ExactAtThePeaksAndZeroCrossings) {
    const Exact cases[] = {
        {0, 1.0},          {360, 1.0},      {-360, 1.0},       {3600, 1.0},
        {0.0005, 1.0},     {-0.0005, 1.0},  {0.000573, 1.0},   {360.000573, 1.0},
        {90, 0.0},         {-90, 0.0},      {270, 0.0},        {-270, 0.0},
        {450, 0.0},        {90.000000000009, 0.0},             {89.999999999991, 0.0},
        {270.000000000009, 0.0},            {180, -1.0},       {180.0005, -1.0},
        {179.9995, -1.0},  {-180, -1.0},    {540, -1.0},
    };
    for (const Exact &c : cases) {
        double v;
        ASSERT_EQ(Call(CosDeg, c.in, &v), 0) << c.in;
        EXPECT_EQ(v, c.out) << c.in;
    }
}

TEST(CosDeg, PeakAtZeroIsOneSided) {
    double v;
    // Just above the tolerance at 0.
    ASSERT_EQ(Call(CosDeg, 0.0005731, &v), 0);
    EXPECT_NE(v, 1.0);
    EXPECT_EQ(v, std::cos(Rad(0.0005731)));
    // Just below a whole turn: no snap.
    ASSERT_EQ(Call(CosDeg, 359.9995, &v), 0);
    EXPECT_NE(v, 1.0);
    EXPECT_EQ(v, std::cos(Rad(359.9995)));
    ASSERT_EQ(Call(CosDeg, 359.9999, &v), 0);
    EXPECT_TRUE(NearUlps(v, 0.9999999999984769));
    // The sign is dropped before the reduction: −0.0005 is 0.0005 and
    // −359.9995 is 359.9995, not 0.0005.
    ASSERT_EQ(Call(CosDeg, -359.9995, &v), 0);
    EXPECT_EQ(v, std::cos(Rad(359.9995)));
}

TEST(CosDeg, OutsideTheTolerancesComesFromTheLibrary) {
    double v;
    ASSERT_EQ(Call(CosDeg, 0.001, &v), 0);
    EXPECT_TRUE(NearUlps(v, 0.9999999998476913));
    ASSERT_EQ(Call(CosDeg, 90.00000000002, &v), 0);
    EXPECT_NE(v, 0.0);
    EXPECT_NEAR(v, -3.49e-13, 0.01e-13);
    EXPECT_EQ(v, std::cos(Rad(90.00000000002)));
    ASSERT_EQ(Call(CosDeg, 180.00058, &v), 0);
    EXPECT_NE(v, -1.0);
    EXPECT_EQ(v, std::cos(Rad(180.00058)));
    ASSERT_EQ(Call(CosDeg, 60, &v), 0);
    EXPECT_TRUE(NearUlps(v, 0.5000000000000001));
    EXPECT_EQ(v, std::cos(Rad(60)));
    ASSERT_EQ(Call(CosDeg, -1e99, &v), 0);
    EXPECT_EQ(v, std::cos(Rad(96)));
    ASSERT_EQ(Call(CosDeg, 1e20, &v), 0);
    EXPECT_EQ(v, std::cos(Rad(280)));
}

TEST(CosDeg, ArgumentLimit) {
    for (double x : {kLimit, -kLimit, 1e100, kInf, -kInf}) {
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
        {90, 90},     {-90, -90},   {270, 90},     {-270, -90},
        {450, 90},    {-630, -90},  {89.99999999996, 89.99999999996},
        {90.00000000004, 90.00000000004},
        {269.99999999996, std::fmod(269.99999999996, 180.0)},
    };
    for (const Exact &c : cases) {
        double v;
        EXPECT_EQ(Call(TanDeg, c.in, &v), -1) << c.in;
        EXPECT_EQ(v, c.out) << c.in;
    }
}

TEST(TanDeg, JustOutsideThePoleTolerance) {
    double v;
    // 6e-11 from the pole.
    ASSERT_EQ(Call(TanDeg, 90.00000000006, &v), 0);
    EXPECT_EQ(v, std::tan(Rad(90.00000000006)));
    ASSERT_EQ(Call(TanDeg, 89.9999999999, &v), 0);
    EXPECT_NEAR(v, 5.7295694979e11, 0.0000000001e11);
    EXPECT_EQ(v, std::tan(Rad(89.9999999999)));
}

TEST(TanDeg, ValuesAreNotSnapped) {
    double v;
    ASSERT_EQ(Call(TanDeg, 45, &v), 0);
    EXPECT_TRUE(NearUlps(v, 0.9999999999999999));
    EXPECT_EQ(v, std::tan(Rad(45)));
    ASSERT_EQ(Call(TanDeg, 135, &v), 0);
    EXPECT_TRUE(NearUlps(v, -1.0000000000000002));
    EXPECT_EQ(v, std::tan(Rad(135)));
}

TEST(TanDeg, ReducesByHalfTurnsKeepingTheSign) {
    double v;
    ASSERT_EQ(Call(TanDeg, 1e20, &v), 0);  // fmod gives exactly 100
    EXPECT_TRUE(NearUlps(v, -5.671281819617711));
    EXPECT_EQ(v, std::tan(Rad(100)));
    ASSERT_EQ(Call(TanDeg, -225, &v), 0);  // reduced to −45, not to 135
    EXPECT_EQ(v, std::tan(Rad(-45)));
    ASSERT_EQ(Call(TanDeg, 1e99, &v), 0);
    EXPECT_EQ(v, std::tan(Rad(std::fmod(1e99, 180.0))));
}

TEST(TanDeg, ArgumentLimit) {
    for (double x : {kLimit, -kLimit, 1e100, kInf, -kInf}) {
        double v;
        EXPECT_EQ(Call(TanDeg, x, &v), -1) << x;
        EXPECT_EQ(v, x) << "the limit test comes before the reduction";
    }
}

// ---------------------------------------------------------------- inverses

TEST(AsinDeg, SpecialAndWholeDegreeResults) {
    const Exact cases[] = {
        {0.5, 30},  {-0.5, -30}, {1, 90}, {-1, -90}, {0, 0},
        {0.7071067811865476, 45}, {-0.7071067811865476, -45},
        {0.8660254037844386, 60},
    };
    for (const Exact &c : cases) {
        double v;
        ASSERT_EQ(Call(AsinDeg, c.in, &v), 0) << c.in;
        EXPECT_EQ(v, c.out) << c.in;
    }
    // The raw conversion is not whole, so the snap did the work.
    EXPECT_NE((std::asin(0.5) * 180) / kPi, 30.0);
}

TEST(AsinDeg, OtherValuesAreUnchanged) {
    double v;
    ASSERT_EQ(Call(AsinDeg, 0.1, &v), 0);
    EXPECT_TRUE(NearUlps(v, 5.739170477266787));
    EXPECT_EQ(v, (std::asin(0.1) * 180) / kPi);
    ASSERT_EQ(Call(AsinDeg, 1e-5, &v), 0);
    EXPECT_EQ(v, (std::asin(1e-5) * 180) / kPi);
}

TEST(AsinDeg, DomainIsInclusive) {
    for (double x : {1.0000001, -1.0000001, std::nextafter(1.0, 2.0),
                     std::nextafter(-1.0, -2.0), 2.0, kInf, -kInf}) {
        double v;
        EXPECT_EQ(Call(AsinDeg, x, &v), -1) << x;
        EXPECT_EQ(v, x);
    }
}

TEST(AcosDeg, SpecialAndWholeDegreeResults) {
    const Exact cases[] = {
        {1, 0}, {-1, 180}, {0, 90}, {0.5, 60}, {-0.5, 120},
        {0.7071067811865476, 45}, {-0.7071067811865476, 135},
    };
    for (const Exact &c : cases) {
        double v;
        ASSERT_EQ(Call(AcosDeg, c.in, &v), 0) << c.in;
        EXPECT_EQ(v, c.out) << c.in;
    }
    double v;
    ASSERT_EQ(Call(AcosDeg, 0.1, &v), 0);
    EXPECT_EQ(v, (std::acos(0.1) * 180) / kPi);
}

TEST(AcosDeg, DomainIsInclusive) {
    for (double x : {1.0000001, -1.0000001, std::nextafter(1.0, 2.0),
                     std::nextafter(-1.0, -2.0), kInf, -kInf}) {
        double v;
        EXPECT_EQ(Call(AcosDeg, x, &v), -1) << x;
        EXPECT_EQ(v, x);
    }
}

TEST(AtanDeg, SpecialAndWholeDegreeResults) {
    const Exact cases[] = {
        {0, 0},     {1, 45},       {-1, -45},      {1.7320508075688772, 60},
        {1e300, 90}, {-1e300, -90}, {kInf, 90},     {-kInf, -90},
        {1e12, 90}, {-1e12, -90},
    };
    for (const Exact &c : cases) {
        double v;
        ASSERT_EQ(Call(AtanDeg, c.in, &v), 0) << c.in;
        EXPECT_EQ(v, c.out) << c.in;
    }
    double v;
    ASSERT_EQ(Call(AtanDeg, 0.5, &v), 0);
    EXPECT_TRUE(NearUlps(v, 26.56505117707799));
    EXPECT_EQ(v, (std::atan(0.5) * 180) / kPi);
    // A special angle matched first gives the angle itself: +0, not −0.
    ASSERT_EQ(Call(AtanDeg, -1e-14, &v), 0);
    EXPECT_EQ(v, 0.0);
    EXPECT_FALSE(std::signbit(v));
}

TEST(InverseTrig, ConversionMultipliesFirstThenDivides) {
    // Away from whole degrees the result is exactly (a * 180) / pi for the
    // library's a; the sweep includes values where a * (180 / pi) differs.
    const struct {
        Routine f;
        double (*lib)(double);
        double scale;
    } routines[] = {
        {AsinDeg, [](double t) { return std::asin(t); }, 1.0},
        {AcosDeg, [](double t) { return std::acos(t); }, 1.0},
        {AtanDeg, [](double t) { return std::atan(t); }, 50.0},
    };
    for (const auto &r : routines) {
        int factor_differs = 0;
        for (int i = -999; i <= 999; ++i) {
            const double x = (i / 1000.0 + 0.000123) * r.scale;
            const double a = r.lib(x);
            const double raw = (a * 180) / kPi;
            if (std::fabs(raw - std::round(raw)) < 1e-6) continue;
            if (raw != a * (180 / kPi)) ++factor_differs;
            double v = x;
            ASSERT_EQ(r.f(&v), 0) << x;
            ASSERT_EQ(v, raw) << x;
        }
        EXPECT_GT(factor_differs, 0);
    }
}

// The whole-degree snap on its own. The routines take the argument of the
// library function, so the test looks for an argument next to tan (sin, cos)
// of the wanted angle whose raw conversion is exactly the wanted degree
// value, then checks what the routine makes of it.
struct SnapCase {
    double raw;     // (a * 180) / pi as the routine computes it
    double result;  // expected after the snap
};

bool FindArgument(double raw, Routine *f, double *x) {
    const double rad = (raw * kPi) / 180;
    const struct {
        Routine f;
        double (*inverse)(double);
        double start;
    } tries[] = {
        {AtanDeg, [](double t) { return std::atan(t); }, std::tan(rad)},
        {AsinDeg, [](double t) { return std::asin(t); }, std::sin(rad)},
        {AcosDeg, [](double t) { return std::acos(t); }, std::cos(rad)},
    };
    for (const auto &t : tries) {
        double up = t.start, down = t.start;
        for (int i = 0; i < 400; ++i) {
            for (double c : {up, down}) {
                if ((t.inverse(c) * 180) / kPi == raw) {
                    *f = t.f;
                    *x = c;
                    return true;
                }
            }
            up = std::nextafter(up, kInf);
            down = std::nextafter(down, -kInf);
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
    const double nans[] = {std::numeric_limits<double>::quiet_NaN(),
                           -std::numeric_limits<double>::quiet_NaN(),
                           std::bit_cast<double>(uint64_t{0x7ff8000000001234})};
    for (Routine f : routines) {
        for (double n : nans) {
            double v = n;
            EXPECT_EQ(f(&v), -1);
            EXPECT_EQ(std::bit_cast<uint64_t>(v), std::bit_cast<uint64_t>(n));
        }
    }
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
