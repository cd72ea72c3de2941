// Time per call of the engine's elementary functions against the platform's
// math library, on the arguments the calculator passes them (angles of one
// turn in radians, arguments of its display range) and, for the reduction
// of sin, cos and tan, on huge arguments as well.
//
//   tqcal_math_bench [--benchmark_filter=sin]
//
// Each benchmark runs over a fixed table of 4096 arguments; the figure is
// the time per call. "ours" and "platform" of the same function and range
// use the same table.
#include "math/elementary.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr int SAMPLE_COUNT = 4096;

struct Rng {
    uint64_t s;
    double Unit() {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(s >> 11) * 0x1p-53;
    }
    double Uniform(double a, double b) { return a + (b - a) * Unit(); }
    double LogUniform(double a, double b) { return std::exp(Uniform(std::log(a), std::log(b))); }
};

using Fill = double (*)(Rng &);

std::vector<double> Table(Fill fill, uint64_t seed) {
    Rng r{seed};
    std::vector<double> v(SAMPLE_COUNT);
    for (double &x : v) x = fill(r);
    return v;
}

// The platform's functions, called through the same kind of pointer.
double PSin(double x) { return std::sin(x); }
double PCos(double x) { return std::cos(x); }
double PTan(double x) { return std::tan(x); }
double PAsin(double x) { return std::asin(x); }
double PAcos(double x) { return std::acos(x); }
double PAtan(double x) { return std::atan(x); }
double PExp(double x) { return std::exp(x); }
double PLog(double x) { return std::log(x); }
double PLog10(double x) { return std::log10(x); }
double PPow(double x, double y) { return std::pow(x, y); }

// Argument ranges.
double Turn(Rng &r) { return (r.Uniform(0, 360) * 3.141592653589793) / 180; }
double Huge(Rng &r) { return r.LogUniform(1e6, 1e300); }
double Unit(Rng &r) { return r.Uniform(-1, 1); }
double Display(Rng &r) { return (r.Unit() < 0.5 ? -1 : 1) * r.LogUniform(1e-20, 1e20); }
double ExpArg(Rng &r) { return r.Uniform(-230, 230); }
double Positive(Rng &r) { return r.LogUniform(1e-99, 1e99); }
double Base(Rng &r) { return r.LogUniform(1e-5, 1e5); }
double Power(Rng &r) { return r.Uniform(-20, 20); }

using namespace tqcal::math;

struct UnaryCase {
    const char *name;
    double (*ours)(double);
    double (*platform)(double);
    const char *range;
    Fill fill;
};

const UnaryCase UNARY_CASES[] = {
    {"sin", Sin, PSin, "turn", Turn},          {"cos", Cos, PCos, "turn", Turn},
    {"tan", Tan, PTan, "turn", Turn},          {"sin", Sin, PSin, "huge", Huge},
    {"cos", Cos, PCos, "huge", Huge},          {"tan", Tan, PTan, "huge", Huge},
    {"asin", Asin, PAsin, "unit", Unit},       {"acos", Acos, PAcos, "unit", Unit},
    {"atan", Atan, PAtan, "display", Display}, {"exp", Exp, PExp, "display", ExpArg},
    {"log", Log, PLog, "display", Positive},   {"log10", Log10, PLog10, "display", Positive},
};

void RunUnary(benchmark::State &state, double (*f)(double), Fill fill) {
    const std::vector<double> args = Table(fill, 12345);
    size_t i = 0;
    double sum = 0;
    for (auto _ : state) {
        sum += f(args[i]);
        i = (i + 1) & (SAMPLE_COUNT - 1);
    }
    benchmark::DoNotOptimize(sum);
}

void RunPow(benchmark::State &state, double (*f)(double, double)) {
    const std::vector<double> xs = Table(Base, 12345);
    const std::vector<double> ys = Table(Power, 54321);
    size_t i = 0;
    double sum = 0;
    for (auto _ : state) {
        sum += f(xs[i], ys[i]);
        i = (i + 1) & (SAMPLE_COUNT - 1);
    }
    benchmark::DoNotOptimize(sum);
}

}  // namespace

int main(int argc, char **argv) {
    for (const UnaryCase &c : UNARY_CASES) {
        const std::string base = std::string(c.name) + "/" + c.range;
        benchmark::RegisterBenchmark((base + "/ours").c_str(), RunUnary, c.ours, c.fill);
        benchmark::RegisterBenchmark((base + "/platform").c_str(), RunUnary, c.platform, c.fill);
    }
    benchmark::RegisterBenchmark("pow/display/ours", RunPow, Pow);
    benchmark::RegisterBenchmark("pow/display/platform", RunPow, PPow);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
