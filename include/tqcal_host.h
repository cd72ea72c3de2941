/*
 * tqcal_host.h - the per-key host protocol of the tqcal engine, ready to use.
 *
 * Every host takes the same road for each key: EEditInfo first, then, when it
 * says so (and for the direct codes 251 to 253), TQCAL_Operate, then a tidy-up
 * of the status word so that the next digit starts a new entry. A fresh
 * calculator is not a zeroed block either, and a calculator kept outside the
 * program (in a file, in a browser's storage) is worth checking when it comes
 * back (the checks of tqcal_block.h, which this header includes). This
 * header writes the road out once, as static inline functions over the
 * exported ones: it adds no export and needs nothing but tqcal.h and
 * tqcal_block.h, and only their prefixed names, so it serves a host that
 * defines TQCAL_NO_SHORT_NAMES too. Compiles as C89 and later, and as C++98
 * and later (TQCAL_HOST_INLINE in tqcal_block.h).
 *
 *     TQCAL_Context ctx;
 *     TQCAL_Status status;
 *     tqcal_reset(&ctx, &status);
 *     tqcal_press(&ctx, &status, TQCAL_KEY_1, TQCAL_MODE_ALGEBRAIC);
 *     ...
 */
#ifndef TQCAL_HOST_H
#define TQCAL_HOST_H

#include <string.h>

#include "tqcal.h"
#include "tqcal_block.h" /* tqcal_result, TQCAL_HOST_INLINE, the block checks */

#ifdef __cplusplus
extern "C" {
#endif

/* Makes *ctx and *status a fresh calculator: every byte zero, both stacks
 * empty, 14 significant digits, display [0.] with exponent " 00", and the
 * status word showing a value with the result OK. The caller owns both. */
TQCAL_HOST_INLINE void tqcal_reset(TQCAL_Context *ctx, TQCAL_Status *status)
{
    memset(ctx, 0, sizeof *ctx);
    ctx->optTop = -1;
    ctx->opdTop = -1;
    ctx->digits = TQCAL_DISPLAY_DIGITS;
    TQCAL_ResetEditValue(ctx);
    TQCAL_InitStack(ctx);
    *status = TQCAL_STATUS_INITIAL;
}

/* The tidy-up after every TQCAL_Operate call for key: after an error or a
 * full stack, constant calculation, the memory indicator, lastKey and
 * parenDepth are dropped; exponent entry ends; the typed flag is cleared
 * (backspace keeps it, and so does a typed number refused for want of room,
 * so the next operator can still take it up); the next digit starts a new
 * entry, except after a change of sign or a backspace in the middle of one. */
TQCAL_HOST_INLINE void tqcal_tidy(int key, TQCAL_Context *ctx, TQCAL_Status *status)
{
    const int result = tqcal_result(*status);
    const int failed = result == TQCAL_RES_ERROR || result == TQCAL_RES_FULL;
    const int keep_typed =
        key == TQCAL_KEY_BACKSPACE || ((*status & TQCAL_ST_TYPED) != 0 && result == TQCAL_RES_FULL);
    const int mid_entry = (*status & TQCAL_ST_SHOWN) == 0;

    if (failed) {
        *status &= ~(TQCAL_Status)(TQCAL_ST_CONST | TQCAL_ST_MEMORY);
        ctx->lastKey = 0;
        ctx->parenDepth = 0;
    }
    *status &= ~(TQCAL_Status)TQCAL_ST_EXP_ENTRY;
    if (!keep_typed)
        *status &= ~(TQCAL_Status)TQCAL_ST_TYPED;
    if (!((key == TQCAL_KEY_SIGN || key == TQCAL_KEY_BACKSPACE) && mid_entry)) {
        *status |= TQCAL_ST_SHOWN | TQCAL_ST_ZERO;
        *status &= ~(TQCAL_Status)TQCAL_ST_POINT;
    }
    *status &= ~(TQCAL_Status)TQCAL_ST_CLEARED;
}

/* Presses one key: EEditInfo, then TQCAL_Operate with mode when the key goes
 * on (and for the direct codes, which go straight to it), then the tidy-up.
 * Returns -1 when key is no key code (nothing changed), 0 when the key only
 * edited the entry, 1 when it went through the dispatcher; the outcome is
 * then tqcal_result(*status). */
TQCAL_HOST_INLINE int tqcal_press(TQCAL_Context *ctx, TQCAL_Status *status, int key, int mode)
{
    if (!TQCAL_IS_DIRECT_KEY(key)) {
        const int edit = EEditInfo(key, ctx, status);
        if (edit <= 0)
            return edit;
    }
    TQCAL_Operate(key, ctx, status, mode);
    tqcal_tidy(key, ctx, status);
    return 1;
}

#ifdef __cplusplus
}
#endif

#endif /* TQCAL_HOST_H */
