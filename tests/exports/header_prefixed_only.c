/* A host that switches the short names off may use them for its own ends,
 * as a curses program does: the library's headers must not notice. */
#define KEY_BACKSPACE 0407
#define TQCAL_NO_SHORT_NAMES
#include "tqcal.h"
#include "tqcal_host.h"

/* Would clash with the enumerators if the header still defined them. */
int KEY_ADD = 12, ST_MEMORY = 8, RES_OK = 1, KEY_0 = 0;

int tqcal_prefixed_only_check(void);

int tqcal_prefixed_only_check(void)
{
    TQCAL_Context ctx;
    TQCAL_Status status;
    tqcal_reset(&ctx, &status);
    tqcal_press(&ctx, &status, TQCAL_KEY_BACKSPACE, TQCAL_MODE_ALGEBRAIC);
    return KEY_BACKSPACE + KEY_ADD + ST_MEMORY + RES_OK + KEY_0 + TQCAL_KEY_ROOT + TQCAL_ST_MRC +
           TQCAL_RES_FULL + tqcal_result(status);
}
