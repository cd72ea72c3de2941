// The per-key road from a key press to the engine and back, as the host
// program uses it: a C++ face on the public companion header tqcal_host.h,
// which holds the protocol itself, so that every host takes the same road:
//   1. EEditInfo edits the texts for the number-entry keys and says whether
//      the key goes on (1), is done (0) or is no key at all (-1);
//   2. on 1, and for the direct codes 251 to 253 that EEditInfo never
//      accepts, TQCAL_Operate acts on the key;
//   3. after TQCAL_Operate the status word is tidied so that the next digit
//      starts a new entry.
#pragma once

#include "tqcal_host.h"

namespace tqhost {

// One calculator as a host keeps it: the engine's context block, the status
// word, and the precedence mode the host passes on every operation key.
struct Calculator {
    TQCAL_Context ctx;
    TQCAL_Status status;
    int mode;
};

enum class KeyOutcome {
    EDITED,    // number entry: the texts changed (or the key was dropped)
    OPERATED,  // the dispatcher ran and the status word was tidied
    NOT_A_KEY  // not a key code; nothing changed
};

// A fresh calculator (tqcal_reset) that works in mode.
void ResetCalculator(Calculator &calc, int mode);

// Presses one key on the calculator (tqcal_press).
KeyOutcome PressKey(Calculator &calc, int key);

}  // namespace tqhost
