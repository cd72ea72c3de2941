// The Windows CE DLL's own memcpy, memset, memcmp and EABI division helpers
// (own_routines.cpp) give what the C library and the compiler's helpers
// give, on the same inputs: every alignment and length up to a few words,
// every sign, the edges of the integer range.
#include <gtest/gtest.h>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" {
void *tqcal_own_memcpy(void *dest, const void *src, size_t n);
void *tqcal_own_memset(void *dest, int c, size_t n);
int tqcal_own_memcmp(const void *a, const void *b, size_t n);
#if defined(__ARM_EABI__)
uint32_t tqcal_own_uidiv(uint32_t n, uint32_t d);
int32_t tqcal_own_idiv(int32_t n, int32_t d);
uint64_t tqcal_own_uidivmod(uint32_t n, uint32_t d);
uint64_t tqcal_own_idivmod(int32_t n, int32_t d);
// The compiler's (libgcc's): quotient in r0, remainder in r1 for divmod.
uint32_t __aeabi_uidiv(uint32_t n, uint32_t d);
int32_t __aeabi_idiv(int32_t n, int32_t d);
uint64_t __aeabi_uidivmod(uint32_t n, uint32_t d);
uint64_t __aeabi_idivmod(int32_t n, int32_t d);
#endif
}

namespace {

constexpr size_t MAX_LENGTH = 20;  // five words
constexpr size_t SLACK = 8;        // guard bytes either side

// A buffer with guard bytes around the bytes a routine may touch, placed at
// a chosen offset from a word boundary.
struct Area {
    alignas(8) unsigned char bytes[SLACK + 3 + MAX_LENGTH + SLACK];
};

int Sign(int v) { return (v > 0) - (v < 0); }

TEST(FreestandingRoutines, MemcpyCopiesExactlyTheBytesAtEveryAlignment) {
    for (size_t src_at = 0; src_at < 4; ++src_at) {
        for (size_t dst_at = 0; dst_at < 4; ++dst_at) {
            for (size_t n = 0; n <= MAX_LENGTH; ++n) {
                Area src, own, lib;
                for (size_t i = 0; i < sizeof src.bytes; ++i)
                    src.bytes[i] = static_cast<unsigned char>(0x80 + 7 * i);
                std::memset(own.bytes, 0xA5, sizeof own.bytes);
                std::memset(lib.bytes, 0xA5, sizeof lib.bytes);
                void *dest = own.bytes + SLACK + dst_at;
                EXPECT_EQ(tqcal_own_memcpy(dest, src.bytes + SLACK + src_at, n), dest);
                std::memcpy(lib.bytes + SLACK + dst_at, src.bytes + SLACK + src_at, n);
                ASSERT_EQ(std::memcmp(own.bytes, lib.bytes, sizeof own.bytes), 0)
                    << "source +" << src_at << ", destination +" << dst_at << ", " << n << " bytes";
            }
        }
    }
}

TEST(FreestandingRoutines, MemsetFillsExactlyTheBytesAtEveryAlignment) {
    // The value is converted to unsigned char: 0x1FF and -1 both fill 0xFF.
    const int values[] = {0, 0x5A, 0x80, 0xFF, 0x1FF, -1, -128};
    for (const int value : values) {
        for (size_t at = 0; at < 4; ++at) {
            for (size_t n = 0; n <= MAX_LENGTH; ++n) {
                Area own, lib;
                std::memset(own.bytes, 0x3C, sizeof own.bytes);
                std::memset(lib.bytes, 0x3C, sizeof lib.bytes);
                void *dest = own.bytes + SLACK + at;
                EXPECT_EQ(tqcal_own_memset(dest, value, n), dest);
                std::memset(lib.bytes + SLACK + at, value, n);
                ASSERT_EQ(std::memcmp(own.bytes, lib.bytes, sizeof own.bytes), 0)
                    << "value " << value << ", +" << at << ", " << n << " bytes";
            }
        }
    }
}

TEST(FreestandingRoutines, MemcmpHasTheSignOfTheFirstDifferingByteAsUnsigned) {
    // Bytes either side of 0x80, where a signed comparison would turn.
    const unsigned char pairs[][2] = {
        {1, 2}, {0x7F, 0x80}, {0x00, 0xFF}, {0x80, 0x81}, {0xFE, 0xFF}};
    for (size_t at = 0; at < 4; ++at) {
        for (size_t n = 1; n <= MAX_LENGTH; ++n) {
            for (size_t differ = 0; differ < n; ++differ) {
                for (const auto &pair : pairs) {
                    Area a, b;
                    for (size_t i = 0; i < sizeof a.bytes; ++i)
                        a.bytes[i] = b.bytes[i] = static_cast<unsigned char>(0x41 + i);
                    unsigned char *x = a.bytes + SLACK + at, *y = b.bytes + SLACK;
                    std::memcpy(x, y, n);
                    x[differ] = pair[0];
                    y[differ] = pair[1];
                    // A difference after the first one must not count.
                    if (differ + 1 < n) {
                        x[differ + 1] = 0xFF;
                        y[differ + 1] = 0;
                    }
                    ASSERT_EQ(Sign(tqcal_own_memcmp(x, y, n)), Sign(std::memcmp(x, y, n)))
                        << n << " bytes, differing at " << differ;
                    ASSERT_EQ(Sign(tqcal_own_memcmp(y, x, n)), Sign(std::memcmp(y, x, n)));
                    ASSERT_EQ(tqcal_own_memcmp(x, y, differ), 0);
                }
            }
        }
    }
}

#if defined(__ARM_EABI__)
// Edges of the 32-bit range and small numbers; each with every sign where
// signed.
const uint32_t EDGES[] = {0,          1,          2,          3,          7,
                          10,         0x7FFF,     0x10000,    0x12345678, 0x7FFFFFFE,
                          0x7FFFFFFF, 0x80000000, 0x80000001, 0xFFFFFFFE, 0xFFFFFFFF};

// The operand pairs: the edges against each other, then pseudo-random
// operands of every magnitude.
// Stops at the first failure.
template <typename Check>
void ForEachPair(Check check) {
    for (const uint32_t n : EDGES)
        for (const uint32_t d : EDGES) {
            check(n, d);
            if (::testing::Test::HasFatalFailure()) return;
        }
    uint32_t state = 12345;
    for (int i = 0; i < 20000 && !::testing::Test::HasFatalFailure(); ++i) {
        state = state * 1103515245u + 12345u;
        const uint32_t n = state >> (state % 32);
        state = state * 1103515245u + 12345u;
        const uint32_t d = state >> (state % 32);
        check(n, d);
    }
}

TEST(FreestandingRoutines, UnsignedDivisionAsTheCompilersHelpers) {
    ForEachPair([](uint32_t n, uint32_t d) {
        if (d == 0) return;  // the compiler's helpers trap
        ASSERT_EQ(tqcal_own_uidiv(n, d), __aeabi_uidiv(n, d)) << n << " / " << d;
        ASSERT_EQ(tqcal_own_uidivmod(n, d), __aeabi_uidivmod(n, d)) << n << " / " << d;
        ASSERT_EQ(tqcal_own_uidivmod(n, d), (uint64_t{n % d} << 32) | (n / d));
    });
}

TEST(FreestandingRoutines, SignedDivisionAsTheCompilersHelpersAndTheCLibrary) {
    ForEachPair([](uint32_t un, uint32_t ud) {
        // Every sign combination of the magnitudes.
        const int32_t ns[] = {static_cast<int32_t>(un), static_cast<int32_t>(0u - un)};
        const int32_t ds[] = {static_cast<int32_t>(ud), static_cast<int32_t>(0u - ud)};
        for (const int32_t n : ns) {
            for (const int32_t d : ds) {
                if (d == 0) continue;
                ASSERT_EQ(tqcal_own_idiv(n, d), __aeabi_idiv(n, d)) << n << " / " << d;
                ASSERT_EQ(tqcal_own_idivmod(n, d), __aeabi_idivmod(n, d)) << n << " / " << d;
                if (n == INT_MIN && d == -1) continue;  // overflows in C
                const std::div_t c = std::div(n, d);
                const uint64_t pair = tqcal_own_idivmod(n, d);
                ASSERT_EQ(static_cast<int32_t>(pair), c.quot) << n << " / " << d;
                ASSERT_EQ(static_cast<int32_t>(pair >> 32), c.rem) << n << " % " << d;
            }
        }
    });
    // INT_MIN / -1 wraps to INT_MIN, remainder 0, as the compiler's helper.
    EXPECT_EQ(tqcal_own_idivmod(INT_MIN, -1), static_cast<uint32_t>(INT_MIN));
}
#endif

}  // namespace
