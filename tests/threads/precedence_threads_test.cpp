// Calculators on two threads at once, each with its own block and its own
// precedence mode: neither may see the other's mode. Run under
// ThreadSanitizer by scripts/test-all.sh as well.
#include "calc_driver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

using namespace calc_test;

// Enough rounds for the two threads to interleave thousands of times; fewer
// under the sanitizers, which slow every key down (ThreadSanitizer sees
// every access to shared state anyway).
#if defined(TQCAL_THREAD_ROUNDS)
constexpr int ROUNDS = TQCAL_THREAD_ROUNDS;
#elif defined(__SANITIZE_THREAD__)
constexpr int ROUNDS = 10000;
#elif defined(__SANITIZE_ADDRESS__)
constexpr int ROUNDS = 50000;
#else
constexpr int ROUNDS = 300000;
#endif

// Both threads start together, so that their rounds overlap.
class StartLine {
public:
    explicit StartLine(int threads) : waiting_(threads) {}
    void Arrive() {
        waiting_.fetch_sub(1);
        while (waiting_.load() > 0) std::this_thread::yield();
    }

private:
    std::atomic<int> waiting_;
};

// Presses the keys again and again on one calculator; counts the rounds
// whose screen is not the one expected.
int WrongRounds(StartLine &start, int mode, const char *keys, const char *screen) {
    const std::vector<int> codes = Keys(keys);
    Calc c = Fresh(mode);
    start.Arrive();
    int wrong = 0;
    for (int round = 0; round < ROUNDS; ++round) {
        for (int key : codes) Press(c, key);
        if (Screen(c) != screen) ++wrong;
    }
    return wrong;
}

// The same, through the whole-sequence call (always algebraic).
int WrongWholeSequences(StartLine &start, const char *keys, double value) {
    std::vector<int8_t> codes;
    for (int key : Keys(keys)) codes.push_back(static_cast<int8_t>(key));
    start.Arrive();
    int wrong = 0;
    for (int round = 0; round < ROUNDS; ++round) {
        double result = 0;
        TQCAL_WChar text[TQCAL_RESULT_TEXT_CELLS];
        const int rc =
            TQCAL_CalcString(&result, text, codes.data(), static_cast<int>(codes.size()));
        if (rc != 1 || result != value) ++wrong;
    }
    return wrong;
}

TEST(Threads, AlgebraicAndEqualPriorityCalculatorsSideBySide) {
    StartLine start(2);
    int wrongAlgebraic = -1, wrongEqual = -1;
    std::thread algebraic(
        [&] { wrongAlgebraic = WrongRounds(start, TQCAL_MODE_ALGEBRAIC, "2 + 3 * 4 =", "14."); });
    std::thread equal(
        [&] { wrongEqual = WrongRounds(start, TQCAL_MODE_EQUAL, "2 + 3 * 4 =", "20."); });
    algebraic.join();
    equal.join();
    EXPECT_EQ(wrongAlgebraic, 0);
    EXPECT_EQ(wrongEqual, 0);
}

TEST(Threads, WholeSequenceCallBesideAnEqualPriorityCalculator) {
    StartLine start(2);
    int wrongSequences = -1, wrongEqual = -1;
    std::thread sequences([&] { wrongSequences = WrongWholeSequences(start, "2 + 3 * 4", 14.0); });
    std::thread equal(
        [&] { wrongEqual = WrongRounds(start, TQCAL_MODE_EQUAL, "2 + 3 * 4 =", "20."); });
    sequences.join();
    equal.join();
    EXPECT_EQ(wrongSequences, 0);
    EXPECT_EQ(wrongEqual, 0);
}

}  // namespace
