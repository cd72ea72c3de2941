#include "batch.h"

#include "batch_output.h"
#include "key_names.h"
#include "key_protocol.h"
#include "line_reader.h"
#include "screen.h"
#include "tqcal.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <istream>
#include <optional>
#include <ostream>
#include <string_view>

namespace tqhost {
namespace {

bool Failed(const Calculator &calc) { return tqcal_result(calc.status) != RES_OK; }

std::string_view ScreenWord(int result) { return result == RES_FULL ? "Full" : "Error"; }

void ReportFailure(const FailedKey &failed, std::string_view where, std::ostream &err) {
    err << "tqcal: " << where << ": ";
    if (failed.column > 0) {
        err << "key " << failed.number << " \"" << Printable(failed.token) << "\" at column "
            << failed.column;
    } else {
        err << "the closing \"=\"";
    }
    err << " ended in " << ScreenWord(failed.result) << '\n';
}

// How a run evaluates its sequences, picked once from the options: key by
// key on a live calculator, or in one TQCAL_CalcString call (--calc-string),
// and the form it prints them in.
struct Runner {
    const Output &output;
    int mode;
    // Presses the keys of a sequence without bad keys, prints what they came
    // to, and returns the first key that failed.
    std::optional<FailedKey> (*evaluate)(const Runner &runner, std::string_view text,
                                         std::ostream &out);
    // Why this runner cannot take a key, or nothing.
    std::optional<ParseError> (*refuse)(const KeyView &key);
};

// What a first reading of a sequence found, before any key is pressed: its
// error (bad keys, or keys the runner refuses), and the raw codes that are no
// keys.
struct Checked {
    std::optional<ParseError> error;
    size_t keys = 0;
    size_t notKeys = 0;
    size_t firstNotKey = 0;          // 0-based among the keys
    std::optional<KeyPress> notKey;  // the first of them
};

bool IsNotAKey(int code) {
    return code < 0 || (code > KEY_LAST_EDIT_CODE && !TQCAL_IS_DIRECT_KEY(code));
}

// A bad token outweighs a refused key, wherever each stands: it is the one
// to fix first.
Checked CheckSequence(const Runner &runner, std::string_view text) {
    Checked checked;
    std::optional<ParseError> refused;
    checked.error = ScanKeys(text, [&](const KeyView &key) {
        if (IsNotAKey(key.code) && checked.notKeys++ == 0) {
            checked.firstNotKey = checked.keys;
            checked.notKey = Kept(key);
        }
        ++checked.keys;
        if (!refused) {
            refused = runner.refuse(key);
        }
    });
    if (!checked.error) {
        checked.error = refused;
    }
    return checked;
}

// Raw codes that are no keys change nothing; say so, once per sequence.
void ReportNotKeys(const Checked &checked, std::string_view where, std::ostream &err) {
    if (!checked.notKey) {
        return;
    }
    const KeyPress &key = *checked.notKey;
    err << "tqcal: " << where << ": key " << checked.firstNotKey + 1 << " \""
        << Printable(key.token) << "\" at column " << key.column << " is not a key and was skipped";
    if (checked.notKeys > 1) {
        err << " (" << checked.notKeys - 1 << " more like it)";
    }
    err << '\n';
}

// Presses the keys as they are read: a line of a million keys needs no
// more memory than one.
std::optional<FailedKey> PressLive(const Runner &runner, std::string_view text, std::ostream &out) {
    Calculator calc;
    ResetCalculator(calc, runner.mode);
    runner.output.start(out, calc);
    std::optional<FailedKey> failed;
    size_t number = 0;
    ScanKeys(text, [&](const KeyView &key) {
        ++number;
        KeyOutcome outcome = PressKey(calc, key.code);
        if (!failed && Failed(calc)) {
            failed = FailedKey{number, Kept(key).token, key.column, tqcal_result(calc.status)};
        }
        runner.output.key(out, calc, key.code, outcome);
    });
    runner.output.end(out, calc, failed);
    return failed;
}

std::optional<ParseError> NoneRefused(const KeyView & /*key*/) { return std::nullopt; }

// TQCAL_CalcString only says that it failed. Pressed one by one on a fresh
// calculator in algebraic mode and closed with '=', the same keys take the
// road it takes, and show which of them failed.
std::optional<FailedKey> FirstFailureOfCalcString(std::string_view text) {
    Calculator calc;
    ResetCalculator(calc, TQCAL_MODE_ALGEBRAIC);
    std::optional<FailedKey> failed;
    size_t number = 0;
    ScanKeys(text, [&](const KeyView &key) {
        ++number;
        if (failed) {
            return;
        }
        PressKey(calc, key.code);
        if (Failed(calc)) {
            failed = FailedKey{number, Kept(key).token, key.column, tqcal_result(calc.status)};
        }
    });
    if (failed) {
        return failed;
    }
    PressKey(calc, KEY_EQUAL);
    if (Failed(calc)) {
        return FailedKey{number + 1, "=", 0, tqcal_result(calc.status)};
    }
    return std::nullopt;
}

// TQCAL_CalcString hands back the value and the magnitude text; the sign
// comes from the value, and the exponent from formatting the value the same
// way the engine formats its display.
std::optional<FailedKey> PressCalcString(const Runner &runner, std::string_view text,
                                         std::ostream &out) {
    std::vector<int8_t> codes;
    ScanKeys(text, [&codes](const KeyView &key) {
        codes.push_back(static_cast<int8_t>(static_cast<uint8_t>(key.code)));
    });
    double value = 0.0;
    TQCAL_WChar cells[TQCAL_RESULT_TEXT_CELLS] = {};
    int ok = TQCAL_CalcString(&value, cells, codes.data(), static_cast<int>(codes.size()));

    Screen screen;
    screen.result = RES_ERROR;
    std::optional<FailedKey> failed;
    if (ok == 1) {
        TQCAL_Context formatted{};
        TQCAL_DivideDoubleToStr(value, formatted.display, formatted.exponent, &formatted.negative,
                                TQCAL_DISPLAY_DIGITS);
        screen = ReadScreen(formatted, TQCAL_STATUS_INITIAL);
        screen.text = DisplayText(cells, TQCAL_RESULT_TEXT_CELLS);
    } else {
        failed = FirstFailureOfCalcString(text);
        if (!failed) {
            failed = FailedKey{codes.size() + 1, "=", 0, RES_ERROR};
        }
    }
    runner.output.calcString(out, CalcStringAnswer{screen, ok == 1, value}, failed);
    return failed;
}

// TQCAL_CalcString takes its keys as bytes, and not the codes a host sends
// straight to TQCAL_Operate.
std::optional<ParseError> CalcStringRefuses(const KeyView &key) {
    constexpr const char *CANNOT_SEND = "key that --calc-string cannot send";
    if (TQCAL_IS_DIRECT_KEY(key.code)) {
        return ParseError{Kept(key).token, key.column, CANNOT_SEND,
                          "TQCAL_CalcString cannot be given the codes 251 to 253"};
    }
    if (key.code < 0 || key.code > 255) {
        return ParseError{Kept(key).token, key.column, CANNOT_SEND,
                          "TQCAL_CalcString takes one byte a key: codes 0 to 255"};
    }
    return std::nullopt;
}

Runner RunnerFor(const Options &options) {
    if (options.calcString) {
        return Runner{OutputFor(options), TQCAL_MODE_ALGEBRAIC, PressCalcString, CalcStringRefuses};
    }
    return Runner{OutputFor(options), options.mode, PressLive, NoneRefused};
}

constexpr std::string_view BYTE_ORDER_MARK = "\xEF\xBB\xBF";

// What the sequences of a run came to, for its exit status.
struct Tally {
    bool bad = false;     // a sequence had bad keys
    bool failed = false;  // a key ended in Error or Full

    int ExitStatus() const { return bad ? EXIT_BAD_INPUT : failed ? EXIT_KEY_FAILED : EXIT_OK; }
};

// Presses one sequence on a fresh calculator and prints what it came to.
// A line of input that has bad keys still takes its line of output (the
// output form's heldPlace); the keys of --keys have none. The text is read
// twice, first for bad keys, then pressing the keys as they are read.
void RunSequence(const Runner &runner, std::string_view text, std::string_view where,
                 bool holdPlace, std::ostream &out, std::ostream &err, Tally &tally) {
    const Checked checked = CheckSequence(runner, text);
    if (checked.error) {
        const ParseError &error = *checked.error;
        err << "tqcal: " << DescribeParseError(error, text, where) << '\n';
        tally.bad = true;
        if (holdPlace) {
            runner.output.heldPlace(out, ParseErrorText(error));
        }
        return;
    }
    if (!runner.output.showsEveryKey) {
        ReportNotKeys(checked, where, err);
    }
    std::optional<FailedKey> failed = runner.evaluate(runner, text, out);
    if (failed) {
        ReportFailure(*failed, where, err);
        tally.failed = true;
    }
}

}  // namespace

bool Written(std::ostream &out, std::ostream &err) {
    if (out.flush()) {
        return true;
    }
    const int cause = errno;
    err << "tqcal: writing the output failed";
    if (cause != 0) {
        err << ": " << std::strerror(cause);
    }
    err << '\n';
    return false;
}

int RunBatch(const Options &options, std::istream &in, std::ostream &out, std::ostream &err) {
    const Runner runner = RunnerFor(options);
    Tally tally;
    errno = 0;  // what a failed write leaves there is its cause
    if (options.keys) {
        RunSequence(runner, *options.keys, "--keys", false, out, err, tally);
        return Written(out, err) ? tally.ExitStatus() : EXIT_IO_FAILED;
    }
    // One line at a time, each answered before the next is read: a program
    // at the other end of a pipe gets every result as soon as it has sent
    // its line, and a long input needs no more memory than one line, of at
    // most LINE_LIMIT bytes.
    std::string line;
    LineRead read;
    for (size_t number = 1; (read = ReadLine(in, line, LINE_LIMIT)) != LineRead::END_OF_INPUT;
         ++number) {
        // A byte order mark says only that the text is UTF-8.
        if (number == 1 && line.starts_with(BYTE_ORDER_MARK)) {
            line.erase(0, BYTE_ORDER_MARK.size());
        }
        errno = 0;
        const std::string where = "line " + std::to_string(number);
        if (read == LineRead::TOO_LONG) {
            err << "tqcal: " << where << ": longer than " << LINE_LIMIT
                << " bytes (1 MiB); not evaluated\n";
            tally.bad = true;
            runner.output.heldPlace(
                out, "the line is longer than " + std::to_string(LINE_LIMIT) + " bytes");
        } else {
            RunSequence(runner, line, where, true, out, err, tally);
        }
        if (!Written(out, err)) {
            return EXIT_IO_FAILED;
        }
    }
    if (in.bad()) {
        err << "tqcal: reading standard input failed\n";
        return EXIT_IO_FAILED;
    }
    return tally.ExitStatus();
}

}  // namespace tqhost
