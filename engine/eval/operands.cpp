#include "eval/operands.h"

#include "context/stacks.h"

namespace tqcal {

int PushPendingOperand(Context &ctx, bool typed, int32_t topOp) {
    if (ctx.pendingOps < 1) return 0;
    if (typed) return PushOperand(ctx, ctx.value);
    // Nothing typed: each pending operator has its left operand on the
    // stack, so more operators than operands means the top one still lacks
    // its right operand, and the value shown becomes it (2 + = gives 4).
    //
    // With the operand stack empty (a dropped percent base empties it while
    // pendingOps keeps counting) slot 0 is claimed without being written: it
    // holds the 0.0 the reset left, and stands as the left operand, so that
    // the value pushed above it, or the reduction after it, never reads
    // below the stack.
    if (topOp != KEY_LPAREN && ctx.pendingOps > ctx.opdTop) {
        ClaimBottomOperand(ctx);
        if (topOp != 0) return PushOperand(ctx, ctx.value);
        return 0;
    }
    if (topOp == KEY_LPAREN) {
        ClaimBottomOperand(ctx);
        return PushOperand(ctx, ctx.value);
    }
    return 0;
}

}  // namespace tqcal
