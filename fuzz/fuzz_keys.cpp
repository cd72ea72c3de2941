// Key sequences through the host protocol (EEditInfo, the dispatcher, the
// tidy-up), checking after every key what the engine promises a host.
//
// Input: byte 0 picks the precedence mode, every further byte one key:
//   0..47    every key: the codes below KEY_FIRST_NON_KEY (0..44), then the
//            direct codes (251..253)
//   48..239  the same table again (byte % 48)
//   240..255 a code that is no key, sent straight to the dispatcher as a
//            host calling it on its own would
#include "host_invariants.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int MODES[] = {0, 1, 1, 7};  // equal priority, algebraic, another non-1 mode

// Every key: the codes below the first that is no key, then the direct codes.
constexpr int KEY_COUNT = KEY_FIRST_NON_KEY + (KEY_LAST_DIRECT - KEY_FIRST_DIRECT + 1);

constexpr int NOT_A_KEY[] = {KEY_FIRST_NON_KEY,
                             KEY_FIRST_NON_KEY + 1,
                             100,
                             127,
                             128,
                             200,
                             KEY_FIRST_DIRECT - 1,
                             KEY_LAST_DIRECT + 1,
                             KEY_LAST_DIRECT + 2,
                             256,
                             1000,
                             -1,
                             -KEY_FIRST_NON_KEY,
                             -KEY_LAST_DIRECT,
                             INT32_MIN,
                             INT32_MAX};

int KeyFor(uint8_t byte, bool &direct) {
    direct = byte >= 240;
    if (direct) return NOT_A_KEY[byte - 240];
    const int k = byte % KEY_COUNT;
    return k < KEY_FIRST_NON_KEY ? k : KEY_FIRST_DIRECT + (k - KEY_FIRST_NON_KEY);
}

[[noreturn]] void Report(const uint8_t *data, size_t size, size_t at, const std::string &what) {
    std::fprintf(
        stderr,
        "broken promise after key %zu of %zu: %s\nmode byte %u, keys as tqcal --keys names "
        "them (! sent straight to the dispatcher):",
        at, size - 1, what.c_str(), data[0]);
    for (size_t i = 1; i <= at && i < size; ++i) {
        bool direct = false;
        char label[16];
        tqcal_key_label(KeyFor(data[i], direct), label);
        std::fprintf(stderr, " %s%s", label, direct ? "!" : "");
    }
    std::fprintf(stderr, "\n");
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1) return 0;
    calc_test::Calc c = host_invariants::FreshCalculator(MODES[data[0] % 4]);
    // Canaries in the fields nothing may write.
    std::memset(c.ctx.reserved0, 0xA5, sizeof c.ctx.reserved0);
    std::memset(c.ctx.reserved1, 0x5A, sizeof c.ctx.reserved1);
    host_invariants::KeyChecker checker;
    for (size_t i = 1; i < size; ++i) {
        bool direct = false;
        const int key = KeyFor(data[i], direct);
        const std::string problem = checker.Press(c, key, direct);
        if (!problem.empty()) Report(data, size, i, problem);
    }
    return 0;
}
