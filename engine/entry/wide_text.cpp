#include "entry/wide_text.h"

#include "math/binary64.h"

#include <cstdint>
#include <cstring>

namespace tqcal {

namespace {

// The longest text the engine hands over: the display and its spill cells.
// Reading no further bounds every buffer below by what the cells can hold,
// so the whole conversion fits in a few hundred bytes of stack.
constexpr int kMaxCells = kDisplayArea;

// Exponents beyond this overflow or underflow any double whatever the
// digits, so both the typed exponent and the final scale saturate here.
constexpr int64_t kExponentLimit = 1000000;

// Powers of ten that are doubles exactly: 10^22 = 2^22 * 5^22 and 5^22 < 2^53.
constexpr double kExactPow10[] = {
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int kMaxExactPow10 = 22;
constexpr uint64_t kExactIntegerLimit = uint64_t{1} << 53;

bool IsSpace(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
           c == '\r';
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
    if (v > kExponentLimit) return kExponentLimit;
    if (v < -kExponentLimit) return -kExponentLimit;
    return v;
}

// ---- exact conversion -------------------------------------------------------
//
// The slow path: the decimal number digits * 10^exp10 is turned into an
// exact binary integer (times a power of two, and a flag for a non-zero
// remainder), which is then rounded once, to nearest with ties to even.
// Only texts with more than 15 significant digits or a large exponent get
// here; the engine's own display texts never do.

// Unsigned integer of 32-bit words, least significant first. 1024 bits hold
// what 17 cells can ask for: at most 17 digits (57 bits) times the largest
// power of five of a number that is not plainly zero or infinite (5^340,
// 790 bits), with the 57 bits the quotient below adds.
constexpr int kBigWords = 32;

struct BigInt {
    uint32_t w[kBigWords];
    int n;  // words in use; w[n - 1] is not zero unless n is 0
};

void SetSmall(BigInt &a, uint32_t v) {
    a.w[0] = v;
    a.n = v != 0 ? 1 : 0;
}

// a = a * m + add
void MulAdd(BigInt &a, uint32_t m, uint32_t add) {
    uint64_t carry = add;
    for (int i = 0; i < a.n; ++i) {
        const uint64_t t = static_cast<uint64_t>(a.w[i]) * m + carry;
        a.w[i] = static_cast<uint32_t>(t);
        carry = t >> 32;
    }
    if (carry != 0 && a.n < kBigWords) a.w[a.n++] = static_cast<uint32_t>(carry);
}

int BitLength(const BigInt &a) {
    if (a.n == 0) return 0;
    int bits = (a.n - 1) * 32;
    for (uint32_t top = a.w[a.n - 1]; top != 0; top >>= 1) ++bits;
    return bits;
}

void ShiftLeft(BigInt &a, int bits) {
    if (a.n == 0 || bits <= 0) return;
    const int words = bits / 32;
    const int rest = bits % 32;
    int n = a.n + words + 1;
    if (n > kBigWords) n = kBigWords;  // never reached: sizes are bounded above
    for (int i = n - 1; i >= 0; --i) {
        const int src = i - words;
        uint32_t hi = src >= 0 && src < a.n ? a.w[src] : 0;
        uint32_t lo = src - 1 >= 0 && src - 1 < a.n ? a.w[src - 1] : 0;
        a.w[i] = rest == 0 ? hi : (hi << rest) | (lo >> (32 - rest));
    }
    a.n = n;
    while (a.n > 0 && a.w[a.n - 1] == 0) --a.n;
}

void ShiftRightOne(BigInt &a) {
    for (int i = 0; i < a.n; ++i) {
        const uint32_t next = i + 1 < a.n ? a.w[i + 1] : 0;
        a.w[i] = (a.w[i] >> 1) | (next << 31);
    }
    while (a.n > 0 && a.w[a.n - 1] == 0) --a.n;
}

int Compare(const BigInt &a, const BigInt &b) {
    if (a.n != b.n) return a.n < b.n ? -1 : 1;
    for (int i = a.n - 1; i >= 0; --i) {
        if (a.w[i] != b.w[i]) return a.w[i] < b.w[i] ? -1 : 1;
    }
    return 0;
}

// a -= b, for a >= b
void Subtract(BigInt &a, const BigInt &b) {
    uint64_t borrow = 0;
    for (int i = 0; i < a.n; ++i) {
        const uint64_t t = static_cast<uint64_t>(a.w[i]) -
                           (i < b.n ? b.w[i] : 0) - borrow;
        a.w[i] = static_cast<uint32_t>(t);
        borrow = (t >> 32) & 1;
    }
    while (a.n > 0 && a.w[a.n - 1] == 0) --a.n;
}

bool Bit(const BigInt &a, int pos) {
    if (pos < 0 || pos / 32 >= a.n) return false;
    return (a.w[pos / 32] >> (pos % 32)) & 1;
}

bool AnyBitBelow(const BigInt &a, int pos) {
    for (int i = 0; i < a.n && i * 32 < pos; ++i) {
        const int inWord = pos - i * 32;
        const uint32_t mask = inWord >= 32 ? ~uint32_t{0} : (uint32_t{1} << inWord) - 1;
        if ((a.w[i] & mask) != 0) return true;
    }
    return false;
}

// 53 bits starting at bit pos (pos may be negative: zeros come in below).
uint64_t BitsFrom(const BigInt &a, int pos) {
    uint64_t v = 0;
    for (int k = 52; k >= 0; --k) v = (v << 1) | (Bit(a, pos + k) ? 1u : 0u);
    return v;
}

void MulPow5(BigInt &a, int k) {
    constexpr uint32_t kPow5_13 = 1220703125;  // the largest power of 5 below 2^32
    for (; k >= 13; k -= 13) MulAdd(a, kPow5_13, 0);
    uint32_t rest = 1;
    for (; k > 0; --k) rest *= 5;
    MulAdd(a, rest, 0);
}

double FromBits(uint64_t bits) {
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

// Rounds (n + f) * 2^e2 to the nearest double, ties to even, where
// 0 <= f < 1 and f > 0 exactly when inexact is set.
double RoundToDouble(const BigInt &n, int e2, bool inexact) {
    const int length = BitLength(n);
    if (length == 0) return 0.0;  // f alone is below any double's half step
    const int top = length - 1 + e2;  // the value lies in [2^top, 2^(top + 1))
    if (top > 1023) return FromBits(0x7FF0000000000000u);
    // The weight of the last bit kept: 53 bits for a normal number, fewer
    // below 2^-1022 where the weight stays at that of the smallest subnormal.
    int last = top - 52;
    if (last < -1074) last = -1074;
    const int drop = last - e2;  // bits of n below the one kept last
    uint64_t mantissa = BitsFrom(n, drop);
    if (drop > 0) {
        const bool half = Bit(n, drop - 1);
        const bool below = inexact || AnyBitBelow(n, drop - 1);
        if (half && (below || (mantissa & 1) != 0)) ++mantissa;
    }
    if (mantissa == kExactIntegerLimit) {
        mantissa >>= 1;
        ++last;
    }
    if (last > 1023 - 52) return FromBits(0x7FF0000000000000u);
    if (mantissa < (uint64_t{1} << 52)) return FromBits(mantissa);  // subnormal
    const uint64_t biased = static_cast<uint64_t>(last + 1075);
    return FromBits((biased << 52) | (mantissa & ((uint64_t{1} << 52) - 1)));
}

// digits (count of them, no leading zero) times 10^exp10, correctly rounded.
double ExactDecimal(const char *digits, int count, int64_t exp10) {
    // The value lies in [10^(lead - 1), 10^lead).
    const int64_t lead = count + exp10;
    if (lead > 310) return FromBits(0x7FF0000000000000u);
    if (lead < -323) return 0.0;  // below 10^-324, under half the least subnormal

    BigInt n;
    SetSmall(n, 0);
    for (int i = 0; i < count;) {
        uint32_t chunk = 0;
        uint32_t scale = 1;
        for (int k = 0; k < 9 && i < count; ++k, ++i) {
            chunk = chunk * 10 + static_cast<uint32_t>(digits[i] - '0');
            scale *= 10;
        }
        if (n.n == 0) {
            SetSmall(n, chunk);
        } else {
            MulAdd(n, scale, chunk);
        }
    }

    if (exp10 >= 0) {
        MulPow5(n, static_cast<int>(exp10));
        return RoundToDouble(n, static_cast<int>(exp10), false);
    }

    // n * 2^exp10 / 5^k: scale n or the divisor by a power of two so that
    // the quotient has 56 or 57 bits, then divide bit by bit; the remainder
    // only tells whether the quotient was exact.
    const int k = static_cast<int>(-exp10);
    BigInt divisor;
    SetSmall(divisor, 1);
    MulPow5(divisor, k);
    const int up = BitLength(divisor) + 56 - BitLength(n);
    if (up >= 0) {
        ShiftLeft(n, up);
    } else {
        ShiftLeft(divisor, -up);
    }
    constexpr int kSteps = 56;
    ShiftLeft(divisor, kSteps);
    uint64_t quotient = 0;
    for (int i = kSteps; i >= 0; --i) {
        quotient <<= 1;
        if (Compare(n, divisor) >= 0) {
            Subtract(n, divisor);
            quotient |= 1;
        }
        ShiftRightOne(divisor);
    }
    BigInt q;
    q.w[0] = static_cast<uint32_t>(quotient);
    q.w[1] = static_cast<uint32_t>(quotient >> 32);
    q.n = q.w[1] != 0 ? 2 : (q.w[0] != 0 ? 1 : 0);
    return RoundToDouble(q, static_cast<int>(exp10) - up, n.n != 0);
}

}  // namespace

double ParseWide(const WChar *text, int maxCells) {
    if (text == nullptr || maxCells <= 0) return 0.0;
    if (maxCells > kMaxCells) maxCells = kMaxCells;
    int i = 0;
    // The engine's display texts are right-aligned with blanks: skip those
    // first, four cells at a time (the same bytes in either byte order),
    // then any other white space.
    constexpr uint64_t kFourBlanks = 0x0020002000200020u;
    for (uint64_t cells; i + 4 <= maxCells; i += 4) {
        std::memcpy(&cells, text + i, sizeof cells);
        if (cells != kFourBlanks) break;
    }
    while (i < maxCells && text[i] == ' ') ++i;
    while (IsSpace(CellAt(text, maxCells, i))) ++i;

    bool negative = false;
    if (CellAt(text, maxCells, i) == '+' || CellAt(text, maxCells, i) == '-') {
        negative = CellAt(text, maxCells, i) == '-';
        ++i;
    }

    // The number is kept as the significant digits (no leading zeros) times
    // 10^scale, and also as an integer (17 digits fit), for the quick path.
    char digits[kMaxCells];
    int kept = 0;
    uint64_t mantissa = 0;
    int64_t scale = 0;
    int seen = 0;  // digits of the mantissa, leading zeros included

    for (int c = CellAt(text, maxCells, i); IsDigit(c);
         c = CellAt(text, maxCells, ++i)) {
        ++seen;
        if (kept == 0 && c == '0') continue;
        mantissa = mantissa * 10 + static_cast<unsigned>(c - '0');
        digits[kept++] = static_cast<char>(c);
    }
    if (CellAt(text, maxCells, i) == '.') {
        ++i;
        for (int c = CellAt(text, maxCells, i); IsDigit(c);
             c = CellAt(text, maxCells, ++i)) {
            ++seen;
            if (kept != 0 || c != '0') {
                mantissa = mantissa * 10 + static_cast<unsigned>(c - '0');
                digits[kept++] = static_cast<char>(c);
            }
            --scale;
        }
    }
    if (seen == 0) return 0.0;  // no digits: not a number at all

    // An exponent counts only when at least one digit follows the 'e' and
    // its sign; otherwise the number ends before the 'e'.
    int64_t typedExponent = 0;
    const int e = CellAt(text, maxCells, i);
    if (e == 'e' || e == 'E') {
        int j = i + 1;
        bool expNegative = false;
        const int s = CellAt(text, maxCells, j);
        if (s == '+' || s == '-') {
            expNegative = s == '-';
            ++j;
        }
        if (IsDigit(CellAt(text, maxCells, j))) {
            for (int c = CellAt(text, maxCells, j); IsDigit(c);
                 c = CellAt(text, maxCells, ++j)) {
                typedExponent = Saturate(typedExponent * 10 + (c - '0'));
            }
            if (expNegative) typedExponent = -typedExponent;
        }
    }

    double value = 0.0;
    if (kept == 0) {
        value = 0.0;
    } else if (mantissa < kExactIntegerLimit &&
               scale + typedExponent >= -kMaxExactPow10 &&
               scale + typedExponent <= kMaxExactPow10) {
        // Both operands are doubles exactly, so the one rounding of the
        // product or quotient (in double, never wider: see numeric/decimal.h)
        // is the correct one. Every text the engine
        // writes (at most 15 digits, scale within the field) comes here.
        const int64_t exp10 = scale + typedExponent;
        const double m = math::ExactDouble(mantissa);
        value = exp10 >= 0 ? m * kExactPow10[exp10] : m / kExactPow10[-exp10];
    } else {
        value = ExactDecimal(digits, kept, Saturate(scale + typedExponent));
    }
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
    cells[n] = kTerminator;
    return n;
}

}  // namespace tqcal
