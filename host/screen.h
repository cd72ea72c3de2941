// What the calculator shows, read from the context block and status word the
// way the device's screen reads them, and the forms the host prints it in.
#pragma once

#include "json.h"
#include "tqcal.h"

#include <array>
#include <string>
#include <string_view>

namespace tqhost {

struct Screen {
    std::string text;            // the display text, leading blanks removed: "100.", "0.01"
    char exponentSign = ' ';     // ' ' or '-'
    std::string exponentDigits;  // "13": the digit cells of the exponent text
    bool exponentShown = false;
    bool negative = false;
    int result = RES_OK;       // RES_ERROR, RES_OK or RES_FULL
    bool memory = false;       // memory indicator
    bool constant = false;     // constant calculation armed
    bool percentBase = false;  // a percent amount waits for + or -
    int openParens = 0;
};

// Reads the screen. The exponent is shown while it is being typed
// (ST_EXP_ENTRY) and whenever the exponent text is not zero: the dispatcher
// sets the bit after formatting, but the status tidy-up after every
// operation key clears it again, so the text is what lasts.
Screen ReadScreen(const TQCAL_Context &ctx, TQCAL_Status status);

// The screen as one line a person reads: "0.01", "-5", "1.2345678901234E13",
// "1E-13", "Error", "Full".
std::string OneLine(const Screen &screen);

// The number the screen shows, read as a number: the display text with its
// sign and, when shown, its exponent ("-53", "1.5E03" gives 1500). While a
// number is typed this is what is on the screen, whereas the context's value
// is what the last operation key left. NaN when the screen reads Error or
// Full.
double ShownValue(const Screen &screen);

// The status bits by name, in bit order, without the result state:
// "typed shown zero".
std::string StatusBitNames(TQCAL_Status status);

// "ok", "error" or "full".
std::string_view ResultName(int result);

// One line of --trace: key, screen, status word and its bits.
std::string TraceLine(std::string_view key, const TQCAL_Context &ctx, TQCAL_Status status);

// The observable state as a JSON object, to which a caller may add fields.
// key is added as "key", first, when not empty (--trace --json).
JsonObject JsonState(const TQCAL_Context &ctx, TQCAL_Status status, int mode, std::string_view key);

// The two rows inside the frame of the terminal calculator: the indicators,
// then the display text right-aligned with its sign right before it, and the
// exponent. After a failure the display itself reads Error or Full, as the
// one-line form does, until a key sets the result state back to OK.
inline constexpr int PANEL_WIDTH = 26;
std::array<std::string, 2> PanelRows(const Screen &screen, int mode);

// Cells of a display text up to the terminator (at most max), as ASCII with
// the blanks around it removed.
std::string DisplayText(const TQCAL_WChar *cells, size_t max);

}  // namespace tqhost
