/*
 * platform_math_probe.h - watches the engine's calls into the platform math
 * library while the vectors are generated.
 *
 * The generator defines the math functions the engine imports (sin, cos,
 * tan, asin, acos, atan, exp, log, log10, pow) itself; the dynamic linker
 * binds the engine's calls to these definitions, which count each call and
 * pass it on to the C library. The last bits of those results differ between
 * C libraries, so every key state that depends on them is marked in the
 * vectors. The probe can also shift each result by a few units in the last
 * place, to find the states whose outcome hangs on those bits.
 *
 * Works only where an executable's definitions take precedence over the
 * shared libraries' (ELF with dlsym(RTLD_NEXT)); the generator runs there.
 */
#ifndef PLATFORM_MATH_PROBE_H
#define PLATFORM_MATH_PROBE_H

#ifdef __cplusplus
extern "C" {
#endif

/* Number of platform math calls since the program started. */
unsigned long probe_calls(void);

/* From now on every finite, non-zero result is moved by ulps units in the
 * last place (negative: downwards). With a non-zero seed each result is
 * moved instead by a pseudo-random amount in -|ulps|..|ulps|, drawn from a
 * sequence that the seed starts afresh. ulps 0 turns shifting off. */
void probe_shift(int ulps, unsigned long seed);

#ifdef __cplusplus
}
#endif

#endif /* PLATFORM_MATH_PROBE_H */
