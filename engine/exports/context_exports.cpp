// Exported stack routines: thin wrappers that refuse null pointers and hand
// the rest to the stack layer.
#include "context/consistency.h"
#include "context/stacks.h"

using namespace tqcal;

namespace {

// routine(*ctx, *arg), or -1 (nothing touched) when a pointer is null.
template <typename Arg, typename Routine>
int WithBoth(Arg *arg, TQCAL_Context *ctx, Routine routine) {
    const ExportGuard guard(ctx);
    if (!arg || !ctx) return -1;
    return routine(*ctx, *arg);
}

// routine(*ctx), nothing for a null context.
template <typename Routine>
void WithContext(TQCAL_Context *ctx, Routine routine) {
    const ExportGuard guard(ctx);
    if (ctx) routine(*ctx);
}

}  // namespace

extern "C" {

TQCAL_API void TQCAL_InitOpd(TQCAL_Context *ctx) { WithContext(ctx, ClearOperandStack); }

TQCAL_API void TQCAL_InitOpt(TQCAL_Context *ctx) { WithContext(ctx, ClearOperatorStack); }

TQCAL_API void TQCAL_InitStack(TQCAL_Context *ctx) { WithContext(ctx, ResetStacks); }

TQCAL_API int TQCAL_PushOpd(const double *value, TQCAL_Context *ctx) {
    return WithBoth(value, ctx, PushOperand);
}

TQCAL_API int TQCAL_PopOpd(double *out, TQCAL_Context *ctx) {
    return WithBoth(out, ctx, PopOperand);
}

TQCAL_API int TQCAL_PushOpt(const int32_t *op, TQCAL_Context *ctx) {
    return WithBoth(op, ctx, PushOperator);
}

TQCAL_API int TQCAL_PopOpt(int32_t *out, TQCAL_Context *ctx) {
    return WithBoth(out, ctx, PopOperator);
}

}  // extern "C"
