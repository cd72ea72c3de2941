// Whole-sequence evaluation and the per-key status tidy-up a host runs after
// each operation key.
#pragma once

#include "context/context.h"

namespace tqcal {

// The value returned in place of a result when a sequence fails.
inline constexpr double kCalcStringError = 10000000000001.0;

// Operate, then the tidy-up of the status word for the next entry.
void OperateStep(int32_t key, Context &ctx, Status &status, int32_t mode);

// Evaluates keys[0..count) on a private fresh calculator in algebraic mode,
// closed with '='. 1 with *result and text (16 cells) set, 0 on error.
int CalcString(double *result, WChar *text, const int8_t *keys, int32_t count);

}  // namespace tqcal
