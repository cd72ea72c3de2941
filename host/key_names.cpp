#include "key_names.h"

#include "tqcal.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace tqhost {
namespace {

constexpr std::array kNames{
    KeyName{KEY_EQUAL, "=", "", "equals: completes the calculation, repeats a constant"},
    KeyName{KEY_ADD, "+", "", "add"},
    KeyName{KEY_SUB, "-", "\xE2\x88\x92", "subtract"},
    KeyName{KEY_MUL, "*", "\xC3\x97", "multiply"},
    KeyName{KEY_DIV, "/", "\xC3\xB7", "divide"},
    KeyName{KEY_POW, "^", "x^y pow", "x to the power y"},
    KeyName{KEY_ROOT, "root", "", "y-th root of x: 27 root 3 = gives 3"},
    KeyName{KEY_LPAREN, "(", "", "open a parenthesis"},
    KeyName{KEY_RPAREN, ")", "", "close a parenthesis"},
    KeyName{KEY_PERCENT, "%", "", "percent: the value divided by 100"},
    KeyName{KEY_PERCENT_OP, "pct", "%op",
            "percent completion: 200 + 10 pct gives 220, 200 * 10 pct + gives 220"},
    KeyName{KEY_SIGN, "+/-", "\xC2\xB1 neg", "change the sign"},
    KeyName{KEY_EXP, "EXP", "EE", "exponent entry: 5 EXP 20 is 5 times 10 to the 20th"},
    KeyName{KEY_BACKSPACE, "BS", "back backspace", "delete the last character typed"},
    KeyName{KEY_CE, "CE", "", "clear the entry"},
    KeyName{KEY_AC, "AC", "", "all clear (the memory stays)"},
    KeyName{KEY_MSTORE, "MS", "", "memory store"},
    KeyName{KEY_MPLUS, "M+", "", "complete the calculation and add it to the memory"},
    KeyName{KEY_MMINUS, "M-", "M\xE2\x88\x92", "complete the calculation and subtract it from the memory"},
    KeyName{KEY_MRC, "MRC", "MR", "memory recall; pressed twice in a row it clears the memory"},
    KeyName{KEY_MSTORE_ALT, "MSalt", "", "memory store under the second store code"},
    KeyName{KEY_PI, "pi", "\xCF\x80", "pi"},
    KeyName{KEY_SQUARE, "x^2", "x\xC2\xB2 sq", "square"},
    KeyName{KEY_SQRT, "sqrt", "\xE2\x88\x9A", "square root"},
    KeyName{KEY_RECIP, "1/x", "recip", "reciprocal"},
    KeyName{KEY_FACT, "!", "n! fact", "factorial"},
    KeyName{KEY_SIN, "sin", "", "sine, degrees"},
    KeyName{KEY_COS, "cos", "", "cosine, degrees"},
    KeyName{KEY_TAN, "tan", "", "tangent, degrees"},
    KeyName{KEY_ASIN, "asin", "arcsin", "arc sine, in degrees"},
    KeyName{KEY_ACOS, "acos", "arccos", "arc cosine, in degrees"},
    KeyName{KEY_ATAN, "atan", "arctan", "arc tangent, in degrees"},
    KeyName{KEY_LN, "ln", "", "natural logarithm"},
    KeyName{KEY_EXPE, "e^x", "", "e to the power x"},
    KeyName{KEY_LOG, "log", "", "common logarithm"},
    KeyName{KEY_POW10, "10^x", "pow10", "ten to the power x"},
    KeyName{KEY_BLANK_OP, "blank", "", "blank operator: applies the pending operators, then waits"},
};

constexpr std::array kLegend{
    LegendEntry{"0-9 .", "digits, point"},
    LegendEntry{"+ - * /", "operators"},
    LegendEntry{"( )", "parentheses"},
    LegendEntry{"= Enter", "equals"},
    LegendEntry{"Bksp", "delete digit"},
    LegendEntry{"n", "+/- sign"},
    LegendEntry{"E", "EXP exponent"},
    LegendEntry{"%", "percent"},
    LegendEntry{"P", "pct a+b%"},
    LegendEntry{"Del k", "CE clear entry"},
    LegendEntry{"Esc a", "AC all clear"},
    LegendEntry{"m M", "M+  M-"},
    LegendEntry{"r R", "MRC  MS"},
    LegendEntry{"^ y", "x^y"},
    LegendEntry{"Y", "x^(1/y) root"},
    LegendEntry{"v V", "sqrt  x^2"},
    LegendEntry{"i", "1/x"},
    LegendEntry{"!", "n!"},
    LegendEntry{"p", "pi"},
    LegendEntry{"s S", "sin  asin"},
    LegendEntry{"c C", "cos  acos"},
    LegendEntry{"t T", "tan  atan"},
    LegendEntry{"l L", "ln  e^x"},
    LegendEntry{"g G", "log  10^x"},
    LegendEntry{"Tab", "mode alg/equal"},
    LegendEntry{"q", "quit"},
};

bool IsAsciiLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Length of the character at pos. A well-formed UTF-8 sequence ("×") is one
// character; any other byte (a stray continuation byte, a lead byte without
// its continuation bytes) is a character of its own, which a message shows
// as \xNN. Columns, quoting windows and carets all count these characters,
// so the caret stands under the escape of a stray byte.
size_t CharLength(std::string_view text, size_t pos) {
    unsigned char lead = static_cast<unsigned char>(text[pos]);
    size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                  : lead >= 0xF0 && lead <= 0xF4 ? 4 : 1;
    if (text.size() - pos < length) {
        return 1;
    }
    for (size_t i = 1; i < length; ++i) {
        if (!IsContinuation(text[pos + i])) {
            return 1;
        }
    }
    return length;
}

// Columns count characters, not bytes: "×" is one column. The parser only
// moves forward, so a column is counted on from the last one asked for:
// counting from the start of the line for every token made a long line cost
// the square of its length.
struct ColumnCounter {
    std::string_view text;
    size_t pos = 0;
    int column = 1;
};

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

// Byte offset where character index (0-based) begins, or text.size().
size_t OffsetOfCharacter(std::string_view text, size_t index) {
    size_t pos = 0;
    for (size_t seen = 0; pos < text.size() && seen < index; ++seen) {
        pos += CharLength(text, pos);
    }
    return pos < text.size() ? pos : text.size();
}

size_t CharacterCount(std::string_view text) {
    size_t count = 0;
    for (size_t pos = 0; pos < text.size(); pos += CharLength(text, pos)) {
        ++count;
    }
    return count;
}

// The token as a key keeps it: kQuoteLimit characters and one more when it
// goes on, which is all a message shows.
std::string ClippedToken(std::string_view token) {
    return std::string(token.substr(0, OffsetOfCharacter(token, kQuoteLimit + 1)));
}

// Length of the well-formed UTF-8 sequence at pos when it encodes a
// character a terminal prints as such; 0 for a stray or malformed byte, a C1
// control, or a format character that reorders or hides text.
size_t PrintableSequenceLength(std::string_view text, size_t pos) {
    unsigned char lead = static_cast<unsigned char>(text[pos]);
    size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                  : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
    if (length == 0 || text.size() - pos < length) {
        return 0;
    }
    char32_t cp = lead & (0x7Fu >> length);
    for (size_t i = 1; i < length; ++i) {
        if (!IsContinuation(text[pos + i])) {
            return 0;
        }
        cp = (cp << 6) | (static_cast<unsigned char>(text[pos + i]) & 0x3Fu);
    }
    constexpr char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
    bool overlong = cp < kShortest[length];
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
        if (c >= 0x20 && c < 0x7f) {
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
            constexpr char kHex[] = "0123456789ABCDEF";
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
            columns += 4;
            pos += 1;
        }
    }
    return columns;
}

bool StartsWithFolded(std::string_view text, size_t pos, std::string_view name) {
    if (name.empty() || text.size() - pos < name.size()) {
        return false;
    }
    for (size_t i = 0; i < name.size(); ++i) {
        unsigned char a = static_cast<unsigned char>(text[pos + i]);
        unsigned char b = static_cast<unsigned char>(name[i]);
        if (std::tolower(a) != std::tolower(b)) {
            return false;
        }
    }
    return true;
}

struct NameMatch {
    int code = -1;
    size_t length = 0;
};

// The longest key name or alias that the text at pos begins with.
NameMatch LongestName(std::string_view text, size_t pos, size_t end) {
    NameMatch best;
    std::string_view word = text.substr(0, end);
    auto consider = [&](int code, std::string_view name) {
        if (name.size() > best.length && StartsWithFolded(word, pos, name)) {
            best.code = code;
            best.length = name.size();
        }
    };
    for (const KeyName &key : kNames) {
        consider(key.code, key.name);
        std::string_view aliases = key.aliases;
        while (!aliases.empty()) {
            size_t blank = aliases.find(' ');
            consider(key.code, aliases.substr(0, blank));
            aliases = blank == std::string_view::npos ? std::string_view{} : aliases.substr(blank + 1);
        }
    }
    return best;
}

size_t LetterRunEnd(std::string_view text, size_t pos, size_t end) {
    while (pos < end && IsAsciiLetter(text[pos])) {
        ++pos;
    }
    return pos;
}

}  // namespace

std::span<const KeyName> KeyNames() { return kNames; }

std::span<const LegendEntry> KeyboardLegend() { return kLegend; }

std::vector<LegendPlace> LayOutLegend(int columns, int rows) {
    std::vector<LegendPlace> places;
    if (columns < 1 || rows < 1) {
        return places;
    }
    const size_t room = static_cast<size_t>(columns) * static_cast<size_t>(rows);
    std::vector<const LegendEntry *> shown;
    const LegendEntry *quit = nullptr;
    for (const LegendEntry &entry : kLegend) {
        if (CodeForInput(static_cast<unsigned char>(entry.keys[0])) == kCommandQuit) {
            quit = &entry;
        }
        shown.push_back(&entry);
    }
    if (shown.size() > room) {
        shown.erase(std::remove(shown.begin(), shown.end(), quit), shown.end());
        shown.resize(room - 1);
        shown.push_back(quit);  // there is always a key that quits
    }
    // Fill the columns evenly, top to bottom, left to right.
    size_t perColumn = (shown.size() + static_cast<size_t>(columns) - 1) / static_cast<size_t>(columns);
    for (size_t i = 0; i < shown.size(); ++i) {
        places.push_back(LegendPlace{shown[i], static_cast<int>(i % perColumn), static_cast<int>(i / perColumn)});
    }
    return places;
}

std::string KeyLabel(int code) {
    if (code >= KEY_0 && code <= KEY_9) {
        return std::string(1, static_cast<char>('0' + code));
    }
    if (code == KEY_POINT) {
        return ".";
    }
    for (const KeyName &key : kNames) {
        if (key.code == code) {
            return key.name;
        }
    }
    return "#" + std::to_string(code);
}

ParsedKeys ParseKeys(std::string_view text) {
    ParsedKeys parsed;
    ColumnCounter columns{text};
    auto fail = [&](size_t pos, size_t length, std::string reason) {
        parsed.keys.clear();
        parsed.error = ParseError{ClippedToken(text.substr(pos, length)), ColumnAt(columns, pos), std::move(reason)};
        return parsed;
    };
    auto emit = [&](int code, size_t pos, size_t length) {
        parsed.keys.push_back(KeyPress{code, ClippedToken(text.substr(pos, length)), ColumnAt(columns, pos)});
    };

    size_t pos = 0;
    while (pos < text.size()) {
        if (IsBlank(text[pos])) {
            ++pos;
            continue;
        }
        size_t wordEnd = pos;
        while (wordEnd < text.size() && !IsBlank(text[wordEnd])) {
            ++wordEnd;
        }
        // Inside a word, take the longest name first, so that "1/x" is the
        // reciprocal and "M+" a memory key, then numbers and raw codes.
        while (pos < wordEnd) {
            NameMatch name = LongestName(text, pos, wordEnd);
            if (name.code >= 0) {
                size_t after = pos + name.length;
                // "pie" is not pi followed by something called "e".
                if (IsAsciiLetter(text[after - 1]) && after < wordEnd && IsAsciiLetter(text[after])) {
                    size_t start = after - 1;
                    while (start > pos && IsAsciiLetter(text[start - 1])) {
                        --start;
                    }
                    return fail(start, LetterRunEnd(text, after, wordEnd) - start, "unknown key");
                }
                emit(name.code, pos, name.length);
                pos = after;
                continue;
            }
            char c = text[pos];
            if (IsDigit(c) || c == '.') {
                size_t end = pos;
                int points = 0;
                while (end < wordEnd && (IsDigit(text[end]) || text[end] == '.')) {
                    points += text[end] == '.' ? 1 : 0;
                    ++end;
                }
                if (points > 1) {
                    return fail(pos, end - pos, "a number has at most one point");
                }
                for (size_t i = pos; i < end; ++i) {
                    emit(text[i] == '.' ? KEY_POINT : KEY_0 + (text[i] - '0'), pos, end - pos);
                }
                pos = end;
                continue;
            }
            if (c == '#') {
                size_t end = pos + 1;
                long code = 0;
                while (end < wordEnd && IsDigit(text[end]) && code <= 255) {
                    code = code * 10 + (text[end] - '0');
                    ++end;
                }
                while (end < wordEnd && IsDigit(text[end])) {
                    ++end;
                }
                if (end == pos + 1 || code > 255) {
                    size_t shown = end == pos + 1 ? LetterRunEnd(text, end, wordEnd) : end;
                    return fail(pos, shown - pos, "a raw code is # and a number from 0 to 255");
                }
                emit(static_cast<int>(code), pos, end - pos);
                pos = end;
                continue;
            }
            if (IsAsciiLetter(c)) {
                return fail(pos, LetterRunEnd(text, pos, wordEnd) - pos, "unknown key");
            }
            return fail(pos, CharLength(text, pos), "unknown key");
        }
    }
    return parsed;
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

std::string DescribeParseError(const ParseError &error, std::string_view text, std::string_view where) {
    std::string message;
    message += where;
    message += ": ";
    message += error.reason;
    message += " \"";
    message += Printable(error.token);
    message += "\" at column ";
    message += std::to_string(error.column);

    // A window of kQuoteLimit characters: the bad token with a little of
    // what comes before it, or the whole line when it is short enough.
    constexpr size_t kBefore = 10;
    size_t total = CharacterCount(text);
    size_t at = error.column > 0 ? static_cast<size_t>(error.column - 1) : 0;
    size_t first = 0;
    if (total > kQuoteLimit) {
        first = at > kBefore ? at - kBefore : 0;
        first = first < total - kQuoteLimit ? first : total - kQuoteLimit;
    }
    size_t begin = OffsetOfCharacter(text, first);
    size_t end = OffsetOfCharacter(text, first + kQuoteLimit);
    size_t tokenBegin = OffsetOfCharacter(text, at);
    size_t tokenEnd = tokenBegin + error.token.size();
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
    message += "\n  " + line + "\n  ";
    message.append(caret, ' ');
    message.append(width > 0 ? width : 1, '^');
    return message;
}

int CodeForInput(int input) {
    if (input >= '0' && input <= '9') {
        return KEY_0 + (input - '0');
    }
    switch (input) {
    case '.':
    case ',': return KEY_POINT;
    case '=':
    case kInputEnter:
    case '\r': return KEY_EQUAL;
    case '+': return KEY_ADD;
    case '-': return KEY_SUB;
    case '*': return KEY_MUL;
    case '/': return KEY_DIV;
    case '^':
    case 'y': return KEY_POW;
    case 'Y': return KEY_ROOT;
    case '(': return KEY_LPAREN;
    case ')': return KEY_RPAREN;
    case '%': return KEY_PERCENT;
    case 'P': return KEY_PERCENT_OP;
    case kInputBackspace: return KEY_BACKSPACE;
    case 'n': return KEY_SIGN;
    case 'E': return KEY_EXP;
    case kInputDelete:
    case 'k': return KEY_CE;
    case kInputEscape:
    case 'a': return KEY_AC;
    case 'm': return KEY_MPLUS;
    case 'M': return KEY_MMINUS;
    case 'r': return KEY_MRC;
    case 'R': return KEY_MSTORE;
    case 'v': return KEY_SQRT;
    case 'V': return KEY_SQUARE;
    case 'i': return KEY_RECIP;
    case '!': return KEY_FACT;
    case 'p': return KEY_PI;
    case 's': return KEY_SIN;
    case 'S': return KEY_ASIN;
    case 'c': return KEY_COS;
    case 'C': return KEY_ACOS;
    case 't': return KEY_TAN;
    case 'T': return KEY_ATAN;
    case 'l': return KEY_LN;
    case 'L': return KEY_EXPE;
    case 'g': return KEY_LOG;
    case 'G': return KEY_POW10;
    case kInputTab: return kCommandMode;
    case 'q':
    case 3:   // Ctrl-C: the terminal is in raw mode, so it arrives as a key
    case 4: return kCommandQuit;
    default: return kCommandNone;
    }
}

}  // namespace tqhost
