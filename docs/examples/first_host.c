/* first_host.c: presses 12 + 30 = on a fresh calculator and prints what the
 * display shows. */
#include <stdio.h>

#include "tqcal_host.h"

int main(void)
{
    static const int keys[] = {KEY_1, KEY_2, KEY_ADD, KEY_3, KEY_0, KEY_EQUAL};
    TQCAL_Context ctx;   /* the calculator: 288 bytes that the host owns */
    TQCAL_Status status; /* its status word */
    size_t i;

    tqcal_reset(&ctx, &status); /* a fresh calculator is not all zero bytes */
    for (i = 0; i < sizeof keys / sizeof keys[0]; i++)
        tqcal_press(&ctx, &status, keys[i], TQCAL_MODE_ALGEBRAIC);

    if (tqcal_result(status) != RES_OK) {
        puts(tqcal_result(status) == RES_FULL ? "Full" : "Error");
        return 1;
    }
    /* The display text holds the magnitude only; the sign is a flag. */
    if (ctx.negative)
        putchar('-');
    /* 16-bit cells, right-aligned with blanks, up to a 0 cell. */
    for (i = 0; i < TQCAL_DISPLAY_AREA && ctx.display[i] != 0; i++)
        if (ctx.display[i] != ' ')
            putchar((char)ctx.display[i]);
    /* The exponent text is a sign cell and two digits; " 00" means none. */
    if (ctx.exponent[1] != '0' || ctx.exponent[2] != '0')
        printf("E%s%c%c", ctx.exponent[0] == '-' ? "-" : "", (char)ctx.exponent[1],
               (char)ctx.exponent[2]);
    putchar('\n');
    return 0;
}
