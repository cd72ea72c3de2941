#include "entry/edit_buffer.h"

namespace tqcal {

namespace {
constexpr int kLastCell = kFieldCells - 1;   // 13: where the point sits
constexpr int kUnitsCell = kFieldCells - 2;  // 12: the placeholder digit
}  // namespace

void ResetEditValue(Context &ctx) {
    for (WChar &cell : ctx.display) cell = kBlank;
    ctx.display[kUnitsCell] = u'0';
    ctx.display[kLastCell] = u'.';
    ctx.display[kFieldCells] = kTerminator;
    ctx.exponent[0] = kBlank;
    ctx.exponent[1] = u'0';
    ctx.exponent[2] = u'0';
    ctx.exponent[3] = kTerminator;
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
    int first = 0;
    while (first < kFieldCells && cells[first] == kBlank) ++first;
    if (first == kFieldCells) return 0;
    // cells[0] is blank, so first >= 1 and the shift stays inside the field.
    for (int i = first; i <= target; ++i) cells[i - 1] = cells[i];
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
