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

namespace {

// One stack: its slots and its top, -1 when empty. A top outside -1 and the
// last slot (written by a host) refuses every push and pop.
template <typename Slot, int SLOTS>
int Push(Slot (&slots)[SLOTS], int32_t &top, Slot value) {
    if (top < -1 || top >= SLOTS - 1) return -1;
    slots[++top] = value;
    return 0;
}

template <typename Slot, int SLOTS>
int Pop(Slot (&slots)[SLOTS], int32_t &top, Slot &out) {
    if (top < 0 || top >= SLOTS) return -1;
    out = slots[top];
    slots[top--] = Slot{};
    return 0;
}

}  // namespace

int PushOperand(Context &ctx, double value) { return Push(ctx.operands, ctx.opdTop, value); }
int PopOperand(Context &ctx, double &out) { return Pop(ctx.operands, ctx.opdTop, out); }
int PushOperator(Context &ctx, int32_t op) { return Push(ctx.operators, ctx.optTop, op); }
int PopOperator(Context &ctx, int32_t &out) { return Pop(ctx.operators, ctx.optTop, out); }

}  // namespace tqcal
