// The number-entry keys: digits, point, exponent entry, backspace, change of
// sign and clear entry edit the texts through the edit buffer and tell the
// caller whether the key goes on to the dispatcher.
#pragma once

#include "context/context.h"

namespace tqcal {

// 0: handled, only redraw; 1: pass the key on to Operate; -1: not a key
// (above KEY_LAST_EDIT_CODE, compared unsigned).
int EEditInfo(int32_t key, Context &ctx, Status &status);

}  // namespace tqcal
