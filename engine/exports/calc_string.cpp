// The whole-sequence call is a host of the engine inside the library: it
// presses the stored codes on a private fresh calculator through the same
// per-key protocol every host uses, in algebraic mode, closes with '=' and
// reports the first failure.
#include "tqcal_host.h"

namespace {

bool Failed(TQCAL_Status status) {
    const int result = tqcal_result(status);
    return result == RES_ERROR || result == RES_FULL;
}

}  // namespace

extern "C" TQCAL_API int TQCAL_CalcString(double *result, TQCAL_WChar *text, const int8_t *keys,
                                          int count) {
    if (!result || !text || (!keys && count > 0)) return 0;
    TQCAL_Context ctx;
    TQCAL_Status status;
    tqcal_reset(&ctx, &status);

    bool ok = true;
    for (int i = 0; i < count && ok; ++i) {
        // Signed bytes: the direct codes 251 to 253 arrive negative and are
        // skipped like every other code that is no key.
        if (tqcal_press(&ctx, &status, keys[i], TQCAL_MODE_ALGEBRAIC) == 1) ok = !Failed(status);
    }
    if (ok) {
        tqcal_press(&ctx, &status, KEY_EQUAL, TQCAL_MODE_ALGEBRAIC);
        ok = !Failed(status);
    }
    if (!ok) {
        *result = TQCAL_CALC_STRING_ERROR;
        text[0] = 0;
        return 0;
    }
    *result = ctx.value;
    int i = 0;
    for (; i < TQCAL_RESULT_TEXT_CELLS - 1 && ctx.display[i] != 0; ++i) text[i] = ctx.display[i];
    text[i] = 0;
    return 1;
}
