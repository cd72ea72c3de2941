// The engine's own elementary functions on doubles. They use nothing but
// IEEE-754 binary64 additions, multiplications, divisions and integer
// operations in round-to-nearest (no fused multiply-add, no wider format, no
// platform math library), so every target computes the same bits.
//
// Each result is within one unit in the last place of the exact value and is
// the correctly rounded one for all but a small share of arguments: the
// result is formed as an unevaluated sum of two doubles carrying about 64 or
// more correct bits, and rounded once at the end.
//
// Special values follow C99 Annex F (NaN in, NaN out; sin(+-0) = +-0;
// log(0) = -inf; pow(x, +-0) = 1; pow(-8, 1/3) is NaN; ...). Floating-point
// exception flags are not part of the interface.
#pragma once

namespace tqcal::math {

double Sin(double x);
double Cos(double x);
double Tan(double x);
double Asin(double x);
double Acos(double x);
double Atan(double x);
double Exp(double x);
double Log(double x);
double Log10(double x);
double Pow(double x, double y);

}  // namespace tqcal::math
