// Groups of key codes the layers above share.
#pragma once

#include "tqcal.h"

#include <cstdint>

namespace tqcal {

// The binary operators: the codes the operator stack holds besides
// KEY_LPAREN.
constexpr bool IsBinaryOperator(int32_t key) {
    switch (key) {
        case KEY_ADD:
        case KEY_SUB:
        case KEY_MUL:
        case KEY_DIV:
        case KEY_POW:
        case KEY_ROOT:
        case KEY_BLANK_OP:
            return true;
        default:
            return false;
    }
}

// The binary operators with arithmetic of their own: all but KEY_BLANK_OP,
// which only waits on the stack to be replaced by the next operator.
constexpr bool HasArithmetic(int32_t key) { return IsBinaryOperator(key) && key != KEY_BLANK_OP; }

}  // namespace tqcal
