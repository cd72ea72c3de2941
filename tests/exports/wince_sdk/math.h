/* Stand-in C library header of a Windows CE SDK (see stdio.h here). */
#ifndef TQCAL_WINCE_SDK_MATH_H
#define TQCAL_WINCE_SDK_MATH_H
double sqrt(double x);
double fabs(double x);
#endif
