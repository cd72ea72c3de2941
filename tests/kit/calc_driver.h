// Drives the engine the way a host does, from key sequences a person types:
// "2 + 3 * 4 =" presses 2, +, 3, *, 4, = on a fresh calculator. The screen
// reads as one line: "14.", "-5.", "1.2345678901234E13", "Error", "Full".
//
// The fresh calculator (Fresh) and the per-key protocol (Press, Tidy) are
// written out here on purpose, independently of the public tqcal_host.h
// that the engine's whole-sequence call, the host program and the fuzz
// targets use. The tests that type through this driver therefore cross-check
// that header: a fault in it shows up as a disagreement rather than being
// shared by both sides. Keep this copy; do not replace it by the header.
#pragma once

#include "key_sequence.h"
#include "tqcal.h"

#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace calc_test {

struct Calc {
    TQCAL_Context ctx;
    TQCAL_Status status;
    int mode;
};

inline Calc Fresh(int mode = TQCAL_MODE_ALGEBRAIC) {
    Calc c;
    std::memset(&c.ctx, 0, sizeof c.ctx);
    c.ctx.optTop = -1;
    c.ctx.opdTop = -1;
    c.ctx.digits = 14;
    TQCAL_ResetEditValue(&c.ctx);
    TQCAL_InitStack(&c.ctx);
    c.status = TQCAL_STATUS_INITIAL;
    c.mode = mode;
    return c;
}

inline int ResultState(const Calc &c) { return static_cast<int>((c.status >> 1) & 3u); }

// The host's tidy-up of the status word after each operation key.
inline void Tidy(Calc &c, int key) {
    const int state = ResultState(c);
    if (state == RES_ERROR || state == RES_FULL) {
        c.status &= ~static_cast<TQCAL_Status>(ST_CONST | ST_MEMORY);
        c.ctx.lastKey = 0;
        c.ctx.parenDepth = 0;
    }
    c.status &= ~static_cast<TQCAL_Status>(ST_EXP_ENTRY);
    if (key != KEY_BACKSPACE && !((c.status & ST_TYPED) && state == RES_FULL)) {
        c.status &= ~static_cast<TQCAL_Status>(ST_TYPED);
    }
    const bool entryGoesOn = (key == KEY_SIGN || key == KEY_BACKSPACE) && !(c.status & ST_SHOWN);
    if (!entryGoesOn) {
        c.status |= ST_SHOWN | ST_ZERO;
        c.status &= ~static_cast<TQCAL_Status>(ST_POINT);
    }
    c.status &= ~static_cast<TQCAL_Status>(ST_CLEARED);
}

inline void Press(Calc &c, int key) {
    if (TQCAL_IS_DIRECT_KEY(key) || EEditInfo(key, &c.ctx, &c.status) == 1) {
        TQCAL_Operate(key, &c.ctx, &c.status, c.mode);
        Tidy(c, key);
    }
}

// The key codes of a typed sequence; numbers are typed digit by digit.
inline std::vector<int> Keys(std::string_view sequence) {
    std::vector<int> keys;
    std::string bad;
    if (!kit::ParseKeySequence(sequence, keys, bad))
        throw std::invalid_argument("unknown key token: " + bad);
    return keys;
}

inline void Type(Calc &c, std::string_view sequence) {
    for (int key : Keys(sequence)) Press(c, key);
}

inline std::string Text(const TQCAL_WChar *cells, int max) {
    std::string s;
    for (int i = 0; i < max && cells[i] != 0; ++i) s += static_cast<char>(cells[i]);
    return s;
}

inline std::string DisplayText(const Calc &c) {
    std::string s = Text(c.ctx.display, 17);
    return s.substr(std::min(s.find_first_not_of(' '), s.size()));
}

// The screen as one line: sign, digits and point, exponent when shown.
inline std::string Screen(const Calc &c) {
    if (ResultState(c) == RES_ERROR) return "Error";
    if (ResultState(c) == RES_FULL) return "Full";
    std::string s = (c.ctx.negative ? "-" : "") + DisplayText(c);
    const std::string e = Text(c.ctx.exponent, 4);
    if (e != " 00" && e.size() == 3) s += "E" + std::string(e[0] == '-' ? "-" : "") + e.substr(1);
    return s;
}

inline std::string ScreenAfter(std::string_view sequence, int mode = TQCAL_MODE_ALGEBRAIC) {
    Calc c = Fresh(mode);
    Type(c, sequence);
    return Screen(c);
}

}  // namespace calc_test
