// The key dispatcher: operators, parentheses, equals, percent, memory and
// the scientific functions; formats the value back into the texts.
#pragma once

#include "context/context.h"

namespace tqcal {

// Acts on key with the precedence mode given (1 algebraic, any other value
// equal priority); the outcome is the result state of status.
void Operate(int32_t key, Context &ctx, Status &status, int32_t mode);

}  // namespace tqcal
