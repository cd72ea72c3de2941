// The per-key road from a key press to the engine and back, as every host of
// the engine has to take it. This module depends on tqcal.h alone, so that
// another host can lift it as it is.
//
// Per key:
//   1. EEditInfo edits the texts for the number-entry keys and says whether
//      the key goes on (1), is done (0) or is no key at all (-1);
//   2. on 1, and for the direct codes 251 to 253 that EEditInfo never
//      accepts, TQCAL_Operate acts on the key;
//   3. after TQCAL_Operate the host tidies the status word so that the next
//      digit starts a new entry (TidyStatus).
#pragma once

#include "tqcal.h"

namespace tqhost {

// Precedence modes as TQCAL_Operate takes them: algebraic lets × and ÷ bind
// tighter than + and −; equal priority works left to right.
inline constexpr int kModeEqual = 0;
inline constexpr int kModeAlgebraic = 1;

// One calculator as a host keeps it: the engine's context block, the status
// word, and the precedence mode the host passes on every operation key.
struct Calculator {
    TQCAL_Context ctx;
    TQCAL_Status status;
    int mode;
};

enum class KeyOutcome {
    Edited,    // number entry: the texts changed (or the key was dropped)
    Operated,  // the dispatcher ran and the status word was tidied
    NotAKey    // not a key code; nothing changed
};

// A fresh calculator: all zero bytes, both stacks empty, 14 digits shown,
// the edit buffer reset ([0.], exponent " 00") and the initial status word.
void ResetCalculator(Calculator &calc, int mode);

// The codes the host sends straight to TQCAL_Operate.
bool IsDirectCode(int key);

// Presses one key on the calculator.
KeyOutcome PressKey(Calculator &calc, int key);

// The status tidy-up after each TQCAL_Operate call: drops constant
// calculation and the memory indicator after a failure, ends exponent
// entry, and makes the next digit start a new entry, except after a change
// of sign or a backspace in the middle of an entry.
void TidyStatus(int key, TQCAL_Context &ctx, TQCAL_Status &status);

// The result state field of a status word: RES_ERROR, RES_OK or RES_FULL.
inline int ResultState(TQCAL_Status status) { return static_cast<int>((status >> 1) & 3u); }

}  // namespace tqhost
