// Trigonometric functions in degrees. Each works in place on one double and
// returns 0 when it was replaced by the result, -1 on error.
// A NaN argument gives -1 with the value unchanged (AtanDeg included).
#pragma once

namespace tqcal {

int SinDeg(double *value);
int CosDeg(double *value);
int TanDeg(double *value);  // on a pole the value keeps the reduced angle
int AsinDeg(double *value);
int AcosDeg(double *value);
int AtanDeg(double *value);

}  // namespace tqcal
