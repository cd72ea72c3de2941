#include "key_protocol.h"

#include <cstring>

namespace tqhost {

void ResetCalculator(Calculator &calc, int mode) {
    std::memset(&calc.ctx, 0, sizeof calc.ctx);
    calc.ctx.optTop = -1;
    calc.ctx.opdTop = -1;
    calc.ctx.digits = 14;
    TQCAL_ResetEditValue(&calc.ctx);
    TQCAL_InitStack(&calc.ctx);
    calc.status = TQCAL_STATUS_INITIAL;
    calc.mode = mode;
}

bool IsDirectCode(int key) {
    return key == KEY_MSTORE_ALT || key == KEY_PERCENT_OP || key == KEY_BLANK_OP;
}

KeyOutcome PressKey(Calculator &calc, int key) {
    if (!IsDirectCode(key)) {
        int edit = EEditInfo(key, &calc.ctx, &calc.status);
        if (edit < 0) {
            return KeyOutcome::NotAKey;
        }
        if (edit == 0) {
            return KeyOutcome::Edited;
        }
    }
    TQCAL_Operate(key, &calc.ctx, &calc.status, calc.mode);
    TidyStatus(key, calc.ctx, calc.status);
    return KeyOutcome::Operated;
}

void TidyStatus(int key, TQCAL_Context &ctx, TQCAL_Status &status) {
    const int result = ResultState(status);
    const bool failed = result == RES_ERROR || result == RES_FULL;
    if (failed) {
        // A failed expression cannot be repeated, and the memory indicator
        // goes dark with the error as on the device.
        status &= ~static_cast<TQCAL_Status>(ST_CONST | ST_MEMORY);
        ctx.lastKey = 0;
        ctx.parenDepth = 0;
    }
    status &= ~static_cast<TQCAL_Status>(ST_EXP_ENTRY);

    // A typed number refused for want of stack room stays typed, so that the
    // next operator key can still take it up; backspace keeps the entry.
    const bool keepTyped = key == KEY_BACKSPACE || ((status & ST_TYPED) != 0 && result == RES_FULL);
    if (!keepTyped) {
        status &= ~static_cast<TQCAL_Status>(ST_TYPED);
    }

    const bool midEntry = (status & ST_SHOWN) == 0;
    const bool entryGoesOn = (key == KEY_SIGN || key == KEY_BACKSPACE) && midEntry;
    if (!entryGoesOn) {
        status |= ST_SHOWN | ST_ZERO;
        status &= ~static_cast<TQCAL_Status>(ST_POINT);
    }
    status &= ~static_cast<TQCAL_Status>(ST_CLEARED);
}

}  // namespace tqhost
