#include "numeric/decimal_to_double.h"

#include "math/double_double.h"

namespace tqcal {

namespace {

using math::detail::FromBits;

// ---- exact conversion -------------------------------------------------------
//
// The slow path: the decimal number digits * 10^exp10 is turned into an
// exact binary integer (times a power of two, and a flag for a non-zero
// remainder), which is then rounded once, to nearest with ties to even.
// Only numbers with more than 15 significant digits or a large exponent get
// here; the engine's own display texts never do.

// Unsigned integer of 32-bit words, least significant first. 1024 bits hold
// what 17 cells can ask for: at most 17 digits (57 bits) times the largest
// power of five of a number that is not plainly zero or infinite (5^340,
// 790 bits), with the 57 bits the quotient below adds.
constexpr int BIG_WORDS = 32;

struct BigInt {
    uint32_t w[BIG_WORDS];
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
    if (carry != 0 && a.n < BIG_WORDS) a.w[a.n++] = static_cast<uint32_t>(carry);
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
    if (n > BIG_WORDS) n = BIG_WORDS;  // never reached: sizes are bounded above
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
        const uint64_t t = static_cast<uint64_t>(a.w[i]) - (i < b.n ? b.w[i] : 0) - borrow;
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
    constexpr uint32_t POW5_13 = 1220703125;  // the largest power of 5 below 2^32
    for (; k >= 13; k -= 13) MulAdd(a, POW5_13, 0);
    uint32_t rest = 1;
    for (; k > 0; --k) rest *= 5;
    MulAdd(a, rest, 0);
}

// Rounds (n + f) * 2^e2 to the nearest double, ties to even, where
// 0 <= f < 1 and f > 0 exactly when inexact is set.
double RoundToDouble(const BigInt &n, int e2, bool inexact) {
    const int length = BitLength(n);
    if (length == 0) return 0.0;      // f alone is below any double's half step
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
    if (mantissa == EXACT_INTEGER_LIMIT) {
        mantissa >>= 1;
        ++last;
    }
    if (last > 1023 - 52) return FromBits(0x7FF0000000000000u);
    if (mantissa < (uint64_t{1} << 52)) return FromBits(mantissa);  // subnormal
    const uint64_t biased = static_cast<uint64_t>(last + 1075);
    return FromBits((biased << 52) | (mantissa & ((uint64_t{1} << 52) - 1)));
}

// Kept out of line: its big integers need a frame of their own that the
// quick path, taken by every key, should not carry.
}  // namespace

__attribute__((noinline)) double ExactDecimal(const char *digits, int count, int64_t exp10) {
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
    constexpr int STEPS = 56;
    ShiftLeft(divisor, STEPS);
    uint64_t quotient = 0;
    for (int i = STEPS; i >= 0; --i) {
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

}  // namespace tqcal
