// What a batch run prints on standard output for each key sequence, in the
// one form the options pick for the whole run: the screen as a line, or a
// line per key (--trace), each either as text or as JSON (--json).
#pragma once

#include "key_protocol.h"
#include "options.h"
#include "screen.h"

#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

namespace tqhost {

// The first key of a sequence that ended in Error or Full.
struct FailedKey {
    size_t number = 0;  // 1-based among the keys; one past them for the closing '='
    std::string token;
    int column = 0;  // 0 for the closing '=' that --calc-string adds
    int result = RES_ERROR;
};

// What TQCAL_CalcString answered, as the screen shows it.
struct CalcStringAnswer {
    Screen screen;
    bool ok = false;
    double value = 0.0;  // the value it handed back
};

// An output form. A run calls start, then key after every key, then end, on
// each sequence it presses one by one; calcString for a sequence evaluated
// by TQCAL_CalcString; heldPlace in place of a line it could not evaluate,
// so that the answers of the other lines keep their places. A form that has
// nothing to print at a step does nothing there.
struct Output {
    void (*start)(std::ostream &out, const Calculator &calc);
    void (*key)(std::ostream &out, const Calculator &calc, int code, KeyOutcome outcome);
    void (*end)(std::ostream &out, const Calculator &calc, const std::optional<FailedKey> &failed);
    void (*calcString)(std::ostream &out, const CalcStringAnswer &answer,
                       const std::optional<FailedKey> &failed);
    void (*heldPlace)(std::ostream &out, std::string_view why);
    // Every key is shown, raw codes that are no keys among them (--trace):
    // they need no word on standard error as well.
    bool showsEveryKey;
};

// The form options ask for: --trace, --json, both or neither.
const Output &OutputFor(const Options &options);

}  // namespace tqhost
