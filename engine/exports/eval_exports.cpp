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
// so it is atomic; relaxed loads and stores of a lock-free int are plain
// moves that need no runtime library.
std::atomic<int32_t> g_precedenceMode{0};
static_assert(std::atomic<int32_t>::is_always_lock_free);

}  // namespace

extern "C" {

TQCAL_API int TQCAL_Calculator(int type, int toBottom, TQCAL_Context *ctx) {
    if (!ctx || !StacksConsistent(*ctx)) return -1;
    return ReduceStacks(type, toBottom != 0 ? Reach::ThroughBottom : Reach::KeepBottom, *ctx,
                        g_precedenceMode.load(std::memory_order_relaxed));
}

TQCAL_API void TQCAL_Operate(int key, TQCAL_Context *ctx, TQCAL_Status *status, int mode) {
    g_precedenceMode.store(mode, std::memory_order_relaxed);
    if (!status) return;
    if (!ctx || !BlockConsistent(*ctx)) {
        SetResultState(*status, RES_ERROR);
        return;
    }
    Operate(key, *ctx, *status, mode);
}

}  // extern "C"
