/*
 * soak.h - the soak part of the conformance kit: a million seeded random key
 * sequences pressed through tqcal_host.h, with a hash of the whole context
 * block and the status word after every key.
 *
 * The record (vectors.txt) holds, per block of TQCAL_SOAK_BLOCK sequences,
 * the hash of the keys and the hash of every state; conformance_generate
 * writes it on x86-64, conformance_replay compares another build with it.
 * Both include this file, so that both press the very same keys and fold
 * the very same bytes: the sequences come from an integer generator
 * (splitmix64) seeded by the sequence's number, and the hash reads the
 * context byte by byte, so every compiler on every target gets the same
 * keys and, from the same states, the same hashes. Plain C (C89 with
 * 64-bit integers: a CE SDK's compiler builds it) that also compiles as
 * C++; no floating point at all.
 *
 *     int keys[TQCAL_SOAK_MAX_KEYS], mode;
 *     int n = tqcal_soak_keys(12345, &mode, keys);      the keys of one sequence
 *     uint64_t h = tqcal_soak_run(12345, NULL, NULL, NULL);   pressed on a fresh calculator
 */
#ifndef TQCAL_CONFORMANCE_SOAK_H
#define TQCAL_CONFORMANCE_SOAK_H

#include <string.h>

#include "tqcal.h"
#include "tqcal_host.h"

/* The fixed-width types, from <stdint.h>; the compilers of Windows CE SDKs
 * (Visual C++ 2008 and older) have none, but have the same types under
 * their own names. */
#if defined(_MSC_VER) && _MSC_VER < 1600
typedef TQCAL_Int8 int8_t;
typedef TQCAL_Int32 int32_t;
typedef TQCAL_UInt32 uint32_t;
typedef __int64 int64_t;
typedef unsigned __int64 uint64_t;
#else
#  include <stdint.h>
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Sequences per recorded block, and the longest sequence the generator makes. */
#define TQCAL_SOAK_BLOCK 1000
#define TQCAL_SOAK_MAX_KEYS 200

/* Changing the seed or the generator below changes every recorded hash:
 * the record must then be written again. */
#define TQCAL_SOAK_SEED 0x7163616C736F616BULL

/* ---- Integers only ---------------------------------------------------------- */

/* splitmix64: one 64-bit state, additions, shifts and multiplications. */
TQCAL_HOST_INLINE uint64_t tqcal_soak_next(uint64_t *state)
{
    uint64_t z = (*state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

/* 0 to n-1 (a plain modulo: the same on every target). */
TQCAL_HOST_INLINE int tqcal_soak_below(uint64_t *state, int n)
{
    return (int)(tqcal_soak_next(state) % (uint64_t)n);
}

/* One step of the hash: each of the three operations can be undone, so two
 * runs that differ in one word fold to different hashes. */
TQCAL_HOST_INLINE uint64_t tqcal_soak_mix(uint64_t h, uint64_t word)
{
    h ^= word;
    h *= 0x9E3779B97F4A7C15ULL;
    return h ^ (h >> 32);
}

/* The hash of one state: the 288 bytes of the context, read as 36 words of
 * eight bytes with the first byte lowest, then the status word. */
TQCAL_HOST_INLINE uint64_t tqcal_soak_state_hash(const TQCAL_Context *ctx, TQCAL_Status status)
{
    unsigned char bytes[sizeof(TQCAL_Context)];
    uint64_t h = 0x736F616B73746174ULL;
    size_t i;
    int j;
    memcpy(bytes, ctx, sizeof bytes);
    for (i = 0; i + 8 <= sizeof bytes; i += 8) {
        uint64_t word = 0;
        for (j = 7; j >= 0; --j)
            word = (word << 8) | bytes[i + (size_t)j];
        h = tqcal_soak_mix(h, word);
    }
    return tqcal_soak_mix(h, (uint64_t)status);
}

/* A short digest of a sequence's hash, for finding the sequence in a block
 * that differs: the 64 bits mixed down into the low eight. */
TQCAL_HOST_INLINE int tqcal_soak_digest(uint64_t h)
{
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDULL;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ULL;
    h ^= h >> 33;
    return (int)(h & 0xFFu);
}

/* ---- The sequences ---------------------------------------------------------- */

/* A number as a person types it: mostly short, now and then the full 13
 * digits and more (the extra ones are ignored), with a point, an exponent
 * or a change of sign. */
TQCAL_HOST_INLINE int tqcal_soak_number(uint64_t *rng, int *keys, int n, int max)
{
    static const int LENGTHS[] = {1, 1, 1, 1, 2, 2, 2, 3, 3, 4, 5, 6, 8, 10, 13, 15};
    const int length = LENGTHS[tqcal_soak_below(rng, (int)(sizeof LENGTHS / sizeof LENGTHS[0]))];
    const int point = tqcal_soak_below(rng, 3) == 0 ? tqcal_soak_below(rng, length + 1) : -1;
    int i;
    for (i = 0; i < length && n < max; ++i) {
        if (i == point)
            keys[n++] = TQCAL_KEY_POINT;
        if (n < max)
            keys[n++] = tqcal_soak_below(rng, 10);
    }
    if (point == length && n < max)
        keys[n++] = TQCAL_KEY_POINT;
    if (tqcal_soak_below(rng, 6) == 0 && n + 4 <= max) {
        keys[n++] = TQCAL_KEY_EXP;
        keys[n++] = tqcal_soak_below(rng, 10);
        if (tqcal_soak_below(rng, 2) == 0)
            keys[n++] = tqcal_soak_below(rng, 10);
    }
    if (tqcal_soak_below(rng, 10) == 0 && n < max)
        keys[n++] = TQCAL_KEY_SIGN;
    return n;
}

/* A small argument and a function of it: one to three digits after up to
 * nine zeros behind the point, of either sign (0.00091 cos, 0.00000000015
 * +/- e^x). Near 1 the functions finish with 1 + (a small correction):
 * these land on the exponent differences where a software addition can go
 * wrong. At most 15 keys. */
TQCAL_HOST_INLINE int tqcal_soak_small_argument(uint64_t *rng, int *keys, int n)
{
    static const int FUNCTION_KEYS[] = {TQCAL_KEY_COS,    TQCAL_KEY_COS,   TQCAL_KEY_EXPE,
                                        TQCAL_KEY_EXPE,   TQCAL_KEY_POW10, TQCAL_KEY_SIN,
                                        TQCAL_KEY_TAN,    TQCAL_KEY_LN,    TQCAL_KEY_SQRT,
                                        TQCAL_KEY_SQUARE, TQCAL_KEY_RECIP};
    const int zeros = tqcal_soak_below(rng, 10);
    const int digits = 1 + tqcal_soak_below(rng, 3);
    int i;
    keys[n++] = TQCAL_KEY_0;
    keys[n++] = TQCAL_KEY_POINT;
    for (i = 0; i < zeros; ++i)
        keys[n++] = TQCAL_KEY_0;
    keys[n++] = 1 + tqcal_soak_below(rng, 9);
    for (i = 1; i < digits; ++i)
        keys[n++] = tqcal_soak_below(rng, 10);
    if (tqcal_soak_below(rng, 2) == 0)
        keys[n++] = TQCAL_KEY_SIGN;
    keys[n++] = FUNCTION_KEYS[tqcal_soak_below(rng, 11)];
    return n;
}

/* The keys of sequence number index and its precedence mode; returns how many
 * keys (1 to TQCAL_SOAK_MAX_KEYS). One sequence in 25 is long and opens
 * parentheses and presses operators far more often, so that it fills the
 * operator stack (Full) and the operand stack; the others are everyday
 * lengths. Every key code the engine knows occurs, and so do codes that are
 * no key (45 to 250, 254, 255), which must change nothing. */
TQCAL_HOST_INLINE int tqcal_soak_keys(unsigned long index, int *mode, int *keys)
{
    static const int FUNCTION_KEYS[] = {
        TQCAL_KEY_SIN,   TQCAL_KEY_COS,   TQCAL_KEY_TAN,    TQCAL_KEY_ASIN,
        TQCAL_KEY_ACOS,  TQCAL_KEY_ATAN,  TQCAL_KEY_LN,     TQCAL_KEY_LOG,
        TQCAL_KEY_EXPE,  TQCAL_KEY_POW10, TQCAL_KEY_SQUARE, TQCAL_KEY_SQRT,
        TQCAL_KEY_RECIP, TQCAL_KEY_FACT,  TQCAL_KEY_PI,     TQCAL_KEY_PERCENT};
    static const int MEMORY_KEYS[] = {TQCAL_KEY_MSTORE, TQCAL_KEY_MSTORE_ALT, TQCAL_KEY_MPLUS,
                                      TQCAL_KEY_MMINUS, TQCAL_KEY_MRC};
    static const int EDITING_KEYS[] = {TQCAL_KEY_BACKSPACE, TQCAL_KEY_SIGN, TQCAL_KEY_CE,
                                       TQCAL_KEY_AC,        TQCAL_KEY_EXP,  TQCAL_KEY_POINT};
    static const int OPERATOR_KEYS[] = {TQCAL_KEY_ADD, TQCAL_KEY_SUB, TQCAL_KEY_MUL, TQCAL_KEY_DIV,
                                        TQCAL_KEY_ADD, TQCAL_KEY_SUB, TQCAL_KEY_MUL, TQCAL_KEY_DIV,
                                        TQCAL_KEY_POW, TQCAL_KEY_ROOT};
    uint64_t rng = TQCAL_SOAK_SEED ^ ((uint64_t)index * 0xD1B54A32D192ED03ULL);
    const int longer = tqcal_soak_below(&rng, 25) == 0;
    const int presses = longer ? 40 + tqcal_soak_below(&rng, 80) : 1 + tqcal_soak_below(&rng, 8);
    int n = 0, i;
    *mode = tqcal_soak_below(&rng, 2);
    for (i = 0; i < presses && n < TQCAL_SOAK_MAX_KEYS; ++i) {
        /* weights out of 100: numbers, small arguments of functions,
         * operators, equals, parentheses, functions, memory, editing, the
         * two direct operators, no key */
        int pick = tqcal_soak_below(&rng, 100);
        if (longer) /* fewer equals and numbers, many more parentheses */
            pick = pick < 20 ? 0 : pick < 45 ? 40 : pick < 75 ? 65 : pick;
        if (pick < 28)
            n = tqcal_soak_number(&rng, keys, n, TQCAL_SOAK_MAX_KEYS);
        else if (pick < 34) {
            if (n + 15 > TQCAL_SOAK_MAX_KEYS)
                break;
            n = tqcal_soak_small_argument(&rng, keys, n);
        } else if (pick < 56)
            keys[n++] = OPERATOR_KEYS[tqcal_soak_below(&rng, 10)];
        else if (pick < 64)
            keys[n++] = TQCAL_KEY_EQUAL;
        else if (pick < 72)
            keys[n++] = tqcal_soak_below(&rng, 3) == 0 ? TQCAL_KEY_RPAREN : TQCAL_KEY_LPAREN;
        else if (pick < 84)
            keys[n++] = FUNCTION_KEYS[tqcal_soak_below(&rng, 16)];
        else if (pick < 89)
            keys[n++] = MEMORY_KEYS[tqcal_soak_below(&rng, 5)];
        else if (pick < 95)
            keys[n++] = EDITING_KEYS[tqcal_soak_below(&rng, 6)];
        else if (pick < 98)
            keys[n++] = tqcal_soak_below(&rng, 2) == 0 ? TQCAL_KEY_PERCENT_OP : TQCAL_KEY_BLANK_OP;
        else {
            /* Every byte that is no key, 45 to 250, 254 and 255, alike. */
            const int direct = TQCAL_KEY_LAST_DIRECT - TQCAL_KEY_FIRST_DIRECT + 1;
            const int code = TQCAL_KEY_FIRST_NON_KEY +
                             tqcal_soak_below(&rng, 256 - TQCAL_KEY_FIRST_NON_KEY - direct);
            keys[n++] = code < TQCAL_KEY_FIRST_DIRECT ? code : code + direct;
        }
    }
    if (n == 0) /* a long sequence that broke off at once */
        keys[n++] = TQCAL_KEY_EQUAL;
    return n;
}

/* ---- Pressing them ---------------------------------------------------------- */

/* Called after every key of a sequence with the state it left. */
typedef void (*tqcal_soak_observer)(void *user, int position, int key, const TQCAL_Context *ctx,
                                    TQCAL_Status status, uint64_t state_hash);

/* Presses sequence number index on a fresh calculator through tqcal_host.h
 * and returns the hash of its number, its keys and the state after each
 * key. When keys_hash is given, the sequence's number, mode and keys are
 * folded into it (the keys alone: a generator that differs shows there).
 * The observer, when given, sees every state. */
TQCAL_HOST_INLINE uint64_t tqcal_soak_run(unsigned long index, uint64_t *keys_hash,
                                          tqcal_soak_observer observer, void *user)
{
    int keys[TQCAL_SOAK_MAX_KEYS], mode, count, i;
    TQCAL_Context ctx;
    TQCAL_Status status;
    uint64_t h = tqcal_soak_mix(0x736F616B73657121ULL, (uint64_t)index);
    count = tqcal_soak_keys(index, &mode, keys);
    if (keys_hash != NULL) {
        *keys_hash = tqcal_soak_mix(*keys_hash, (uint64_t)index);
        *keys_hash = tqcal_soak_mix(*keys_hash, (uint64_t)mode);
        for (i = 0; i < count; ++i)
            *keys_hash = tqcal_soak_mix(*keys_hash, (uint64_t)keys[i]);
    }
    tqcal_reset(&ctx, &status);
    for (i = 0; i < count; ++i) {
        uint64_t state;
        tqcal_press(&ctx, &status, keys[i], mode);
        state = tqcal_soak_state_hash(&ctx, status);
        h = tqcal_soak_mix(tqcal_soak_mix(h, (uint64_t)keys[i]), state);
        if (observer != NULL)
            observer(user, i, keys[i], &ctx, status, state);
    }
    return h;
}

#ifdef __cplusplus
}
#endif

#endif /* TQCAL_CONFORMANCE_SOAK_H */
