// What the engine promises a host after every key, checked from the outside:
// the fuzz targets and the randomised suite test both drive the engine
// through the public host protocol (tqcal_host.h) and run these checks after
// each key press.
//
// Every check returns an empty string when the promise holds, or a short
// description of what is wrong, so that a gtest can report it and a fuzz
// target can abort with it.
#pragma once

#include "calc_driver.h"
#include "tqcal_host.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace host_invariants {

using calc_test::Calc;

inline constexpr int DISPLAY_CELLS = TQCAL_DISPLAY_AREA;  // 17

inline int ResultStateOf(TQCAL_Status status) { return tqcal_result(status); }

// A fresh calculator as the public host protocol sets one up.
inline Calc FreshCalculator(int mode) {
    Calc c;
    tqcal_reset(&c.ctx, &c.status);
    c.mode = mode;
    return c;
}

// ---- single-block checks ----------------------------------------------------

// The layout of a formatted value, and of the edit buffer as the editing keys
// lay it out (tqcal_problem has held the cells to digits, blanks and at most
// one point, ending in cell 14 or 15): right-aligned digits with exactly one
// point, and a text of 15 characters (ending in cell 15) starts in cell 0.
inline std::string LayoutProblem(const TQCAL_WChar *cells) {
    const int end =
        cells[TQCAL_DISPLAY_CELLS - 1] == 0 ? TQCAL_DISPLAY_CELLS - 1 : TQCAL_DISPLAY_CELLS;
    int first = 0;
    while (first < end && cells[first] == u' ') ++first;
    if (end == TQCAL_DISPLAY_CELLS && first != 0) {
        return "display: a text ending in cell 15 must start in cell 0";
    }
    int points = 0, digits = 0;
    for (int i = first; i < end; ++i) {
        if (cells[i] == u'.') {
            ++points;
        } else if (cells[i] >= u'0' && cells[i] <= u'9') {
            ++digits;
        } else {
            return "display: cell " + std::to_string(i) + " holds " + std::to_string(cells[i]);
        }
    }
    if (points != 1) return "display: " + std::to_string(points) + " points";
    if (digits == 0) return "display: no digit";
    return {};
}

// The magnitude the display and exponent texts show (texts already checked).
inline double ShownMagnitude(const TQCAL_Context &ctx) {
    std::string text;
    for (int i = 0; i < DISPLAY_CELLS && ctx.display[i] != 0; ++i) {
        if (ctx.display[i] != u' ') text += static_cast<char>(ctx.display[i]);
    }
    text += 'e';
    if (ctx.exponent[0] == u'-') text += '-';
    text += static_cast<char>(ctx.exponent[1]);
    text += static_cast<char>(ctx.exponent[2]);
    return std::strtod(text.c_str(), nullptr);
}

// ---- the checks after one key -------------------------------------------------

// Carries, from key to key, what the counters can be held to.
//
// parenDepth and pendingOps agree with the operator stack after every key
// that ends OK, with two deliberate exceptions that last until the stacks
// are next reset: a percent multiplication empties the operator stack but
// keeps pendingOps (so pendingOps may exceed the operators by what it was
// then), and the tidy-up after an error or a full stack zeroes parenDepth
// whatever the stack still holds.
//
// Two key sequences let an entry go on over a text the editing keys did not
// lay out: a change of sign in the middle of an entry formats the value and
// the entry continues (74 EXP 44 +/- shows [7.4] with exponent 45), and
// clear entry on a full stack clears the edit phase over the shown result.
// Backspace and digits then work on cells laid out for a typed number:
// backspace takes cell 12 for the last digit when no point was typed, so
// [7.4] becomes [74], and on a 15-character result it shifts the text
// without moving the terminator, which the placeholder [0.] that backspace
// restores at the end leaves behind ([0.4]); a point typed over [74] makes
// backspace delete from cell 13 until nothing is left. Such a text stays
// within its cells but may lack its point or all its digits, and is held to
// less until the display is rewritten.
class KeyChecker {
public:
    // Presses key through the host protocol: EEditInfo first, the dispatcher
    // and the tidy-up (tqcal_tidy) when it asks for them. The direct codes,
    // and any code when direct is true, go straight to the dispatcher.
    // Returns the first broken promise (tqcal_problem's among them), or an
    // empty string.
    std::string Press(Calc &c, int key, bool direct = false) {
        const TQCAL_Context before = c.ctx;
        const TQCAL_Status statusBefore = c.status;
        operated_ = false;
        if (direct || TQCAL_IS_DIRECT_KEY(key)) {
            operated_ = true;
        } else {
            const int r = EEditInfo(key, &c.ctx, &c.status);
            if (r < -1 || r > 1) return "EEditInfo returned " + std::to_string(r);
            if ((r == -1) != (static_cast<unsigned>(key) > KEY_LAST_EDIT_CODE)) {
                return "EEditInfo -1 for a key, or not for a non-key";
            }
            operated_ = r == 1;
        }
        if (operated_) {
            TQCAL_Operate(key, &c.ctx, &c.status, c.mode);
            failed_ = ResultStateOf(c.status) == RES_ERROR || ResultStateOf(c.status) == RES_FULL;
            tqcal_tidy(key, &c.ctx, &c.status);
        }
        return Check(c, key, before, statusBefore);
    }

    // Whether the last key reached the dispatcher, and whether it failed
    // there (error or full).
    bool operated() const { return operated_; }
    bool failed() const { return operated_ && failed_; }

private:
    std::string Check(const Calc &c, int key, const TQCAL_Context &before,
                      TQCAL_Status statusBefore) {
        const TQCAL_Context &ctx = c.ctx;
        const int state = ResultStateOf(c.status);
        const bool entryOverForeignText =
            (operated_ && key == KEY_SIGN && state == RES_OK) ||
            (!operated_ && key == KEY_CE && ResultStateOf(statusBefore) == RES_FULL);
        if (entryOverForeignText) foreignText_ = true;
        // Only a shown value makes the next editing key reset the field; the
        // placeholder that backspace restores leaves the cells behind it.
        if (c.status & ST_SHOWN) foreignText_ = false;
        std::string p = LayoutProblem(ctx.display);
        if (foreignText_ || !p.empty()) {
            edited_ = edited_ || foreignText_;
        } else {
            edited_ = false;  // the display has been rewritten
        }
        // The reserved bytes may carry the caller's canaries, which no key
        // may change; the protocol's check wants them 0, as tqcal_reset
        // leaves them, so it is shown the block without them.
        if (std::memcmp(ctx.reserved0, before.reserved0, sizeof ctx.reserved0) != 0 ||
            std::memcmp(ctx.reserved1, before.reserved1, sizeof ctx.reserved1) != 0) {
            return "reserved bytes written";
        }
        TQCAL_Context bare = ctx;
        std::memset(bare.reserved0, 0, sizeof bare.reserved0);
        std::memset(bare.reserved1, 0, sizeof bare.reserved1);
        if (const char *problem = tqcal_problem(&bare, c.status)) return problem;
        if (!edited_ && !p.empty()) return p;
        if (!operated_) {
            p = EditKeyProblem(ctx, before);
            if (!p.empty()) return p;
        } else if (state == RES_OK && Formats(key, before, statusBefore)) {
            p = ShownValueProblem(ctx, key, before);
            if (!p.empty()) return p;
        }
        return CounterProblem(ctx, c.status);
    }

    // The edit keys work on the texts and the status word only.
    static std::string EditKeyProblem(const TQCAL_Context &ctx, const TQCAL_Context &before) {
        if (std::memcmp(ctx.operands, before.operands, sizeof ctx.operands) != 0 ||
            std::memcmp(ctx.operators, before.operators, sizeof ctx.operators) != 0 ||
            std::memcmp(&ctx.value, &before.value,
                        offsetof(TQCAL_Context, display) - offsetof(TQCAL_Context, value)) != 0) {
            return "an edit key changed the stacks, values or counters";
        }
        return {};
    }

    // A dispatcher call that ends OK formats value, except for backspace
    // (which keeps the edited text) and a percent completion with nothing
    // to complete (ignored whole).
    static bool Formats(int key, const TQCAL_Context &before, TQCAL_Status statusBefore) {
        if (key == KEY_BACKSPACE) return false;
        if (key == KEY_PERCENT_OP && before.optTop < 0 && !(statusBefore & ST_CONST)) return false;
        return true;
    }

    static std::string ShownValueProblem(const TQCAL_Context &ctx, int key,
                                         const TQCAL_Context &before) {
        const double v = ctx.value;
        if (!(std::fabs(v) <= 9.9999999999991e99)) return "an out-of-range value ended OK";
        if (ctx.negative != (v < 0 ? 1 : 0)) return "negative flag disagrees with value";
        const double shown = ShownMagnitude(ctx);
        // The 14 digits are cut, not rounded. In plain form below 1 the
        // leading zeros count among them, so there the precision is
        // absolute: the last digit has the weight 1e-13.
        const bool plain = ctx.exponent[1] == u'0' && ctx.exponent[2] == u'0';
        const double tolerance = 1e-12 * (plain ? std::fmax(std::fabs(v), 1.0) : std::fabs(v));
        if (!(std::fabs(shown - std::fabs(v)) <= tolerance)) return "display disagrees with value";
        const int expectedLastKey = key == KEY_CE ? before.lastKey : key;
        if (ctx.lastKey != expectedLastKey) return "lastKey not recorded";
        return {};
    }

    std::string CounterProblem(const TQCAL_Context &ctx, TQCAL_Status status) {
        if (failed()) trusted_ = false;
        if (ctx.optTop == -1 && ctx.parenDepth == 0 && ctx.pendingOps == 0) {
            trusted_ = true;  // the stacks were reset: everything agrees again
            pctAllowance_ = 0;
        }
        if (ResultStateOf(status) != RES_OK || !trusted_) return {};
        int parens = 0, others = 0;
        for (int i = 0; i <= ctx.optTop; ++i) (ctx.operators[i] == KEY_LPAREN ? parens : others)++;
        if (status & ST_PCT_BASE) {
            if (ctx.optTop != -1) return "percent base kept with operators waiting";
            pctAllowance_ = ctx.pendingOps;
        }
        if (ctx.parenDepth != parens) {
            return "parenDepth " + std::to_string(ctx.parenDepth) + " but " +
                   std::to_string(parens) + " parentheses stacked";
        }
        const int excess = ctx.pendingOps - others;
        if (excess < 0 || excess > pctAllowance_) {
            return "pendingOps " + std::to_string(ctx.pendingOps) + " but " +
                   std::to_string(others) + " operators stacked";
        }
        return {};
    }

    bool operated_ = false;
    bool failed_ = false;
    bool trusted_ = true;
    int32_t pctAllowance_ = 0;
    bool foreignText_ = false;  // editing keys may change a text they did not lay out
    bool edited_ = false;       // the display may still show such a change
};

}  // namespace host_invariants
