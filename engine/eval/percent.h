// The percent operations: the plain percent key, the percent completion of a
// pending a op b (add-on, discount, share, ratio, power, root), and the
// percent base a multiplication leaves for a following + or -.
#pragma once

#include "context/context.h"

namespace tqcal {

// A percentage is its number divided by this.
inline constexpr double PERCENT_DIVISOR = 100.0;

// a = a op b% with p = b / 100 in plain double arithmetic; powers and roots
// through PowerXY and RootXY. -1 on failure (an infinite or NaN a or b, left
// by an overflow inside the reduction before; division by exactly 0.0; a
// failing power or root).
int PercentOperate(double *a, const double *b, int32_t op);

// The percent key: the value divided by 100.
void PercentKey(Context &ctx, Status &status);

// KEY_ADD / KEY_SUB right after a percent multiplication: value becomes the
// base plus or minus the amount shown, and the stacks are emptied.
void ApplyPercentBase(Context &ctx, Status &status, int32_t key);

// A binary operator key with nothing typed on a percent base (which only
// KEY_ADD and KEY_SUB reach, see DropUnusedPercentBase) applies it: true
// when it did, and the key is done.
inline bool UsePercentBase(Context &ctx, Status &status, int32_t key) {
    if (!Has(status, ST_PCT_BASE) || Has(status, ST_TYPED)) return false;
    ApplyPercentBase(ctx, status, key);
    return true;
}

// The percent base and the operand stack that holds it, dropped.
void DropPercentBase(Context &ctx, Status &status);

// At the start of every key: the percent base waits only for a KEY_ADD or
// KEY_SUB with nothing typed (a change of sign between keeps it); any other
// key, or a typed number, drops it.
inline void DropUnusedPercentBase(Context &ctx, Status &status, int32_t key) {
    if (Has(status, ST_PCT_BASE) &&
        (Has(status, ST_TYPED) || (key != KEY_ADD && key != KEY_SUB && key != KEY_SIGN))) {
        DropPercentBase(ctx, status);
    }
}

enum class PercentOutcome {
    NOTHING_TO_DO,  // no operator and no constant: the key is ignored whole
    DONE,           // result state set; the dispatcher's end steps follow
    OPERAND_REFUSED,
};

// The percent completion key: finishes a pending a op b taking b as a
// percentage, or applies an armed constant that way.
PercentOutcome PercentComplete(Context &ctx, Status &status, int32_t topOp, int32_t mode);

}  // namespace tqcal
