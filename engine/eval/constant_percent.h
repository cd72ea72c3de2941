// Constant calculation (an operator pressed twice arms a constant that every
// '=' applies again) and the percent operations.
#pragma once

#include "context/context.h"

namespace tqcal {

// constOperator 0, constOperand 0.0, ST_CONST cleared.
void ClearConstant(Context &ctx, Status &status);

// Lays out value constOperator constOperand on the stacks (opdTop 1,
// optTop 0); the counters are left alone.
void LoadConstant(Context &ctx);

// a = a op b% with p = b / 100 in plain double arithmetic; powers and roots
// through PowerXY and RootXY. -1 on failure (division by exactly 0.0, a
// failing power or root).
int PercentOperate(double *a, const double *b, int32_t op);

// Gives a pending operator its right operand (value) when it lacks one.
// Returns 0, or -1 when the operand stack had no room for it.
int PushPendingOperand(Context &ctx, bool typed, int32_t topOp);

// Arms constant calculation with key as its operator and operand slot 0 as
// its operand.
void ArmConstant(Context &ctx, Status &status, int32_t key);

// The reduction equals and the memory keys run before an armed constant:
// closes open parentheses (keeping the bottom operator) and loads the
// constant. false when closing failed (result state RES_ERROR).
bool PrepareConstant(Context &ctx, Status &status, int32_t mode);

// KEY_ADD / KEY_SUB right after a percent multiplication: value becomes the
// base plus or minus the amount shown, and the stacks are emptied.
void ApplyPercentBase(Context &ctx, Status &status, int32_t key);

enum class PercentOutcome {
    NothingToDo,  // no operator and no constant: the key is ignored whole
    Done,         // result state set; the dispatcher's end steps follow
    OperandRefused,
};

// The percent completion key: finishes a pending a op b taking b as a
// percentage (add-on, discount, share, ratio, power, root).
PercentOutcome PercentComplete(Context &ctx, Status &status, int32_t topOp, int32_t mode);

}  // namespace tqcal
