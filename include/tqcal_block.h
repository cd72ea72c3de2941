/*
 * tqcal_block.h - what a sound tqcal calculator is, as checks on the
 * context block and status word a host owns.
 *
 * Two checks, the second built on the first: what the engine needs of a
 * block to work on it at all (tqcal_block_usable), and all that holds for a
 * calculator that only keys pressed through the host protocol (tqcal_press
 * in tqcal_host.h) have touched (tqcal_problem). A host that keeps
 * calculators outside the program (in a file, in a browser's storage)
 * checks one that comes back with the second, and starts afresh when it
 * fails. The engine refuses a block that fails the first.
 *
 * Static inline functions that read the block only: they call no export,
 * so the engine's own guard, the hosts and the page share them. Needs
 * nothing but tqcal.h, and only its prefixed names. Compiles as C89 and
 * later, and as C++98 and later (TQCAL_HOST_INLINE below).
 */
#ifndef TQCAL_BLOCK_H
#define TQCAL_BLOCK_H

#include <string.h> /* NULL */

#include "tqcal.h"

/* C89 has no inline: an older compiler, as a handheld's SDK may bring, stops
 * at "static inline". Such compilers spell it __inline__ or __inline; where
 * there is no spelling at all the functions are plain static ones, which
 * some compilers then warn about when a file leaves one unused. A host may
 * define TQCAL_HOST_INLINE itself before including this header. */
#ifndef TQCAL_HOST_INLINE
#  if defined(__cplusplus) || (defined(__STDC_VERSION__) && __STDC_VERSION__ >= 199901L)
#    define TQCAL_HOST_INLINE static inline
#  elif defined(__GNUC__)
#    define TQCAL_HOST_INLINE static __inline__
#  elif defined(_MSC_VER)
#    define TQCAL_HOST_INLINE static __inline
#  else
#    define TQCAL_HOST_INLINE static
#  endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The result state of a status word: TQCAL_RES_ERROR, TQCAL_RES_OK or
 * TQCAL_RES_FULL. */
TQCAL_HOST_INLINE int tqcal_result(TQCAL_Status status)
{
    return (int)((status >> 1) & 3u);
}

/* Counters further from zero than this are refused: far beyond anything a
 * calculation reaches, and near enough that no step leaves int range. */
#define TQCAL_COUNTER_BOUND 16777216L

/* 1 when both stack tops lie inside their stacks (-1 is empty) and
 * parenDepth and pendingOps within TQCAL_COUNTER_BOUND of zero, else 0.
 * TQCAL_Calculator refuses any other block. */
TQCAL_HOST_INLINE int tqcal_stacks_usable(const TQCAL_Context *ctx)
{
    return ctx->optTop >= -1 && ctx->optTop < TQCAL_OPERATOR_SLOTS && ctx->opdTop >= -1 &&
           ctx->opdTop < TQCAL_OPERAND_SLOTS && ctx->parenDepth > -TQCAL_COUNTER_BOUND &&
           ctx->parenDepth < TQCAL_COUNTER_BOUND && ctx->pendingOps > -TQCAL_COUNTER_BOUND &&
           ctx->pendingOps < TQCAL_COUNTER_BOUND;
}

/* 1 when one of the count cells is the terminator 0, else 0. Searched from
 * the end, where the engine's texts end. */
TQCAL_HOST_INLINE int tqcal_terminated(const TQCAL_WChar *cells, int count)
{
    int i;
    for (i = count - 1; i >= 0; --i)
        if (cells[i] == 0)
            return 1;
    return 0;
}

/* 1 when the stacks are usable and the display and exponent texts end within
 * their cells, else 0. TQCAL_Operate refuses any other block. */
TQCAL_HOST_INLINE int tqcal_block_usable(const TQCAL_Context *ctx)
{
    return tqcal_stacks_usable(ctx) && tqcal_terminated(ctx->display, TQCAL_DISPLAY_AREA) &&
           tqcal_terminated(ctx->exponent, TQCAL_EXPONENT_CELLS);
}

/* 1 when every slot above a stack top holds zero, as pops and resets leave
 * them, else 0. The tops must be usable. */
TQCAL_HOST_INLINE int tqcal_slots_clear(const TQCAL_Context *ctx)
{
    int i;
    for (i = ctx->opdTop + 1; i < TQCAL_OPERAND_SLOTS; ++i)
        if (ctx->operands[i] != 0.0)
            return 0;
    for (i = ctx->optTop + 1; i < TQCAL_OPERATOR_SLOTS; ++i)
        if (ctx->operators[i] != 0)
            return 0;
    return 1;
}

/* 1 for a binary operator (TQCAL_BINARY_OPERATOR_KEYS), else 0. */
TQCAL_HOST_INLINE int tqcal_is_binary_operator(TQCAL_Int32 code)
{
#define TQCAL_AS_CASE(key) case key:
    switch (code) {
        TQCAL_BINARY_OPERATOR_KEYS(TQCAL_AS_CASE)
        return 1;
    default: return 0;
    }
#undef TQCAL_AS_CASE
}

/* 1 when the display text is digits with at most one point behind leading
 * blanks, ending in cell 14 or (a 15-character result) 15, and the exponent
 * text a sign cell (blank or '-'), two digits and the terminator; else 0. */
TQCAL_HOST_INLINE int tqcal_texts_readable(const TQCAL_Context *ctx)
{
    const TQCAL_WChar *e = ctx->exponent;
    int end, points = 0, text = 0;
    for (end = 0; end <= TQCAL_DISPLAY_CELLS && ctx->display[end] != 0; ++end) {
        const TQCAL_WChar ch = ctx->display[end];
        if (ch == ' ' && !text)
            continue;
        text = 1;
        if (ch == '.')
            ++points;
        else if (ch < '0' || ch > '9')
            return 0;
    }
    return end >= TQCAL_DISPLAY_CELLS - 1 && end <= TQCAL_DISPLAY_CELLS && points <= 1 &&
           (e[0] == ' ' || e[0] == '-') && e[1] >= '0' && e[1] <= '9' && e[2] >= '0' &&
           e[2] <= '9' && e[3] == 0;
}

/* NULL when *ctx and status are a calculator that keys pressed through
 * tqcal_press can have left (whatever the keys and modes), else the first
 * rule it breaks, in words. On top of tqcal_block_usable and
 * tqcal_slots_clear: only named status bits and a result state of 0 to 2;
 * counters not negative; only binary operators and KEY_LPAREN on the
 * operator stack; constOperator 0 or a binary operator; digits 14; negative
 * 0 or 1; readable texts (tqcal_texts_readable); the reserved bytes 0 (as
 * tqcal_reset leaves them: the engine never writes them); a finite memory. */
TQCAL_HOST_INLINE const char *tqcal_problem(const TQCAL_Context *ctx, TQCAL_Status status)
{
    const TQCAL_Status named = TQCAL_ST_TYPED | TQCAL_ST_RESULT | TQCAL_ST_MEMORY | TQCAL_ST_CONST |
                               TQCAL_ST_PCT_BASE | TQCAL_ST_FRESH | TQCAL_ST_EXP_ENTRY |
                               TQCAL_ST_SHOWN | TQCAL_ST_ZERO | TQCAL_ST_CLEARED | TQCAL_ST_POINT |
                               TQCAL_ST_MRC;
    int i;
    if ((status & ~named) != 0)
        return "a status bit that no key sets";
    if (tqcal_result(status) == 3)
        return "result state 3";
    if (!tqcal_stacks_usable(ctx) || ctx->parenDepth < 0 || ctx->pendingOps < 0)
        return "a stack top or counter out of range";
    if (!tqcal_slots_clear(ctx))
        return "a stack slot above its top not zero";
    for (i = 0; i <= ctx->optTop; ++i)
        if (ctx->operators[i] != TQCAL_KEY_LPAREN && !tqcal_is_binary_operator(ctx->operators[i]))
            return "a code on the operator stack that is no operator";
    if (ctx->constOperator != 0 && !tqcal_is_binary_operator(ctx->constOperator))
        return "a constant operator that is no operator";
    if (ctx->digits != TQCAL_DISPLAY_DIGITS)
        return "digits other than 14";
    if (ctx->negative != 0 && ctx->negative != 1)
        return "a negative flag other than 0 and 1";
    if (!tqcal_texts_readable(ctx))
        return "a display or exponent text that is no number";
    if (ctx->reserved0[0] | ctx->reserved0[1] | ctx->reserved1[0] | ctx->reserved1[1] |
        ctx->reserved1[2] | ctx->reserved1[3])
        return "a reserved byte written";
    /* Finite: an infinity or a NaN minus itself is a NaN. */
    if (!(ctx->memory - ctx->memory == 0.0))
        return "a memory that is no finite number";
    return NULL;
}

#ifdef __cplusplus
}
#endif

#endif /* TQCAL_BLOCK_H */
