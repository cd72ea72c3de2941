#include "eval/calc_string.h"

#include "entry/edit_keys.h"
#include "eval/dispatcher.h"

namespace tqcal {

namespace {
constexpr int32_t kAlgebraic = 1;
constexpr int kTextCells = TQCAL_RESULT_TEXT_CELLS;

bool Failed(Status status) {
    const int state = ResultState(status);
    return state == RES_ERROR || state == RES_FULL;
}
}  // namespace

void OperateStep(int32_t key, Context &ctx, Status &status, int32_t mode) {
    Operate(key, ctx, status, mode);
    const bool full = ResultState(status) == RES_FULL;
    if (Failed(status)) {
        Clear(status, ST_CONST | ST_MEMORY);
        ctx.lastKey = 0;
        ctx.parenDepth = 0;
    }
    Clear(status, ST_EXP_ENTRY);
    if (key != KEY_BACKSPACE && !(Has(status, ST_TYPED) && full)) Clear(status, ST_TYPED);
    const bool entryGoesOn =
        (key == KEY_SIGN || key == KEY_BACKSPACE) && !Has(status, ST_SHOWN);
    if (!entryGoesOn) {
        Set(status, kEditPhase);
        Clear(status, ST_POINT);
    }
    Clear(status, ST_CLEARED);
}

int CalcString(double *result, WChar *text, const int8_t *keys, int32_t count) {
    Context ctx;
    ResetContext(ctx);
    Status status = 0;
    Set(status, ST_SHOWN);
    SetResultState(status, RES_OK);

    bool ok = true;
    for (int32_t i = 0; i < count && ok; ++i) {
        const int32_t key = keys[i];  // signed bytes: codes above 127 are negative
        if (EEditInfo(key, ctx, status) > 0) {
            OperateStep(key, ctx, status, kAlgebraic);
            ok = !Failed(status);
        }
    }
    if (ok) {
        OperateStep(KEY_EQUAL, ctx, status, kAlgebraic);
        ok = !Failed(status);
    }
    if (!ok) {
        *result = kCalcStringError;
        text[0] = kTerminator;
        return 0;
    }
    *result = ctx.value;
    int i = 0;
    for (; i < kTextCells - 1 && ctx.display[i] != kTerminator; ++i) text[i] = ctx.display[i];
    text[i] = kTerminator;
    return 1;
}

}  // namespace tqcal
