// Correctly rounded reference values for the test tables, from MPFR.
//
//   reference < lines
//
// Each input line is "<function> <x> [<y>]" with the arguments as C number
// literals (decimal or hexadecimal); <function> is one of sin cos tan asin
// acos atan exp log log10 pow, or sindeg cosdeg tandeg (the argument is in
// degrees and converted as the calculator does, (x * 3.141592653589793) / 180,
// in double arithmetic), or asindeg acosdeg atandeg (the correctly rounded
// angle converted back, (a * 180) / 3.141592653589793). Each output line
// repeats the input and gives the result as a 17-digit and a hexadecimal
// literal, followed by "exact" when the value needed no rounding.
//
// Build: g++ -std=c++20 -ffp-contract=off tools/math/reference.cpp -lmpfr -lgmp
#include "../usage.h"

#include <mpfr.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using Fn1 = int (*)(mpfr_ptr, mpfr_srcptr, mpfr_rnd_t);

struct Named {
    const char *name;
    Fn1 f;
};

const Named UNARY_FUNCTIONS[] = {
    {"sin", mpfr_sin},   {"cos", mpfr_cos},   {"tan", mpfr_tan},
    {"asin", mpfr_asin}, {"acos", mpfr_acos}, {"atan", mpfr_atan},
    {"exp", mpfr_exp},   {"log", mpfr_log},   {"log10", mpfr_log10},
};

// f(x) (or pow(x, y) when f is null) correctly rounded to a double,
// subnormals included; *exact tells whether no rounding was needed.
double Rounded(Fn1 f, double x, double y, bool *exact = nullptr) {
    mpfr_t a, b, r;
    mpfr_inits2(53, a, b, r, static_cast<mpfr_ptr>(nullptr));
    mpfr_set_d(a, x, MPFR_RNDN);
    mpfr_set_d(b, y, MPFR_RNDN);
    const mpfr_exp_t emin = mpfr_get_emin(), emax = mpfr_get_emax();
    mpfr_set_emin(-1073);
    mpfr_set_emax(1024);
    int inex = f ? f(r, a, MPFR_RNDN) : mpfr_pow(r, a, b, MPFR_RNDN);
    inex = mpfr_check_range(r, inex, MPFR_RNDN);
    inex = mpfr_subnormalize(r, inex, MPFR_RNDN);
    if (exact) *exact = inex == 0;
    const double d = mpfr_get_d(r, MPFR_RNDN);
    mpfr_set_emin(emin);
    mpfr_set_emax(emax);
    mpfr_clears(a, b, r, static_cast<mpfr_ptr>(nullptr));
    return d;
}

Fn1 Find(const char *name) {
    for (const Named &n : UNARY_FUNCTIONS) {
        if (std::strcmp(n.name, name) == 0) return n.f;
    }
    return nullptr;
}

const char USAGE[] =
    "usage: reference < lines\nEach line \"<function> <x> [<y>]\" gets the correctly rounded"
    " result from MPFR (see the top of tools/math/reference.cpp).\n";

}  // namespace

int main(int argc, char **argv) {
    if (const int status = tqcal_tools::AnswerUsage(argc, argv, USAGE); status >= 0) return status;
    constexpr double PI_VALUE = 3.141592653589793;
    char line[512];
    while (std::fgets(line, sizeof line, stdin)) {
        char name[32], xs[128], ys[128] = "0";
        const int n = std::sscanf(line, "%31s %127s %127s", name, xs, ys);
        if (n < 2 || name[0] == '#') continue;
        const double x = std::strtod(xs, nullptr);
        const double y = std::strtod(ys, nullptr);
        double result;
        bool exact = false;
        const size_t len = std::strlen(name);
        if (std::strcmp(name, "pow") == 0) {
            result = Rounded(nullptr, x, y, &exact);
        } else if (len > 3 && std::strcmp(name + len - 3, "deg") == 0) {
            char base[32];
            std::snprintf(base, sizeof base, "%.*s", static_cast<int>(len - 3), name);
            const Fn1 f = Find(base);
            if (!f) {
                std::fprintf(stderr, "unknown function %s\n", name);
                return 2;
            }
            if (base[0] == 'a') {
                result = (Rounded(f, x, 0) * 180) / PI_VALUE;
            } else {
                result = Rounded(f, (x * PI_VALUE) / 180, 0);
            }
        } else {
            const Fn1 f = Find(name);
            if (!f) {
                std::fprintf(stderr, "unknown function %s\n", name);
                return 2;
            }
            result = Rounded(f, x, 0, &exact);
        }
        std::printf("%s %s%s%s -> %.17g %a%s\n", name, xs, n > 2 ? " " : "", n > 2 ? ys : "",
                    result, result, exact ? " exact" : "");
    }
    return 0;
}
