#include "eval/percent.h"

#include "context/assert.h"
#include "context/keys.h"
#include "context/stacks.h"
#include "eval/constant.h"
#include "eval/operands.h"
#include "eval/precedence.h"
#include "numeric/decimal.h"
#include "numeric/power.h"

namespace tqcal {

namespace {

// Only opening parentheses wait on the operator stack, and nothing or one
// operand is stacked: the typed value simply closes them.
bool OnlyParentheses(const Context &ctx) {
    return ctx.opdTop <= 0 && ctx.pendingOps == 0 && ctx.parenDepth > 0 &&
           ctx.optTop + 1 == ctx.parenDepth;
}

}  // namespace

int PercentOperate(double *a, const double *b, int32_t op) {
    if (!HasArithmetic(op)) return 0;  // a stays as it is
    if (!FiniteOperands(*a, *b)) return -1;
    double p = *b / PERCENT_DIVISOR;
    switch (op) {
        case KEY_ADD: *a = *a * (1.0 + p); return 0;
        case KEY_SUB: *a = *a * (1.0 - p); return 0;
        case KEY_MUL: *a = *a * p; return 0;
        case KEY_DIV:
            if (*b == 0.0) return -1;
            *a = *a / p;
            return 0;
        case KEY_POW: return PowerXY(a, &p);
        default: return RootXY(a, &p);
    }
}

void PercentKey(Context &ctx, Status &status) {
    ctx.value = ctx.value / PERCENT_DIVISOR;
    SetResultState(status, RES_OK);
    Set(status, ST_FRESH);
}

void DropPercentBase(Context &ctx, Status &status) {
    ClearOperandStack(ctx);
    Clear(status, ST_PCT_BASE);
}

void ApplyPercentBase(Context &ctx, Status &status, int32_t key) {
    Clear(status, ST_PCT_BASE);
    ctx.value = (key == KEY_ADD) ? ctx.operands[0] + ctx.value : ctx.operands[0] - ctx.value;
    ResetStacks(ctx);
}

namespace {

// A percent multiplication a x b% keeps a as the base of a directly
// following + or -, which then gives the add-on or the discount: the base in
// slot 0, the amount in slot 1, the slot above cleared. The completion has
// just applied the bottom operator to a and b, so both are on the stack.
void KeepPercentBase(Context &ctx, double base) {
    static_assert(OPERAND_SLOTS > 2, "the base, the amount and the cleared slot");
    TQCAL_ASSERT(ctx.opdTop >= 1);
    ctx.operands[1] = ctx.operands[0];
    ctx.operands[0] = base;
    ctx.operands[2] = 0.0;
    ClearOperatorStack(ctx);
}

// The armed constant's operator applied as a percentage to the operands
// PrepareConstant lays out.
void CompleteWithConstant(Context &ctx, Status &status, int32_t mode) {
    if (!PrepareConstant(ctx, status, mode)) return;
    DecideResult(status, PercentOperate(&ctx.operands[0], &ctx.operands[1], ctx.constOperator));
    if (ResultOk(status)) {
        ctx.value = ctx.operands[0];
        ResetStacks(ctx);
    }
}

// Everything above the bottom operator is reduced; the bottom operator a op
// b then takes b as a percentage.
void CompletePendingOperator(Context &ctx, Status &status, int32_t mode) {
    DecideResult(status, ReduceStacks(KEY_EQUAL, Reach::KEEP_BOTTOM, ctx, mode));
    if (!ResultOk(status)) return;
    if (OnlyParentheses(ctx) || ctx.optTop < 0) {
        ResetStacks(ctx);
        return;
    }
    const int32_t op = ctx.operators[ctx.optTop];
    const bool keepsBase = (op == KEY_MUL);
    const double base = ctx.operands[0];
    if (keepsBase) {
        Set(status, ST_PCT_BASE);
    } else {
        Clear(status, ST_PCT_BASE);
    }
    DecideResult(status, PercentOperate(&ctx.operands[0], &ctx.operands[1], op));
    if (!ResultOk(status)) return;
    ctx.value = ctx.operands[0];
    if (keepsBase) {
        KeepPercentBase(ctx, base);
    } else {
        ResetStacks(ctx);
    }
}

}  // namespace

PercentOutcome PercentComplete(Context &ctx, Status &status, int32_t topOp, int32_t mode) {
    if (ctx.optTop < 0 && !Has(status, ST_CONST)) return PercentOutcome::NOTHING_TO_DO;
    if (PushPendingOperand(ctx, Has(status, ST_TYPED), topOp) != 0) {
        return PercentOutcome::OPERAND_REFUSED;
    }
    if (Has(status, ST_CONST)) {
        CompleteWithConstant(ctx, status, mode);
    } else {
        CompletePendingOperator(ctx, status, mode);
    }
    return PercentOutcome::DONE;
}

}  // namespace tqcal
