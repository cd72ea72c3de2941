// Exported evaluation routines: thin wrappers that refuse null pointers and
// inconsistent blocks, and hand the rest to the evaluation layer.
//
// They alone keep the precedence mode that outlives a call. The evaluation
// layer takes the mode as an argument: each dispatcher call evaluates with
// its own, and only a direct reduction, which has no mode argument, reads
// the one the last dispatcher call left behind.
#include "context/consistency.h"
#include "eval/dispatcher.h"
#include "eval/precedence.h"

#include <atomic>

using namespace tqcal;

namespace {

// 0 (equal priority) when the library is loaded; every TQCAL_Operate call
// stores its mode here. Calculators on different threads may each write it,
// so it is atomic. Only relaxed loads and stores touch it: on an aligned
// 32-bit word each is one load or store instruction on every target, even
// where read-modify-write operations would need a lock or a kernel helper
// (ARMv5 has no exclusive loads, so there the type is not "always lock
// free"). The representation must be the plain word for that to hold; the
// library's dependency check fails on any atomic helper it would import.
std::atomic<int32_t> g_precedenceMode{0};
static_assert(sizeof(std::atomic<int32_t>) == sizeof(int32_t) &&
              alignof(std::atomic<int32_t>) == alignof(int32_t));

}  // namespace

extern "C" {

TQCAL_API int TQCAL_Calculator(int type, int toBottom, TQCAL_Context *ctx) {
    const ExportGuard guard(ctx);
    if (!ctx || !StacksConsistent(*ctx)) return -1;
    return ReduceStacks(type, toBottom != 0 ? Reach::THROUGH_BOTTOM : Reach::KEEP_BOTTOM, *ctx,
                        g_precedenceMode.load(std::memory_order_relaxed));
}

TQCAL_API void TQCAL_Operate(int key, TQCAL_Context *ctx, TQCAL_Status *status, int mode) {
    g_precedenceMode.store(mode, std::memory_order_relaxed);
    const ExportGuard guard(ctx);
    if (!status) return;
    if (!ctx || !BlockConsistent(*ctx)) {
        SetResultState(*status, RES_ERROR);
        return;
    }
    Operate(key, *ctx, *status, mode);
}

}  // extern "C"
