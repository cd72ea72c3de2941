#include "key_names.h"

#include <cctype>

namespace tqhost {
namespace {

constexpr const char *RAW_CODE_RULE = "a raw code is # and a whole number that fits in 32 bits";

bool IsAsciiLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
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

// Keeps name as the match when the word at pos begins with it and it is
// longer than the match so far.
void Consider(NameMatch &best, int code, std::string_view name, std::string_view word, size_t pos) {
    if (name.size() > best.length && StartsWithFolded(word, pos, name)) {
        best.code = code;
        best.length = name.size();
    }
}

// The longest key name or alias that the word (text up to end) begins with
// at pos.
NameMatch LongestName(std::string_view text, size_t pos, size_t end) {
    NameMatch best;
    std::string_view word = text.substr(0, end);
    for (const tqcal_key_row &key : KeyNames()) {
        Consider(best, key.code, key.name, word, pos);
        for (std::string_view aliases = key.aliases; !aliases.empty();) {
            Consider(best, key.code, TakeWord(aliases), word, pos);
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

size_t WordEnd(std::string_view text, size_t pos) {
    while (pos < text.size() && !IsBlank(text[pos])) {
        ++pos;
    }
    return pos;
}

// The token as a key keeps it: QUOTE_LIMIT characters and one more when it
// goes on, which is all a message shows.
std::string ClippedToken(std::string_view token) {
    return std::string(token.substr(0, OffsetOfCharacter(token, QUOTE_LIMIT + 1)));
}

// One parse under way. Each Read step below reads the token at pos, which
// ends by the end of its word, and returns where the next token begins, or
// PARSE_FAILED when it recorded an error.
struct Parse {
    std::string_view text;
    ColumnCounter columns;
    const std::function<void(const KeyView &)> &each;
    std::optional<ParseError> error;
};

constexpr size_t PARSE_FAILED = std::string_view::npos;

size_t Fail(Parse &parse, size_t pos, size_t length, const char *reason, const char *rule = "") {
    parse.error = ParseError{ClippedToken(parse.text.substr(pos, length)),
                             ColumnAt(parse.columns, pos), reason, rule};
    return PARSE_FAILED;
}

void Emit(Parse &parse, int code, size_t pos, size_t length) {
    parse.each(KeyView{code, parse.text.substr(pos, length), ColumnAt(parse.columns, pos)});
}

size_t ReadName(Parse &parse, NameMatch name, size_t pos, size_t wordEnd) {
    std::string_view text = parse.text;
    size_t after = pos + name.length;
    // "pie" is not pi followed by something called "e".
    if (IsAsciiLetter(text[after - 1]) && after < wordEnd && IsAsciiLetter(text[after])) {
        size_t start = after - 1;
        while (start > pos && IsAsciiLetter(text[start - 1])) {
            --start;
        }
        return Fail(parse, start, LetterRunEnd(text, after, wordEnd) - start, "unknown key");
    }
    Emit(parse, name.code, pos, name.length);
    return after;
}

// A number: each digit and the point is a key of its own.
size_t ReadNumber(Parse &parse, size_t pos, size_t wordEnd) {
    std::string_view text = parse.text;
    size_t end = pos;
    int points = 0;
    while (end < wordEnd && (IsDigit(text[end]) || text[end] == '.')) {
        points += text[end] == '.' ? 1 : 0;
        ++end;
    }
    if (points > 1) {
        return Fail(parse, pos, end - pos, "bad number", "a number has at most one point");
    }
    for (size_t i = pos; i < end; ++i) {
        Emit(parse, text[i] == '.' ? KEY_POINT : KEY_0 + (text[i] - '0'), pos, end - pos);
    }
    return end;
}

// "#N": the raw key code N, any 32-bit int, negative ones included: a host
// may hand the engine any int, and the recorded sequences press some that no
// byte holds. The value stops growing past the int range, so that a long run
// of digits cannot overflow it.
size_t ReadRawCode(Parse &parse, size_t pos, size_t wordEnd) {
    std::string_view text = parse.text;
    constexpr long long LIMIT = 2147483648LL;  // one past INT32_MAX
    const bool negative = pos + 1 < wordEnd && text[pos + 1] == '-';
    const size_t digits = pos + 1 + (negative ? 1 : 0);
    size_t end = digits;
    long long magnitude = 0;
    for (; end < wordEnd && IsDigit(text[end]); ++end) {
        magnitude = magnitude <= LIMIT ? magnitude * 10 + (text[end] - '0') : magnitude;
    }
    if (end == digits || magnitude > (negative ? LIMIT : LIMIT - 1)) {
        size_t shown = end == digits ? LetterRunEnd(text, end, wordEnd) : end;
        return Fail(parse, pos, shown - pos, "bad raw code", RAW_CODE_RULE);
    }
    Emit(parse, static_cast<int>(negative ? -magnitude : magnitude), pos, end - pos);
    return end;
}

// Inside a word, the longest name comes first, so that "1/x" is the
// reciprocal and "M+" a memory key, then numbers and raw codes.
size_t ReadToken(Parse &parse, size_t pos, size_t wordEnd) {
    std::string_view text = parse.text;
    NameMatch name = LongestName(text, pos, wordEnd);
    if (name.code >= 0) {
        return ReadName(parse, name, pos, wordEnd);
    }
    char c = text[pos];
    if (IsDigit(c) || c == '.') {
        return ReadNumber(parse, pos, wordEnd);
    }
    if (c == '#') {
        return ReadRawCode(parse, pos, wordEnd);
    }
    size_t length =
        IsAsciiLetter(c) ? LetterRunEnd(text, pos, wordEnd) - pos : CharLength(text, pos);
    return Fail(parse, pos, length, "unknown key");
}

}  // namespace

std::span<const tqcal_key_row> KeyNames() {
    // The table's first row is the point, which comes inside numbers.
    return std::span(tqcal_key_rows).subspan(1);
}

std::string_view TakeWord(std::string_view &rest) {
    size_t blank = rest.find(' ');
    std::string_view word = rest.substr(0, blank);
    rest = blank == std::string_view::npos ? std::string_view{} : rest.substr(blank + 1);
    return word;
}

std::string KeyLabel(int code) {
    char label[16];
    tqcal_key_label(code, label);
    return label;
}

KeyPress Kept(const KeyView &key) {
    return KeyPress{key.code, ClippedToken(key.token), key.column};
}

std::optional<ParseError> ScanKeys(std::string_view text,
                                   const std::function<void(const KeyView &)> &each) {
    Parse parse{text, ColumnCounter{text}, each, std::nullopt};
    size_t wordEnd = 0;
    for (size_t pos = 0; pos < text.size() && pos != PARSE_FAILED;) {
        if (IsBlank(text[pos])) {
            ++pos;
            continue;
        }
        wordEnd = pos < wordEnd ? wordEnd : WordEnd(text, pos);
        pos = ReadToken(parse, pos, wordEnd);
    }
    return std::move(parse.error);
}

std::string ParseErrorText(const ParseError &error) {
    return error.reason + " \"" + Printable(error.token) + "\" at column " +
           std::to_string(error.column) + (error.rule.empty() ? "" : ": " + error.rule);
}

std::string DescribeParseError(const ParseError &error, std::string_view text,
                               std::string_view where) {
    return std::string(where) + ": " + ParseErrorText(error) +
           QuoteWithCaret(text, error.column, error.token.size());
}

}  // namespace tqhost
