#include "entry/wide_text.h"

#include "numeric/decimal_to_double.h"

#include <cstdint>
#include <cstring>

namespace tqcal {

namespace {

// The longest text the engine hands over: the display and its spill cells.
// Reading no further bounds every buffer below by what the cells can hold,
// so the whole conversion fits in a few hundred bytes of stack.
constexpr int MAX_CELLS = DISPLAY_AREA;
static_assert(MAX_DECIMAL_DIGITS >= MAX_CELLS, "every cell may hold a digit");

// Exponents beyond this overflow or underflow any double whatever the
// digits, so the typed exponent saturates here (while it is read, digit by
// digit, so that no count of digits can overflow it).
constexpr int64_t EXPONENT_LIMIT = 1000000;

bool IsSpace(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(int c) { return c >= '0' && c <= '9'; }

// Reads cell k as a plain code; a cell beyond maxCells or outside ASCII reads
// as the terminator, so the scan ends there.
int CellAt(const WChar *text, int maxCells, int k) {
    if (k >= maxCells) return 0;
    const WChar c = text[k];
    return c < 0x80 ? static_cast<int>(c) : 0;
}

int64_t Saturate(int64_t v) {
    if (v > EXPONENT_LIMIT) return EXPONENT_LIMIT;
    if (v < -EXPONENT_LIMIT) return -EXPONENT_LIMIT;
    return v;
}

// The steps of the parser run on every key that takes up a typed number:
// inlined, the scan position and the digit counts stay in registers.
#define TQCAL_PARSE_STEP inline __attribute__((always_inline))

// The cells of one text, read left to right.
struct Scan {
    const WChar *text;
    int maxCells;
    int i;

    int Cell() const { return CellAt(text, maxCells, i); }
};

// The engine's display texts are right-aligned with blanks: those are
// skipped first, four cells at a time (the same bytes in either byte
// order), then any other white space.
TQCAL_PARSE_STEP void SkipWhiteSpace(Scan &scan) {
    constexpr uint64_t FOUR_BLANKS = 0x0020002000200020u;
    for (uint64_t cells; scan.i + 4 <= scan.maxCells; scan.i += 4) {
        std::memcpy(&cells, scan.text + scan.i, sizeof cells);
        if (cells != FOUR_BLANKS) break;
    }
    while (scan.i < scan.maxCells && scan.text[scan.i] == ' ') ++scan.i;
    while (IsSpace(scan.Cell())) ++scan.i;
}

// An optional sign; true for '-'.
TQCAL_PARSE_STEP bool ReadSign(Scan &scan) {
    const int c = scan.Cell();
    if (c != '+' && c != '-') return false;
    ++scan.i;
    return c == '-';
}

// The significant digits of a number (leading zeros dropped): the text in
// a buffer of their own (so that storing a digit cannot alias the counts
// here), the count, the same digits as an integer (17 cells hold at most 17
// digits), and the power of ten they are multiplied by.
struct Digits {
    char *text;
    int count;
    uint64_t value;
    int64_t exp10;
};

// A run of digits into d; afterPoint makes each digit one more decimal
// place. Returns the digits read, leading zeros included.
TQCAL_PARSE_STEP int ReadDigits(Scan &scan, Digits &d, bool afterPoint) {
    const int start = scan.i;
    for (int c = scan.Cell(); IsDigit(c); c = (++scan.i, scan.Cell())) {
        if (d.count == 0 && c == '0') continue;
        d.value = d.value * 10 + static_cast<unsigned>(c - '0');
        d.text[d.count++] = static_cast<char>(c);
    }
    const int read = scan.i - start;
    if (afterPoint) d.exp10 -= read;
    return read;
}

// An exponent counts only when at least one digit follows the 'e' and its
// sign; otherwise the number ends before the 'e' and the exponent is 0.
TQCAL_PARSE_STEP int64_t ReadExponent(Scan &scan) {
    const int e = scan.Cell();
    if (e != 'e' && e != 'E') return 0;
    Scan digits{scan.text, scan.maxCells, scan.i + 1};
    const bool negative = ReadSign(digits);
    int64_t exponent = 0;
    for (int c = digits.Cell(); IsDigit(c); c = (++digits.i, digits.Cell())) {
        exponent = Saturate(exponent * 10 + (c - '0'));
    }
    return negative ? -exponent : exponent;
}

}  // namespace

double ParseWide(const WChar *text, int maxCells) {
    if (text == nullptr || maxCells <= 0) return 0.0;
    Scan scan{text, maxCells > MAX_CELLS ? MAX_CELLS : maxCells, 0};
    SkipWhiteSpace(scan);
    // The sign spelled out rather than through ReadSign: on this road, which
    // every key with a typed number takes, it compiles to fewer instructions.
    bool negative = false;
    if (scan.Cell() == '+' || scan.Cell() == '-') {
        negative = scan.Cell() == '-';
        ++scan.i;
    }

    char significant[MAX_DECIMAL_DIGITS];
    Digits number{significant, 0, 0, 0};
    int seen = ReadDigits(scan, number, false);
    if (scan.Cell() == '.') {
        ++scan.i;
        seen += ReadDigits(scan, number, true);
    }
    if (seen == 0) return 0.0;  // no digits: not a number at all
    // The fraction digits put at most 17 places on a typed exponent of at
    // most a million: far beyond any double either way, no overflow.
    const int64_t exp10 = number.exp10 + ReadExponent(scan);
    const double value = DecimalToDouble(number.text, number.count, number.value, exp10);
    return negative ? -value : value;
}

// Returns the characters written before the terminator.
int FormatDecimal(WChar *cells, int maxCells, uint32_t value) {
    if (cells == nullptr || maxCells <= 0) return 0;
    // "%02d": at least two digits, zero-padded.
    char tmp[16];
    int len = 0;
    do {
        tmp[len++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (len < 2) tmp[len++] = '0';

    // tmp holds the text backwards; copy what fits before the terminator.
    const int room = maxCells - 1;
    int n = 0;
    for (; n < len && n < room; ++n) cells[n] = static_cast<WChar>(tmp[len - 1 - n]);
    cells[n] = TERMINATOR;
    return n;
}

}  // namespace tqcal
