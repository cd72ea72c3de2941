// Operator priorities and the reduction of the stacks.
#pragma once

#include "context/context.h"

namespace tqcal {

// The precedence mode that lets x and / bind tighter than + and -; every
// other mode gives the four basic operators equal priority.
inline constexpr int32_t kAlgebraic = 1;

// 1 for + and -; 2 for x and / in algebraic mode (1 otherwise); 3 for powers
// and roots; 0 for everything else.
int OperatorPriority(int32_t key, int32_t mode);

// Applies waiting operators from the top down while their priority in mode
// is at least that of type; KEY_RPAREN closes one parenthesis, KEY_EQUAL
// all. toBottom 0 leaves the bottom entry. 0 on success, -1 when an
// operation failed (stacks as before the failing step).
int Calculator(int32_t type, int32_t toBottom, Context &ctx, int32_t mode);

}  // namespace tqcal
