// Operator priorities and the reduction of the stacks.
#pragma once

#include "context/context.h"

namespace tqcal {

// 1 for + and -; 2 for x and / in algebraic mode (TQCAL_MODE_ALGEBRAIC; 1 in
// every other mode); 3 for powers and roots; 0 for everything else.
int OperatorPriority(int32_t key, int32_t mode);

// How far down a reduction may go: through the bottom entry of the operator
// stack, or stopping while one entry is left (constant calculation and the
// percent completion keep the bottom operator).
enum class Reach { THROUGH_BOTTOM, KEEP_BOTTOM };

// Applies waiting operators from the top down while their priority in mode
// is at least that of forKey, the key on whose behalf the reduction runs;
// for KEY_RPAREN it closes one parenthesis, for KEY_EQUAL all. 0 on success,
// -1 when an operation failed (stacks as before the failing step).
int ReduceStacks(int32_t forKey, Reach reach, Context &ctx, int32_t mode);

}  // namespace tqcal
