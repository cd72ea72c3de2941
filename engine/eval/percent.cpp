#include "eval/percent.h"

#include "context/keys.h"
#include "context/stacks.h"
#include "eval/constant.h"
#include "eval/operands.h"
#include "eval/precedence.h"
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
    double p = *b / kPercentDivisor;
    switch (op) {
        case KEY_ADD:
            *a = *a * (1.0 + p);
            return 0;
        case KEY_SUB:
            *a = *a * (1.0 - p);
            return 0;
        case KEY_MUL:
            *a = *a * p;
            return 0;
        case KEY_DIV:
            if (*b == 0.0) return -1;
            *a = *a / p;
            return 0;
        case KEY_POW:
            return PowerXY(a, &p);
        default:
            return RootXY(a, &p);
    }
}

void ApplyPercentBase(Context &ctx, Status &status, int32_t key) {
    Clear(status, ST_PCT_BASE);
    ctx.value = (key == KEY_ADD) ? ctx.operands[0] + ctx.value : ctx.operands[0] - ctx.value;
    InitStack(ctx);
}

PercentOutcome PercentComplete(Context &ctx, Status &status, int32_t topOp, int32_t mode) {
    if (ctx.optTop < 0 && !Has(status, ST_CONST)) return PercentOutcome::NothingToDo;
    if (PushPendingOperand(ctx, Has(status, ST_TYPED), topOp) != 0) {
        return PercentOutcome::OperandRefused;
    }
    if (Has(status, ST_CONST)) {
        if (!PrepareConstant(ctx, status, mode)) return PercentOutcome::Done;
        DecideResult(status,
                     PercentOperate(&ctx.operands[0], &ctx.operands[1], ctx.constOperator));
        if (ResultOk(status)) {
            ctx.value = ctx.operands[0];
            InitStack(ctx);
        }
        return PercentOutcome::Done;
    }
    DecideResult(status, Calculator(KEY_EQUAL, 0, ctx, mode));
    if (!ResultOk(status)) return PercentOutcome::Done;
    if (OnlyParentheses(ctx) || ctx.optTop < 0) {
        InitStack(ctx);
        return PercentOutcome::Done;
    }
    const int32_t op = ctx.operators[ctx.optTop];
    const bool base = (op == KEY_MUL);
    if (base) {
        Set(status, ST_PCT_BASE);
        ctx.operands[2] = ctx.operands[0];
    } else {
        Clear(status, ST_PCT_BASE);
    }
    DecideResult(status, PercentOperate(&ctx.operands[0], &ctx.operands[1], op));
    if (!ResultOk(status)) return PercentOutcome::Done;
    ctx.value = ctx.operands[0];
    if (base) {
        // Keep the base a in slot 0 and the amount in slot 1, so that a
        // directly following + or - gives the add-on or the discount.
        ctx.operands[1] = ctx.operands[0];
        ctx.operands[0] = ctx.operands[2];
        ctx.operands[2] = 0.0;
        InitOpt(ctx);
    } else {
        InitStack(ctx);
    }
    return PercentOutcome::Done;
}

}  // namespace tqcal
