#include "context/stacks.h"

namespace tqcal {

void InitOpd(Context &ctx) {
    ctx.opdTop = -1;
    for (double &slot : ctx.operands) slot = 0.0;
}

void InitOpt(Context &ctx) {
    ctx.optTop = -1;
    for (int32_t &slot : ctx.operators) slot = 0;
}

void InitStack(Context &ctx) {
    InitOpd(ctx);
    InitOpt(ctx);
    ctx.parenDepth = 0;
    ctx.pendingOps = 0;
}

int PushOpd(Context &ctx, double value) {
    if (!OpdTopValid(ctx) || ctx.opdTop == kOperandSlots - 1) return -1;
    ctx.operands[++ctx.opdTop] = value;
    return 0;
}

int PopOpd(Context &ctx, double &out) {
    if (!OpdTopValid(ctx) || ctx.opdTop < 0) return -1;
    out = ctx.operands[ctx.opdTop];
    ctx.operands[ctx.opdTop--] = 0.0;
    return 0;
}

int PushOpt(Context &ctx, int32_t op) {
    if (!OptTopValid(ctx) || ctx.optTop == kOperatorSlots - 1) return -1;
    ctx.operators[++ctx.optTop] = op;
    return 0;
}

int PopOpt(Context &ctx, int32_t &out) {
    if (!OptTopValid(ctx) || ctx.optTop < 0) return -1;
    out = ctx.operators[ctx.optTop];
    ctx.operators[ctx.optTop--] = 0;
    return 0;
}

}  // namespace tqcal
