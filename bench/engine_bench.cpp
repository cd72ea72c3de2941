// Timings of the engine on this machine: one key by family, one everyday
// calculation through the keys and through TQCAL_CalcString, the corpus,
// the formatter per value and the display parser per text. Times on a
// shared machine vary; instructions.sh gives the deterministic figures.
//
//   build/bench/tqcal_bench [--benchmark_filter=Key]
#include "corpus.h"
#include "tqcal_host.h"

#include "entry/wide_text.h"  // the display parser is internal

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Calc {
    TQCAL_Context ctx;
    TQCAL_Status status;
};

std::vector<int> KeysOf(const char *text) {
    corpus::Expression e;
    std::string bad;
    if (!corpus::ParseLine(text, e, bad)) {
        std::fprintf(stderr, "tqcal_bench: unknown key '%s'\n", bad.c_str());
        std::exit(2);
    }
    return e.keys;
}

Calc After(const char *typed, int mode) {
    Calc c;
    tqcal_reset(&c.ctx, &c.status);
    for (int key : KeysOf(typed)) tqcal_press(&c.ctx, &c.status, key, mode);
    return c;
}

// ---- one key -------------------------------------------------------------------

// The calculator is copied back to where it was before each press (288 + 4
// bytes); BM_CopyOnly is that copy alone.
void BM_Key(benchmark::State &state, const char *before, const char *key) {
    const Calc start = After(before, TQCAL_MODE_ALGEBRAIC);
    const int code = KeysOf(key).at(0);
    for (auto _ : state) {
        Calc c = start;
        benchmark::DoNotOptimize(c);
        tqcal_press(&c.ctx, &c.status, code, TQCAL_MODE_ALGEBRAIC);
        benchmark::DoNotOptimize(c);
    }
}
BENCHMARK_CAPTURE(BM_Key, digit, "12.3", "4");
BENCHMARK_CAPTURE(BM_Key, operator, "12.5", "+");
BENCHMARK_CAPTURE(BM_Key, operator_reducing, "12.5 * 4", "+");
BENCHMARK_CAPTURE(BM_Key, equals, "12.5 + 7.25", "=");
BENCHMARK_CAPTURE(BM_Key, percent, "86.40 * 15", "pct");
BENCHMARK_CAPTURE(BM_Key, function_sqrt, "2", "sqrt");
BENCHMARK_CAPTURE(BM_Key, function_sin, "30", "sin");
BENCHMARK_CAPTURE(BM_Key, memory_add, "12.5", "M+");
BENCHMARK_CAPTURE(BM_Key, memory_recall, "12.5 M+", "MRC");

void BM_CopyOnly(benchmark::State &state) {
    const Calc start = After("12.5 + 7.25", TQCAL_MODE_ALGEBRAIC);
    for (auto _ : state) {
        Calc c = start;
        benchmark::DoNotOptimize(c);
    }
}
BENCHMARK(BM_CopyOnly);

// ---- one calculation and the corpus ---------------------------------------------

void BM_CalculationKeys(benchmark::State &state, const char *text) {
    const std::vector<int> keys = KeysOf(text);
    for (auto _ : state) {
        Calc c;
        tqcal_reset(&c.ctx, &c.status);
        for (int key : keys) tqcal_press(&c.ctx, &c.status, key, TQCAL_MODE_ALGEBRAIC);
        benchmark::DoNotOptimize(c);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(keys.size()));
}
BENCHMARK_CAPTURE(BM_CalculationKeys, shopping, "12.99 + 4.50 * 3 =");
BENCHMARK_CAPTURE(BM_CalculationKeys, celsius, "( 72 - 32 ) * 5 / 9 =");

void BM_CalculationCalcString(benchmark::State &state, const char *text) {
    const std::vector<int> keys = KeysOf(text);
    const std::vector<int8_t> codes(keys.begin(), keys.end());
    for (auto _ : state) {
        double value = 0.0;
        TQCAL_WChar cells[TQCAL_RESULT_TEXT_CELLS];
        benchmark::DoNotOptimize(
            TQCAL_CalcString(&value, cells, codes.data(), static_cast<int>(codes.size())));
        benchmark::DoNotOptimize(value);
        benchmark::DoNotOptimize(cells);
    }
}
BENCHMARK_CAPTURE(BM_CalculationCalcString, shopping, "12.99 + 4.50 * 3 =");
BENCHMARK_CAPTURE(BM_CalculationCalcString, celsius, "( 72 - 32 ) * 5 / 9");

const std::vector<corpus::Expression> &Corpus() {
    static const std::vector<corpus::Expression> EXPRESSIONS = [] {
        std::vector<corpus::Expression> e;
        std::string error;
        if (!corpus::Load(TQCAL_CORPUS_FILE, e, error)) {
            std::fprintf(stderr, "tqcal_bench: %s\n", error.c_str());
            std::exit(2);
        }
        return e;
    }();
    return EXPRESSIONS;
}

// Items are keys: items per second is keys per second.
void BM_CorpusKeys(benchmark::State &state) {
    const int mode = static_cast<int>(state.range(0));
    for (auto _ : state) {
        for (const corpus::Expression &e : Corpus()) {
            Calc c;
            tqcal_reset(&c.ctx, &c.status);
            for (int key : e.keys) tqcal_press(&c.ctx, &c.status, key, mode);
            benchmark::DoNotOptimize(c);
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(corpus::KeyCount(Corpus())));
}
BENCHMARK(BM_CorpusKeys)->Arg(TQCAL_MODE_ALGEBRAIC)->Arg(TQCAL_MODE_EQUAL);

void BM_CorpusCalcString(benchmark::State &state) {
    for (auto _ : state) {
        for (const corpus::Expression &e : Corpus()) {
            double value = 0.0;
            TQCAL_WChar cells[TQCAL_RESULT_TEXT_CELLS];
            benchmark::DoNotOptimize(
                TQCAL_CalcString(&value, cells, e.codes.data(), static_cast<int>(e.codes.size())));
            benchmark::DoNotOptimize(cells);
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(corpus::KeyCount(Corpus())));
}
BENCHMARK(BM_CorpusCalcString);

// ---- formatter and display parser -----------------------------------------------

void BM_Format(benchmark::State &state, double value) {
    TQCAL_Context ctx;
    TQCAL_Status status;
    tqcal_reset(&ctx, &status);
    for (auto _ : state) {
        benchmark::DoNotOptimize(value);
        TQCAL_DivideDoubleToStr(value, ctx.display, ctx.exponent, &ctx.negative, 14);
        benchmark::DoNotOptimize(ctx);
    }
}
BENCHMARK_CAPTURE(BM_Format, zero, 0.0);
BENCHMARK_CAPTURE(BM_Format, whole, 128.0);
BENCHMARK_CAPTURE(BM_Format, price, 47.18);
BENCHMARK_CAPTURE(BM_Format, third, 1.0 / 3);
BENCHMARK_CAPTURE(BM_Format, pi, 3.141592653589793);
BENCHMARK_CAPTURE(BM_Format, large, 1234567890123.4);
BENCHMARK_CAPTURE(BM_Format, exponent, 6.02214076e23);
BENCHMARK_CAPTURE(BM_Format, tiny, 2.5e-20);

void BM_ParseDisplay(benchmark::State &state, const char16_t *text) {
    TQCAL_WChar cells[TQCAL_DISPLAY_AREA] = {};
    for (int i = 0; i < TQCAL_DISPLAY_AREA - 1 && text[i] != 0; ++i) {
        cells[i] = static_cast<TQCAL_WChar>(text[i]);
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(cells);
        benchmark::DoNotOptimize(tqcal::ParseWide(cells, TQCAL_DISPLAY_AREA));
    }
}
BENCHMARK_CAPTURE(BM_ParseDisplay, placeholder, u"            0.");
BENCHMARK_CAPTURE(BM_ParseDisplay, price, u"         12.99");
BENCHMARK_CAPTURE(BM_ParseDisplay, thirteen_digits, u"1234567890123.");
BENCHMARK_CAPTURE(BM_ParseDisplay, fraction, u"0.3333333333333");
BENCHMARK_CAPTURE(BM_ParseDisplay, exponent, u" 05");

}  // namespace

BENCHMARK_MAIN();
