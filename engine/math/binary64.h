// IEEE-754 binary64 arithmetic on bit patterns, computed with integers only.
//
// Every target must give the same bits for every operation the engine does.
// Hardware double units do (x86-64 and 32-bit x86 with SSE2, ARM VFP,
// WebAssembly), but a processor without one calls the compiler's helper
// routines, and those are not all correctly rounded. These routines are:
// round to nearest, ties to even; subnormal operands and results, signed
// zeros, infinities and NaN as IEEE-754 has them. On 32-bit ARM without a
// floating-point unit (soft-float EABI) binary64.cpp also defines the
// helpers the compiler calls for double operations (__aeabi_dadd and the
// rest) over these routines, hidden inside the library; elsewhere the
// hardware does the arithmetic and only the square root (where there is no
// instruction for it) and fmod come from here.
//
// NaN results follow what x86's SSE2 unit does, so that the test on x86-64
// can compare every bit: an operation on a NaN gives that NaN made quiet
// (the first operand's when both are NaN), an invalid operation (inf - inf,
// 0 * inf, 0/0, inf/inf, the square root of a negative number, fmod of an
// infinity or by zero) gives the default NaN 0xFFF8000000000000.
//
// The conversions to integers truncate towards zero; a value out of range
// gives the nearest representable integer, and NaN gives 0 (as ARM's own
// conversions do; C++ leaves both undefined).
#pragma once

#include <cstdint>

#if defined(__SSE2_MATH__)
#include <emmintrin.h>
#endif

namespace tqcal::math {

uint64_t AddBits(uint64_t a, uint64_t b);
uint64_t SubBits(uint64_t a, uint64_t b);
uint64_t MulBits(uint64_t a, uint64_t b);
uint64_t DivBits(uint64_t a, uint64_t b);
// The correctly rounded square root.
uint64_t SqrtBits(uint64_t a);
// The remainder of a / b with the quotient truncated towards zero, exactly
// (C's fmod): the sign of a, magnitude below |b|.
uint64_t FmodBits(uint64_t a, uint64_t b);

enum class Order { LESS, EQUAL, GREATER, UNORDERED };
// -0 equals +0; NaN is unordered with everything, itself included.
Order CompareBits(uint64_t a, uint64_t b);

uint64_t FromInt32(int32_t v);
uint64_t FromUint32(uint32_t v);
uint64_t FromInt64(int64_t v);    // rounded when |v| > 2^53
uint64_t FromUint64(uint64_t v);  // rounded when v > 2^53
uint64_t FromFloatBits(uint32_t f);
int32_t ToInt32(uint64_t a);
uint32_t ToUint32(uint64_t a);
int64_t ToInt64(uint64_t a);
uint64_t ToUint64(uint64_t a);

// The square root and fmod the engine calls. The square root is the
// processor's instruction where it has a correctly rounded one (SSE2, ARM
// VFP with GCC, WebAssembly), the same value as SqrtBits in one instruction and without
// the platform library's errno path; elsewhere it is SqrtBits.
#if defined(__SSE2_MATH__)
inline double Sqrt(double x) {
    const __m128d v = _mm_set_sd(x);
    return _mm_cvtsd_f64(_mm_sqrt_sd(v, v));
}
#elif defined(__ARM_FP) && (__ARM_FP & 8) && !defined(__SOFTFP__) && defined(__GNUC__) && \
    !defined(__clang__)
inline double Sqrt(double x) {
    double r;
    __asm__("vsqrt.f64 %P0, %P1" : "=w"(r) : "w"(x));
    return r;
}
#elif defined(__wasm__)
// WebAssembly's f64.sqrt is correctly rounded by the standard; Emscripten
// compiles without errno, so the builtin is that one instruction.
inline double Sqrt(double x) { return __builtin_sqrt(x); }
#else
inline double Sqrt(double x) {
    return __builtin_bit_cast(double, SqrtBits(__builtin_bit_cast(uint64_t, x)));
}
#endif

// v, below 2^53, as a double: exact. A 64-bit conversion is a run-time
// helper on 32-bit ARM (and brings the helpers' whole addition along); with
// a VFP unit two 32-bit conversions and an exact product and sum do it.
inline double ExactDouble(uint64_t v) {
#if defined(__arm__) && defined(__ARM_FP) && (__ARM_FP & 8) && !defined(__SOFTFP__)
    return static_cast<double>(static_cast<uint32_t>(v >> 32)) * 4294967296.0 +
           static_cast<double>(static_cast<uint32_t>(v));
#else
    return static_cast<double>(static_cast<int64_t>(v));
#endif
}

inline double Fmod(double x, double y) {
    const uint64_t r = FmodBits(__builtin_bit_cast(uint64_t, x), __builtin_bit_cast(uint64_t, y));
    return __builtin_bit_cast(double, r);
}

}  // namespace tqcal::math
