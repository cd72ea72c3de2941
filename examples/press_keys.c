/* The smallest host: a fresh calculator, the keys "12 + 30 =", and the
 * display as the screen would show it. Build it against an installed tqcal:
 *   cc -std=c99 press_keys.c $(pkg-config --cflags --libs tqcal)        */
#include <stdio.h>

#include "tqcal_host.h"

int main(void)
{
    static const int keys[] = {TQCAL_KEY_1, TQCAL_KEY_2, TQCAL_KEY_ADD,
                               TQCAL_KEY_3, TQCAL_KEY_0, TQCAL_KEY_EQUAL};
    TQCAL_Context ctx;
    TQCAL_Status status;
    char line[2 * TQCAL_DISPLAY_AREA];
    int n = 0, i;

    tqcal_reset(&ctx, &status);
    for (i = 0; i < (int)(sizeof keys / sizeof keys[0]); ++i)
        tqcal_press(&ctx, &status, keys[i], TQCAL_MODE_ALGEBRAIC);
    if (tqcal_result(status) != TQCAL_RES_OK) {
        puts("Error");
        return 1;
    }
    /* The display holds the magnitude right-aligned; the sign is a flag. */
    if (ctx.negative)
        line[n++] = '-';
    for (i = 0; i < TQCAL_DISPLAY_AREA && ctx.display[i] != 0; ++i)
        if (ctx.display[i] != ' ')
            line[n++] = (char)ctx.display[i];
    line[n] = '\0';
    puts(line);
    return 0;
}
