/*
 * platform_math_probe.c - counting (and, on request, shifting) wrappers
 * around the platform math functions the engine calls. See the header.
 */
#define _GNU_SOURCE
#include "platform_math_probe.h"

#include <dlfcn.h>
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static unsigned long calls;
static int shift_ulps;
static uint64_t shift_state; /* 0: every result moves by shift_ulps */

unsigned long probe_calls(void) { return calls; }

void probe_shift(int ulps, unsigned long seed)
{
    shift_ulps = ulps;
    shift_state = seed;
}

/* splitmix64: small, and the same sequence everywhere. */
static uint64_t next_random(void)
{
    uint64_t z = (shift_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

/* A result whose last 24 fraction bits are zero is taken for exact (1, 8,
 * 0.5, 100): a result that is representable comes back unchanged from any
 * library whose error stays below one unit in the last place, and an inexact
 * one ends in 24 zero bits about once in sixteen million calls. */
static int looks_exact(double r)
{
    uint64_t bits;
    memcpy(&bits, &r, sizeof bits);
    return (bits & 0xFFFFFFu) == 0;
}

static double shifted(double r)
{
    int n = shift_ulps;
    if (n == 0 || !isfinite(r) || looks_exact(r))
        return r;
    if (shift_state != 0) {
        const int span = abs(n);
        n = (int)(next_random() % (uint64_t)(2 * span + 1)) - span;
    }
    for (; n > 0; --n) r = nextafter(r, INFINITY);
    for (; n < 0; ++n) r = nextafter(r, -INFINITY);
    return r;
}

static void *real_function(const char *name)
{
    void *f = dlsym(RTLD_NEXT, name);
    if (f == NULL) {
        fprintf(stderr, "platform math probe: no %s in the C library\n", name);
        exit(3);
    }
    return f;
}

#define PROBE1(name)                                              \
    double name(double x)                                         \
    {                                                             \
        static double (*real)(double);                            \
        if (real == NULL)                                         \
            *(void **)&real = real_function(#name);               \
        ++calls;                                                  \
        return shifted(real(x));                                  \
    }

PROBE1(sin)
PROBE1(cos)
PROBE1(tan)
PROBE1(asin)
PROBE1(acos)
PROBE1(atan)
PROBE1(exp)
PROBE1(log)
PROBE1(log10)

double pow(double x, double y)
{
    static double (*real)(double, double);
    if (real == NULL)
        *(void **)&real = real_function("pow");
    ++calls;
    return shifted(real(x, y));
}
