// The calculator context and the status word as the engine sees them. Everything here is a plain
// view on the host's block.
#pragma once

#include "tqcal.h"
#include "tqcal_block.h"

#include <cstdint>
#include <type_traits>

namespace tqcal {

using Context = TQCAL_Context;
using Status = TQCAL_Status;
using WChar = TQCAL_WChar;

static_assert(std::is_standard_layout_v<Context>);
static_assert(std::is_trivially_copyable_v<Context>);

inline constexpr int OPERAND_SLOTS = TQCAL_OPERAND_SLOTS;
inline constexpr int OPERATOR_SLOTS = TQCAL_OPERATOR_SLOTS;
inline constexpr int DISPLAY_AREA = TQCAL_DISPLAY_AREA;
inline constexpr int EXPONENT_CELLS = TQCAL_EXPONENT_CELLS;
inline constexpr int FIELD_CELLS = TQCAL_DISPLAY_CELLS - 1;  // the right-aligned text field
inline constexpr int MAX_OPEN_PARENS = 17;                   // parenDepth + pendingOps limit

inline constexpr WChar BLANK = u' ';
inline constexpr WChar TERMINATOR = 0;

// The exponent text of a number shown without exponent: blank sign, two
// zeros, terminator. Written by the resets and the formatter, and the one
// text the dispatcher reads without parsing.
inline constexpr WChar NO_EXPONENT_TEXT[EXPONENT_CELLS] = {BLANK, u'0', u'0', TERMINATOR};

// ---- status word ----------------------------------------------------------

inline bool Has(Status s, uint32_t bits) { return (s & bits) != 0; }
inline void Set(Status &s, uint32_t bits) { s |= bits; }
inline void Clear(Status &s, uint32_t bits) { s &= ~bits; }

inline int ResultState(Status s) { return tqcal_result(s); }
inline void SetResultState(Status &s, int state) {
    s = (s & ~static_cast<uint32_t>(ST_RESULT)) | ((static_cast<uint32_t>(state) & 3u) << 1);
}
inline bool ResultOk(Status s) { return ResultState(s) == RES_OK; }

// How a routine's result code decides the result state: 0 is RES_OK,
// anything else (-1) RES_ERROR.
inline void DecideResult(Status &s, int code) { SetResultState(s, code == 0 ? RES_OK : RES_ERROR); }

// Edit phase: the pair ST_SHOWN / ST_ZERO; 0 means an entry is in progress.
inline constexpr uint32_t EDIT_PHASE = ST_SHOWN | ST_ZERO;
inline bool Editing(Status s) { return (s & EDIT_PHASE) == 0; }

}  // namespace tqcal
