// The C library and run-time routines the engine needs, for a build that links
// against no C library at all (the Windows CE DLL: a handheld's coredll.dll
// differs from one device to the next, and an image that imports nothing
// loads on every one of them). The compiler also emits calls to memcpy and
// memset of its own for block copies and clears, so these must carry the
// plain names; the DLL exports only the listed names, so they stay private.
//
// This file is compiled without link-time optimization and without loop
// pattern recognition: otherwise the compiler would turn each loop below
// back into a call of the very routine it implements.
#if defined(TQCAL_FREESTANDING)
#include <stddef.h>
#include <stdint.h>

namespace {

// Word-wide when both addresses allow it: the context block and the stack
// frames the engine copies are word-aligned, and ARMv4 has no unaligned
// word access.
bool WordAligned(const void *a, const void *b) {
    return ((reinterpret_cast<uintptr_t>(a) | reinterpret_cast<uintptr_t>(b)) & 3u) == 0;
}

}  // namespace

extern "C" {

void *memcpy(void *dest, const void *src, size_t n) {
    unsigned char *d = static_cast<unsigned char *>(dest);
    const unsigned char *s = static_cast<const unsigned char *>(src);
    if (WordAligned(d, s)) {
        for (; n >= 4; n -= 4, d += 4, s += 4)
            *reinterpret_cast<uint32_t *>(d) = *reinterpret_cast<const uint32_t *>(s);
    }
    for (; n > 0; --n) *d++ = *s++;
    return dest;
}

void *memset(void *dest, int c, size_t n) {
    unsigned char *d = static_cast<unsigned char *>(dest);
    const unsigned char byte = static_cast<unsigned char>(c);
    if (WordAligned(d, d)) {
        const uint32_t word = byte * 0x01010101u;
        for (; n >= 4; n -= 4, d += 4) *reinterpret_cast<uint32_t *>(d) = word;
    }
    for (; n > 0; --n) *d++ = byte;
    return dest;
}

int memcmp(const void *a, const void *b, size_t n) {
    const unsigned char *x = static_cast<const unsigned char *>(a);
    const unsigned char *y = static_cast<const unsigned char *>(b);
    for (; n > 0; --n, ++x, ++y) {
        if (*x != *y) return *x < *y ? -1 : 1;
    }
    return 0;
}

// Integer division. ARM processors before ARMv7 have no divide instruction,
// so the compiler calls these helpers of the ARM EABI for / and % (in the
// code optimized for size; the faster code multiplies by reciprocals
// instead). Shift and subtract, one quotient bit per step. The engine never
// divides by zero; should it, the quotient is 0 rather than a trap.
#if defined(__ARM_EABI__)
namespace {

struct Division {
    uint32_t quotient;
    uint32_t remainder;
};

Division DivideUnsigned(uint32_t n, uint32_t d) {
    Division out = {0, 0};
    if (d == 0) {
        out.remainder = n;
        return out;
    }
    for (int bit = 31; bit >= 0; --bit) {
        // The remainder may reach 2^32 for a divisor above 2^31: its top
        // bit, shifted out, still counts.
        const uint32_t carry = out.remainder >> 31;
        out.remainder = (out.remainder << 1) | ((n >> bit) & 1u);
        if (carry || out.remainder >= d) {
            out.remainder -= d;
            out.quotient |= 1u << bit;
        }
    }
    return out;
}

// Truncating division: the quotient toward zero, the remainder with the
// dividend's sign.
Division DivideSigned(int32_t n, int32_t d) {
    const uint32_t un = n < 0 ? 0u - static_cast<uint32_t>(n) : static_cast<uint32_t>(n);
    const uint32_t ud = d < 0 ? 0u - static_cast<uint32_t>(d) : static_cast<uint32_t>(d);
    Division out = DivideUnsigned(un, ud);
    if ((n < 0) != (d < 0)) out.quotient = 0u - out.quotient;
    if (n < 0) out.remainder = 0u - out.remainder;
    return out;
}

// The divmod helpers return the quotient in r0 and the remainder in r1:
// a 64-bit result, low word first.
uint64_t Pair(Division r) { return static_cast<uint64_t>(r.remainder) << 32 | r.quotient; }

}  // namespace

uint32_t __aeabi_uidiv(uint32_t n, uint32_t d);
int32_t __aeabi_idiv(int32_t n, int32_t d);
uint64_t __aeabi_uidivmod(uint32_t n, uint32_t d);
uint64_t __aeabi_idivmod(int32_t n, int32_t d);

uint32_t __aeabi_uidiv(uint32_t n, uint32_t d) { return DivideUnsigned(n, d).quotient; }
int32_t __aeabi_idiv(int32_t n, int32_t d) {
    return static_cast<int32_t>(DivideSigned(n, d).quotient);
}
uint64_t __aeabi_uidivmod(uint32_t n, uint32_t d) { return Pair(DivideUnsigned(n, d)); }
uint64_t __aeabi_idivmod(int32_t n, int32_t d) { return Pair(DivideSigned(n, d)); }
#endif

}  // extern "C"
#endif
