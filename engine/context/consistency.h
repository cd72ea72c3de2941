// Checks on a block handed in by a host. The engine never produces a block
// that fails them; a host-written one that does is refused rather than
// trusted, so no routine indexes outside a stack or counts past int range.
// The checks themselves are the public tqcal_block.h's, so that the engine,
// the hosts, the page and the tests hold blocks to one definition.
#pragma once

#include "context/context.h"
#include "tqcal_block.h"

#include <cassert>

namespace tqcal {

// Tops within their stacks, counters within TQCAL_COUNTER_BOUND: what the
// reduction needs.
inline bool StacksConsistent(const Context &ctx) { return tqcal_stacks_usable(&ctx) != 0; }

// The stacks consistent and both texts terminated within their cells: what
// the dispatcher needs.
inline bool BlockConsistent(const Context &ctx) { return tqcal_block_usable(&ctx) != 0; }

// Consistent, and every slot above a top zero (the pops and resets keep that).
inline bool BlockSound(const Context &ctx) {
    return BlockConsistent(ctx) && tqcal_slots_clear(&ctx) != 0;
}

// Put at the start of every export that takes a context. In a debug build
// (NDEBUG not defined) it checks the block on entry and, when that block was
// sound, asserts on exit that it still is: the engine never turns a block it
// serves into one it would refuse, nor leaves a value above a stack top. A
// block that was not sound on entry is the host's own (the dispatcher and
// the reduction refuse it), so nothing is asserted about it. A release build
// compiles the guard to nothing.
class ExportGuard {
public:
#ifdef NDEBUG
    explicit ExportGuard(const Context *) {}
#else
    explicit ExportGuard(const Context *ctx)
        : ctx_(ctx), sound_(ctx != nullptr && BlockSound(*ctx)) {}
    ~ExportGuard() { assert(!sound_ || BlockSound(*ctx_)); }
    ExportGuard(const ExportGuard &) = delete;
    ExportGuard &operator=(const ExportGuard &) = delete;

private:
    const Context *ctx_;
    bool sound_;
#endif
};

}  // namespace tqcal
