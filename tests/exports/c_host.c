/* A host written in C against the public headers alone: a fresh calculator,
 * then "12 + 30 =" key by key through the per-key protocol. */
#include "tqcal_host.h"

#include <stdio.h>
#include <string.h>

int main(void)
{
    static const int KEYS[] = {KEY_1, KEY_2, KEY_ADD, KEY_3, KEY_0, KEY_EQUAL};
    TQCAL_Context ctx;
    TQCAL_Status status;
    char shown[TQCAL_DISPLAY_AREA + 1];
    int i, n = 0;

    tqcal_reset(&ctx, &status);
    for (i = 0; i < (int)(sizeof KEYS / sizeof KEYS[0]); ++i)
        tqcal_press(&ctx, &status, KEYS[i], TQCAL_MODE_ALGEBRAIC);
    for (i = 0; i < TQCAL_DISPLAY_AREA && ctx.display[i] != 0; ++i)
        if (ctx.display[i] != ' ')
            shown[n++] = (char)ctx.display[i];
    shown[n] = '\0';
    if (strcmp(shown, "42.") != 0 || tqcal_result(status) != RES_OK) {
        printf("12 + 30 = shows \"%s\", result state %d; expected \"42.\", %d\n", shown,
               tqcal_result(status), RES_OK);
        return 1;
    }
    return 0;
}
