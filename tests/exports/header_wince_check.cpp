// Compiled as the C++ compiler of a Windows CE device's SDK sees the public
// headers (_MSC_VER 1500, no <stdint.h>; tests/exports/check_wince_headers.cmake):
// a display cell is the system's 16-bit wchar_t, so the display goes to a
// wide-text function of the system without a cast.
#include "tqcal.h"
#include "tqcal_host.h"

template <typename A, typename B>
struct SameType {
    enum { value = 0 };
};
template <typename A>
struct SameType<A, A> {
    enum { value = 1 };
};
typedef char tqcal_cells_are_wchar_t[SameType<TQCAL_WChar, wchar_t>::value ? 1 : -1];

extern "C" size_t wcslen(const wchar_t *text);

size_t tqcal_display_length(const TQCAL_Context *ctx);
size_t tqcal_display_length(const TQCAL_Context *ctx) { return wcslen(ctx->display); }
