// Key sequences as people type them on the command line: the names of the
// calculator keys (the shared key table, conformance/key_table.h, which the
// conformance kit owns and the host reaches through the CMake target
// tqcal_key_table) and the parser that turns a line into key presses.
#pragma once

#include "key_table.h"
#include "utf8_text.h"

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tqhost {

// Every key the engine knows by a name: codes 11 to 44 and 251 to 253, in
// the order --help lists them. Digits and the point come in numbers.
std::span<const tqcal_key_row> KeyNames();

// The next word of a blank-separated column of the key table (aliases,
// keyboard keys), taken off the front of rest.
std::string_view TakeWord(std::string_view &rest);

// The name of a key code as --trace prints it: "7", ".", "sin", "#99".
std::string KeyLabel(int code);

// One key of a parsed sequence, with the token it came from.
struct KeyPress {
    int code;
    // The token, e.g. "123.45" for each of its keys; a token longer than
    // QUOTE_LIMIT characters keeps one more, so that a message can show the
    // cut without every key of a long number holding all of it.
    std::string token;
    int column;  // 1-based column of the token, in characters
};

struct ParseError {
    std::string token;
    int column;          // 1-based, in characters
    std::string reason;  // what the token is, named before it: "unknown key", "bad number"
    std::string rule;    // the rule it breaks, said after its place; empty for an unknown key
};

// One key as the parser meets it: its code, the whole token it came from (a
// view into the text parsed) and the token's 1-based column.
struct KeyView {
    int code;
    std::string_view token;
    int column;
};

// The key as a parsed sequence keeps it, with its token clipped as a
// message shows it.
KeyPress Kept(const KeyView &key);

// Reads the keys of text one at a time, in order, handing each to each as
// soon as it is read, and returns the error of the first bad token (the keys
// before it have been handed over by then), or nothing. Holds no more than
// one key, however long the text: a caller that must not act on a sequence
// with a bad key reads it twice, first with an each that does nothing.
// Tokens are numbers (typed digit by digit), operator symbols, key names
// (case does not matter) and raw codes "#N" with N any 32-bit int. Blanks
// separate tokens but are not needed between a number and a symbol: "2+3*4="
// reads as 2 + 3 * 4 =. The time taken grows with the length of the text,
// not faster.
std::optional<ParseError> ScanKeys(std::string_view text,
                                   const std::function<void(const KeyView &)> &each);

// A parse error as one sentence: its reason, the token quoted, its column,
// and the rule it breaks: bad raw code "#1e9" at column 3: a raw code is ...
std::string ParseErrorText(const ParseError &error);

// The message for a parse error, with the input (at most QUOTE_LIMIT
// characters of it, around the bad token) and a caret under the bad token
// on the following lines. where names the input ("--keys", "line 3").
std::string DescribeParseError(const ParseError &error, std::string_view text,
                               std::string_view where);

}  // namespace tqhost
