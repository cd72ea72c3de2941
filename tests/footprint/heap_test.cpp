// The engine never touches the heap: not on any key in either mode, not in
// a whole-sequence call, not in any other export. Every allocator call made
// while the engine runs is counted (counting_heap.cpp) and fails the test.
#include "counting_heap.h"
#include "workload.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(Heap, TheCounterSeesAllocations) {
    // Called through volatile pointers, so the compiler cannot drop the
    // pairs: proves the counting definitions are the ones in use.
    void *(*volatile allocate)(size_t) = std::malloc;
    void (*volatile release)(void *) = std::free;
    void *(*volatile make)(size_t) = ::operator new;
    void (*volatile destroy)(void *) noexcept = ::operator delete;
    counting_heap::Begin();
    release(allocate(16));
    destroy(make(16));
    EXPECT_EQ(counting_heap::End(), 4);
}

TEST(Heap, NoAllocatorCallWhileTheEngineRuns) {
    std::string error;
    const footprint::Workload w = footprint::LoadWorkload(error);
    ASSERT_TRUE(error.empty()) << error;
    ASSERT_GT(w.corpusSize, 400u);

    counting_heap::Begin();
    unsigned sum = footprint::PressAll(w, TQCAL_MODE_ALGEBRAIC);
    sum += footprint::PressAll(w, TQCAL_MODE_EQUAL);
    sum += footprint::CalcStringAll(w);
    EXPECT_EQ(counting_heap::End(), 0) << "while pressing keys and in TQCAL_CalcString";

    // The other exports, on a calculator in the middle of a calculation.
    TQCAL_Context ctx;
    TQCAL_Status status;
    tqcal_reset(&ctx, &status);
    for (int key : {KEY_1, KEY_2, KEY_ADD, KEY_LPAREN, KEY_3}) {
        tqcal_press(&ctx, &status, key, TQCAL_MODE_ALGEBRAIC);
    }
    counting_heap::Begin();
    double v = 2.5, w2 = 4.0, out = 0.0;
    int32_t op = KEY_MUL, popped = 0;
    TQCAL_PushOpd(&v, &ctx);
    TQCAL_PushOpt(&op, &ctx);
    TQCAL_PushOpd(&w2, &ctx);
    sum += static_cast<unsigned>(TQCAL_Calculator(KEY_EQUAL, 1, &ctx));
    TQCAL_PopOpd(&out, &ctx);
    TQCAL_PopOpt(&popped, &ctx);
    sum += static_cast<unsigned>(TQCAL_BaseOperate(KEY_ADD, &v, &w2));
    sum += static_cast<unsigned>(TQCAL_Pow10(-14.0) > 0);
    TQCAL_DivideDoubleToStr(1.0 / 3, ctx.display, ctx.exponent, &ctx.negative, 14);
    TQCAL_ApendChar(&ctx, &status, u'7');
    TQCAL_DeleteChar(&ctx, &status);
    TQCAL_ResetEditValue(&ctx);
    TQCAL_InitOpd(&ctx);
    TQCAL_InitOpt(&ctx);
    TQCAL_InitStack(&ctx);
    EXPECT_EQ(counting_heap::End(), 0) << "in the other exports";
    EXPECT_NE(sum, 0u);
}

}  // namespace
