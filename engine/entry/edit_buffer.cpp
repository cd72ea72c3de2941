#include "entry/edit_buffer.h"

#include <cstring>

namespace tqcal {

namespace {
constexpr int LAST_CELL = FIELD_CELLS - 1;   // 13: where the point sits
constexpr int UNITS_CELL = FIELD_CELLS - 2;  // 12: the placeholder digit

// The reset texts, written with one copy each: 12 blanks and [0.], the
// terminator, the two spill cells blank (the exponent gets NO_EXPONENT_TEXT).
constexpr WChar PLACEHOLDER_TEXT[DISPLAY_AREA] = {BLANK, BLANK, BLANK,      BLANK, BLANK, BLANK,
                                                  BLANK, BLANK, BLANK,      BLANK, BLANK, BLANK,
                                                  u'0',  u'.',  TERMINATOR, BLANK, BLANK};

// Searched from the end, where the engine's texts have their digits.
bool AllBlank(const WChar *cells) {
    for (int i = FIELD_CELLS - 1; i >= 0; --i) {
        if (cells[i] != BLANK) return false;
    }
    return true;
}

// Moves cells 1 to last one place to the left. Through a copy of fixed
// length for each of the two targets, so that the move compiles to a few
// loads and stores rather than a library call.
template <int LAST>
void ShiftLeftThrough(WChar *cells) {
    WChar moved[LAST];
    std::memcpy(moved, cells + 1, sizeof moved);
    std::memcpy(cells, moved, sizeof moved);
}
}  // namespace

void ResetEditValue(Context &ctx) {
    std::memcpy(ctx.display, PLACEHOLDER_TEXT, sizeof PLACEHOLDER_TEXT);
    std::memcpy(ctx.exponent, NO_EXPONENT_TEXT, sizeof NO_EXPONENT_TEXT);
    ctx.negative = 0;
}

int ApendChar(Context &ctx, Status &status, WChar ch) {
    WChar *cells = ctx.display;
    if (!Editing(status)) {
        cells[UNITS_CELL] = ch;
        Set(status, ST_ZERO);
        return 1;
    }
    if (cells[0] != BLANK) return 0;
    const int target = Has(status, ST_POINT) ? LAST_CELL : UNITS_CELL;
    if (AllBlank(cells)) return 0;
    // The text moves one place to the left from its first non-blank cell up
    // to the target. Every cell in front of that first one is blank, so
    // moving all cells from 1 on gives the same block: blanks land on
    // blanks (also when the first non-blank cell lies behind the target,
    // which only a host-written text can have).
    if (target == LAST_CELL) {
        ShiftLeftThrough<LAST_CELL>(cells);
    } else {
        ShiftLeftThrough<UNITS_CELL>(cells);
    }
    cells[target] = ch;
    return 1;
}

int DeleteChar(Context &ctx, Status &status) {
    WChar *cells = ctx.display;
    if (!Editing(status)) return 1;
    int from = UNITS_CELL;
    if (Has(status, ST_POINT)) {
        if (cells[LAST_CELL] == u'.') {
            Clear(status, ST_POINT);
        } else {
            from = LAST_CELL;
        }
    }
    int i = from;
    for (; i >= 1; --i) {
        if (cells[i] == BLANK) break;
        cells[i] = cells[i - 1];
    }
    if (i == 0) cells[0] = BLANK;
    if (Has(status, ST_POINT)) return 1;
    if (cells[UNITS_CELL] == BLANK ||
        (cells[UNITS_CELL] == u'-' && cells[UNITS_CELL - 1] == BLANK)) {
        Set(status, ST_ZERO);
        cells[UNITS_CELL] = u'0';
        cells[LAST_CELL] = u'.';
    }
    return 1;
}

}  // namespace tqcal
