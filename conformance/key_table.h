/* The calculator's keys by name: the one table of names, aliases and
 * keyboard keys that the host program tqcal, the conformance generator and
 * replayer, the tests, the benchmarks and the web page's tests read, so that
 * a key sequence one of them writes can be pasted into any other (every line
 * of vectors.txt into tqcal --keys, a soak trace's command line, the
 * corpus).
 *
 * The conformance kit owns it: plain C99 beside replay.c, so that the command
 * a device team builds the replayer with reaches it, with no include path of
 * its own:  cc -std=c99 -Iinclude conformance/replay.c -ltqcal
 * Everything built with CMake reaches it through the target tqcal_key_table
 * (the host program, the test kit and so the generator), never through a
 * path of its own; the page's tests read it as text. A change here is a
 * change to what every one of them reads and writes, vectors.txt included.
 *
 * Digits (codes 0 to 9) have no row: numbers are typed digit by digit. The
 * point has one for its keyboard keys; in a key sequence it comes inside a
 * number. Codes with no row are written as raw codes, "#45". */
#ifndef TQCAL_KEY_TABLE_H
#define TQCAL_KEY_TABLE_H

#include <stdio.h>
#include <string.h>

#include "tqcal.h"
#include "tqcal_host.h" /* TQCAL_HOST_INLINE */

struct tqcal_key_row {
    int code;
    const char *name;     /* the spelling every tool writes and tqcal --trace prints */
    const char *aliases;  /* other spellings tqcal --keys accepts, separated by blanks */
    const char *keyboard; /* the keyboard keys, in the terminal and on the page,
                             separated by blanks: characters, or Enter, Escape,
                             Delete, Backspace as a browser names them */
    const char *what;     /* what the key does, for tqcal --help */
};

/* The row order is the order of tqcal --help. The mode switch is no key of
 * the engine: o everywhere (the terminal also takes Tab, which on the page
 * moves the focus and so cannot switch the mode). */
static const struct tqcal_key_row tqcal_key_rows[] = {
    {TQCAL_KEY_POINT, ".", "", ". ,", "decimal point"},
    {TQCAL_KEY_EQUAL, "=", "", "Enter =", "equals: completes the calculation, repeats a constant"},
    {TQCAL_KEY_ADD, "+", "", "+", "add"},
    {TQCAL_KEY_SUB, "-", "\xE2\x88\x92", "-", "subtract"},
    {TQCAL_KEY_MUL, "*", "\xC3\x97", "* x X", "multiply"},
    {TQCAL_KEY_DIV, "/", "\xC3\xB7", "/", "divide"},
    {TQCAL_KEY_POW, "^", "x^y pow", "^ y", "x to the power y"},
    {TQCAL_KEY_ROOT, "root", "", "Y", "y-th root of x: 27 root 3 = gives 3"},
    {TQCAL_KEY_LPAREN, "(", "", "(", "open a parenthesis"},
    {TQCAL_KEY_RPAREN, ")", "", ")", "close a parenthesis"},
    {TQCAL_KEY_PERCENT, "%", "", "%", "percent: the value divided by 100"},
    {TQCAL_KEY_PERCENT_OP, "pct", "%op", "P",
     "percent completion: 200 + 10 pct gives 220, 200 * 10 pct + gives 220"},
    {TQCAL_KEY_SIGN, "+/-", "\xC2\xB1 neg", "n", "change the sign"},
    {TQCAL_KEY_EXP, "EXP", "EE", "E", "exponent entry: 5 EXP 20 is 5 times 10 to the 20th"},
    {TQCAL_KEY_BACKSPACE, "BS", "back backspace", "Backspace", "delete the last character typed"},
    {TQCAL_KEY_CE, "CE", "", "Delete k", "clear the entry"},
    {TQCAL_KEY_AC, "AC", "", "Escape a", "all clear (the memory stays)"},
    {TQCAL_KEY_MSTORE, "MS", "", "R", "memory store"},
    {TQCAL_KEY_MPLUS, "M+", "", "m", "complete the calculation and add it to the memory"},
    {TQCAL_KEY_MMINUS, "M-", "M\xE2\x88\x92", "M",
     "complete the calculation and subtract it from the memory"},
    {TQCAL_KEY_MRC, "MRC", "MR", "r", "memory recall; pressed twice in a row it clears the memory"},
    {TQCAL_KEY_MSTORE_ALT, "MSalt", "", "w", "memory store under the second store code"},
    {TQCAL_KEY_PI, "pi", "\xCF\x80", "p", "pi"},
    {TQCAL_KEY_SQUARE, "x^2", "x\xC2\xB2 sq", "V", "square"},
    {TQCAL_KEY_SQRT, "sqrt", "\xE2\x88\x9A", "v", "square root"},
    {TQCAL_KEY_RECIP, "1/x", "recip", "i", "reciprocal"},
    {TQCAL_KEY_FACT, "!", "n! fact", "!", "factorial"},
    {TQCAL_KEY_SIN, "sin", "", "s", "sine, degrees"},
    {TQCAL_KEY_COS, "cos", "", "c", "cosine, degrees"},
    {TQCAL_KEY_TAN, "tan", "", "t", "tangent, degrees"},
    {TQCAL_KEY_ASIN, "asin", "arcsin", "S", "arc sine, in degrees"},
    {TQCAL_KEY_ACOS, "acos", "arccos", "C", "arc cosine, in degrees"},
    {TQCAL_KEY_ATAN, "atan", "arctan", "T", "arc tangent, in degrees"},
    {TQCAL_KEY_LN, "ln", "", "l", "natural logarithm"},
    {TQCAL_KEY_EXPE, "e^x", "", "L", "e to the power x"},
    {TQCAL_KEY_LOG, "log", "", "g", "common logarithm"},
    {TQCAL_KEY_POW10, "10^x", "pow10", "G", "ten to the power x"},
    {TQCAL_KEY_BLANK_OP, "blank", "", "b",
     "blank operator: applies the pending operators, then waits"},
};

#define TQCAL_KEY_ROW_COUNT ((int)(sizeof tqcal_key_rows / sizeof tqcal_key_rows[0]))

/* The row of a key code, or NULL (digits, codes that are no keys). */
TQCAL_HOST_INLINE const struct tqcal_key_row *tqcal_key_row_of(int code)
{
    int i;
    for (i = 0; i < TQCAL_KEY_ROW_COUNT; ++i)
        if (tqcal_key_rows[i].code == code)
            return &tqcal_key_rows[i];
    return NULL;
}

/* The key code named exactly name (length bytes; not an alias), or -1. */
TQCAL_HOST_INLINE int tqcal_key_code_of(const char *name, size_t length)
{
    int i;
    for (i = 0; i < TQCAL_KEY_ROW_COUNT; ++i)
        if (strlen(tqcal_key_rows[i].name) == length &&
            memcmp(tqcal_key_rows[i].name, name, length) == 0)
            return tqcal_key_rows[i].code;
    return -1;
}

/* The name of a key code as a key sequence writes it into out (at least 16
 * bytes): "7", ".", "sin", "#99". */
TQCAL_HOST_INLINE void tqcal_key_label(int code, char *out)
{
    const struct tqcal_key_row *row = tqcal_key_row_of(code);
    if (code >= TQCAL_KEY_0 && code <= TQCAL_KEY_9)
        sprintf(out, "%d", code);
    else if (row != NULL)
        strcpy(out, row->name);
    else
        sprintf(out, "#%d", code);
}

#endif
