#include "entry/edit_keys.h"

#include "entry/edit_buffer.h"

#include <cstring>

namespace tqcal {

namespace {

// The exponent's digit cells (cell 0 holds the sign, cell 3 the terminator).
constexpr int EXP_FIRST = 1;
constexpr int EXP_SECOND = 2;

void ClearEditPhase(Status &status) { Clear(status, EDIT_PHASE); }

void ResetExponent(Context &ctx) {
    std::memcpy(ctx.exponent, NO_EXPONENT_TEXT, sizeof NO_EXPONENT_TEXT);
}

int DigitKey(int32_t key, Context &ctx, Status &status) {
    if (Has(status, ST_CLEARED)) {
        // Clear entry during a capacity error: this digit starts afresh.
        Clear(status, ST_CLEARED);
        Set(status, ST_SHOWN);
    }
    if (Has(status, ST_SHOWN)) {
        Clear(status, ST_CONST);
        ResetEditValue(ctx);
        SetResultState(status, RES_OK);
    }
    const bool exponentEntry = Has(status, ST_EXP_ENTRY);
    if (ctx.display[0] != BLANK && !exponentEntry) return 0;  // field full
    Set(status, ST_TYPED);
    if (Has(status, ST_SHOWN)) {
        Clear(status, ST_SHOWN);
        Set(status, ST_ZERO);
    }
    // A leading zero is not entered: the placeholder stays.
    if (Has(status, ST_ZERO) && key == KEY_0) return 0;
    const WChar ch = static_cast<WChar>(u'0' + key);
    if (exponentEntry) {
        // The exponent keeps the last two digits typed.
        ctx.exponent[EXP_FIRST] = ctx.exponent[EXP_SECOND];
        ctx.exponent[EXP_SECOND] = ch;
    } else {
        ApendChar(ctx, status, ch);  // a full field just drops the digit
    }
    ClearEditPhase(status);
    return 0;
}

int PointKey(Context &ctx, Status &status) {
    Clear(status, ST_CLEARED);
    if (Has(status, ST_POINT)) return 0;
    if (Has(status, ST_SHOWN)) ResetEditValue(ctx);
    Set(status, ST_POINT);
    ClearEditPhase(status);
    Set(status, ST_TYPED);
    if (ResultState(status) == RES_FULL) SetResultState(status, RES_OK);
    // The point already stands in the last cell; what is typed next lands
    // behind it.
    return 0;
}

int BackspaceKey(Context &ctx, Status &status) {
    Clear(status, ST_CLEARED);
    if (Has(status, ST_SHOWN)) return 0;  // a shown value is not edited
    Set(status, ST_TYPED);
    DeleteChar(ctx, status);
    SetResultState(status, RES_OK);
    return 1;
}

int SignKey(Status &status) {
    Clear(status, ST_CLEARED);
    // A shown value is negated as it is; a typed one is parsed first.
    if (Has(status, ST_SHOWN)) {
        Clear(status, ST_TYPED);
    } else {
        Set(status, ST_TYPED);
    }
    return 1;
}

int ClearEntryKey(Context &ctx, Status &status) {
    if (ResultState(status) == RES_FULL) {
        // Leave the text as it is; the next digit starts a new entry.
        ClearEditPhase(status);
        Clear(status, ST_EXP_ENTRY);
        SetResultState(status, RES_OK);
        Set(status, ST_CLEARED);
        return 0;
    }
    if (Has(status, ST_SHOWN)) return 0;  // no entry to clear
    Clear(status, ST_EXP_ENTRY);
    ResetEditValue(ctx);
    Set(status, ST_TYPED);
    Set(status, EDIT_PHASE);
    Clear(status, ST_POINT);
    return 1;
}

int ExponentKey(Context &ctx, Status &status) {
    Clear(status, ST_CLEARED);
    if (Has(status, ST_SHOWN) || Has(status, ST_EXP_ENTRY)) return 0;
    Set(status, ST_EXP_ENTRY);
    ResetExponent(ctx);
    Set(status, ST_TYPED);
    return 0;
}

}  // namespace

int EEditInfo(int32_t key, Context &ctx, Status &status) {
    // Compared unsigned, so a negative code counts as above the last key.
    if (static_cast<uint32_t>(key) > static_cast<uint32_t>(KEY_LAST_EDIT_CODE)) {
        return -1;
    }
    if (key <= KEY_9) return DigitKey(key, ctx, status);
    switch (key) {
        case KEY_POINT: return PointKey(ctx, status);
        case KEY_BACKSPACE: return BackspaceKey(ctx, status);
        case KEY_SIGN: return SignKey(status);
        case KEY_CE: return ClearEntryKey(ctx, status);
        case KEY_EXP: return ExponentKey(ctx, status);
        default: return 1;  // an operation key: the dispatcher's business
    }
}

}  // namespace tqcal
