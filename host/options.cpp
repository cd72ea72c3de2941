#include "options.h"

#include "key_names.h"
#include "keyboard.h"

#include <algorithm>
#include <cctype>
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
        mode = TQCAL_MODE_ALGEBRAIC;
        return true;
    }
    if (is("equal") || is("eq")) {
        mode = TQCAL_MODE_EQUAL;
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

std::string Quoted(std::string_view text) { return "\"" + Printable(text) + "\""; }

enum class ValueMatch { NOT_THIS_OPTION, FOUND, MISSING };

// An option with a value, "--keys=1+2" or "--keys 1+2" (which moves i past
// the value): NOT_THIS_OPTION when args[i] is another argument, MISSING with
// error set when it is this option but its value is missing.
ValueMatch OptionValue(const std::vector<std::string> &args, size_t &i, std::string_view name,
                       std::string &out, std::string &error) {
    std::string_view arg = args[i];
    if (arg.size() > name.size() && arg.substr(0, name.size()) == name && arg[name.size()] == '=') {
        out = std::string(arg.substr(name.size() + 1));
        return ValueMatch::FOUND;
    }
    if (arg != name) {
        return ValueMatch::NOT_THIS_OPTION;
    }
    if (i + 1 >= args.size()) {
        error = std::string(name) + " needs a value";
        return ValueMatch::MISSING;
    }
    out = args[++i];
    return ValueMatch::FOUND;
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
    if (keys == ValueMatch::NOT_THIS_OPTION) {
        keys = OptionValue(args, i, "-k", text, error);
    }
    if (keys == ValueMatch::FOUND) {
        if (options.keys) {
            error = "--keys given twice";
            return ValueMatch::MISSING;
        }
        options.keys = text;
    }
    if (keys != ValueMatch::NOT_THIS_OPTION) {
        return keys;
    }
    ValueMatch mode = OptionValue(args, i, "--mode", text, error);
    if (mode == ValueMatch::FOUND && !ParseMode(text, options.mode)) {
        error = "--mode is algebraic or equal, not " + Quoted(text);
        return ValueMatch::MISSING;
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
    if (options.calcString && options.mode != TQCAL_MODE_ALGEBRAIC) {
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
        if (value == ValueMatch::NOT_THIS_OPTION) {
            error = UnexpectedArgument(args[i]);
        }
        if (value != ValueMatch::FOUND) {
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
        "The display: up to 14 significant digits of the double the engine holds, the last\n"
        "one rounded up when the digits beyond it are 0.7 of its unit or more (8727 / 522 =\n"
        "shows 16.718390804597); exponent form from 1E13 up and below 1E-12; 0 below\n"
        "9.999999999999E-100. The whole rule, with its examples: docs/host-program.md.\n"
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

}  // namespace tqhost
