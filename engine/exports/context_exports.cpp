// Exported stack routines: thin wrappers that refuse null pointers and hand
// the rest to the stack layer.
#include "context/stacks.h"

using namespace tqcal;

extern "C" {

TQCAL_API void TQCAL_InitOpd(TQCAL_Context *ctx) {
    if (ctx) InitOpd(*ctx);
}

TQCAL_API void TQCAL_InitOpt(TQCAL_Context *ctx) {
    if (ctx) InitOpt(*ctx);
}

TQCAL_API void TQCAL_InitStack(TQCAL_Context *ctx) {
    if (ctx) InitStack(*ctx);
}

TQCAL_API int TQCAL_PushOpd(const double *value, TQCAL_Context *ctx) {
    if (!value || !ctx) return -1;
    return PushOpd(*ctx, *value);
}

TQCAL_API int TQCAL_PopOpd(double *out, TQCAL_Context *ctx) {
    if (!out || !ctx) return -1;
    return PopOpd(*ctx, *out);
}

TQCAL_API int TQCAL_PushOpt(const int32_t *op, TQCAL_Context *ctx) {
    if (!op || !ctx) return -1;
    return PushOpt(*ctx, *op);
}

TQCAL_API int TQCAL_PopOpt(int32_t *out, TQCAL_Context *ctx) {
    if (!out || !ctx) return -1;
    return PopOpt(*ctx, *out);
}

}  // extern "C"
