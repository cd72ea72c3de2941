/* Compiled as C89, C99, C11 and (header_check.cpp) C++98: the public headers must be clean C. */
#include "tqcal.h"
#include "tqcal_host.h"

int tqcal_header_check(void);

int tqcal_header_check(void)
{
    TQCAL_Context ctx;
    TQCAL_Status status = TQCAL_STATUS_INITIAL;
    TQCAL_InitStack(&ctx);
    return (int)sizeof ctx + (int)status + KEY_ROOT + ST_MRC + RES_FULL + TQCAL_KEY_ROOT +
           TQCAL_ST_MRC + TQCAL_RES_FULL + TQCAL_MODE_ALGEBRAIC;
}
