// The two-operand operations: + and - on decimally aligned operands, plain
// x and /, and powers and roots passed on to the power routines.
#pragma once

#include <cstdint>

namespace tqcal {

enum AlignMode : int {
    ALIGN_NORMAL = 0,  // both operands scaled up to 16 digits (or a zero operand)
    ALIGN_LARGE = 1,   // an operand above 1e14: both scaled down
    ALIGN_TINY = 2,    // an operand below 1e-14: both scaled up
};

// Scales a and b by a common power of ten (written to *scale, 0.0 when an
// operand counts as zero) and returns the mode UnscaleOperands undoes.
AlignMode AlignOperands(double *a, double *b, double *scale);
void UnscaleOperands(double *a, double *b, double scale, AlignMode mode);

// *left = *left op *right for op KEY_ADD, KEY_SUB, KEY_MUL, KEY_DIV,
// KEY_POW, KEY_ROOT. 0 on success; -1 for an unknown op, a divisor below the
// zero limit, a failing power or root, or a non-finite operand. A result out
// of the display range is still returned with 0: callers test it.
int BaseOperate(int32_t op, double *left, double *right);

}  // namespace tqcal
