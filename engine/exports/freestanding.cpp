// The three C library routines the engine needs, for a build that links
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

}  // extern "C"
#endif
