// The edit buffer: while a number is typed it exists only as the display and
// exponent texts of the context, laid out exactly as the host shows them.
#pragma once

#include "context/context.h"

namespace tqcal {

// Display [0.] (17 cells rewritten), exponent " 00", negative 0. The status
// word is not touched.
void ResetEditValue(Context &ctx);

// Adds ch at the right end of the display text (or replaces the placeholder
// when the edit phase is not 0). 1 when placed, 0 when the field is full.
int ApendChar(Context &ctx, Status &status, WChar ch);

// Removes the last typed character; always 1.
int DeleteChar(Context &ctx, Status &status);

}  // namespace tqcal
