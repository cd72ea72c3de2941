// Operator priorities and the reduction of the stacks.
#pragma once

#include "context/context.h"

namespace tqcal {

// 1 for + and -; 2 for x and / in algebraic mode (1 otherwise); 3 for powers
// and roots; 0 for everything else. Reads the precedence mode on every call.
int OperatorPriority(int32_t key);

// Applies waiting operators from the top down while their priority is at
// least that of type; KEY_RPAREN closes one parenthesis, KEY_EQUAL all.
// toBottom 0 leaves the bottom entry. 0 on success, -1 when an operation
// failed (stacks as before the failing step).
int Calculator(int32_t type, int32_t toBottom, Context &ctx);

}  // namespace tqcal
