#include "eval/precedence.h"

#include "context/keys.h"
#include "context/stacks.h"
#include "numeric/arithmetic.h"

namespace tqcal {

int OperatorPriority(int32_t key, int32_t mode) {
    if (!HasArithmetic(key)) return 0;
    switch (key) {
        case KEY_ADD:
        case KEY_SUB: return 1;
        case KEY_MUL:
        case KEY_DIV: return mode == TQCAL_MODE_ALGEBRAIC ? 2 : 1;
        default:  // KEY_POW, KEY_ROOT
            return 3;
    }
}

int ReduceStacks(int32_t forKey, Reach reach, Context &ctx, int32_t mode) {
    const int threshold = OperatorPriority(forKey, mode);
    int result = 0;
    if (ctx.optTop == -1) return 0;
    for (;;) {
        if (ctx.optTop < 0 || (reach == Reach::KEEP_BOTTOM && ctx.optTop == 0)) break;
        const int32_t op = ctx.operators[ctx.optTop];
        if (op == KEY_LPAREN && (forKey == KEY_RPAREN || forKey == KEY_EQUAL)) {
            DropOperator(ctx);
            ctx.parenDepth -= 1;
            if (forKey == KEY_RPAREN) break;
            continue;
        }
        if (threshold > OperatorPriority(op, mode)) break;
        // An operator without two operands under it cannot be applied; it
        // fails like an unknown operator rather than reading below slot 0.
        if (ctx.opdTop < 1) {
            result = -1;
            break;
        }
        double right = ctx.operands[ctx.opdTop];
        double left = ctx.operands[ctx.opdTop - 1];
        result = BaseOperate(op, &left, &right);
        if (result != 0) break;
        MergeTopOperands(ctx, left);
        DropOperator(ctx);
        ctx.pendingOps -= 1;
    }
    if (result == 0 && ctx.opdTop >= 0) {
        ctx.value = ctx.operands[ctx.opdTop];
        if (ctx.pendingOps < 0) ctx.pendingOps = 0;
        if (ctx.parenDepth < 0) ctx.parenDepth = 0;
    }
    return result;
}

}  // namespace tqcal
