// The operand a pending operator waits for.
#pragma once

#include "context/context.h"

namespace tqcal {

// Gives a pending operator its right operand (value) when it lacks one;
// equals, the closing parenthesis, the memory keys and the percent
// completion call it before they reduce. typed is ST_TYPED, topOp the
// operator on top of the stack when the key came (0 when empty). Returns 0,
// or -1 when the operand stack had no room for it.
int PushPendingOperand(Context &ctx, bool typed, int32_t topOp);

}  // namespace tqcal
