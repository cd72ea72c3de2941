/* A curses host includes its screen library first; with the short names
 * switched off both headers compile side by side. */
#include <curses.h>

#define TQCAL_NO_SHORT_NAMES
#include "tqcal.h"
#include "tqcal_host.h"

int tqcal_after_curses_check(void);

int tqcal_after_curses_check(void)
{
    TQCAL_Context ctx;
    TQCAL_Status status;
    tqcal_reset(&ctx, &status);
    tqcal_press(&ctx, &status, TQCAL_KEY_BACKSPACE, TQCAL_MODE_ALGEBRAIC);
    return KEY_BACKSPACE + TQCAL_KEY_BACKSPACE + tqcal_result(status);
}
