/*
 * soak_test.c - what the soak promises of its sequences and its hash:
 * every key code and codes that are no key, both modes, sequences that fill
 * the operator stack, and a state hash that changes with any single bit of
 * the context or the status word. Prints one line per check and exits 1 on
 * the first that fails.
 */
#include <stdio.h>
#include <string.h>

#include "soak.h"

#define SEQUENCES 10000

static int g_failed;

static void check(int ok, const char *what)
{
    printf("%s: %s\n", ok ? "ok" : "FAILED", what);
    if (!ok)
        g_failed = 1;
}

struct seen {
    long full_states, deepest_operators, deepest_operands;
};

static void watch(void *user, int position, int key, const TQCAL_Context *ctx, TQCAL_Status status,
                  uint64_t state_hash)
{
    struct seen *s = (struct seen *)user;
    (void)position;
    (void)key;
    (void)state_hash;
    if (tqcal_result(status) == TQCAL_RES_FULL)
        ++s->full_states;
    if (ctx->optTop > s->deepest_operators)
        s->deepest_operators = ctx->optTop;
    if (ctx->opdTop > s->deepest_operands)
        s->deepest_operands = ctx->opdTop;
}

int main(void)
{
    static int used[256];
    int keys[TQCAL_SOAK_MAX_KEYS], again[TQCAL_SOAK_MAX_KEYS], mode, mode_again, modes[2] = {0, 0};
    int code, every_key = 1, raw_codes = 0, same = 1;
    unsigned long i;
    long longest = 0;
    struct seen seen = {0, -1, -1};
    TQCAL_Context ctx;
    TQCAL_Status status;
    uint64_t h;
    size_t bit;
    int all_bits = 1;

    for (i = 0; i < SEQUENCES; ++i) {
        const int n = tqcal_soak_keys(i, &mode, keys);
        const int m = tqcal_soak_keys(i, &mode_again, again);
        int k;
        if (n != m || mode != mode_again || memcmp(keys, again, (size_t)n * sizeof keys[0]) != 0)
            same = 0;
        if (n > longest)
            longest = n;
        ++modes[mode];
        for (k = 0; k < n; ++k)
            used[keys[k] & 255] = 1;
        tqcal_soak_run(i, NULL, watch, &seen);
    }
    check(same, "a sequence's keys depend on its number alone");
    for (code = 0; code < 256; ++code) {
        if (code < TQCAL_KEY_FIRST_NON_KEY || TQCAL_IS_DIRECT_KEY(code))
            every_key = every_key && used[code];
        else
            raw_codes += used[code];
    }
    check(every_key, "every key code 0 to 44 and 251 to 253 is pressed");
    check(raw_codes > 100, "more than 100 different codes that are no key are pressed");
    check(modes[0] > SEQUENCES / 3 && modes[1] > SEQUENCES / 3, "both precedence modes");
    check(longest > 100, "some sequences are longer than 100 keys");
    check(seen.full_states > 0, "some keys end in Full");
    check(seen.deepest_operators == TQCAL_OPERATOR_SLOTS - 1,
          "the operator stack fills to its last slot");
    check(seen.deepest_operands >= 10, "the operand stack holds ten or more");

    /* Any single bit of the context or the status word changes the hash. */
    tqcal_reset(&ctx, &status);
    h = tqcal_soak_state_hash(&ctx, status);
    for (bit = 0; bit < 8 * sizeof ctx; ++bit) {
        unsigned char bytes[sizeof(TQCAL_Context)];
        TQCAL_Context flipped;
        memcpy(bytes, &ctx, sizeof bytes);
        bytes[bit / 8] ^= (unsigned char)(1u << (bit % 8));
        memcpy(&flipped, bytes, sizeof bytes);
        if (tqcal_soak_state_hash(&flipped, status) == h)
            all_bits = 0;
    }
    for (bit = 0; bit < 32; ++bit) {
        if (tqcal_soak_state_hash(&ctx, status ^ ((TQCAL_Status)1 << bit)) == h)
            all_bits = 0;
    }
    check(all_bits, "every bit of the context and the status word counts in the state hash");

    printf("soak generator: %s\n", g_failed ? "FAILED" : "all checks passed");
    return g_failed;
}
