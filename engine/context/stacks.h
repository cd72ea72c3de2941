// The operand and operator stacks kept inside the context. Pops and resets
// zero the slots they empty, so every slot above a top holds zero.
#pragma once

#include "context/context.h"

namespace tqcal {

// Empty a stack: top -1, every slot zero. ResetStacks empties both and
// zeroes the parenthesis and pending-operator counters that go with them.
void ClearOperandStack(Context &ctx);
void ClearOperatorStack(Context &ctx);
void ResetStacks(Context &ctx);

// 0 on success; -1 when full (push) or empty (pop), or when the top index is
// outside its range: nothing is changed then.
int PushOperand(Context &ctx, double value);
int PopOperand(Context &ctx, double &out);
int PushOperator(Context &ctx, int32_t op);
int PopOperator(Context &ctx, int32_t &out);

// A top index a host may have written is trusted only within -1 (empty)
// and the last slot.
inline bool OperandTopInRange(const Context &ctx) {
    return ctx.opdTop >= -1 && ctx.opdTop < kOperandSlots;
}
inline bool OperatorTopInRange(const Context &ctx) {
    return ctx.optTop >= -1 && ctx.optTop < kOperatorSlots;
}

}  // namespace tqcal
