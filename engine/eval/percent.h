// The percent operations: the plain percent key, the percent completion of a
// pending a op b (add-on, discount, share, ratio, power, root), and the
// percent base a multiplication leaves for a following + or -.
#pragma once

#include "context/context.h"

namespace tqcal {

// A percentage is its number divided by this.
inline constexpr double kPercentDivisor = 100.0;

// a = a op b% with p = b / 100 in plain double arithmetic; powers and roots
// through PowerXY and RootXY. -1 on failure (division by exactly 0.0, a
// failing power or root).
int PercentOperate(double *a, const double *b, int32_t op);

// KEY_ADD / KEY_SUB right after a percent multiplication: value becomes the
// base plus or minus the amount shown, and the stacks are emptied.
void ApplyPercentBase(Context &ctx, Status &status, int32_t key);

enum class PercentOutcome {
    NothingToDo,  // no operator and no constant: the key is ignored whole
    Done,         // result state set; the dispatcher's end steps follow
    OperandRefused,
};

// The percent completion key: finishes a pending a op b taking b as a
// percentage, or applies an armed constant that way.
PercentOutcome PercentComplete(Context &ctx, Status &status, int32_t topOp, int32_t mode);

}  // namespace tqcal
