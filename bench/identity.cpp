// Hashes of the engine's elementary functions (and of the degree and power
// routines built on them) over fixed argument sets, to compare targets bit
// for bit: bench/cross_identity.sh builds this file for each target and
// compares the lines it prints.
//
// The arguments are made from integers by exact operations only, so every
// target starts from the same doubles. A NaN result hashes as one value
// whatever its payload.
#include "soak.h"
#include "numeric/functions.h"
#include "math/elementary.h"
#include "numeric/power.h"
#include "numeric/trig.h"
#include "../tools/usage.h"

#include <cstdint>
#include <cstdio>

namespace {

constexpr int ARGUMENT_COUNT = 100000;

uint64_t Bits(double d) {
    uint64_t b;
    std::memcpy(&b, &d, 8);
    return b;
}

double FromBits(uint64_t b) {
    double d;
    std::memcpy(&d, &b, 8);
    return d;
}

struct Rng {
    uint64_t s;
    uint64_t Next() { return tqcal_soak_next(&s); }  // splitmix64, as the soak draws
    // Biased exponent uniform in [lo, hi], random mantissa and sign.
    double Binade(int lo, int hi, bool sign) {
        const uint64_t r = Next();
        const uint64_t e =
            static_cast<uint64_t>(lo) + (r >> 40) % static_cast<uint64_t>(hi - lo + 1);
        const uint64_t m = Next() & ((1ULL << 52) - 1);
        const uint64_t sg = sign ? (r & 1) << 63 : 0;
        return FromBits(sg | (e << 52) | m);
    }
    // A multiple of 2^-20 in [a, b): exact.
    double Grid(int a, int b) {
        const uint64_t span = static_cast<uint64_t>(b - a) << 20;
        return a + static_cast<double>(Next() % span) * 0x1p-20;
    }
};

struct Hash {
    uint64_t h = 0xcbf29ce484222325ULL;  // FNV-1a
    void Add(double d) {
        const uint64_t b = d != d ? 0x7ff8000000000000ULL : Bits(d);
        for (int i = 0; i < 8; ++i) {
            h ^= (b >> (8 * i)) & 0xff;
            h *= 0x100000001b3ULL;
        }
    }
    void Add(int rc) { Add(static_cast<double>(rc)); }
};

void Print(const char *name, const Hash &h) {
    std::printf("%-8s %016llx\n", name, static_cast<unsigned long long>(h.h));
}

// One argument for the unary function `which`.
double Argument(Rng &r, int which, int i) {
    const bool half = i & 1;
    switch (which) {
        case 0:
        case 1:
        case 2:  // sin cos tan: all magnitudes, or one turn in degrees
            return half ? r.Binade(990, 2046, true) : (r.Grid(-360, 360) * 3.141592653589793) / 180;
        case 3:
        case 4:  // asin acos
            return half ? r.Grid(-1, 1) : r.Binade(960, 1022, true);
        case 5:  // atan
            return r.Binade(0, 2046, true);
        case 6:  // exp
            return half ? r.Grid(-746, 710) : r.Binade(900, 1031, true);
        default:  // log log10
            return half ? r.Binade(0, 2046, false) : 1.0 + r.Grid(-1, 1) * 0x1p-10;
    }
}

const char USAGE[] =
    "usage: identity\nPrints hashes of the engine's function results, which every target"
    " must print alike (bench/cross_identity.sh).\n";

}  // namespace

int main(int argc, char **argv) {
    if (const int status = tqcal_tools::AnswerUsage(argc, argv, USAGE); status >= 0) return status;
    using namespace tqcal;
    const struct {
        const char *name;
        double (*f)(double);
    } unary[] = {
        {"sin", math::Sin},   {"cos", math::Cos},   {"tan", math::Tan},
        {"asin", math::Asin}, {"acos", math::Acos}, {"atan", math::Atan},
        {"exp", math::Exp},   {"log", math::Log},   {"log10", math::Log10},
    };
    for (int w = 0; w < 9; ++w) {
        Rng r{static_cast<uint64_t>(w) + 1};
        Hash h;
        for (int i = 0; i < ARGUMENT_COUNT; ++i) h.Add(unary[w].f(Argument(r, w, i)));
        Print(unary[w].name, h);
    }
    {
        Rng r{100};
        Hash h;
        for (int i = 0; i < ARGUMENT_COUNT; ++i) {
            double x, y;
            switch (i % 4) {
                case 0:
                    x = r.Binade(0, 2046, false);
                    y = r.Grid(-20, 20);
                    break;
                case 1:
                    x = 1.0 + r.Grid(-1, 1) * 0x1p-20;
                    y = r.Grid(-1 << 20, 1 << 20) * 1024;
                    break;
                case 2:
                    x = -r.Binade(1000, 1046, false);
                    y = static_cast<double>(static_cast<int>(r.Next() % 200) - 100);
                    break;
                default:
                    x = r.Binade(0, 2046, true);
                    y = r.Binade(0, 2046, true);
                    break;
            }
            h.Add(math::Pow(x, y));
        }
        Print("pow", h);
    }
    // Hard arguments from the unit tests' tables: the closest doubles to
    // multiples of pi/2, the ends of the kernels' ranges, subnormals.
    {
        const double hard[] = {
            0x1.921fb54442d18p+0,
            0x1.921fb54442d19p+0,
            0x1.921fb54442d18p+1,
            0x1.2d97c7f3321d2p+2,
            0x1.6ac5b262ca1ffp+849,
            0x1.fffffffffffffp+1023,
            1e22,
            1e300,
            1048575.5,
            1048576.5,
            0.78,
            0x1.921fb54442d18p-1,
            0x1p-1074,
            0x1p-1022,
            0x1p-27,
            0x1.fffffffffffffp-28,
            0x1p-54,
            0x1p-53,
            0.59375,
            0x1.2fffffffffffffp-1,
            0x1.fffffffffffffp-1,
            0x1p60,
            0x1.0000000000001p60,
            709.78,
            0x1.62e42fefa39efp+9,
            -708.4,
            -744.4,
            -745.13,
            0x1.0000000000001p+0,
        };
        Hash h;
        for (double x : hard) {
            for (const auto &u : unary) {
                h.Add(u.f(x));
                h.Add(u.f(-x));
            }
            h.Add(math::Pow(x, 0.5));
            h.Add(math::Pow(2.0, x));
        }
        Print("hard", h);
    }
    // The calculator's routines on top: degrees, logarithms, powers, roots.
    const struct {
        const char *name;
        int (*f)(double *);
    } routines[] = {
        {"SinDeg", SinDeg},   {"CosDeg", CosDeg},     {"TanDeg", TanDeg},     {"AsinDeg", AsinDeg},
        {"AcosDeg", AcosDeg}, {"AtanDeg", AtanDeg},   {"NatLog", NaturalLog}, {"ComLog", CommonLog},
        {"Exp", Exponential}, {"SqRoot", SquareRoot},
    };
    for (const auto &rt : routines) {
        Rng r{200};
        Hash h;
        for (int i = 0; i < ARGUMENT_COUNT; ++i) {
            double v = (i & 1) ? r.Grid(-1, 1) : r.Grid(-2000, 2000) + r.Grid(0, 1) * 0x1p-30;
            if (i % 7 == 0) v = r.Binade(700, 1350, true);
            h.Add(rt.f(&v));
            h.Add(v);
        }
        Print(rt.name, h);
    }
    {
        Rng r{300};
        Hash h;
        for (int i = 0; i < ARGUMENT_COUNT; ++i) {
            double x = r.Grid(-1000, 1000), y = r.Grid(-8, 8);
            if (i % 3 == 0) y = static_cast<double>(static_cast<int>(r.Next() % 41) - 20);
            double x2 = x, y2 = y;
            h.Add(PowerXY(&x, &y));
            h.Add(x);
            h.Add(RootXY(&x2, &y2));
            h.Add(x2);
        }
        Print("PowRoot", h);
    }
    return 0;
}
