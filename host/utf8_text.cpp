#include "utf8_text.h"

namespace tqhost {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The length of the sequence a UTF-8 lead byte starts: 2 to 4, or 0 for a
// byte that starts none (ASCII, a continuation byte, an overlong lead).
size_t LeadLength(char c) {
    const unsigned char lead = static_cast<unsigned char>(c);
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

size_t CharacterCount(std::string_view text) {
    size_t count = 0;
    for (size_t pos = 0; pos < text.size(); pos += CharLength(text, pos)) {
        ++count;
    }
    return count;
}

// Length of the well-formed UTF-8 sequence at pos when it encodes a
// character a terminal prints as such; 0 for a stray or malformed byte, a C1
// control, or a format character that reorders or hides text.
size_t PrintableSequenceLength(std::string_view text, size_t pos) {
    const size_t length = LeadLength(text[pos]);
    if (length == 0 || text.size() - pos < length) {
        return 0;
    }
    char32_t cp = static_cast<unsigned char>(text[pos]) & (0x7Fu >> length);
    for (size_t i = 1; i < length; ++i) {
        if (!IsContinuation(text[pos + i])) {
            return 0;
        }
        cp = (cp << 6) | (static_cast<unsigned char>(text[pos + i]) & 0x3Fu);
    }
    constexpr char32_t SHORTEST[] = {0, 0, 0x80, 0x800, 0x10000};
    bool overlong = cp < SHORTEST[length];
    bool surrogate = cp >= 0xD800 && cp <= 0xDFFF;
    bool c1Control = cp < 0xA0;
    bool format = cp == 0xAD || (cp >= 0x200B && cp <= 0x200F) || (cp >= 0x2028 && cp <= 0x202E) ||
                  (cp >= 0x2066 && cp <= 0x2069) || cp == 0xFEFF;
    return overlong || surrogate || cp > 0x10FFFF || c1Control || format ? 0 : length;
}

// Appends text[begin, end) as a message shows it and returns the number of
// terminal columns that took.
size_t Render(std::string_view text, size_t begin, size_t end, std::string &out) {
    size_t columns = 0;
    for (size_t pos = begin; pos < end;) {
        unsigned char c = static_cast<unsigned char>(text[pos]);
        size_t printable = c >= 0x80 ? PrintableSequenceLength(text, pos) : 0;
        if (c == '\\') {
            // Doubled, so that a typed "\x07" never reads as the escape of a
            // real bell.
            out += "\\\\";
            columns += 2;
            pos += 1;
        } else if (c >= 0x20 && c < 0x7f) {
            out += static_cast<char>(c);
            columns += 1;
            pos += 1;
        } else if (IsBlank(static_cast<char>(c))) {
            out += ' ';
            columns += 1;
            pos += 1;
        } else if (printable > 0 && pos + printable <= end) {
            out.append(text.substr(pos, printable));
            columns += 1;
            pos += printable;
        } else {
            constexpr char HEX_DIGITS[] = "0123456789ABCDEF";
            out += "\\x";
            out += HEX_DIGITS[c >> 4];
            out += HEX_DIGITS[c & 0xF];
            columns += 4;
            pos += 1;
        }
    }
    return columns;
}

}  // namespace

// Length of the character at pos. A well-formed UTF-8 sequence ("×") is one
// character; any other byte (a stray continuation byte, a lead byte without
// its continuation bytes) is a character of its own, which a message shows
// as \xNN. Columns, quoting windows and carets all count these characters,
// so the caret stands under the escape of a stray byte.
size_t CharLength(std::string_view text, size_t pos) {
    const size_t length = LeadLength(text[pos]);
    if (length == 0 || text.size() - pos < length) {
        return 1;
    }
    for (size_t i = 1; i < length; ++i) {
        if (!IsContinuation(text[pos + i])) {
            return 1;
        }
    }
    return length;
}

int ColumnAt(ColumnCounter &counter, size_t pos) {
    if (pos < counter.pos) {
        counter.pos = 0;
        counter.column = 1;
    }
    while (counter.pos < pos && counter.pos < counter.text.size()) {
        counter.pos += CharLength(counter.text, counter.pos);
        counter.column += 1;
    }
    return counter.column;
}

size_t OffsetOfCharacter(std::string_view text, size_t index) {
    size_t pos = 0;
    for (size_t seen = 0; pos < text.size() && seen < index; ++seen) {
        pos += CharLength(text, pos);
    }
    return pos < text.size() ? pos : text.size();
}

std::string Printable(std::string_view text, size_t limit) {
    std::string out;
    size_t end = OffsetOfCharacter(text, limit);
    Render(text, 0, end, out);
    if (end < text.size()) {
        out += "\xE2\x80\xA6";
    }
    return out;
}

std::string QuoteWithCaret(std::string_view text, int column, size_t tokenBytes) {
    // A window of QUOTE_LIMIT characters: the bad token with a little of
    // what comes before it, or the whole line when it is short enough.
    constexpr size_t BEFORE = 10;
    size_t total = CharacterCount(text);
    size_t at = column > 0 ? static_cast<size_t>(column - 1) : 0;
    size_t first = 0;
    if (total > QUOTE_LIMIT) {
        first = at > BEFORE ? at - BEFORE : 0;
        first = first < total - QUOTE_LIMIT ? first : total - QUOTE_LIMIT;
    }
    size_t begin = OffsetOfCharacter(text, first);
    size_t end = OffsetOfCharacter(text, first + QUOTE_LIMIT);
    size_t tokenBegin = OffsetOfCharacter(text, at);
    size_t tokenEnd = tokenBegin + tokenBytes;
    tokenBegin = tokenBegin < end ? tokenBegin : end;
    tokenEnd = tokenEnd < end ? tokenEnd : end;

    std::string line;
    size_t caret = 0;
    if (first > 0) {
        line += "\xE2\x80\xA6";
        caret += 1;
    }
    caret += Render(text, begin, tokenBegin, line);
    size_t width = Render(text, tokenBegin, tokenEnd, line);
    Render(text, tokenEnd, end, line);
    if (end < text.size()) {
        line += "\xE2\x80\xA6";
    }
    std::string message = "\n  " + line + "\n  ";
    message.append(caret, ' ');
    message.append(width > 0 ? width : 1, '^');
    return message;
}

}  // namespace tqhost
