// The operand and operator stacks kept inside the context. Pops and resets
// zero the slots they empty, so every slot above a top holds zero.
#pragma once

#include "context/context.h"

namespace tqcal {

void InitOpd(Context &ctx);
void InitOpt(Context &ctx);
void InitStack(Context &ctx);

// 0 on success; -1 when full (push) or empty (pop), or when the top index is
// outside its range: nothing is changed then.
int PushOpd(Context &ctx, double value);
int PopOpd(Context &ctx, double &out);
int PushOpt(Context &ctx, int32_t op);
int PopOpt(Context &ctx, int32_t &out);

inline bool OpdTopValid(const Context &ctx) {
    return ctx.opdTop >= -1 && ctx.opdTop < kOperandSlots;
}
inline bool OptTopValid(const Context &ctx) {
    return ctx.optTop >= -1 && ctx.optTop < kOperatorSlots;
}

}  // namespace tqcal
