#include "entry/edit_buffer.h"

#include <cstdint>
#include <cstring>

namespace tqcal {

namespace {
constexpr int kLastCell = kFieldCells - 1;   // 13: where the point sits
constexpr int kUnitsCell = kFieldCells - 2;  // 12: the placeholder digit

// The reset texts, written with one copy each: 12 blanks and [0.], the
// terminator, the two spill cells blank; exponent " 00".
constexpr WChar kPlaceholderText[kDisplayArea] = {
    kBlank, kBlank, kBlank, kBlank, kBlank, kBlank, kBlank, kBlank, kBlank,
    kBlank, kBlank, kBlank, u'0', u'.', kTerminator, kBlank, kBlank};
constexpr WChar kNoExponentText[kExponentCells] = {kBlank, u'0', u'0', kTerminator};

// The first of cells 0 to 13 that is not blank, or 14 when all are. Typing
// asks this for every digit, so four cells are compared at a time where the
// byte order lets the lowest differing cell be found from the bits.
int FirstNonBlank(const WChar *cells) {
#if defined(__GNUC__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    constexpr uint64_t kFourBlanks = 0x0020002000200020ull;
    for (int i = 0; i + 4 <= kFieldCells; i += 4) {
        uint64_t four;
        std::memcpy(&four, cells + i, sizeof four);
        const uint64_t differs = four ^ kFourBlanks;
        if (differs != 0) return i + __builtin_ctzll(differs) / 16;
    }
    int first = kFieldCells / 4 * 4;
#else
    int first = 0;
#endif
    while (first < kFieldCells && cells[first] == kBlank) ++first;
    return first;
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
    const int first = FirstNonBlank(cells);
    if (first == kFieldCells) return 0;
    // cells[0] is blank, so first >= 1 and the shift stays inside the field.
    // A first cell behind the target (only in a host-written text) moves
    // nothing.
    if (first <= target) {
        std::memmove(cells + first - 1, cells + first,
                     static_cast<size_t>(target - first + 1) * sizeof(WChar));
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
