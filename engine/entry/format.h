// Value to display text: the digits and point of the magnitude, right-aligned
// in the 14-cell field, the exponent text and the negative flag.
#pragma once

#include "context/context.h"

namespace tqcal {

// Formats value in these steps: sign, decade and form (plain or exponent),
// pre-rounding, integer digits, fraction digits, alignment. display must
// have room for 17 cells (the field, its terminator and the two spill
// cells), exponent for 4. width is the number of significant digits (14 in
// every engine use). Returns true when the exponent text shows an exponent
// (anything but " 00"), which is what the host's exponent-shown bit tells.
bool FormatValue(double value, WChar *display, WChar *exponent, int32_t *negative, int32_t width);

}  // namespace tqcal
