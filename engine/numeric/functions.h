// Squares, roots, logarithms, exponential and factorial. Each works in place
// on one double and returns 0 when it was replaced by the result, -1 on
// error with the value unchanged.
// A NaN argument is an error; +inf gives inf from SquareRoot and the logs.
#pragma once

namespace tqcal {

int Square(double *value);
int SquareRoot(double *value);
int Factorial(double *value);
int NaturalLog(double *value);
int Exponential(double *value);
int CommonLog(double *value);

}  // namespace tqcal
