// Names of the calculator keys: the tokens of a key sequence typed on the
// command line, and the keyboard keys of the terminal calculator.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tqhost {

struct KeyName {
    int code;
    const char *name;     // the name --trace prints and --help lists first
    const char *aliases;  // other accepted tokens, separated by blanks
    const char *what;     // what the key does, for --help
};

// Every key the engine knows by a name: codes 10 to 44 and 251 to 253.
// Digits have no entry; they come in numbers.
std::span<const KeyName> KeyNames();

// The name of a key code as --trace prints it: "7", ".", "sin", "#99".
std::string KeyLabel(int code);

// A message quotes at most this many characters of what the user typed.
inline constexpr size_t kQuoteLimit = 40;

// One key of a parsed sequence, with the token it came from.
struct KeyPress {
    int code;
    // The token, e.g. "123.45" for each of its keys; a token longer than
    // kQuoteLimit characters keeps one more, so that a message can show the
    // cut without every key of a long number holding all of it.
    std::string token;
    int column;  // 1-based column of the token, in characters
};

struct ParseError {
    std::string token;
    int column;          // 1-based, in characters
    std::string reason;  // e.g. "unknown key"
};

struct ParsedKeys {
    std::vector<KeyPress> keys;
    std::optional<ParseError> error;  // set: nothing may be evaluated
};

// Splits a key sequence into key presses. Tokens are numbers (typed digit by
// digit), operator symbols, key names (case does not matter) and raw codes
// "#N" with N from 0 to 255. Blanks separate tokens but are not needed
// between a number and a symbol: "2+3*4=" reads as 2 + 3 * 4 =. The time
// taken grows with the length of the text, not faster.
ParsedKeys ParseKeys(std::string_view text);

// Text from the user as a message may show it: at most limit characters
// (then "…"), blanks as one blank, and control characters and bytes that
// are not printable UTF-8 as \xNN, so that a message never rings the bell
// or moves the cursor.
std::string Printable(std::string_view text, size_t limit = kQuoteLimit);

// The message for a parse error, with the input (at most kQuoteLimit
// characters of it, around the bad token) and a caret under the bad token
// on the following lines. where names the input ("--keys", "line 3").
std::string DescribeParseError(const ParseError &error, std::string_view text,
                               std::string_view where);

// Keyboard of the terminal calculator. Inputs are characters, or one of the
// values below for keys that have no character of their own.
inline constexpr int kInputEnter = '\n';
inline constexpr int kInputBackspace = '\b';
inline constexpr int kInputTab = '\t';
inline constexpr int kInputEscape = 0x1b;
inline constexpr int kInputDelete = 0x7f;

// What a keyboard key does besides pressing a calculator key.
inline constexpr int kCommandNone = -1;
inline constexpr int kCommandQuit = -2;
inline constexpr int kCommandMode = -3;

// The calculator key code for a keyboard input, or a kCommand value.
int CodeForInput(int input);

struct LegendEntry {
    const char *keys;   // keyboard keys, as printed: "s", "Enter", "0-9"
    const char *label;  // what they do
};

// The keyboard legend shown beside the calculator, in reading order.
std::span<const LegendEntry> KeyboardLegend();

struct LegendPlace {
    const LegendEntry *entry;
    int row;     // 0-based, within the legend's area
    int column;  // 0-based column of the legend, not of the screen
};

// Lays the legend out down columns in an area of the given number of legend
// columns and rows. When not every entry fits, the last place goes to the
// key that quits, so that the way out is always on the screen.
std::vector<LegendPlace> LayOutLegend(int columns, int rows);

}  // namespace tqhost
