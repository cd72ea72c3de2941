// How deep the engine goes into its caller's stack: each road (keys in
// algebraic mode, keys in equal-priority mode, TQCAL_CalcString) runs the
// whole workload on a stack of its own painted with a pattern; the lowest
// byte that no longer holds the pattern, measured from the stack pointer at
// the calls into the engine, is the deepest the engine (and the C library
// routines it calls) went. The handheld gives its calculator little stack.
#include "workload.h"

#include <gtest/gtest.h>

#include <ucontext.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

constexpr int STACK_LIMIT = 1024;  // bytes

constexpr unsigned char PAINT = 0xA5;
constexpr size_t STACK_SIZE = 256 * 1024;
alignas(64) unsigned char paintedStack[STACK_SIZE];

ucontext_t callerContext;
ucontext_t engineContext;

enum class Road { KEYS_ALGEBRAIC, KEYS_EQUAL, CALC_STRING, HOST_TEXT };
const footprint::Workload *workload = nullptr;
Road road = Road::KEYS_ALGEBRAIC;
uintptr_t callSite = 0;  // stack pointer where the engine is called from
unsigned checksum = 0;

#if defined(__x86_64__)
#define READ_SP(out) __asm__ volatile("mov %%rsp, %0" : "=r"(out))
#elif defined(__i386__)
#define READ_SP(out) __asm__ volatile("mov %%esp, %0" : "=r"(out))
#elif defined(__aarch64__) || defined(__arm__)
#define READ_SP(out) __asm__ volatile("mov %0, sp" : "=r"(out))
#endif

// The engine's own texts always take the parser's quick path; a host may
// write a typed number that needs its exact conversion (17 digits, or an
// exponent far from the field), the deepest the parser goes.
unsigned PressOnHostText() {
    static const char *const TEXTS[] = {"123456789012e-340", "12345678901234567",
                                        "9.99999999999e+99", "4.9406564584e-324"};
    unsigned sum = 0;
    for (const char *text : TEXTS) {
        TQCAL_Context ctx;
        TQCAL_Status status;
        tqcal_reset(&ctx, &status);
        int k = 0;
        for (; text[k] != 0; ++k) ctx.display[k] = static_cast<TQCAL_WChar>(text[k]);
        ctx.display[k] = 0;
        status =
            (status & ~static_cast<TQCAL_Status>(TQCAL_ST_SHOWN | TQCAL_ST_ZERO)) | TQCAL_ST_TYPED;
        tqcal_press(&ctx, &status, TQCAL_KEY_ADD, TQCAL_MODE_ALGEBRAIC);
        sum += static_cast<unsigned>(tqcal_result(status)) + static_cast<unsigned>(ctx.opdTop);
    }
    return sum;
}

#ifdef READ_SP
// Runs on the painted stack. Everything it calls into the engine starts
// from the same stack pointer, read here.
void RunRoad() {
    uintptr_t sp;
    READ_SP(sp);
    callSite = sp;
    switch (road) {
        case Road::KEYS_ALGEBRAIC:
            checksum += footprint::PressAll(*workload, TQCAL_MODE_ALGEBRAIC);
            break;
        case Road::KEYS_EQUAL: checksum += footprint::PressAll(*workload, TQCAL_MODE_EQUAL); break;
        case Road::CALC_STRING: checksum += footprint::CalcStringAll(*workload); break;
        case Road::HOST_TEXT: checksum += PressOnHostText(); break;
    }
}

// Bytes below the call site that the road wrote to.
long DepthOf(Road which) {
    road = which;
    std::memset(paintedStack, PAINT, sizeof paintedStack);
    getcontext(&engineContext);
    engineContext.uc_stack.ss_sp = paintedStack;
    engineContext.uc_stack.ss_size = sizeof paintedStack;
    engineContext.uc_link = &callerContext;
    makecontext(&engineContext, RunRoad, 0);
    swapcontext(&callerContext, &engineContext);
    size_t untouched = 0;
    while (untouched < sizeof paintedStack && paintedStack[untouched] == PAINT) ++untouched;
    const uintptr_t lowest = reinterpret_cast<uintptr_t>(paintedStack) + untouched;
    return static_cast<long>(callSite - lowest);
}
#endif

TEST(Stack, EveryRoadStaysWithinItsBudget) {
#ifndef READ_SP
    GTEST_SKIP() << "no stack pointer probe for this processor";
#else
#ifndef TQCAL_ENGINE_OPTIMIZED
    GTEST_SKIP() << "the engine is not built with optimization; its stack says nothing";
#endif
    std::string error;
    const footprint::Workload w = footprint::LoadWorkload(error);
    ASSERT_TRUE(error.empty()) << error;
    workload = &w;
    // Once on the ordinary stack first: the dynamic linker binds each
    // library function on its first call, on a deep stack of its own.
    checksum += footprint::PressAll(w, TQCAL_MODE_ALGEBRAIC);
    checksum += footprint::CalcStringAll(w);
    checksum += PressOnHostText();

    const struct {
        Road road;
        const char *name;
    } roads[] = {{Road::KEYS_ALGEBRAIC, "keys, algebraic mode"},
                 {Road::KEYS_EQUAL, "keys, equal priority"},
                 {Road::CALC_STRING, "TQCAL_CalcString"},
                 {Road::HOST_TEXT, "keys on a host's text"}};
    for (const auto &r : roads) {
        const long depth = DepthOf(r.road);
        std::printf("deepest stack, %-22s %5ld bytes\n", r.name, depth);
        EXPECT_GT(depth, 0) << r.name;
        EXPECT_LE(depth, STACK_LIMIT) << r.name;
    }
    EXPECT_NE(checksum, 0u);
#endif
}

}  // namespace
