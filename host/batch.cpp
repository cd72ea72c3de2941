#include "batch.h"

#include "key_names.h"
#include "key_protocol.h"
#include "screen.h"
#include "tqcal.h"

#include <cstdint>
#include <istream>
#include <ostream>
#include <string_view>

namespace tqhost {
namespace {

bool ParseMode(std::string_view word, int &mode) {
    if (word == "algebraic" || word == "alg") {
        mode = kModeAlgebraic;
        return true;
    }
    if (word == "equal" || word == "eq") {
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

struct Sequence {
    std::string text;
    std::string where;  // "--keys" or "line 3"
    ParsedKeys parsed;
};

void PrintLive(const Options &options, const std::vector<KeyPress> &keys, std::ostream &out) {
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
    for (const KeyPress &key : keys) {
        KeyOutcome outcome = PressKey(calc, key.code);
        if (options.trace) {
            traceLine(KeyLabel(key.code), outcome == KeyOutcome::NotAKey ? "  (not a key)" : "");
        }
    }
    if (options.trace) {
        return;
    }
    if (options.json) {
        out << JsonState(calc.ctx, calc.status, calc.mode, "") << '\n';
    } else {
        out << OneLine(ReadScreen(calc.ctx, calc.status)) << '\n';
    }
}

// TQCAL_CalcString hands back the value and the magnitude text; the sign
// comes from the value, and the exponent from formatting the value the same
// way the engine formats its display.
void PrintCalcString(const Options &options, const std::vector<KeyPress> &keys, std::ostream &out) {
    std::vector<int8_t> codes;
    codes.reserve(keys.size());
    for (const KeyPress &key : keys) {
        codes.push_back(static_cast<int8_t>(static_cast<uint8_t>(key.code)));
    }
    double value = 0.0;
    TQCAL_WChar text[TQCAL_RESULT_TEXT_CELLS] = {};
    int ok = TQCAL_CalcString(&value, text, codes.data(), static_cast<int>(codes.size()));

    Screen screen;
    screen.result = RES_ERROR;
    if (ok == 1) {
        TQCAL_Context formatted{};
        TQCAL_DivideDoubleToStr(value, formatted.display, formatted.exponent, &formatted.negative, 14);
        screen = ReadScreen(formatted, TQCAL_STATUS_INITIAL);
        screen.text = DisplayText(text, TQCAL_RESULT_TEXT_CELLS);
    }
    if (options.json) {
        out << "{\"screen\":" << JsonString(OneLine(screen)) << ",\"ok\":" << (ok == 1 ? "true" : "false")
            << ",\"display\":" << JsonString(screen.text) << ",\"value\":" << JsonNumber(value) << "}\n";
    } else {
        out << OneLine(screen) << '\n';
    }
}

}  // namespace

bool ParseArguments(const std::vector<std::string> &args, Options &options, std::string &error) {
    options = Options{};
    for (size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        auto value = [&](std::string_view name, std::string &out) {
            if (arg.size() > name.size() && arg.substr(0, name.size()) == name && arg[name.size()] == '=') {
                out = std::string(arg.substr(name.size() + 1));
                return true;
            }
            if (arg != name) {
                return false;
            }
            if (i + 1 >= args.size()) {
                error = std::string(name) + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        std::string text;
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--trace") {
            options.trace = true;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "--calc-string") {
            options.calcString = true;
        } else if (value("--keys", text) || value("-k", text)) {
            if (options.keys) {
                error = "--keys given twice";
                return false;
            }
            options.keys = text;
        } else if (value("--mode", text)) {
            if (!ParseMode(text, options.mode)) {
                error = "--mode is algebraic or equal, not \"" + text + "\"";
                return false;
            }
            options.modeGiven = true;
        } else {
            if (error.empty()) {
                if (!arg.empty() && arg[0] == '-') {
                    error = "unknown option \"" + std::string(arg) + "\"";
                } else {
                    error = "unexpected argument \"" + std::string(arg) + "\" (a key sequence goes after --keys)";
                }
            }
            return false;
        }
    }
    if (options.calcString && options.trace) {
        error = "--trace cannot be used with --calc-string, which evaluates the whole sequence in one call";
        return false;
    }
    if (options.calcString && options.mode != kModeAlgebraic) {
        error = "--calc-string always evaluates in algebraic mode";
        return false;
    }
    return true;
}

std::string HelpText() {
    std::string help =
        "Usage: tqcal                         the calculator in the terminal (standard input a terminal)\n"
        "       tqcal --keys \"100 - 99.99 =\"  press the keys on a fresh calculator, print the screen\n"
        "       tqcal < file                  one key sequence per line, one result line each\n"
        "\n"
        "Options:\n"
        "  --keys SEQ, -k SEQ   the key sequence to press\n"
        "  --mode MODE          algebraic (default: * and / before + and -) or equal (left to right)\n"
        "  --trace              one line per key: key, screen, result, status word and its bits\n"
        "  --json               the state as JSON: screen, display and exponent text, negative flag,\n"
        "                       value, memory, result, status bits (with --trace: one object per key)\n"
        "  --calc-string        evaluate through TQCAL_CalcString (algebraic, closed with =)\n"
        "  --help, -h           this text\n"
        "\n"
        "The screen prints as one line: 0.01, -5, 1.2345678901234E13, Error, Full.\n"
        "Bad keys are reported with their column, exit status 2, and nothing is evaluated.\n"
        "A digit that no longer fits the display is dropped, as on the device.\n"
        "\n"
        "Keys (names ignore case; blanks are needed only between names and numbers):\n"
        "  123.45              a number, typed digit by digit (0-9 and one point)\n"
        "  #N                  the raw key code N, 0 to 255 (#252 is pct)\n";
    for (const KeyName &key : KeyNames()) {
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

int RunBatch(const Options &options, std::istream &in, std::ostream &out, std::ostream &err) {
    std::vector<Sequence> sequences;
    if (options.keys) {
        sequences.push_back(Sequence{*options.keys, "--keys", {}});
    } else {
        std::string line;
        int number = 0;
        while (std::getline(in, line)) {
            ++number;
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            sequences.push_back(Sequence{line, "line " + std::to_string(number), {}});
        }
    }

    bool bad = false;
    for (Sequence &sequence : sequences) {
        sequence.parsed = ParseKeys(sequence.text);
        if (!sequence.parsed.error && options.calcString) {
            for (const KeyPress &key : sequence.parsed.keys) {
                if (IsDirectCode(key.code)) {
                    sequence.parsed.error = ParseError{key.token, key.column,
                                                       "TQCAL_CalcString cannot be given the codes 251 to 253"};
                    break;
                }
            }
        }
        if (sequence.parsed.error) {
            err << "tqcal: " << DescribeParseError(*sequence.parsed.error, sequence.text, sequence.where) << '\n';
            bad = true;
        }
    }
    if (bad) {
        return kExitBadInput;
    }

    for (const Sequence &sequence : sequences) {
        if (options.calcString) {
            PrintCalcString(options, sequence.parsed.keys, out);
        } else {
            PrintLive(options, sequence.parsed.keys, out);
        }
    }
    out.flush();
    return out ? kExitOk : kExitFailure;
}

}  // namespace tqhost
