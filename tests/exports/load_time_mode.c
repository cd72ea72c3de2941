/* A freshly loaded library reduces with equal priority until the first
 * TQCAL_Operate call says otherwise. This needs a process of its own: any
 * dispatcher call before it would already have set the mode. */
#include "tqcal.h"

#include <stdio.h>
#include <string.h>

int main(void)
{
    TQCAL_Context ctx;
    const double two = 2.0, three = 3.0;
    const int32_t plus = KEY_ADD;
    int rc;

    /* 2 + 3 waiting on the stacks, then a direct reduction for x. */
    memset(&ctx, 0, sizeof ctx);
    TQCAL_InitStack(&ctx);
    TQCAL_PushOpd(&two, &ctx);
    TQCAL_PushOpt(&plus, &ctx);
    TQCAL_PushOpd(&three, &ctx);
    ctx.pendingOps = 1;

    /* Equal priority applies the + (giving 5); algebraic mode would stop
     * below x and leave 3 with the + still waiting. */
    rc = TQCAL_Calculator(KEY_MUL, 1, &ctx);
    if (rc != 0 || ctx.value != 5.0 || ctx.optTop != -1 || ctx.opdTop != 0) {
        printf("2 + 3 then x: rc %d, value %g, optTop %d, opdTop %d; expected 0, 5, -1, 0\n", rc,
               ctx.value, (int)ctx.optTop, (int)ctx.opdTop);
        return 1;
    }
    return 0;
}
