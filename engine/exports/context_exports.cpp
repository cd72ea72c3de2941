// Exported stack routines: thin wrappers that refuse null pointers and hand
// the rest to the stack layer.
#include "context/stacks.h"

using namespace tqcal;

extern "C" {

TQCAL_API void TQCAL_InitOpd(TQCAL_Context *ctx) {
    if (ctx) ClearOperandStack(*ctx);
}

TQCAL_API void TQCAL_InitOpt(TQCAL_Context *ctx) {
    if (ctx) ClearOperatorStack(*ctx);
}

TQCAL_API void TQCAL_InitStack(TQCAL_Context *ctx) {
    if (ctx) ResetStacks(*ctx);
}

TQCAL_API int TQCAL_PushOpd(const double *value, TQCAL_Context *ctx) {
    if (!value || !ctx) return -1;
    return PushOperand(*ctx, *value);
}

TQCAL_API int TQCAL_PopOpd(double *out, TQCAL_Context *ctx) {
    if (!out || !ctx) return -1;
    return PopOperand(*ctx, *out);
}

TQCAL_API int TQCAL_PushOpt(const int32_t *op, TQCAL_Context *ctx) {
    if (!op || !ctx) return -1;
    return PushOperator(*ctx, *op);
}

TQCAL_API int TQCAL_PopOpt(int32_t *out, TQCAL_Context *ctx) {
    if (!out || !ctx) return -1;
    return PopOperator(*ctx, *out);
}

}  // extern "C"
