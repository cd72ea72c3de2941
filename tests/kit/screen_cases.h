// Key sequences with the screen each must end on, typed on a fresh
// calculator through the test driver, for the gtest suites:
//   ExpectScreens({{"200 + 10 pct", "220."}, {"50 / 0 pct", "Error"}});
#pragma once

#include "calc_driver.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace calc_test {

struct ScreenCase {
    const char *keys;
    const char *screen;
};

inline void ExpectScreens(std::initializer_list<ScreenCase> cases,
                          int mode = TQCAL_MODE_ALGEBRAIC) {
    for (const ScreenCase &c : cases)
        EXPECT_EQ(ScreenAfter(c.keys, mode), c.screen) << "keys: " << c.keys;
}

}  // namespace calc_test
