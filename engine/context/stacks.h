// The operand and operator stacks kept inside the context. Pops and resets
// zero the slots they empty, so every slot above a top holds zero. Every
// write of a top, and of the slots a top moves over, is in this file and
// stacks.cpp: the layers above change the stacks only through these.
#pragma once

#include "context/assert.h"
#include "context/context.h"

namespace tqcal {

// Empty a stack: top -1, every slot zero. ResetStacks empties both and
// zeroes the parenthesis and pending-operator counters that go with them.
void ClearOperandStack(Context &ctx);
void ClearOperatorStack(Context &ctx);
void ResetStacks(Context &ctx);

// 0 on success; -1 when full (push) or empty (pop), or when the top index is
// outside -1 and the last slot (a host may have written it): nothing is
// changed then.
int PushOperand(Context &ctx, double value);
int PopOperand(Context &ctx, double &out);
int PushOperator(Context &ctx, int32_t op);
int PopOperator(Context &ctx, int32_t &out);

// Exactly two operands, bottom and top, and one operator, op; the slots of
// the entries this drops are cleared. The counters are left alone.
void LoadStacks(Context &ctx, double bottom, double top, int32_t op);

// ---- the evaluation layer's steps -------------------------------------------
// These trust the tops, which the exports have checked: each says what it
// needs.

// An empty operand stack takes slot 0 as its top, as it is: every slot
// above a top holds 0.0, which then stands as an operand.
inline void ClaimBottomOperand(Context &ctx) {
    if (ctx.opdTop == -1) ctx.opdTop = 0;
}

// The top operand becomes value; an empty stack takes slot 0 for it. The
// top must lie within the stack.
inline void SetTopOperand(Context &ctx, double value) {
    ClaimBottomOperand(ctx);
    TQCAL_ASSERT(ctx.opdTop >= 0 && ctx.opdTop < OPERAND_SLOTS);
    ctx.operands[ctx.opdTop] = value;
}

// The top entry leaves its stack, its slot cleared. The stack must not be
// empty.
inline void DropOperand(Context &ctx) {
    TQCAL_ASSERT(ctx.opdTop >= 0 && ctx.opdTop < OPERAND_SLOTS);
    ctx.operands[ctx.opdTop] = 0.0;
    ctx.opdTop -= 1;
}
inline void DropOperator(Context &ctx) {
    TQCAL_ASSERT(ctx.optTop >= 0 && ctx.optTop < OPERATOR_SLOTS);
    ctx.operators[ctx.optTop] = 0;
    ctx.optTop -= 1;
}

// The top two operands become one, result, in the lower slot. The stack
// must hold two.
inline void MergeTopOperands(Context &ctx, double result) {
    TQCAL_ASSERT(ctx.opdTop >= 1);
    DropOperand(ctx);
    ctx.operands[ctx.opdTop] = result;
}

}  // namespace tqcal
