// Text from the user in messages: characters counted as a terminal shows
// them, and control characters and stray bytes made visible.
#pragma once

#include <string>
#include <string_view>

namespace tqhost {

// A message quotes at most this many characters of what the user typed.
inline constexpr size_t QUOTE_LIMIT = 40;

// Length in bytes of the character at pos: a well-formed UTF-8 sequence
// ("×") is one character, any other byte one of its own.
size_t CharLength(std::string_view text, size_t pos);

// Byte offset where character index (0-based) begins, or text.size().
size_t OffsetOfCharacter(std::string_view text, size_t index);

// Columns count characters, not bytes: "×" is one column. The parser only
// moves forward, so a column is counted on from the last one asked for:
// counting from the start of the line for every token made a long line cost
// the square of its length.
struct ColumnCounter {
    std::string_view text;
    size_t pos = 0;
    int column = 1;
};

// The 1-based column of byte offset pos.
int ColumnAt(ColumnCounter &counter, size_t pos);

// Text from the user as a message may show it: at most limit characters
// (then "…"), blanks as one blank, and control characters and bytes that
// are not printable UTF-8 as \xNN, so that a message never rings the bell
// or moves the cursor; a backslash as \\, so that typed text never reads
// as such an escape.
std::string Printable(std::string_view text, size_t limit = QUOTE_LIMIT);

// The two lines that end a message about a token: the text around it (at
// most QUOTE_LIMIT characters, with a little of what comes before the token
// at the 1-based column, tokenBytes long) and a caret under the token, each
// after a newline and two blanks.
std::string QuoteWithCaret(std::string_view text, int column, size_t tokenBytes);

}  // namespace tqhost
