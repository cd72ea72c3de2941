/*
 * tqcal_web.c - the engine behind the web page: one calculator in a static
 * context block and status word, pressed key by key through the same host
 * protocol as every other host (tqcal_host.h). The page only sends key codes
 * and reads back what the device's screen reads: the display and exponent
 * cells, the negative flag and the status word.
 */
#include <emscripten.h>

#include "tqcal_host.h"

static TQCAL_Context ctx;
static TQCAL_Status status;

/* A fresh calculator: [0.], exponent " 00", memory empty. */
EMSCRIPTEN_KEEPALIVE void tqcal_web_new(void)
{
    tqcal_reset(&ctx, &status);
}

/* Presses one key in mode (1 algebraic, 0 equal priority). Returns what
 * tqcal_press returns: -1 not a key, 0 edited the entry, 1 operated. */
EMSCRIPTEN_KEEPALIVE int tqcal_web_press(int key, int mode)
{
    return tqcal_press(&ctx, &status, key, mode);
}

/* Display cell i (0 to 16: the 14 text cells, the terminator cell and the
 * two spill cells that a 15-character result reaches into); 0 outside. */
EMSCRIPTEN_KEEPALIVE int tqcal_web_display_cell(int i)
{
    return i >= 0 && i < TQCAL_DISPLAY_AREA ? ctx.display[i] : 0;
}

/* Exponent cell i (0 sign, 1 and 2 digits, 3 terminator); 0 outside. */
EMSCRIPTEN_KEEPALIVE int tqcal_web_exponent_cell(int i)
{
    return i >= 0 && i < TQCAL_EXPONENT_CELLS ? ctx.exponent[i] : 0;
}

EMSCRIPTEN_KEEPALIVE int tqcal_web_negative(void)
{
    return ctx.negative;
}

/* The status word; JavaScript reads it as unsigned with >>> 0. */
EMSCRIPTEN_KEEPALIVE unsigned tqcal_web_status(void)
{
    return status;
}
