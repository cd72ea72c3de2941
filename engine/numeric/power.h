// Powers and roots on doubles passed by pointer; the result is written over
// the base. All return 0 on success and -1 on failure.
#pragma once

namespace tqcal {

// base = base^exponent for a non-negative base. A base of 10 with a whole
// exponent takes its power from Pow10 (exponents above 99 fail, below -99
// give 0); an exponent within 1e-12 of one leaves the base untouched.
int RaisePower(double *base, const double *exponent);

// x = 10^x, the power RaisePower gives a base of 10; x is left as it was when
// that fails (a whole x above 99).
int PowerOfTen(double *x);

// -1 when |x|^y is estimated above 10^100 (y * log10|x| > 100), else 0.
int PowerOverflows(const double *x, const double *y);

// x = x^y, with the calculator's rules for negative bases (whole exponents
// and reciprocals of odd whole numbers only). An exponent that counts as
// zero gives 1 for every non-zero base. An infinite or NaN x or y is
// refused (FiniteOperands), both left as they were.
int PowerXY(double *x, const double *y);

// x = the y-th root of x; y is replaced by 1/y, the exponent applied. An
// infinite or NaN x or y is refused, both left as they were.
int RootXY(double *x, double *y);

}  // namespace tqcal
