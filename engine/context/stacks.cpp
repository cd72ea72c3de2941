#include "context/stacks.h"

namespace tqcal {

void ClearOperandStack(Context &ctx) {
    ctx.opdTop = -1;
    for (double &slot : ctx.operands) slot = 0.0;
}

void ClearOperatorStack(Context &ctx) {
    ctx.optTop = -1;
    for (int32_t &slot : ctx.operators) slot = 0;
}

void ResetStacks(Context &ctx) {
    ClearOperandStack(ctx);
    ClearOperatorStack(ctx);
    ctx.parenDepth = 0;
    ctx.pendingOps = 0;
}

void LoadStacks(Context &ctx, double bottom, double top, int32_t op) {
    ctx.operands[0] = bottom;
    ctx.operands[1] = top;
    ctx.operators[0] = op;
    // After an error the stacks may hold more than this; the entries dropped
    // are cleared like popped ones.
    for (int i = 2; i <= ctx.opdTop; ++i) ctx.operands[i] = 0.0;
    for (int i = 1; i <= ctx.optTop; ++i) ctx.operators[i] = 0;
    ctx.opdTop = 1;
    ctx.optTop = 0;
}

int PushOperand(Context &ctx, double value) {
    if (!OperandTopInRange(ctx) || ctx.opdTop == kOperandSlots - 1) return -1;
    ctx.operands[++ctx.opdTop] = value;
    return 0;
}

int PopOperand(Context &ctx, double &out) {
    if (!OperandTopInRange(ctx) || ctx.opdTop < 0) return -1;
    out = ctx.operands[ctx.opdTop];
    ctx.operands[ctx.opdTop--] = 0.0;
    return 0;
}

int PushOperator(Context &ctx, int32_t op) {
    if (!OperatorTopInRange(ctx) || ctx.optTop == kOperatorSlots - 1) return -1;
    ctx.operators[++ctx.optTop] = op;
    return 0;
}

int PopOperator(Context &ctx, int32_t &out) {
    if (!OperatorTopInRange(ctx) || ctx.optTop < 0) return -1;
    out = ctx.operators[ctx.optTop];
    ctx.operators[ctx.optTop--] = 0;
    return 0;
}

}  // namespace tqcal
