// TQCAL_CalcString on arbitrary byte arrays: the return, the value and the
// text must agree with each other, and with pressing the same codes one by
// one through the host protocol (algebraic mode) followed by '='.
#include "host_invariants.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

constexpr int TEXT_CELLS = TQCAL_RESULT_TEXT_CELLS;

[[noreturn]] void Report(const int8_t *keys, size_t count, const char *what) {
    std::fprintf(stderr, "TQCAL_CalcString: %s\nkeys:", what);
    for (size_t i = 0; i < count; ++i) std::fprintf(stderr, " %d", keys[i]);
    std::fprintf(stderr, "\n");
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // Exactly-sized heap copies, so that any read past the keys or write
    // past the 16 text cells lands in a redzone.
    const int count = static_cast<int>(size);
    std::unique_ptr<int8_t[]> keys(new int8_t[size ? size : 1]);
    if (size) std::memcpy(keys.get(), data, size);
    std::unique_ptr<TQCAL_WChar[]> text(new TQCAL_WChar[TEXT_CELLS]);
    for (int i = 0; i < TEXT_CELLS; ++i) text[i] = u'#';
    double value = -1.0;

    const int rc = TQCAL_CalcString(&value, text.get(), keys.get(), count);

    // The same codes pressed one by one; the first failing operation key
    // ends the evaluation there, as the whole-sequence call does.
    calc_test::Calc c = host_invariants::FreshCalculator(TQCAL_MODE_ALGEBRAIC);
    host_invariants::KeyChecker checker;
    bool failed = false;
    for (int i = 0; i < count && !failed; ++i) {
        const std::string problem = checker.Press(c, keys[i]);
        if (!problem.empty()) Report(keys.get(), size, problem.c_str());
        failed = checker.failed();
    }
    if (!failed) {
        const std::string problem = checker.Press(c, KEY_EQUAL);
        if (!problem.empty()) Report(keys.get(), size, problem.c_str());
        failed = checker.failed();
    }

    if (rc != 0 && rc != 1) Report(keys.get(), size, "return neither 0 nor 1");
    if (rc == 0) {
        if (!failed) Report(keys.get(), size, "error, but pressing the keys did not fail");
        if (value != TQCAL_CALC_STRING_ERROR)
            Report(keys.get(), size, "error without the error value");
        if (text[0] != 0) Report(keys.get(), size, "error without an empty text");
        return 0;
    }
    if (failed) Report(keys.get(), size, "success, but pressing the keys failed");
    if (!(std::fabs(value) <= 9.9999999999991e99)) Report(keys.get(), size, "value out of range");
    if (value != c.ctx.value || std::signbit(value) != std::signbit(c.ctx.value)) {
        Report(keys.get(), size, "value differs from pressing the keys");
    }
    int i = 0;
    for (; i < TEXT_CELLS && text[i] != 0; ++i) {
        if (text[i] != c.ctx.display[i]) Report(keys.get(), size, "text differs from the display");
    }
    if (i == TEXT_CELLS) Report(keys.get(), size, "text not terminated in 16 cells");
    if (c.ctx.display[i] != 0) Report(keys.get(), size, "text shorter than the display");
    return 0;
}
