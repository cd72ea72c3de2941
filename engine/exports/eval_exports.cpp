// Exported evaluation routines: thin wrappers that refuse null pointers and
// inconsistent blocks, and hand the rest to the evaluation layer.
#include "context/consistency.h"
#include "eval/calc_string.h"
#include "eval/dispatcher.h"
#include "eval/precedence.h"

using namespace tqcal;

extern "C" {

TQCAL_API int TQCAL_Calculator(int type, int toBottom, TQCAL_Context *ctx) {
    if (!ctx || !StacksConsistent(*ctx)) return -1;
    return Calculator(type, toBottom, *ctx);
}

TQCAL_API void TQCAL_Operate(int key, TQCAL_Context *ctx, TQCAL_Status *status, int mode) {
    if (!status) return;
    if (!ctx || !BlockConsistent(*ctx)) {
        SetResultState(*status, RES_ERROR);
        return;
    }
    Operate(key, *ctx, *status, mode);
}

TQCAL_API int TQCAL_CalcString(double *result, TQCAL_WChar *text, const int8_t *keys,
                               int count) {
    if (!result || !text || (!keys && count > 0)) return 0;
    return CalcString(result, text, keys, count);
}

}  // extern "C"
