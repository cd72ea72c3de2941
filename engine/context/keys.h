// The key groups the layers above share, from their one list in tqcal.h.
#pragma once

#include "tqcal.h"

#include <cstdint>

namespace tqcal {

// Whether key is in one of tqcal.h's key lists, as a switch over the list.
#define TQCAL_AS_CASE(code) case code:
#define TQCAL_KEY_IN(list, key)              \
    [](int32_t k) {                          \
        switch (k) {                         \
            list(TQCAL_AS_CASE) return true; \
            default: return false;           \
        }                                    \
    }(key)

// The binary operators: the codes the operator stack holds besides
// KEY_LPAREN.
constexpr bool IsBinaryOperator(int32_t key) {
    return TQCAL_KEY_IN(TQCAL_BINARY_OPERATOR_KEYS, key);
}

// The binary operators with arithmetic of their own: all but KEY_BLANK_OP,
// which only waits on the stack to be replaced by the next operator.
constexpr bool HasArithmetic(int32_t key) { return IsBinaryOperator(key) && key != KEY_BLANK_OP; }

// The keys that replace the value by a function of it.
constexpr bool IsFunctionKey(int32_t key) { return TQCAL_KEY_IN(TQCAL_FUNCTION_KEYS, key); }

#undef TQCAL_KEY_IN
#undef TQCAL_AS_CASE

}  // namespace tqcal
