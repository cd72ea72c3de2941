// Checks on a block handed in by a host. The engine never produces a block
// that fails them; a host-written one that does is refused rather than
// trusted, so no routine indexes outside a stack or counts past int range.
#pragma once

#include "context/context.h"
#include "context/stacks.h"

namespace tqcal {

// Counters far beyond anything a calculation reaches; inside this bound
// every increment and decrement the engine makes stays in int range.
inline constexpr int32_t kCounterBound = 1 << 24;

inline bool CountersInRange(const Context &ctx) {
    return ctx.parenDepth > -kCounterBound && ctx.parenDepth < kCounterBound &&
           ctx.pendingOps > -kCounterBound && ctx.pendingOps < kCounterBound;
}

inline bool StacksConsistent(const Context &ctx) {
    return OperatorTopInRange(ctx) && OperandTopInRange(ctx) && CountersInRange(ctx);
}

// Searched from the end: the engine's texts end in their last cells, so the
// terminator is met within a step or three.
inline bool Terminated(const WChar *cells, int count) {
    for (int i = count - 1; i >= 0; --i) {
        if (cells[i] == kTerminator) return true;
    }
    return false;
}

inline bool TextsTerminated(const Context &ctx) {
    return Terminated(ctx.display, kDisplayArea) && Terminated(ctx.exponent, kExponentCells);
}

inline bool BlockConsistent(const Context &ctx) {
    return StacksConsistent(ctx) && TextsTerminated(ctx);
}

}  // namespace tqcal
