// Exported number-entry and formatting routines: thin wrappers that refuse
// null pointers and hand the rest to the entry layer.
#include "context/consistency.h"
#include "entry/edit_buffer.h"
#include "entry/edit_keys.h"
#include "entry/format.h"

using tqcal::ExportGuard;

extern "C" {

// A null context or status word is refused like a code that is no key.
TQCAL_API int EEditInfo(int key, TQCAL_Context *ctx, TQCAL_Status *status) {
    const ExportGuard guard(ctx);
    if (!ctx || !status) return -1;
    return tqcal::EEditInfo(key, *ctx, *status);
}

TQCAL_API void TQCAL_ResetEditValue(TQCAL_Context *ctx) {
    const ExportGuard guard(ctx);
    if (ctx) tqcal::ResetEditValue(*ctx);
}

TQCAL_API int TQCAL_ApendChar(TQCAL_Context *ctx, TQCAL_Status *status, TQCAL_WChar ch) {
    const ExportGuard guard(ctx);
    if (!ctx || !status) return 0;
    return tqcal::ApendChar(*ctx, *status, ch);
}

// 1 means "done, nothing left to do"; a null pointer gets 0, the refusal
// ApendChar also gives.
TQCAL_API int TQCAL_DeleteChar(TQCAL_Context *ctx, TQCAL_Status *status) {
    const ExportGuard guard(ctx);
    if (!ctx || !status) return 0;
    return tqcal::DeleteChar(*ctx, *status);
}

// Always 0 for real buffers; -1 when a pointer is null (nothing written).
TQCAL_API int TQCAL_DivideDoubleToStr(double value, TQCAL_WChar *display, TQCAL_WChar *exponent,
                                      int32_t *negative, int width) {
    if (!display || !exponent || !negative) return -1;
    tqcal::FormatValue(value, display, exponent, negative, width);
    return 0;
}

}  // extern "C"
