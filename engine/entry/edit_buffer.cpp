#include "entry/edit_buffer.h"

#include <cstring>

namespace tqcal {

namespace {
constexpr int kLastCell = kFieldCells - 1;   // 13: where the point sits
constexpr int kUnitsCell = kFieldCells - 2;  // 12: the placeholder digit

// The reset texts, written with one copy each: 12 blanks and [0.], the
// terminator, the two spill cells blank (the exponent gets kNoExponentText).
constexpr WChar kPlaceholderText[kDisplayArea] = {
    kBlank, kBlank, kBlank, kBlank, kBlank, kBlank,      kBlank, kBlank, kBlank,
    kBlank, kBlank, kBlank, u'0',   u'.',   kTerminator, kBlank, kBlank};

// Searched from the end, where the engine's texts have their digits.
bool AllBlank(const WChar *cells) {
    for (int i = kFieldCells - 1; i >= 0; --i) {
        if (cells[i] != kBlank) return false;
    }
    return true;
}

// Moves cells 1 to last one place to the left. Through a copy of fixed
// length for each of the two targets, so that the move compiles to a few
// loads and stores rather than a library call.
template <int kLast>
void ShiftLeftThrough(WChar *cells) {
    WChar moved[kLast];
    std::memcpy(moved, cells + 1, sizeof moved);
    std::memcpy(cells, moved, sizeof moved);
}
}  // namespace

void ResetEditValue(Context &ctx) {
    std::memcpy(ctx.display, kPlaceholderText, sizeof kPlaceholderText);
    std::memcpy(ctx.exponent, kNoExponentText, sizeof kNoExponentText);
    ctx.negative = 0;
}

int ApendChar(Context &ctx, Status &status, WChar ch) {
    WChar *cells = ctx.display;
    if (!Editing(status)) {
        cells[kUnitsCell] = ch;
        Set(status, ST_ZERO);
        return 1;
    }
    if (cells[0] != kBlank) return 0;
    const int target = Has(status, ST_POINT) ? kLastCell : kUnitsCell;
    if (AllBlank(cells)) return 0;
    // The text moves one place to the left from its first non-blank cell up
    // to the target. Every cell in front of that first one is blank, so
    // moving all cells from 1 on gives the same block: blanks land on
    // blanks (also when the first non-blank cell lies behind the target,
    // which only a host-written text can have).
    if (target == kLastCell) {
        ShiftLeftThrough<kLastCell>(cells);
    } else {
        ShiftLeftThrough<kUnitsCell>(cells);
    }
    cells[target] = ch;
    return 1;
}

int DeleteChar(Context &ctx, Status &status) {
    WChar *cells = ctx.display;
    if (!Editing(status)) return 1;
    int from = kUnitsCell;
    if (Has(status, ST_POINT)) {
        if (cells[kLastCell] == u'.') {
            Clear(status, ST_POINT);
        } else {
            from = kLastCell;
        }
    }
    int i = from;
    for (; i >= 1; --i) {
        if (cells[i] == kBlank) break;
        cells[i] = cells[i - 1];
    }
    if (i == 0) cells[0] = kBlank;
    if (Has(status, ST_POINT)) return 1;
    if (cells[kUnitsCell] == kBlank ||
        (cells[kUnitsCell] == u'-' && cells[kUnitsCell - 1] == kBlank)) {
        Set(status, ST_ZERO);
        cells[kUnitsCell] = u'0';
        cells[kLastCell] = u'.';
    }
    return 1;
}

}  // namespace tqcal
