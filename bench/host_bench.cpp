// The host program over long key sequences: the key parser alone, and a
// whole batch run (parse, press every key, print the screen). Both should
// grow with the number of keys and no faster; the complexity line that
// Google Benchmark prints says how close they come.
//
//   build/bench/tqcal_host_bench
#include "batch.h"
#include "key_names.h"

#include <benchmark/benchmark.h>

#include <sstream>
#include <string>

namespace {

// "7 × 7 × ...": n keys, with a two-byte character in every other one so
// that columns and bytes differ.
std::string Sequence(int64_t keys) {
    std::string text;
    for (int64_t i = 0; i < keys; ++i) {
        text += i % 2 == 0 ? "7 " : "× ";
    }
    return text;
}

void ScanKeys(benchmark::State &state) {
    std::string text = Sequence(state.range(0));
    for (auto _ : state) {
        int64_t keys = 0;
        tqhost::ScanKeys(text, [&keys](const tqhost::KeyView &) { ++keys; });
        benchmark::DoNotOptimize(keys);
    }
    state.SetComplexityN(state.range(0));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(ScanKeys)->RangeMultiplier(10)->Range(1000, 100000)->Complexity(benchmark::oN);

void BatchRunFromStandardInput(benchmark::State &state) {
    std::string text = Sequence(state.range(0)) + "\n";
    tqhost::Options options;
    for (auto _ : state) {
        std::istringstream in(text);
        std::ostringstream out;
        std::ostringstream err;
        benchmark::DoNotOptimize(tqhost::RunBatch(options, in, out, err));
    }
    state.SetComplexityN(state.range(0));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BatchRunFromStandardInput)
    ->RangeMultiplier(10)
    ->Range(1000, 100000)
    ->Complexity(benchmark::oN);

}  // namespace

BENCHMARK_MAIN();
