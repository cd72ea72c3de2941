#include "eval/constant_percent.h"

#include "context/stacks.h"
#include "eval/precedence.h"
#include "numeric/power.h"

namespace tqcal {

namespace {

constexpr double kPercent = 100.0;

void Decide(Status &status, int r) { SetResultState(status, r == 0 ? RES_OK : RES_ERROR); }

// Only opening parentheses wait on the operator stack, and nothing or one
// operand is stacked: the typed value simply closes them.
bool OnlyParentheses(const Context &ctx) {
    return ctx.opdTop <= 0 && ctx.pendingOps == 0 && ctx.parenDepth > 0 &&
           ctx.optTop + 1 == ctx.parenDepth;
}

}  // namespace

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

int PercentOperate(double *a, const double *b, int32_t op) {
    double p = *b / kPercent;
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
        case KEY_ROOT:
            return RootXY(a, &p);
        default:
            return 0;
    }
}

int PushPendingOperand(Context &ctx, bool typed, int32_t topOp) {
    if (ctx.pendingOps < 1) return 0;
    if (typed) return PushOpd(ctx, ctx.value);
    if (topOp != KEY_LPAREN && ctx.pendingOps > ctx.opdTop) {
        if (ctx.opdTop == -1) ctx.opdTop = 0;
        if (topOp != 0) return PushOpd(ctx, ctx.value);
        return 0;
    }
    if (topOp == KEY_LPAREN) {
        if (ctx.opdTop == -1) ctx.opdTop = 0;
        return PushOpd(ctx, ctx.value);
    }
    return 0;
}

void ArmConstant(Context &ctx, Status &status, int32_t key) {
    Set(status, ST_CONST);
    ctx.constOperator = key;
    ctx.constOperand = ctx.operands[0];
    ctx.pendingOps -= 1;  // the second press is not a pending operator
}

bool PrepareConstant(Context &ctx, Status &status, int32_t mode) {
    if (ctx.parenDepth > 0) {
        Decide(status, Calculator(KEY_EQUAL, 0, ctx, mode));
        if (!ResultOk(status)) return false;
    }
    LoadConstant(ctx);
    return true;
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
        Decide(status, PercentOperate(&ctx.operands[0], &ctx.operands[1], ctx.constOperator));
        if (ResultOk(status)) {
            ctx.value = ctx.operands[0];
            InitStack(ctx);
        }
        return PercentOutcome::Done;
    }
    Decide(status, Calculator(KEY_EQUAL, 0, ctx, mode));
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
    Decide(status, PercentOperate(&ctx.operands[0], &ctx.operands[1], op));
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
