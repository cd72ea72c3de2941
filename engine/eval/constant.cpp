#include "eval/constant.h"

#include "eval/precedence.h"

namespace tqcal {

void ClearConstant(Context &ctx, Status &status) {
    ctx.constOperator = 0;
    ctx.constOperand = 0.0;
    Clear(status, ST_CONST);
}

void LoadConstant(Context &ctx) {
    ctx.operands[0] = ctx.value;
    ctx.operands[1] = ctx.constOperand;
    ctx.operators[0] = ctx.constOperator;
    // After an error the stacks may hold more than the two operands and one
    // operator loaded here; the entries dropped are cleared like popped
    // ones, so every slot above a top still holds zero.
    for (int i = 2; i <= ctx.opdTop; ++i) ctx.operands[i] = 0.0;
    for (int i = 1; i <= ctx.optTop; ++i) ctx.operators[i] = 0;
    ctx.opdTop = 1;
    ctx.optTop = 0;
}

void ArmConstant(Context &ctx, Status &status, int32_t key) {
    Set(status, ST_CONST);
    ctx.constOperator = key;
    ctx.constOperand = ctx.operands[0];
    ctx.pendingOps -= 1;  // the second press is not a pending operator
}

bool PrepareConstant(Context &ctx, Status &status, int32_t mode) {
    if (ctx.parenDepth > 0) {
        DecideResult(status, ReduceStacks(KEY_EQUAL, Reach::KeepBottom, ctx, mode));
        if (!ResultOk(status)) return false;
    }
    LoadConstant(ctx);
    return true;
}

}  // namespace tqcal
