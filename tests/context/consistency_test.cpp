// The guard every export puts around its work: in a debug build a sound
// block (tops in range, texts terminated, nothing above a top) that an
// export leaves unsound stops the program; a block that was not sound on
// entry is the host's own and is left to the refusals.
#include "context/consistency.h"
#include "tqcal_host.h"

#include <gtest/gtest.h>

namespace {

using tqcal::ExportGuard;

TQCAL_Context FreshBlock() {
    TQCAL_Context ctx;
    TQCAL_Status status;
    tqcal_reset(&ctx, &status);
    return ctx;
}

TEST(ExportGuardDeathTest, ASoundBlockMustLeaveSound) {
    TQCAL_Context ctx = FreshBlock();
    EXPECT_DEBUG_DEATH(
        {
            const ExportGuard guard(&ctx);
            ctx.operands[3] = 1.0;  // a value above the empty operand stack
        },
        "BlockSound");
    ctx = FreshBlock();
    EXPECT_DEBUG_DEATH(
        {
            const ExportGuard guard(&ctx);
            ctx.exponent[3] = u'0';  // the exponent text loses its terminator
        },
        "BlockSound");
}

TEST(ExportGuard, LeavesTheHostsOwnBlocksToTheRefusals) {
    TQCAL_Context ctx = FreshBlock();
    ctx.optTop = 40;
    { const ExportGuard guard(&ctx); }
    const ExportGuard none(nullptr);
    ctx = FreshBlock();
    { const ExportGuard guard(&ctx); }  // sound in, sound out
    SUCCEED();
}

}  // namespace
