/*
 * stub_library.c - a stand-in for the library, linked into a second build of
 * the replayer (test conformance_replay_stub). The real library hands back
 * some results equal to what it was given: TQCAL_BaseOperate leaves the right
 * operand as it was, TQCAL_DivideDoubleToStr's negative flag is the value's
 * sign, most keys leave the memory alone. A replayer that took such a result
 * from its own inputs, or from the context before the call, would pass every
 * real record. This stand-in hands back something else for each (the
 * operands swapped, the flag against the sign, a memory every key adds to),
 * and stub_vectors.txt records what it does: the replay passes it only when
 * every result is read from what the call returned.
 */
#include <stdio.h>
#include <string.h>

#include "tqcal.h"

/* text into cells, with blanks in front up to 14 cells when pad is set. */
static void put_text(TQCAL_WChar *cells, const char *text, int pad)
{
    const int n = (int)strlen(text), lead = pad && n < 14 ? 14 - n : 0;
    int i;
    for (i = 0; i < lead; ++i)
        cells[i] = ' ';
    for (i = 0; i <= n; ++i)
        cells[lead + i] = (TQCAL_WChar)text[i];
}

void TQCAL_ResetEditValue(TQCAL_Context *ctx)
{
    put_text(ctx->display, "0.", 1);
    put_text(ctx->exponent, " 00", 0);
}

void TQCAL_InitStack(TQCAL_Context *ctx)
{
    ctx->memory = 0.25;
}

int EEditInfo(int key, TQCAL_Context *ctx, TQCAL_Status *status)
{
    (void)key;
    (void)ctx;
    (void)status;
    return 1; /* every key goes on to TQCAL_Operate */
}

/* A key: its code on the display, the mode in the exponent, its lowest bit
 * as the negative flag, the code and a half as the value, the code added to
 * the memory, a result state that cycles with the code. */
void TQCAL_Operate(int key, TQCAL_Context *ctx, TQCAL_Status *status, int mode)
{
    char text[24];
    sprintf(text, "K%d", key);
    put_text(ctx->display, text, 1);
    sprintf(text, "-0%d", mode);
    put_text(ctx->exponent, text, 0);
    ctx->negative = key & 1;
    ctx->value = key + 0.5;
    ctx->memory += key;
    *status = (*status & ~(TQCAL_Status)6) | (TQCAL_Status)(key % 3) << 1;
}

int TQCAL_DivideDoubleToStr(double value, TQCAL_WChar *display, TQCAL_WChar *exponent,
                            TQCAL_Int32 *negative, int width)
{
    char text[24];
    sprintf(text, "W%d", width);
    put_text(display, text, 1);
    put_text(exponent, " 7", 0);
    *negative = value >= 0; /* the real routine's flag is the value's sign */
    return width + 1;
}

double TQCAL_Pow10(double x)
{
    return 2 * x;
}

/* The operands swapped; the operation's key code returned. */
int TQCAL_BaseOperate(int op, double *left, double *right)
{
    const double given_left = *left;
    *left = *right;
    *right = given_left;
    return op;
}

int TQCAL_CalcString(double *result, TQCAL_WChar *text, const TQCAL_Int8 *keys, int count)
{
    char digits[24];
    sprintf(digits, "N%d", count);
    put_text(text, digits, 1);
    *result = count + 0.75;
    return keys[0];
}
