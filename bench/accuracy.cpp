// Accuracy of the engine's elementary functions against MPFR.
//
//   tqcal_accuracy [--count N] [--seed S] [--only NAME] [--regions]
//
// For each function, N arguments are drawn from several regions (the whole
// range of doubles, uniform in exponent and mantissa, and the regions the
// engine uses), and each result is compared with the correctly rounded
// value (MPFR in double range, subnormals included) and with a 160-bit
// value for the error in units in the last place. One line per function:
// the largest error in ulps, where it occurred, and the share of results
// that are correctly rounded. The exit status is 1 when any function is off
// by more than one ulp or correctly rounded in less than 99.9 % of the
// arguments.
#include "soak.h"
#include "math/elementary.h"

#include <mpfr.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr double PI_VALUE = 3.141592653589793;

// ---------------------------------------------------------------- random

struct Rng {
    uint64_t s;
    uint64_t Next() { return tqcal_soak_next(&s); }  // splitmix64, as the soak draws
    double Unit() { return static_cast<double>(Next() >> 11) * 0x1p-53; }  // [0, 1)
    double Uniform(double a, double b) { return a + (b - a) * Unit(); }
    int Int(int a, int b) {
        return a + static_cast<int>(Next() % static_cast<uint64_t>(b - a + 1));
    }
    double Sign() { return (Next() & 1) ? -1.0 : 1.0; }
    // Positive double with biased exponent uniform in [lo, hi] (0 gives a
    // subnormal) and a uniform mantissa.
    double Binade(int lo, int hi) {
        const uint64_t e = static_cast<uint64_t>(Int(lo, hi));
        const uint64_t m = Next() & ((1ULL << 52) - 1);
        return std::bit_cast<double>((e << 52) | m);
    }
    // Positive double uniform in exponent and mantissa between 2^a and 2^b.
    double Between(int a, int b) { return Binade(a + 1023, b - 1 + 1023); }
};

double Ulps(double x, int n) {
    for (int i = 0; i < n; ++i) x = std::nextafter(x, n > 0 ? INFINITY : -INFINITY);
    for (int i = 0; i > n; --i) x = std::nextafter(x, -INFINITY);
    return x;
}

// The double nearest to k pi/2 for the integer k nearest to x 2/pi.
double NearestMultipleOfHalfPi(double x) {
    mpfr_t a, p;
    mpfr_inits2(1300, a, p, static_cast<mpfr_ptr>(nullptr));
    mpfr_const_pi(p, MPFR_RNDN);
    mpfr_div_2ui(p, p, 1, MPFR_RNDN);
    mpfr_set_d(a, x, MPFR_RNDN);
    mpfr_div(a, a, p, MPFR_RNDN);
    mpfr_rint(a, a, MPFR_RNDN);
    mpfr_mul(a, a, p, MPFR_RNDN);
    const double d = mpfr_get_d(a, MPFR_RNDN);
    mpfr_clears(a, p, static_cast<mpfr_ptr>(nullptr));
    return d;
}

double RefLog(double x) {
    mpfr_t a;
    mpfr_init2(a, 80);
    mpfr_set_d(a, x, MPFR_RNDN);
    mpfr_log(a, a, MPFR_RNDN);
    const double d = mpfr_get_d(a, MPFR_RNDN);
    mpfr_clear(a);
    return d;
}

// ---------------------------------------------------------------- regions

struct Arg {
    double x, y;
};
using Gen = Arg (*)(Rng &);

struct Region {
    const char *name;
    double weight;
    Gen gen;
};

// Degrees to radians as the calculator converts them.
double Radians(double deg) { return (deg * PI_VALUE) / 180; }

const Region TRIG_REGIONS[] = {
    {"all doubles", 0.30,
     [](Rng &r) {
         return Arg{r.Sign() * r.Binade(0, 2046), 0};
     }},
    {"one turn", 0.15,
     [](Rng &r) {
         return Arg{r.Uniform(-2 * PI_VALUE, 2 * PI_VALUE), 0};
     }},
    {"degrees to 1e100", 0.20,
     [](Rng &r) {
         return Arg{Radians(r.Sign() * r.Between(-20, 332)), 0};
     }},
    {"reduced degrees", 0.15,
     [](Rng &r) {
         if (r.Next() & 1) return Arg{Radians(r.Uniform(0, 360)), 0};
         // Close to the special angles the calculator snaps around.
         const double d = 90.0 * r.Int(0, 4) + r.Sign() * std::pow(10.0, -r.Uniform(3, 13));
         return Arg{Radians(d < 0 ? -d : d), 0};
     }},
    {"near k pi/2", 0.20,
     [](Rng &r) {
         const double m = NearestMultipleOfHalfPi(r.Between(0, 1023));
         return Arg{r.Sign() * Ulps(m, r.Int(-16, 16)), 0};
     }},
};

const Region ASIN_REGIONS[] = {
    {"[-1, 1]", 0.40,
     [](Rng &r) {
         return Arg{r.Uniform(-1, 1), 0};
     }},
    {"small", 0.30,
     [](Rng &r) {
         return Arg{r.Sign() * r.Between(-60, 0), 0};
     }},
    {"near +-1", 0.20,
     [](Rng &r) {
         return Arg{r.Sign() * (1.0 - r.Between(-53, -1)), 0};
     }},
    {"sines of 30, 45, 60", 0.10,
     [](Rng &r) {
         const double v[] = {0.5, 0.7071067811865476, 0.8660254037844386};
         return Arg{r.Sign() * Ulps(v[r.Int(0, 2)], r.Int(-64, 64)), 0};
     }},
};

const Region ATAN_REGIONS[] = {
    {"all doubles", 0.40,
     [](Rng &r) {
         return Arg{r.Sign() * r.Binade(0, 2046), 0};
     }},
    {"[-4, 4]", 0.30,
     [](Rng &r) {
         return Arg{r.Uniform(-4, 4), 0};
     }},
    {"tangents of 30, 45, 60", 0.10,
     [](Rng &r) {
         const double v[] = {0.5773502691896257, 1.0, 1.7320508075688772};
         return Arg{r.Sign() * Ulps(v[r.Int(0, 2)], r.Int(-64, 64)), 0};
     }},
    {"large", 0.20,
     [](Rng &r) {
         return Arg{r.Sign() * r.Between(20, 70), 0};
     }},
};

const Region EXP_REGIONS[] = {
    {"[-745.2, 709.8]", 0.40,
     [](Rng &r) {
         return Arg{r.Uniform(-745.2, 709.8), 0};
     }},
    {"small", 0.30,
     [](Rng &r) {
         return Arg{r.Sign() * r.Between(-60, 9), 0};
     }},
    {"near overflow", 0.10,
     [](Rng &r) {
         return Arg{r.Uniform(700, 709.79), 0};
     }},
    {"subnormal results", 0.10,
     [](Rng &r) {
         return Arg{r.Uniform(-745.2, -708.3), 0};
     }},
    {"calculator range", 0.10,
     [](Rng &r) {
         return Arg{r.Uniform(-230.3, 230.258509299404), 0};
     }},
};

const Region LOG_REGIONS[] = {
    {"all positive doubles", 0.50,
     [](Rng &r) {
         return Arg{r.Binade(0, 2046), 0};
     }},
    {"near 1", 0.30,
     [](Rng &r) {
         return Arg{1.0 + r.Sign() * r.Between(-60, -1), 0};
     }},
    {"calculator range", 0.10,
     [](Rng &r) {
         return Arg{r.Between(-329, 333), 0};
     }},
    {"powers of ten", 0.10,
     [](Rng &r) {
         char buf[16];
         std::snprintf(buf, sizeof buf, "1e%d", r.Int(-300, 300));
         return Arg{Ulps(std::strtod(buf, nullptr), r.Int(-4, 4)), 0};
     }},
};

// y such that y ln x = t, for a result e^t inside the range of doubles.
double ExponentFor(double x, double t) { return t / RefLog(x); }

const Region POW_REGIONS[] = {
    {"any base, result in range", 0.30,
     [](Rng &r) {
         double x;
         do x = r.Binade(0, 2046);
         while (x == 1.0);
         return Arg{x, ExponentFor(x, r.Uniform(-745, 709.7))};
     }},
    {"bases near 1", 0.20,
     [](Rng &r) {
         const double x = 1.0 + r.Sign() * r.Between(-52, -1);
         return Arg{x, ExponentFor(x, r.Uniform(-745, 709.7))};
     }},
    {"negative bases, whole exponents", 0.15,
     [](Rng &r) {
         const double x = -r.Between(-20, 20);
         const double lim = std::floor(700 / std::fabs(RefLog(-x)));
         const double cap = lim < 1e6 ? lim : 1e6;
         return Arg{x, std::floor(r.Uniform(-cap, cap + 1))};
     }},
    {"near overflow and underflow", 0.10,
     [](Rng &r) {
         double x;
         do x = r.Binade(1, 2046);
         while (x == 1.0);
         const double t = (r.Next() & 1) ? r.Uniform(700, 709.78) : r.Uniform(-745.1, -708);
         return Arg{x, ExponentFor(x, t)};
     }},
    {"calculator operands", 0.15,
     [](Rng &r) {
         const double x = r.Between(-329, 329);
         if (r.Next() & 1) return Arg{x, r.Uniform(-20, 20)};
         return Arg{x, 1.0 / r.Int(2, 9)};  // roots
     }},
    {"all doubles", 0.10,
     [](Rng &r) {
         return Arg{r.Sign() * r.Binade(0, 2046), r.Sign() * r.Binade(0, 2046)};
     }},
};

// ---------------------------------------------------------------- functions

using Ref1 = int (*)(mpfr_ptr, mpfr_srcptr, mpfr_rnd_t);
using Ref2 = int (*)(mpfr_ptr, mpfr_srcptr, mpfr_srcptr, mpfr_rnd_t);

struct Function {
    const char *name;
    double (*ours1)(double);
    double (*ours2)(double, double);
    Ref1 ref1;
    Ref2 ref2;
    const Region *regions;
    int nregions;
};

template <int N>
constexpr int Count(const Region (&)[N]) {
    return N;
}

#define ONE(name, ours, ref, regs) \
    { name, ours, nullptr, ref, nullptr, regs, Count(regs) }

const Function FUNCTIONS[] = {
    ONE("sin", tqcal::math::Sin, mpfr_sin, TRIG_REGIONS),
    ONE("cos", tqcal::math::Cos, mpfr_cos, TRIG_REGIONS),
    ONE("tan", tqcal::math::Tan, mpfr_tan, TRIG_REGIONS),
    ONE("asin", tqcal::math::Asin, mpfr_asin, ASIN_REGIONS),
    ONE("acos", tqcal::math::Acos, mpfr_acos, ASIN_REGIONS),
    ONE("atan", tqcal::math::Atan, mpfr_atan, ATAN_REGIONS),
    ONE("exp", tqcal::math::Exp, mpfr_exp, EXP_REGIONS),
    ONE("log", tqcal::math::Log, mpfr_log, LOG_REGIONS),
    ONE("log10", tqcal::math::Log10, mpfr_log10, LOG_REGIONS),
    {"pow", nullptr, tqcal::math::Pow, nullptr, mpfr_pow, POW_REGIONS, Count(POW_REGIONS)},
};

// ---------------------------------------------------------------- reference

struct Reference {
    double rounded;  // correctly rounded double
    double ulps;     // |ours - exact| in units in the last place of the exact value
};

Reference Compare(const Function &f, Arg a, double ours) {
    mpfr_t x, y, r53, hp, diff;
    mpfr_init2(x, 53);
    mpfr_init2(y, 53);
    mpfr_init2(r53, 53);
    mpfr_init2(hp, 160);
    mpfr_init2(diff, 400);
    mpfr_set_d(x, a.x, MPFR_RNDN);
    mpfr_set_d(y, a.y, MPFR_RNDN);

    // Correctly rounded in the range of doubles, subnormals included.
    const mpfr_exp_t emin = mpfr_get_emin(), emax = mpfr_get_emax();
    mpfr_set_emin(-1073);
    mpfr_set_emax(1024);
    int inex = f.ref1 ? f.ref1(r53, x, MPFR_RNDN) : f.ref2(r53, x, y, MPFR_RNDN);
    inex = mpfr_check_range(r53, inex, MPFR_RNDN);
    mpfr_subnormalize(r53, inex, MPFR_RNDN);
    const double rounded = mpfr_get_d(r53, MPFR_RNDN);
    mpfr_set_emin(emin);
    mpfr_set_emax(emax);

    double ulps = 0.0;
    if (std::isnan(rounded) || std::isnan(ours)) {
        ulps = (std::isnan(rounded) && std::isnan(ours)) ? 0.0 : INFINITY;
    } else if (std::isinf(rounded) || std::isinf(ours)) {
        ulps = (rounded == ours) ? 0.0 : INFINITY;
    } else {
        if (f.ref1)
            f.ref1(hp, x, MPFR_RNDN);
        else
            f.ref2(hp, x, y, MPFR_RNDN);
        if (mpfr_zero_p(hp)) {
            ulps = ours == 0.0 ? 0.0 : INFINITY;
        } else {
            long e = mpfr_get_exp(hp) - 53;  // hp = m 2^exp with m in [1/2, 1)
            if (e < -1074) e = -1074;
            mpfr_set_d(diff, ours, MPFR_RNDN);
            mpfr_sub(diff, diff, hp, MPFR_RNDN);
            mpfr_abs(diff, diff, MPFR_RNDN);
            mpfr_mul_2si(diff, diff, -e, MPFR_RNDN);
            ulps = mpfr_get_d(diff, MPFR_RNDU);
        }
    }
    mpfr_clears(x, y, r53, hp, diff, static_cast<mpfr_ptr>(nullptr));
    return {rounded, ulps};
}

bool Same(double a, double b) {
    if (std::isnan(a) && std::isnan(b)) return true;
    return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b);
}

struct Tally {
    long n = 0, correct = 0;
    double worst = 0;
    Arg worst_arg{0, 0};
    double worst_ours = 0, worst_ref = 0;
    void Add(Arg a, double ours, const Reference &ref) {
        ++n;
        if (Same(ours, ref.rounded)) ++correct;
        if (n == 1 || ref.ulps > worst) {
            worst = ref.ulps;
            worst_arg = a;
            worst_ours = ours;
            worst_ref = ref.rounded;
        }
    }
    double Share() const { return n ? 100.0 * correct / n : 100.0; }
};

void Usage() {
    std::fprintf(stderr,
                 "usage: tqcal_accuracy [--count N] [--seed S] [--only NAME] [--regions]\n");
}

}  // namespace

int main(int argc, char **argv) {
    long count = 100000;
    uint64_t seed = 20240611;
    std::string only;
    bool regions = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::printf(
                "usage: tqcal_accuracy [--count N] [--seed S] [--only NAME] [--regions]\n"
                "Compares the engine's elementary functions with MPFR on N arguments each.\n");
            return 0;
        }
        if (a == "--count" && i + 1 < argc) {
            count = std::strtol(argv[++i], nullptr, 10);
        } else if (a == "--seed" && i + 1 < argc) {
            seed = std::strtoull(argv[++i], nullptr, 10);
        } else if (a == "--only" && i + 1 < argc) {
            only = argv[++i];
        } else if (a == "--regions") {
            regions = true;
        } else {
            Usage();
            return 2;
        }
    }
    if (count <= 0) {
        Usage();
        return 2;
    }

    std::printf("%-6s %9s %12s %10s  %s\n", "func", "args", "max ulps", "correct %",
                "worst argument");
    int checked = 0, passed = 0;
    for (const Function &f : FUNCTIONS) {
        if (!only.empty() && only != f.name) continue;
        ++checked;
        uint64_t h = seed;
        for (const char *c = f.name; *c; ++c) h = h * 131 + static_cast<unsigned char>(*c);
        Rng rng{h};
        double total_weight = 0;
        for (int i = 0; i < f.nregions; ++i) total_weight += f.regions[i].weight;
        Tally all;
        std::vector<Tally> per(static_cast<size_t>(f.nregions));
        for (int i = 0; i < f.nregions; ++i) {
            const long n = static_cast<long>(count * f.regions[i].weight / total_weight + 0.5);
            for (long k = 0; k < n; ++k) {
                const Arg a = f.regions[i].gen(rng);
                const double ours = f.ours1 ? f.ours1(a.x) : f.ours2(a.x, a.y);
                const Reference ref = Compare(f, a, ours);
                all.Add(a, ours, ref);
                per[static_cast<size_t>(i)].Add(a, ours, ref);
            }
        }
        char where[96];
        if (f.ours1) {
            std::snprintf(where, sizeof where, "%a", all.worst_arg.x);
        } else {
            std::snprintf(where, sizeof where, "%a, %a", all.worst_arg.x, all.worst_arg.y);
        }
        std::printf("%-6s %9ld %12.6f %10.4f  %s\n", f.name, all.n, all.worst, all.Share(), where);
        if (regions) {
            for (int i = 0; i < f.nregions; ++i) {
                const Tally &t = per[static_cast<size_t>(i)];
                std::printf("       %9ld %12.6f %10.4f    %s\n", t.n, t.worst, t.Share(),
                            f.regions[i].name);
            }
        }
        if (!(all.worst <= 1.0) || all.Share() < 99.9) {
            std::printf("       FAILED: ours %a, correctly rounded %a\n", all.worst_ours,
                        all.worst_ref);
        } else {
            ++passed;
        }
    }
    std::printf("accuracy: %d of %d functions within 1 ulp and correctly rounded in 99.9 %%\n",
                passed, checked);
    std::fflush(stdout);
    return passed == checked && checked > 0 ? 0 : 1;
}
