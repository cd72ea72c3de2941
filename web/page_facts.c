/*
 * page_facts.c - the numbers the page takes from tqcal.h, written out as one
 * JavaScript statement when the page is built (web/build.sh puts it before
 * calculator.js). The page reads the context block and the status word
 * directly, as the device's screen does, so it needs their offsets and bits,
 * the key codes it presses itself and the key groups it treats alike; each
 * comes from the header here, and calculator.js holds none of them.
 *
 *     cc -std=c99 -Iinclude web/page_facts.c -o page_facts && ./page_facts
 */
#include <stddef.h>
#include <stdio.h>

#include "tqcal.h"

/* What goes before the next name: "const " for the first, then a comma. */
static const char *before = "const ";

static void number(const char *name, long value)
{
    printf("%s%s=%ld", before, name, value);
    before = ",";
}

/* The macros below are laid out by hand: clang-format takes X(code) X(code)
 * for declarations. */
/* clang-format off */
#define AS_ITEM(code) printf("%s%d", first ? "" : ",", (int)(code)), first = 0;

/* One Set of key codes: the items list writes, then those extra writes. */
#define KEY_SET(name, list, extra)                \
    do {                                          \
        int first = 1;                            \
        printf("%s%s=new Set([", before, name);   \
        list(AS_ITEM) extra(AS_ITEM)              \
        printf("])");                             \
        before = ",";                             \
    } while (0)

#define NO_KEYS(X)

/* Keys after which the tape prints what the screen shows, besides every
 * function key: equals, the percent keys, the memory keys and pi. */
#define TAPE_RESULT_KEYS(X) \
    X(TQCAL_KEY_EQUAL) X(TQCAL_KEY_PERCENT) X(TQCAL_KEY_MSTORE) X(TQCAL_KEY_MPLUS) \
    X(TQCAL_KEY_MMINUS) X(TQCAL_KEY_MRC) X(TQCAL_KEY_PI) X(TQCAL_KEY_MSTORE_ALT) \
    X(TQCAL_KEY_PERCENT_OP)

/* Last keys after which the display holds no number of the user's: none
 * yet on a fresh calculator (lastKey 0), all clear, an opening parenthesis,
 * and (the list it goes with) every binary operator. */
#define NOTHING_ENTERED_KEYS(X) X(0) X(TQCAL_KEY_AC) X(TQCAL_KEY_LPAREN)
/* clang-format on */

/* RESULT_OF(status): the result state, the two-bit field TQCAL_ST_RESULT. */
static void result_rule(void)
{
    unsigned long unit = TQCAL_ST_RESULT & (0UL - TQCAL_ST_RESULT);
    printf("%sRESULT_OF=s=>(s&%d)/%lu", before, (int)TQCAL_ST_RESULT, unit);
    before = ",";
}

int main(void)
{
    number("CONTEXT_BYTES", (long)sizeof(TQCAL_Context));
    number("AT_LAST_KEY", (long)offsetof(TQCAL_Context, lastKey));
    number("AT_DISPLAY", (long)offsetof(TQCAL_Context, display));
    number("AT_EXPONENT", (long)offsetof(TQCAL_Context, exponent));
    number("AT_NEGATIVE", (long)offsetof(TQCAL_Context, negative));
    number("DISPLAY_AREA", TQCAL_DISPLAY_AREA);
    number("EXPONENT_CELLS", TQCAL_EXPONENT_CELLS);
    number("DIGIT_CELLS", TQCAL_DISPLAY_DIGITS);
    number("ST_TYPED", TQCAL_ST_TYPED);
    result_rule();
    number("ST_MEMORY", TQCAL_ST_MEMORY);
    number("ST_CONST", TQCAL_ST_CONST);
    number("ST_PCT_BASE", TQCAL_ST_PCT_BASE);
    number("ST_EXP_ENTRY", TQCAL_ST_EXP_ENTRY);
    number("RES_ERROR", TQCAL_RES_ERROR);
    number("RES_OK", TQCAL_RES_OK);
    number("RES_FULL", TQCAL_RES_FULL);
    number("MODE_ALGEBRAIC", TQCAL_MODE_ALGEBRAIC);
    number("MODE_EQUAL", TQCAL_MODE_EQUAL);
    /* The keys the page presses itself: the keypad's first tab stop, the
     * change of sign and clear entry, and the key of each character a
     * pasted number is typed with besides its digits, whose codes are the
     * digits themselves (TQCAL_KEY_0 is 0). */
    number("KEY_7", TQCAL_KEY_7);
    number("KEY_POINT", TQCAL_KEY_POINT);
    number("KEY_SIGN", TQCAL_KEY_SIGN);
    number("KEY_CE", TQCAL_KEY_CE);
    printf(",KEY_OF={E:%d,'(':%d,')':%d,'/':%d,'+':%d,'.':%d}", TQCAL_KEY_EXP, TQCAL_KEY_LPAREN,
           TQCAL_KEY_RPAREN, TQCAL_KEY_DIV, TQCAL_KEY_ADD, TQCAL_KEY_POINT);
    KEY_SET("FUNCTION_KEYS", TQCAL_FUNCTION_KEYS, NO_KEYS);
    KEY_SET("RESULT_KEYS", NO_KEYS, TAPE_RESULT_KEYS);
    KEY_SET("NOTHING_ENTERED", TQCAL_BINARY_OPERATOR_KEYS, NOTHING_ENTERED_KEYS);
    printf(";\n");
    return 0;
}
