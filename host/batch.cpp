#include "batch.h"

#include "key_names.h"
#include "keyboard.h"
#include "key_protocol.h"
#include "screen.h"
#include "tqcal.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <istream>
#include <optional>
#include <ostream>
#include <string_view>

namespace tqhost {
namespace {

// Option values ignore case, as key names do: --mode EQUAL.
bool ParseMode(std::string_view word, int &mode) {
    auto is = [word](std::string_view name) {
        return word.size() == name.size() &&
               std::equal(word.begin(), word.end(), name.begin(), [](char a, char b) {
                   return std::tolower(static_cast<unsigned char>(a)) == b;
               });
    };
    if (is("algebraic") || is("alg")) {
        mode = kModeAlgebraic;
        return true;
    }
    if (is("equal") || is("eq")) {
        mode = kModeEqual;
        return true;
    }
    return false;
}

// text padded with blanks to width columns (characters, not bytes), and at
// least one blank.
std::string Padded(std::string text, size_t width) {
    size_t columns = 0;
    for (char c : text) {
        columns += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    text.append(columns < width ? width - columns : 1, ' ');
    return text;
}

// The first key of a sequence that ended in Error or Full.
struct FailedKey {
    size_t number = 0;  // 1-based among the keys; one past them for the closing '='
    std::string token;
    int column = 0;  // 0 for the closing '=' that --calc-string adds
    int result = RES_ERROR;
};

bool Failed(const Calculator &calc) { return ResultState(calc.status) != RES_OK; }

std::string_view ScreenWord(int result) { return result == RES_FULL ? "Full" : "Error"; }

std::string FailedKeyJson(const std::optional<FailedKey> &failed) {
    if (!failed) {
        return "null";
    }
    return "{\"number\":" + std::to_string(failed->number) +
           ",\"key\":" + JsonString(failed->token) +
           ",\"column\":" + (failed->column > 0 ? std::to_string(failed->column) : "null") +
           ",\"result\":" + JsonString(ResultName(failed->result)) + "}";
}

// json with one more field before its closing brace.
std::string WithField(std::string json, std::string_view name, const std::string &value) {
    json.pop_back();
    json += ",\"";
    json += name;
    json += "\":" + value + "}";
    return json;
}

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

// What a first reading of a sequence found, before any key is pressed: its
// error (bad keys, or keys that --calc-string cannot take), and the raw codes
// that are no keys.
struct Checked {
    std::optional<ParseError> error;
    size_t keys = 0;
    size_t notKeys = 0;
    size_t firstNotKey = 0;          // 0-based among the keys
    std::optional<KeyPress> notKey;  // the first of them
};

bool IsNotAKey(int code) { return code < 0 || (code > KEY_LAST_EDIT_CODE && !IsDirectCode(code)); }

Checked CheckSequence(const Options &options, std::string_view text) {
    Checked checked;
    std::optional<ParseError> codeError;
    checked.error = ScanKeys(text, [&](const KeyView &key) {
        if (IsNotAKey(key.code) && checked.notKeys++ == 0) {
            checked.firstNotKey = checked.keys;
            checked.notKey = Kept(key);
        }
        ++checked.keys;
        if (!options.calcString || codeError) {
            return;
        }
        constexpr const char *kCannotSend = "key that --calc-string cannot send";
        if (IsDirectCode(key.code)) {
            codeError = ParseError{Kept(key).token, key.column, kCannotSend,
                                   "TQCAL_CalcString cannot be given the codes 251 to 253"};
        } else if (key.code < 0 || key.code > 255) {
            codeError = ParseError{Kept(key).token, key.column, kCannotSend,
                                   "TQCAL_CalcString takes one byte a key: codes 0 to 255"};
        }
    });
    if (!checked.error) {
        checked.error = codeError;
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
std::optional<FailedKey> PrintLive(const Options &options, std::string_view text,
                                   std::ostream &out) {
    Calculator calc;
    ResetCalculator(calc, options.mode);
    auto traceLine = [&](std::string_view key, std::string_view note) {
        if (options.json) {
            out << JsonState(calc.ctx, calc.status, calc.mode, key) << '\n';
        } else {
            out << TraceLine(key, calc.ctx, calc.status) << note << '\n';
        }
    };
    if (options.trace) {
        traceLine("start", "");
    }
    std::optional<FailedKey> failed;
    size_t number = 0;
    ScanKeys(text, [&](const KeyView &key) {
        ++number;
        KeyOutcome outcome = PressKey(calc, key.code);
        if (!failed && Failed(calc)) {
            failed = FailedKey{number, Kept(key).token, key.column, ResultState(calc.status)};
        }
        if (options.trace) {
            traceLine(KeyLabel(key.code), outcome == KeyOutcome::NotAKey ? "  (not a key)" : "");
        }
    });
    if (options.trace) {
        return failed;
    }
    if (options.json) {
        out << WithField(JsonState(calc.ctx, calc.status, calc.mode, ""), "failedKey",
                         FailedKeyJson(failed))
            << '\n';
    } else {
        out << OneLine(ReadScreen(calc.ctx, calc.status)) << '\n';
    }
    return failed;
}

// TQCAL_CalcString only says that it failed. Pressed one by one on a fresh
// calculator in algebraic mode and closed with '=', the same keys take the
// road it takes, and show which of them failed.
std::optional<FailedKey> FirstFailureOfCalcString(std::string_view text) {
    Calculator calc;
    ResetCalculator(calc, kModeAlgebraic);
    std::optional<FailedKey> failed;
    size_t number = 0;
    ScanKeys(text, [&](const KeyView &key) {
        ++number;
        if (failed) {
            return;
        }
        PressKey(calc, key.code);
        if (Failed(calc)) {
            failed = FailedKey{number, Kept(key).token, key.column, ResultState(calc.status)};
        }
    });
    if (failed) {
        return failed;
    }
    PressKey(calc, KEY_EQUAL);
    if (Failed(calc)) {
        return FailedKey{number + 1, "=", 0, ResultState(calc.status)};
    }
    return std::nullopt;
}

// TQCAL_CalcString hands back the value and the magnitude text; the sign
// comes from the value, and the exponent from formatting the value the same
// way the engine formats its display.
std::optional<FailedKey> PrintCalcString(const Options &options, std::string_view text,
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
    if (options.json) {
        out << "{\"screen\":" << JsonString(OneLine(screen))
            << ",\"ok\":" << (ok == 1 ? "true" : "false")
            << ",\"display\":" << JsonString(screen.text) << ",\"heldValue\":" << JsonNumber(value)
            << ",\"shownValue\":" << JsonNumber(ShownValue(screen))
            << ",\"failedKey\":" << FailedKeyJson(failed) << "}\n";
    } else {
        out << OneLine(screen) << '\n';
    }
    return failed;
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

enum class LineRead { Line, TooLong, End };

// The next line of in into line, without its newline (LF or CR LF). A line
// longer than limit bytes is read to its end but not kept: TooLong. End
// when the input has ended (or failed) before any byte of a line.
LineRead ReadLine(std::istream &in, std::string &line, size_t limit) {
    line.clear();
    std::streambuf *buffer = in.rdbuf();
    bool any = false;
    bool tooLong = false;
    for (;;) {
        const int c = buffer->sbumpc();
        if (c == std::char_traits<char>::eof()) {
            in.setstate(std::ios::eofbit);
            break;
        }
        any = true;
        if (c == '\n') {
            break;
        }
        // One byte more than the limit, for the CR of a CR LF.
        if (line.size() <= limit) {
            line.push_back(static_cast<char>(c));
        } else {
            tooLong = true;
        }
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    tooLong = tooLong || line.size() > limit;
    return !any ? LineRead::End : tooLong ? LineRead::TooLong : LineRead::Line;
}

std::string Quoted(std::string_view text) { return "\"" + Printable(text) + "\""; }

// What the sequences of a run came to, for its exit status.
struct Tally {
    bool bad = false;     // a sequence had bad keys
    bool failed = false;  // a key ended in Error or Full

    int ExitStatus() const { return bad ? kExitBadInput : failed ? kExitKeyFailed : kExitOk; }
};

// Places the answer of a line that was not evaluated: an empty line, or with
// --json an object naming why, so that the answers of the other lines keep
// their places. Under --trace it stands where the line's "start" would: a
// reader that splits the trace at each start still counts every line.
void HoldPlace(const Options &options, const std::string &why, std::ostream &out) {
    if (options.json) {
        out << "{\"error\":" << JsonString(why) << "}\n";
    } else {
        out << '\n';
    }
}

// Presses one sequence on a fresh calculator and prints what it came to.
// A line of input that has bad keys still takes its line of output (see
// HoldPlace); the keys of --keys have none. The text is read twice, first
// for bad keys, then pressing the keys as they are read.
void RunSequence(const Options &options, std::string_view text, std::string_view where,
                 bool holdPlace, std::ostream &out, std::ostream &err, Tally &tally) {
    const Checked checked = CheckSequence(options, text);
    if (checked.error) {
        const ParseError &error = *checked.error;
        err << "tqcal: " << DescribeParseError(error, text, where) << '\n';
        tally.bad = true;
        if (holdPlace) {
            HoldPlace(options, ParseErrorText(error), out);
        }
        return;
    }
    if (!options.trace) {
        ReportNotKeys(checked, where, err);
    }
    std::optional<FailedKey> failed =
        options.calcString ? PrintCalcString(options, text, out) : PrintLive(options, text, out);
    if (failed) {
        ReportFailure(*failed, where, err);
        tally.failed = true;
    }
}

}  // namespace

namespace {

enum class ValueMatch { NotThisOption, Found, Failed };

// An option with a value, "--keys=1+2" or "--keys 1+2" (which moves i past
// the value): NotThisOption when args[i] is another argument, Failed with
// error set when it is this option but its value is missing.
ValueMatch OptionValue(const std::vector<std::string> &args, size_t &i, std::string_view name,
                       std::string &out, std::string &error) {
    std::string_view arg = args[i];
    if (arg.size() > name.size() && arg.substr(0, name.size()) == name && arg[name.size()] == '=') {
        out = std::string(arg.substr(name.size() + 1));
        return ValueMatch::Found;
    }
    if (arg != name) {
        return ValueMatch::NotThisOption;
    }
    if (i + 1 >= args.size()) {
        error = std::string(name) + " needs a value";
        return ValueMatch::Failed;
    }
    out = args[++i];
    return ValueMatch::Found;
}

// The options without a value; false when arg is none of them.
bool ReadSwitch(std::string_view arg, Options &options) {
    bool *flag = arg == "--help" || arg == "-h" ? &options.help
                 : arg == "--version"           ? &options.version
                 : arg == "--trace"             ? &options.trace
                 : arg == "--json"              ? &options.json
                 : arg == "--calc-string"       ? &options.calcString
                                                : nullptr;
    if (flag != nullptr) {
        *flag = true;
    }
    return flag != nullptr;
}

// The options with a value (--keys or -k, --mode) at args[i].
ValueMatch ReadValueOption(const std::vector<std::string> &args, size_t &i, Options &options,
                           std::string &error) {
    std::string text;
    ValueMatch keys = OptionValue(args, i, "--keys", text, error);
    if (keys == ValueMatch::NotThisOption) {
        keys = OptionValue(args, i, "-k", text, error);
    }
    if (keys == ValueMatch::Found) {
        if (options.keys) {
            error = "--keys given twice";
            return ValueMatch::Failed;
        }
        options.keys = text;
    }
    if (keys != ValueMatch::NotThisOption) {
        return keys;
    }
    ValueMatch mode = OptionValue(args, i, "--mode", text, error);
    if (mode == ValueMatch::Found && !ParseMode(text, options.mode)) {
        error = "--mode is algebraic or equal, not " + Quoted(text);
        return ValueMatch::Failed;
    }
    return mode;
}

std::string UnexpectedArgument(std::string_view arg) {
    if (!arg.empty() && arg[0] == '-') {
        return "unknown option " + Quoted(arg);
    }
    return "unexpected argument " + Quoted(arg) + " (a key sequence goes after --keys)";
}

// The options that cannot go together.
bool CheckCombination(const Options &options, std::string &error) {
    if (options.calcString && options.trace) {
        error =
            "--trace cannot be used with --calc-string, which evaluates the whole sequence in one call";
        return false;
    }
    if (options.calcString && options.mode != kModeAlgebraic) {
        error = "--calc-string always evaluates in algebraic mode";
        return false;
    }
    return true;
}

}  // namespace

bool ParseArguments(const std::vector<std::string> &args, Options &options, std::string &error) {
    options = Options{};
    for (size_t i = 0; i < args.size(); ++i) {
        if (ReadSwitch(args[i], options)) {
            continue;
        }
        ValueMatch value = ReadValueOption(args, i, options, error);
        if (value == ValueMatch::NotThisOption) {
            error = UnexpectedArgument(args[i]);
        }
        if (value != ValueMatch::Found) {
            return false;
        }
    }
    return CheckCombination(options, error);
}

std::string HelpText() {
    std::string help =
        "Usage: tqcal                         the calculator in the terminal (standard input a terminal)\n"
        "       tqcal --keys \"100 - 99.99 =\"  press the keys on a fresh calculator, print the screen\n"
        "       tqcal < file                  one key sequence per line, one result line each\n"
        "\n"
        "Options:\n"
        "  --keys SEQ, -k SEQ   the key sequence to press\n"
        "  --mode MODE          algebraic (default: * and / before + and -) or equal (left to right);\n"
        "                       alg and eq for short, in any case\n"
        "  --trace              one line per key: key, screen, result, status word and its bits\n"
        "  --json               the state as JSON: screen, display and exponent text, negative flag,\n"
        "                       heldValue (the engine's value, which a typed number enters only at\n"
        "                       the next operation key), shownValue (the number on the screen),\n"
        "                       memory, result, status bits (with --trace: one object per key)\n"
        "  --calc-string        evaluate through TQCAL_CalcString (algebraic, closed with =)\n"
        "  --help, -h           this text\n"
        "  --version            the version of tqcal\n"
        "\n"
        "The screen prints as one line: 0.01, -5, 1.2345678901234E13, Error, Full.\n"
        "Lines of standard input are answered one by one, each as soon as it is read.\n"
        "Exit status: 0 done; 1 the terminal, the input or the output failed; 2 bad options, or\n"
        "bad keys (reported with their line and column; the other lines are still evaluated, and\n"
        "a bad line prints an empty line, with --json an object naming the error; a bad --keys\n"
        "prints nothing); else 3 a key ended in Error or Full (the screen is printed, and the\n"
        "first such key is named on standard error).\n"
        "Raw codes that are no keys (#45 to #250, #254 and above, negative ones) change\n"
        "nothing and are named on standard error.\n"
        "A digit that no longer fits the display is dropped, as on the device.\n"
        "A line of standard input holds up to 1 MiB; a longer one is a bad line. A UTF-8 byte\n"
        "order mark starting the input is skipped.\n"
        "\n"
        "Exponent entry: EXP starts the exponent of the number typed; it keeps the last two\n"
        "digits typed (5 EXP 3 = gives 5000). +/- changes the sign of the number, never of the\n"
        "exponent (5 EXP 3 +/- gives -5000); BS deletes from the number, never from the exponent\n"
        "(12 EXP 5 BS gives 1E05). For a small number, divide: 5 / 1 EXP 3 = gives 0.005.\n"
        "\n"
        "The display: the engine holds a binary double and shows up to 14 digits of it. 3 is\n"
        "added in the place after the last that can show (the 15th digit; below 1 the 14th\n"
        "decimal place) and the sum is cut to 14 digits, so the last digit goes up exactly when\n"
        "the double's digits beyond it are 0.7 of its unit or more: 8727 / 522 = shows\n"
        "16.718390804597 (held as 16.71839080459769988...). Trailing zeros are dropped unless\n"
        "those digits make 0.69 to 0.7 of a unit: 1913 / 661 = shows 2.8940998487140 (held as\n"
        "2.894099848714069445...); with one digit before the point an all-zero fraction is not\n"
        "shown. 13 nines and a 14th digit of 5 or more (below 1: 14 nines) show as the next power\n"
        "of ten.\n"
        "Exponent form from 1E13 up and below 1E-12; 0 below 9.999999999999E-100. The steps run\n"
        "in doubles, so a value within about 5 units in its last binary place of a mark can land\n"
        "on the other side (1 calculation in 400): 1.234567890123 + 699 / 1 EXP 16 = is held as\n"
        "1.2345678901230698..., which the steps make 1.2345678901230, but with the 3 added the\n"
        "double sum rounds up to the next 14 digits: 1.2345678901231.\n"
        "\n"
        "Keys (names ignore case; blanks are needed only between names and numbers):\n"
        "  123.45              a number, typed digit by digit (0-9 and one point)\n"
        "  #N                  the raw key code N, any 32-bit int (#252 is pct, #-1 no key)\n";
    for (const tqcal_key_row &key : KeyNames()) {
        std::string tokens = key.name;
        if (*key.aliases != '\0') {
            tokens += ' ';
            tokens += key.aliases;
        }
        help += Padded("  " + tokens, 22) + key.what + " (#" + std::to_string(key.code) + ")\n";
    }
    help += "\nKeyboard of the terminal calculator:\n";
    for (const LegendEntry &entry : KeyboardLegend()) {
        help += Padded(std::string("  ") + entry.keys, 14) + entry.label + "\n";
    }
    return help;
}

std::string VersionText() { return "tqcal " TQCAL_VERSION "\n"; }

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
    Tally tally;
    errno = 0;  // what a failed write leaves there is its cause
    if (options.keys) {
        RunSequence(options, *options.keys, "--keys", false, out, err, tally);
        return Written(out, err) ? tally.ExitStatus() : kExitFailure;
    }
    // One line at a time, each answered before the next is read: a program
    // at the other end of a pipe gets every result as soon as it has sent
    // its line, and a long input needs no more memory than one line, of at
    // most kLineLimit bytes.
    std::string line;
    LineRead read;
    for (size_t number = 1; (read = ReadLine(in, line, kLineLimit)) != LineRead::End; ++number) {
        // A byte order mark says only that the text is UTF-8.
        if (number == 1 && line.starts_with(kByteOrderMark)) {
            line.erase(0, kByteOrderMark.size());
        }
        errno = 0;
        const std::string where = "line " + std::to_string(number);
        if (read == LineRead::TooLong) {
            err << "tqcal: " << where << ": longer than " << kLineLimit
                << " bytes (1 MiB); not evaluated\n";
            tally.bad = true;
            HoldPlace(options, "the line is longer than " + std::to_string(kLineLimit) + " bytes",
                      out);
        } else {
            RunSequence(options, line, where, true, out, err, tally);
        }
        if (!Written(out, err)) {
            return kExitFailure;
        }
    }
    if (in.bad()) {
        err << "tqcal: reading standard input failed\n";
        return kExitFailure;
    }
    return tally.ExitStatus();
}

}  // namespace tqhost
