// The key dispatcher: operators, parentheses, equals, percent, memory and
// the scientific functions; formats the value back into the texts.
#pragma once

#include "context/context.h"

namespace tqcal {

void Operate(int32_t key, Context &ctx, Status &status, int32_t mode);

}  // namespace tqcal
