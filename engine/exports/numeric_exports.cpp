// Exported numeric routines.
#include "numeric/arithmetic.h"
#include "numeric/decimal.h"
#include "tqcal.h"

using namespace tqcal;

extern "C" {

TQCAL_API double TQCAL_Pow10(double x) { return Pow10(x); }

TQCAL_API int TQCAL_BaseOperate(int op, double *left, double *right) {
    if (!left || !right) return -1;
    return BaseOperate(op, left, right);
}

}  // extern "C"
