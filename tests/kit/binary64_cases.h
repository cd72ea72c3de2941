// Operands for checking the engine's binary64 routines (math/binary64.h)
// against the processor's own double arithmetic: random pairs drawn so that
// rounding has work to do, a fold of results into one hash, and the
// comparison of one result with the hardware's. Shared by the unit test and
// bench/binary64.sh, which runs many more pairs.
#pragma once

#include "soak.h"
#include "math/binary64.h"

#include <bit>
#include <cstdint>

namespace binary64_cases {

// A soft-float build has no hardware double to compare with: every double
// operation in the test program is a call of the engine's helpers.
#if defined(__ARM_EABI__) && defined(__SOFTFP__)
constexpr bool HARDWARE_DOUBLES = false;
#else
constexpr bool HARDWARE_DOUBLES = true;
#endif
// SSE2 gives NaN results by the rules the routines follow, bit for bit;
// other units (ARM's default NaN is positive) only agree that it is a NaN.
#if defined(__SSE2_MATH__)
constexpr bool NAN_BITS_AS_HARDWARE = true;
#else
constexpr bool NAN_BITS_AS_HARDWARE = false;
#endif

// splitmix64: the same sequence on every target.
struct Random {
    uint64_t state;
    uint64_t Next() { return tqcal_soak_next(&state); }  // splitmix64, as the soak draws
};

// Folds each result into a running hash, order included.
struct Hash {
    uint64_t value = 0x243F6A8885A308D3ULL;
    void Add(uint64_t bits) {
        value ^= bits;
        value *= 0x100000001B3ULL;
        value ^= value >> 29;
    }
};

// A pair of operands: a quarter uniform over all bit patterns, the rest
// with exponents at most 64 apart (where additions round and cancel) and
// fractions that are random, all ones, all zeros or one bit, in any sign.
struct Pair {
    uint64_t a, b;
};

inline uint64_t Fraction(Random &r) {
    const uint64_t f = r.Next();
    switch (f & 7) {
        case 0: return 0;
        case 1: return (1ULL << 52) - 1;
        case 2: return 1ULL << ((f >> 8) % 52);
        case 3: return ((1ULL << 52) - 1) ^ (1ULL << ((f >> 8) % 52));
        default: return (f >> 12);
    }
}

inline Pair RandomPair(Random &r) {
    const uint64_t pick = r.Next();
    if ((pick & 3) == 0) return {r.Next(), r.Next()};
    const uint64_t ea = (pick >> 8) % 2047;
    const int64_t gap = static_cast<int64_t>((pick >> 20) % 129) - 64;
    int64_t eb = static_cast<int64_t>(ea) + gap;
    if (eb < 0) eb = 0;
    if (eb > 2046) eb = 2046;
    const uint64_t a = ((pick >> 40) & 1) << 63 | ea << 52 | Fraction(r);
    const uint64_t b = ((pick >> 41) & 1) << 63 | static_cast<uint64_t>(eb) << 52 | Fraction(r);
    return {a, b};
}

inline bool IsNaN(uint64_t x) { return (x & ~(1ULL << 63)) > 0x7FF0000000000000ULL; }

// Whether the routines' result agrees with the hardware's: every bit, but
// for NaN results only where the hardware follows the same NaN rules, and
// then not when both operands are NaN (which NaN comes out depends on the
// order the compiler gives the operands).
inline bool Agrees(uint64_t ours, double hardware, uint64_t a, uint64_t b) {
    const uint64_t h = std::bit_cast<uint64_t>(hardware);
    if (!IsNaN(h)) return ours == h;
    if (!IsNaN(ours)) return false;
    if (!NAN_BITS_AS_HARDWARE) return true;
    if (IsNaN(a) && IsNaN(b)) return ours == (a | 1ULL << 51) || ours == (b | 1ULL << 51);
    return ours == h;
}

// The hardware's results; volatile keeps the compiler from folding them.
inline double HardwareAdd(double a, double b) {
    volatile double x = a, y = b;
    return x + y;
}
inline double HardwareSub(double a, double b) {
    volatile double x = a, y = b;
    return x - y;
}
inline double HardwareMul(double a, double b) {
    volatile double x = a, y = b;
    return x * y;
}
inline double HardwareDiv(double a, double b) {
    volatile double x = a, y = b;
    return x / y;
}

}  // namespace binary64_cases
