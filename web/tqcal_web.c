/*
 * tqcal_web.c - the engine behind the web page, pressed key by key through
 * the same host protocol as every other host (tqcal_host.h). The page only
 * sends key codes and reads back what the device's screen reads from the
 * context block and the status word (the display and exponent cells, the
 * negative flag, the status bits).
 *
 * It keeps three calculators: 0 is the one on the screen; 1 and 2 are
 * shadows that receive the same accepted keys from a fresh start, always in
 * algebraic (1) and equal-priority (2) mode. When the mode changes mid-way,
 * a shadow that still matches calculator 0 byte for byte proves that the
 * host program, which runs a whole key sequence in one mode, ends on the
 * same screen.
 *
 * The page saves the context blocks and status words in the browser's
 * storage and copies them back after a reload; tqcal_web_check refuses a
 * block that no key sequence could have left.
 */
#include <emscripten.h>
#include <math.h>

#include "tqcal_host.h"

#define CALCULATORS 3

static TQCAL_Context ctx[CALCULATORS];
static TQCAL_Status status[CALCULATORS];

static int valid(int which)
{
    return which >= 0 && which < CALCULATORS;
}

/* Fresh calculators, all three: [0.], exponent " 00", memory empty. */
EMSCRIPTEN_KEEPALIVE void tqcal_web_new(void)
{
    for (int i = 0; i < CALCULATORS; i++)
        tqcal_reset(&ctx[i], &status[i]);
}

/* Presses one key on calculator which in mode (1 algebraic, 0 equal
 * priority). Returns what tqcal_press returns: -1 not a key (or no such
 * calculator), 0 edited the entry, 1 operated. */
EMSCRIPTEN_KEEPALIVE int tqcal_web_press(int which, int key, int mode)
{
    return valid(which) ? tqcal_press(&ctx[which], &status[which], key, mode) : -1;
}

/* Where calculator which's context block (288 bytes) and status word (4
 * bytes) lie in the module's memory, for saving and restoring them. */
EMSCRIPTEN_KEEPALIVE TQCAL_Context *tqcal_web_context(int which)
{
    return valid(which) ? &ctx[which] : 0;
}

EMSCRIPTEN_KEEPALIVE TQCAL_Status *tqcal_web_status_word(int which)
{
    return valid(which) ? &status[which] : 0;
}

static int is_stacked_operator(int32_t code)
{
    return code == TQCAL_KEY_ADD || code == TQCAL_KEY_SUB || code == TQCAL_KEY_MUL ||
           code == TQCAL_KEY_DIV || code == TQCAL_KEY_POW || code == TQCAL_KEY_ROOT ||
           code == TQCAL_KEY_BLANK_OP;
}

static int is_digit(TQCAL_WChar c)
{
    return c >= '0' && c <= '9';
}

/* Status bits the engine and the tidy-up ever touch. */
#define KNOWN_STATUS_BITS 0x1fffu

/* 1 when calculator which holds a block that keys could have left: the
 * counters and stack tops in range, nothing above a top, only operators on
 * the operator stack, 14 digits, the display text made of blanks, digits
 * and one point and terminated within its cells, an exponent text of a sign
 * and two digits, a known result state, no unknown status bit, the reserved
 * bytes untouched and a finite memory. 0 otherwise. */
EMSCRIPTEN_KEEPALIVE int tqcal_web_check(int which)
{
    if (!valid(which))
        return 0;
    const TQCAL_Context *c = &ctx[which];
    const TQCAL_Status s = status[which];

    if ((s & ~KNOWN_STATUS_BITS) != 0 || tqcal_result(s) == 3)
        return 0;
    if (c->optTop < -1 || c->optTop >= TQCAL_OPERATOR_SLOTS || c->opdTop < -1 ||
        c->opdTop >= TQCAL_OPERAND_SLOTS)
        return 0;
    if (c->parenDepth < 0 || c->parenDepth > TQCAL_OPERATOR_SLOTS || c->pendingOps < 0 ||
        c->pendingOps > TQCAL_OPERATOR_SLOTS)
        return 0;
    if (c->digits != 14 || (c->negative != 0 && c->negative != 1))
        return 0;
    if (c->constOperator != 0 && !is_stacked_operator(c->constOperator))
        return 0;
    if (c->lastKey < 0 || (c->lastKey > TQCAL_KEY_LAST_EDIT_CODE && c->lastKey != TQCAL_KEY_MSTORE_ALT &&
                           c->lastKey != TQCAL_KEY_PERCENT_OP && c->lastKey != TQCAL_KEY_BLANK_OP))
        return 0;
    for (int i = 0; i < TQCAL_OPERATOR_SLOTS; i++) {
        const int32_t op = c->operators[i];
        if (i <= c->optTop ? !is_stacked_operator(op) && op != TQCAL_KEY_LPAREN : op != 0)
            return 0;
    }
    /* Slot 0 keeps the percent base outside the stack's use; slot 2 is the
     * percent operation's scratch and is always left zero. */
    for (int i = c->opdTop + 1; i < TQCAL_OPERAND_SLOTS; i++) {
        if (c->operands[i] != 0.0 && i != 0)
            return 0;
    }
    for (int i = 0; i <= c->opdTop; i++) {
        if (isnan(c->operands[i]))
            return 0;
    }
    if (!isfinite(c->memory) || isnan(c->constOperand))
        return 0;

    int end = -1, points = 0;
    for (int i = 0; i < TQCAL_DISPLAY_AREA - 1 && end < 0; i++) {
        const TQCAL_WChar ch = c->display[i];
        if (ch == 0)
            end = i;
        else if (ch == '.')
            points++;
        else if (ch != ' ' && !is_digit(ch))
            return 0;
    }
    if (end < 0 || points != 1)
        return 0;
    if ((c->exponent[0] != ' ' && c->exponent[0] != '-') || !is_digit(c->exponent[1]) ||
        !is_digit(c->exponent[2]) || c->exponent[3] != 0)
        return 0;
    if (c->reserved0[0] | c->reserved0[1] | c->reserved1[0] | c->reserved1[1] | c->reserved1[2] |
        c->reserved1[3])
        return 0;
    return 1;
}
