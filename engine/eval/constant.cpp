#include "eval/constant.h"

#include "context/stacks.h"
#include "eval/precedence.h"

namespace tqcal {

void ClearConstant(Context &ctx, Status &status) {
    ctx.constOperator = 0;
    ctx.constOperand = 0.0;
    Clear(status, ST_CONST);
}

void LoadConstant(Context &ctx) { LoadStacks(ctx, ctx.value, ctx.constOperand, ctx.constOperator); }

void ArmConstant(Context &ctx, Status &status, int32_t key) {
    Set(status, ST_CONST);
    ctx.constOperator = key;
    ctx.constOperand = ctx.operands[0];
    ctx.pendingOps -= 1;  // the second press is not a pending operator
}

bool PrepareConstant(Context &ctx, Status &status, int32_t mode) {
    if (ctx.parenDepth > 0) {
        DecideResult(status, ReduceStacks(KEY_EQUAL, Reach::KEEP_BOTTOM, ctx, mode));
        if (!ResultOk(status)) return false;
    }
    LoadConstant(ctx);
    return true;
}

}  // namespace tqcal
