// The key groups the layers above share, from their one list in tqcal.h.
#pragma once

#include "tqcal.h"

#include <cstdint>

namespace tqcal {

#define TQCAL_AS_CASE(key) case key:

// The binary operators: the codes the operator stack holds besides
// KEY_LPAREN.
constexpr bool IsBinaryOperator(int32_t key) {
    switch (key) {
        TQCAL_BINARY_OPERATOR_KEYS(TQCAL_AS_CASE)
        return true;
        default:
            return false;
    }
}

// The binary operators with arithmetic of their own: all but KEY_BLANK_OP,
// which only waits on the stack to be replaced by the next operator.
constexpr bool HasArithmetic(int32_t key) { return IsBinaryOperator(key) && key != KEY_BLANK_OP; }

// The keys that replace the value by a function of it.
constexpr bool IsFunctionKey(int32_t key) {
    switch (key) {
        TQCAL_FUNCTION_KEYS(TQCAL_AS_CASE)
        return true;
        default:
            return false;
    }
}

#undef TQCAL_AS_CASE

}  // namespace tqcal
