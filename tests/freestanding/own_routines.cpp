// The engine's own C library routines and integer division helpers
// (engine/exports/freestanding.cpp, the Windows CE DLL's), compiled under
// names of their own: the test program holds them against the C library's
// and the compiler's, which keep theirs.
#define TQCAL_FREESTANDING 1
#define memcpy tqcal_own_memcpy
#define memset tqcal_own_memset
#define memcmp tqcal_own_memcmp
#define __aeabi_uidiv tqcal_own_uidiv
#define __aeabi_idiv tqcal_own_idiv
#define __aeabi_uidivmod tqcal_own_uidivmod
#define __aeabi_idivmod tqcal_own_idivmod
#include "exports/freestanding.cpp"
