// The C header checks again, compiled as C++ (the build makes this C++98):
// a host written in old C++ includes the same headers.
#include "header_check.c"
