// Constant calculation: an operator pressed twice arms a constant that every
// '=' (and the memory keys) applies again: 2 x x = = = shows 4, 8, 16.
#pragma once

#include "context/context.h"

namespace tqcal {

// constOperator 0, constOperand 0.0, ST_CONST cleared.
void ClearConstant(Context &ctx, Status &status);

// Lays out value constOperator constOperand on the stacks (opdTop 1,
// optTop 0); the counters are left alone.
void LoadConstant(Context &ctx);

// Arms constant calculation with key as its operator and operand slot 0 as
// its operand.
void ArmConstant(Context &ctx, Status &status, int32_t key);

// The reduction equals and the memory keys run before an armed constant:
// closes open parentheses (keeping the bottom operator) and loads the
// constant. false when closing failed (result state RES_ERROR).
bool PrepareConstant(Context &ctx, Status &status, int32_t mode);

}  // namespace tqcal
