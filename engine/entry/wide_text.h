// A small locale-independent layer over 16-bit text cells: the platform's
// wide-character functions work on 32-bit wchar_t here, so the engine
// carries its own.
#pragma once

#include "context/context.h"

namespace tqcal {

// Converts the longest leading decimal number of text (leading white space,
// an optional sign, digits with at most one point, an optional exponent) to
// a double, correctly rounded as wcstod would; 0.0 when there is none.
// Reads at most maxCells cells, and never more than the 17 of the display
// area, the longest text the engine holds; stops at a terminator or any
// non-ASCII cell. Words
// such as "inf" or "nan" are not numbers here.
double ParseWide(const WChar *text, int maxCells);

// Writes value as at least two decimal digits ("%02d") into cells, followed
// by a terminator, writing at most maxCells cells in all (the digits are
// cut when there is no room). Returns the digits written. The exponent text
// keeps its sign in a cell of its own, so only magnitudes come here.
int FormatDecimal(WChar *cells, int maxCells, uint32_t value);

}  // namespace tqcal
