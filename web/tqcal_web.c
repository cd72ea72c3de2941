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
#include <stddef.h>

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

/* 1 when calculator which holds a calculator that keys could have left
 * (tqcal_problem in tqcal_host.h finds nothing wrong with it), 0 otherwise. */
EMSCRIPTEN_KEEPALIVE int tqcal_web_check(int which)
{
    return valid(which) && tqcal_problem(&ctx[which], status[which]) == NULL;
}
