#include "eval/dispatcher.h"

#include "context/keys.h"
#include "context/stacks.h"
#include "entry/format.h"
#include "entry/wide_text.h"
#include "eval/constant.h"
#include "eval/operands.h"
#include "eval/percent.h"
#include "eval/precedence.h"
#include "numeric/arithmetic.h"
#include "numeric/decimal.h"
#include "numeric/functions.h"
#include "numeric/power.h"
#include "numeric/trig.h"

#include <cmath>
#include <cstring>

namespace tqcal {

namespace {

// One key press on its way through the dispatcher.
struct KeyRun {
    Context &ctx;
    Status &status;
    int32_t key;
    int32_t mode;         // precedence mode of this call
    int32_t topOp;        // operator on top of the stack when the key came
    bool operandRefused;  // an operand found the operand stack full
    bool skipEndSteps;    // the key is ignored whole (no formatting)
};

bool Typed(const KeyRun &run) { return Has(run.status, ST_TYPED); }

void PushValue(KeyRun &run) {
    if (PushOperand(run.ctx, run.ctx.value) != 0) run.operandRefused = true;
}

void PushPending(KeyRun &run) {
    if (PushPendingOperand(run.ctx, Typed(run), run.topOp) != 0) run.operandRefused = true;
}

// ---- operators and parentheses --------------------------------------------

// The operand an operator key stands on: a typed number (and after an
// opening parenthesis the value shown, typed or not) is pushed; otherwise
// the value shown replaces the top operand. False when there was no room.
bool TakeOperandForOperator(KeyRun &run) {
    if (run.topOp == KEY_LPAREN) Set(run.status, ST_TYPED);
    if (!Typed(run)) {
        SetTopOperand(run.ctx, run.ctx.value);
        return true;
    }
    PushValue(run);
    return !run.operandRefused;
}

// The same operator pressed again right after itself, alone on the stack,
// arms constant calculation instead of waiting for an operand.
bool ArmsConstant(KeyRun &run) {
    const Context &ctx = run.ctx;
    if (Typed(run) || ctx.optTop != 0 || ctx.operators[0] != run.key || Has(run.status, ST_CONST)) {
        return false;
    }
    ArmConstant(run.ctx, run.status, run.key);
    return true;
}

// Each pending operator sits on its left operand, so with this key counted
// the operators outnumber the operands only when the previous operator never
// received its right operand: this key came right after it and replaces it.
void ReplaceOperatorWithoutOperand(KeyRun &run) {
    Context &ctx = run.ctx;
    if (!Typed(run) && ctx.optTop >= 0 && run.topOp != KEY_LPAREN &&
        ctx.pendingOps > ctx.opdTop + 1) {
        DropOperator(ctx);
        if (ctx.pendingOps > 0) ctx.pendingOps -= 1;
    }
}

// Waiting operators that bind at least as tightly as this one are applied
// before it goes on the stack.
void ReduceBeforeOperator(KeyRun &run) {
    Context &ctx = run.ctx;
    if (run.topOp != KEY_LPAREN && ctx.opdTop >= 1 &&
        OperatorPriority(run.key, run.mode) <= OperatorPriority(run.topOp, run.mode)) {
        DecideResult(run.status, ReduceStacks(run.key, Reach::THROUGH_BOTTOM, ctx, run.mode));
    }
}

// No room for the operator: roll the key back, so the expression stays as
// it was before it. The count goes down again and the operand pushed for it
// comes off; the tidy-up keeps a typed number typed after RES_FULL, so the
// next operator key takes the same number up again.
void PushOperatorOrRollBack(KeyRun &run) {
    Context &ctx = run.ctx;
    if (PushOperator(ctx, run.key) != 0 && ResultOk(run.status)) {
        SetResultState(run.status, RES_FULL);
        ctx.pendingOps -= 1;
        if (Typed(run) && ctx.opdTop >= 0) DropOperand(ctx);
    }
}

void BinaryOperator(KeyRun &run) {
    run.ctx.pendingOps += 1;
    if (UsePercentBase(run.ctx, run.status, run.key)) return;
    if (!TakeOperandForOperator(run)) return;
    if (ArmsConstant(run)) return;
    // Inside parentheses an armed constant survives operator keys.
    if (!Has(run.status, ST_CONST) || run.ctx.parenDepth <= 0) ClearConstant(run.ctx, run.status);
    ReplaceOperatorWithoutOperand(run);
    ReduceBeforeOperator(run);
    PushOperatorOrRollBack(run);
}

void OpenParenthesis(KeyRun &run) {
    Context &ctx = run.ctx;
    // The counter test alone is not enough: after an error the tidy-up
    // zeroes parenDepth while the operator stack may still be full.
    if (ctx.parenDepth + ctx.pendingOps >= MAX_OPEN_PARENS || ctx.optTop >= OPERATOR_SLOTS - 1) {
        SetResultState(run.status, RES_FULL);
        return;
    }
    ctx.parenDepth += 1;
    PushOperator(ctx, KEY_LPAREN);  // the test above leaves room for it
    ctx.value = 0.0;
}

void CloseParenthesis(KeyRun &run) {
    Context &ctx = run.ctx;
    Status &st = run.status;
    if (ctx.parenDepth == 0) return;
    if (run.topOp == KEY_LPAREN && !Typed(run)) {
        DropOperator(ctx);
        ctx.parenDepth -= 1;
        Set(st, ST_FRESH);
        return;
    }
    PushPending(run);
    if (run.operandRefused) return;
    const int32_t bottom = ctx.optTop >= 0 ? ctx.operators[0] : 0;
    DecideResult(st, ReduceStacks(KEY_RPAREN, Reach::THROUGH_BOTTOM, ctx, run.mode));
    if (ctx.optTop >= 0) {
        Set(st, ST_FRESH);
        PopOperand(ctx, ctx.value);
    }
    if (ctx.optTop == -1) {
        ResetStacks(ctx);
        if (Has(st, ST_CONST) && bottom != KEY_LPAREN) ClearConstant(ctx, st);
    }
    if (ctx.pendingOps == 0) ClearOperandStack(ctx);
}

void Equal(KeyRun &run) {
    PushPending(run);
    if (run.operandRefused) return;
    if (Has(run.status, ST_CONST) && !PrepareConstant(run.ctx, run.status, run.mode)) return;
    DecideResult(run.status, ReduceStacks(KEY_EQUAL, Reach::THROUGH_BOTTOM, run.ctx, run.mode));
    ResetStacks(run.ctx);
}

// ---- memory -------------------------------------------------------------

void MemoryStore(KeyRun &run) {
    run.ctx.memory = run.ctx.value;
    Set(run.status, ST_FRESH);
}

void MemoryAddOrSubtract(KeyRun &run) {
    Context &ctx = run.ctx;
    Status &st = run.status;
    int32_t op = KEY_EQUAL;
    PushPending(run);
    if (run.operandRefused) return;
    if (Has(st, ST_CONST)) {
        if (!PrepareConstant(ctx, st, run.mode)) return;
        op = ctx.constOperator;
    }
    DecideResult(st, ReduceStacks(op, Reach::THROUGH_BOTTOM, ctx, run.mode));
    if (!ResultOk(st)) return;
    ResetStacks(ctx);
    // The memory is computed twice: the plain double sum only tells whether
    // the result would leave the display range, so that an overflow leaves
    // the memory as it was (the aligned addition writes over it and does not
    // test the range); the aligned sum is what the memory keeps.
    const int32_t arith = (run.key == KEY_MPLUS) ? KEY_ADD : KEY_SUB;
    const double sum = (arith == KEY_ADD) ? ctx.memory + ctx.value : ctx.memory - ctx.value;
    if (!(std::fabs(sum) <= OVERFLOW_LIMIT)) {
        SetResultState(st, RES_ERROR);
        return;
    }
    DecideResult(st, BaseOperate(arith, &ctx.memory, &ctx.value));
}

void MemoryRecall(KeyRun &run) {
    if (Has(run.status, ST_MRC)) run.ctx.memory = 0.0;
    run.ctx.value = run.ctx.memory;
    run.status ^= ST_MRC;
    Set(run.status, ST_FRESH);
}

// ---- value keys -----------------------------------------------------------

void Percent(KeyRun &run) { PercentKey(run.ctx, run.status); }

void PercentCompletion(KeyRun &run) {
    switch (PercentComplete(run.ctx, run.status, run.topOp, run.mode)) {
        case PercentOutcome::NOTHING_TO_DO: run.skipEndSteps = true; break;
        case PercentOutcome::OPERAND_REFUSED: run.operandRefused = true; break;
        case PercentOutcome::DONE: break;
    }
}

// Multiplies by -1; only finite values get here (UsesValue), for which
// that is exactly a negation.
void ChangeSign(KeyRun &run) { run.ctx.value = run.ctx.value * -1.0; }

void ClearEntry(KeyRun &run) {
    run.ctx.value = 0.0;
    run.key = run.ctx.lastKey;  // clear entry does not count as a key
}

void AllClear(KeyRun &run) {
    run.ctx.value = 0.0;
    ResetStacks(run.ctx);
    ClearConstant(run.ctx, run.status);
}

void Pi(KeyRun &run) {
    run.ctx.value = PI;
    Set(run.status, ST_FRESH);
}

using UnaryRoutine = int (*)(double *);

// The routine of each function key (TQCAL_FUNCTION_KEYS), where its rule
// lives. Every key of the group needs one: the tests press them all.
constexpr UnaryRoutine RoutineFor(int32_t key) {
    switch (key) {
        case KEY_SQUARE: return Square;
        case KEY_SQRT: return SquareRoot;
        case KEY_FACT: return Factorial;
        case KEY_RECIP: return Reciprocal;
        case KEY_SIN: return SinDeg;
        case KEY_ASIN: return AsinDeg;
        case KEY_COS: return CosDeg;
        case KEY_ACOS: return AcosDeg;
        case KEY_TAN: return TanDeg;
        case KEY_ATAN: return AtanDeg;
        case KEY_POW10: return PowerOfTen;
        case KEY_LN: return NaturalLog;
        case KEY_EXPE: return Exponential;
        case KEY_LOG: return CommonLog;
        default: return nullptr;
    }
}

void FunctionKey(KeyRun &run) {
    DecideResult(run.status, RoutineFor(run.key)(&run.ctx.value));
    Set(run.status, ST_FRESH);
}

void NoAction(KeyRun &) {}

using KeyAction = void (*)(KeyRun &);

// The handler of every key the dispatcher acts on; the handler's file holds
// the rule.
KeyAction ActionFor(int32_t key) {
    if (IsBinaryOperator(key)) return BinaryOperator;
    if (IsFunctionKey(key)) return FunctionKey;
    switch (key) {
        case KEY_EQUAL: return Equal;
        case KEY_PERCENT: return Percent;
        case KEY_LPAREN: return OpenParenthesis;
        case KEY_RPAREN: return CloseParenthesis;
        case KEY_MSTORE:
        case KEY_MSTORE_ALT: return MemoryStore;
        case KEY_MPLUS:
        case KEY_MMINUS: return MemoryAddOrSubtract;
        case KEY_MRC: return MemoryRecall;
        case KEY_SIGN: return ChangeSign;
        case KEY_CE: return ClearEntry;
        case KEY_AC: return AllClear;
        case KEY_PI: return Pi;
        case KEY_PERCENT_OP: return PercentCompletion;
        default: return NoAction;
    }
}

// Keys that compute with the current value. An infinite or not-a-number
// value (left behind by an earlier overflow) is an error for them, so it
// never reaches a routine that would loop or misbehave on it.
bool UsesValue(int32_t key) {
    switch (key) {
        case KEY_LPAREN:
        case KEY_MRC:
        case KEY_CE:
        case KEY_AC:
        case KEY_PI:
        case KEY_BACKSPACE: return false;
        default: return ActionFor(key) != NoAction;
    }
}

// ---- entry and end steps ----------------------------------------------------

// The exponent text as a number. The engine itself always leaves a sign
// cell (blank or '-'), two digits and the terminator there; such a text is
// read directly, every other one (a host may write anything) goes through
// the general parser, which gives the same value for the engine's texts.
double ExponentValue(const WChar *exponent) {
    // No exponent typed, the text almost every number has: one comparison.
    if (std::memcmp(exponent, NO_EXPONENT_TEXT, sizeof NO_EXPONENT_TEXT) == 0) return 0.0;
    const WChar sign = exponent[0];
    const WChar tens = exponent[1];
    const WChar units = exponent[2];
    if ((sign == BLANK || sign == u'-') && tens >= u'0' && tens <= u'9' && units >= u'0' &&
        units <= u'9' && exponent[3] == TERMINATOR) {
        const double magnitude = (tens - u'0') * 10 + (units - u'0');
        return sign == u'-' ? -magnitude : magnitude;
    }
    return ParseWide(exponent, EXPONENT_CELLS);
}

// Parses typed input into value; false when it lies beyond the display
// range. The magnitude is stored before it is tested, so a number typed too
// large stays the value: the keys after it keep failing on it instead of
// going on with the value before it.
bool TakeUpOperand(KeyRun &run) {
    Context &ctx = run.ctx;
    Status &st = run.status;
    if (Has(st, ST_TYPED) && run.key != KEY_AC) {
        Clear(st, ST_FRESH);
        ctx.value = ParseWide(ctx.display, DISPLAY_AREA) * Pow10(ExponentValue(ctx.exponent));
        if (!(std::fabs(ctx.value) <= OVERFLOW_LIMIT)) {
            SetResultState(st, RES_ERROR);
            return false;
        }
        if (ctx.negative != 0) ctx.value = -ctx.value;
    } else if (Has(st, ST_FRESH)) {
        Set(st, ST_TYPED);
        if (run.key != KEY_SIGN) Clear(st, ST_FRESH);
    }
    return true;
}

void EndSteps(KeyRun &run) {
    Context &ctx = run.ctx;
    Status &st = run.status;
    if (run.key == KEY_BACKSPACE) {
        if (ctx.value >= 0) ctx.negative = 0;
        return;
    }
    if (run.key != KEY_MRC) Clear(st, ST_MRC);
    if (!ResultOk(st)) return;
    ctx.lastKey = run.key;
    if (std::fabs(ctx.value) < ZERO_LIMIT) {
        ctx.value = 0.0;
    } else if (!(std::fabs(ctx.value) <= OVERFLOW_LIMIT)) {
        SetResultState(st, RES_ERROR);
        return;
    }
    if (FormatValue(ctx.value, ctx.display, ctx.exponent, &ctx.negative, ctx.digits)) {
        Set(st, ST_EXP_ENTRY);
    } else {
        Clear(st, ST_EXP_ENTRY);
    }
    if (std::fabs(ctx.memory) <= ZERO_LIMIT) {
        ctx.memory = 0.0;
        Clear(st, ST_MEMORY);
    } else {
        Set(st, ST_MEMORY);
    }
}

// What a key may have written into the block by the time it finds the
// operand stack full, and so all a refused key has to put back: the operand
// taken up on entry (value) and the operator counted by BinaryOperator
// (pendingOps). Every road to a refused push writes nothing else first:
// BinaryOperator pushes before touching the stacks, PushPendingOperand only
// claims slot 0 of an empty stack (after which the push cannot fail), and
// the percent-base reset on entry empties the operand stack, so no push
// after it is refused. A refused push leaves the stacks as they were.
struct BeforeKey {
    double value;
    int32_t pendingOps;
    Status status;

    static BeforeKey Of(const Context &ctx, Status status) {
        return BeforeKey{ctx.value, ctx.pendingOps, status};
    }
    void PutBack(Context &ctx, Status &st) const {
        ctx.value = value;
        ctx.pendingOps = pendingOps;
        st = status;
    }
};

}  // namespace

void Operate(int32_t key, Context &ctx, Status &status, int32_t mode) {
    const BeforeKey before = BeforeKey::Of(ctx, status);
    KeyRun run{ctx, status, key, mode, 0, false, false};

    SetResultState(status, RES_OK);
    Clear(status, ST_EXP_ENTRY);
    if (key == KEY_LPAREN) Clear(status, ST_FRESH | ST_TYPED);
    DropUnusedPercentBase(ctx, status, key);
    if (!TakeUpOperand(run)) return;
    run.topOp = ctx.optTop >= 0 ? ctx.operators[ctx.optTop] : 0;

    if (!std::isfinite(ctx.value) && UsesValue(key)) {
        SetResultState(status, RES_ERROR);
    } else {
        ActionFor(key)(run);
    }
    if (run.skipEndSteps) return;
    if (run.operandRefused) {
        // No room for an operand: the key is refused and the expression
        // stays exactly as it was before it.
        before.PutBack(ctx, status);
        Clear(status, ST_EXP_ENTRY);
        SetResultState(status, RES_FULL);
    }
    EndSteps(run);
}

}  // namespace tqcal
