// Every export on arbitrary blocks, status words and doubles, as a host
// written against the layout may call them: on its own, in any order, with
// stack indices, counters and texts out of range, texts without
// terminators, null pointers, NaN, infinities, subnormals and huge values.
//
// The block, the status word and every buffer handed over are separate heap
// allocations of exactly their size, so a read or write past any of them
// lands in a redzone. Writes that stay inside the block but leave the
// fields an export may touch are caught by comparing the bytes around them.
#include "tqcal_host.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <memory>
#include <type_traits>
#include <vector>

namespace {

using Block = TQCAL_Context;

[[noreturn]] void Fail(const char *call, const char *what) {
    std::fprintf(stderr, "%s: %s\n", call, what);
    std::abort();
}

#define EXPECT(cond, call, what)       \
    do {                               \
        if (!(cond)) Fail(call, what); \
    } while (0)

// ---- byte regions of the block ----------------------------------------------

struct Span {
    size_t begin, end;
};

#define FIELD(f) \
    Span { offsetof(Block, f), offsetof(Block, f) + sizeof(Block::f) }
constexpr Span OPERANDS = FIELD(operands);
constexpr Span VALUE = FIELD(value);
constexpr Span COUNTERS = {offsetof(Block, parenDepth), offsetof(Block, optTop)};
constexpr Span OPT_TOP = FIELD(optTop);
constexpr Span OPD_TOP = FIELD(opdTop);
constexpr Span DISPLAY = FIELD(display);  // all 17 cells
constexpr Span EXPONENT = FIELD(exponent);
constexpr Span OPERATORS = FIELD(operators);
constexpr Span NEGATIVE = FIELD(negative);
constexpr Span FIELD_CELLS = {offsetof(Block, display),
                              offsetof(Block, display) + 14 * sizeof(TQCAL_WChar)};
#undef FIELD

// True when a and b differ only inside the allowed spans.
bool SameOutside(const Block &a, const Block &b, std::initializer_list<Span> allowed) {
    const auto *pa = reinterpret_cast<const unsigned char *>(&a);
    const auto *pb = reinterpret_cast<const unsigned char *>(&b);
    for (size_t i = 0; i < sizeof(Block); ++i) {
        if (pa[i] == pb[i]) continue;
        bool inside = false;
        for (const Span &s : allowed) inside = inside || (i >= s.begin && i < s.end);
        if (!inside) return false;
    }
    return true;
}

bool Same(const Block &a, const Block &b) { return std::memcmp(&a, &b, sizeof(Block)) == 0; }

// What the engine promises of every block it leaves, whatever it was handed
// (the counters may step past their bound, which tqcal_stacks_usable holds
// them to on the way in).
bool TopsInRange(const Block &b) {
    return b.optTop >= -1 && b.optTop < TQCAL_OPERATOR_SLOTS && b.opdTop >= -1 &&
           b.opdTop < TQCAL_OPERAND_SLOTS;
}
bool TextsTerminated(const Block &b) {
    return tqcal_terminated(b.display, TQCAL_DISPLAY_AREA) &&
           tqcal_terminated(b.exponent, TQCAL_EXPONENT_CELLS);
}

// Digits, blanks and exactly one point before a terminator within the cells.
bool DisplayReadable(const TQCAL_WChar *cells) {
    int points = 0;
    for (int i = 0; i < TQCAL_DISPLAY_AREA; ++i) {
        const TQCAL_WChar ch = cells[i];
        if (ch == 0) return points == 1;
        if (ch == u'.') {
            ++points;
        } else if (ch != u' ' && (ch < u'0' || ch > u'9')) {
            return false;
        }
    }
    return false;
}

bool ExponentReadable(const TQCAL_WChar *cells) {
    return (cells[0] == u' ' || cells[0] == u'-') && cells[1] >= u'0' && cells[1] <= u'9' &&
           cells[2] >= u'0' && cells[2] <= u'9' && cells[3] == 0;
}

// ---- arbitrary values -----------------------------------------------------------

double AnyDouble(FuzzedDataProvider &in) {
    static const double SPECIAL_VALUES[] = {
        std::numeric_limits<double>::quiet_NaN(),
        -std::numeric_limits<double>::quiet_NaN(),
        std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(),
        0.0,
        -0.0,
        4.9e-324,
        -4.9e-324,
        2.2250738585072014e-308,
        std::numeric_limits<double>::max(),
        -std::numeric_limits<double>::max(),
        1e100,
        -1e100,
        9.9999999999991e99,
        9.9999999999992e99,
        9.999999999999e-100,
        9.9999999999989e-100,
        1e-99,
        1.0,
        -1.0,
        10.0,
        -10.0,
        0.5,
        90.0,
        180.0,
        270.0,
        0.99999999999999,
        1e14,
        99999999999999.5,
        2147483648.0,
        -2147483649.0,
        70.0,
        69.5,
        1e300,
        -1e-300,
        3.0,
        0.25,
    };
    switch (in.ConsumeIntegralInRange(0, 3)) {
        case 0: {
            const uint64_t bits = in.ConsumeIntegral<uint64_t>();
            double d;
            std::memcpy(&d, &bits, sizeof d);
            return d;
        }
        case 1: return in.ConsumeFloatingPoint<double>();
        default:
            return SPECIAL_VALUES[in.ConsumeIntegralInRange<size_t>(0,
                                                                    std::size(SPECIAL_VALUES) - 1)];
    }
}

int32_t AnyInt(FuzzedDataProvider &in, int32_t lo, int32_t hi) {
    switch (in.ConsumeIntegralInRange(0, 3)) {
        case 0: return in.ConsumeIntegral<int32_t>();
        case 1: {
            static const int32_t EDGES[] = {INT32_MIN,  INT32_MIN + 1,
                                            -(1 << 24), (1 << 24),
                                            INT32_MAX,  INT32_MAX - 1,
                                            -2,         18,
                                            14,         17,
                                            13};
            return EDGES[in.ConsumeIntegralInRange<size_t>(0, std::size(EDGES) - 1)];
        }
        default: return in.ConsumeIntegralInRange(lo, hi);
    }
}

int32_t AnyKey(FuzzedDataProvider &in) {
#define AS_ELEMENT(key) key,
    static const int32_t OPS[] = {TQCAL_BINARY_OPERATOR_KEYS(AS_ELEMENT) KEY_LPAREN, KEY_EQUAL,
                                  KEY_RPAREN};
#undef AS_ELEMENT
    switch (in.ConsumeIntegralInRange(0, 3)) {
        case 0: return OPS[in.ConsumeIntegralInRange<size_t>(0, std::size(OPS) - 1)];
        case 1: return AnyInt(in, -300, 300);
        default: return in.ConsumeIntegralInRange(0, static_cast<int>(KEY_LAST_EDIT_CODE));
    }
}

TQCAL_WChar AnyCell(FuzzedDataProvider &in) {
    static const TQCAL_WChar CELLS[] = {u' ', u'0', u'1', u'5', u'9',   u'.',   u'-',
                                        u'+', u'e', u'E', 0,    0xFFFF, 0x0660, u'x'};
    return CELLS[in.ConsumeIntegralInRange<size_t>(0, std::size(CELLS) - 1)];
}

// Changes one field of a block the way a careless or hostile host might.
void Patch(FuzzedDataProvider &in, Block &b) {
    switch (in.ConsumeIntegralInRange(0, 15)) {
        case 0: b.optTop = AnyInt(in, -1, 17); break;
        case 1: b.opdTop = AnyInt(in, -1, 13); break;
        case 2: b.parenDepth = AnyInt(in, -3, 20); break;
        case 3: b.pendingOps = AnyInt(in, -3, 20); break;
        case 4: b.operators[in.ConsumeIntegralInRange(0, 17)] = AnyKey(in); break;
        case 5: b.operands[in.ConsumeIntegralInRange(0, 13)] = AnyDouble(in); break;
        case 6: b.value = AnyDouble(in); break;
        case 7: b.memory = AnyDouble(in); break;
        case 8: b.constOperand = AnyDouble(in); break;
        case 9: b.constOperator = AnyKey(in); break;
        case 10: {
            const int from = in.ConsumeIntegralInRange(0, 16);
            const int to = in.ConsumeIntegralInRange(from, 16);
            for (int i = from; i <= to; ++i) b.display[i] = AnyCell(in);
            break;
        }
        case 11: b.exponent[in.ConsumeIntegralInRange(0, 3)] = AnyCell(in); break;
        case 12: b.lastKey = AnyKey(in); break;
        case 13: b.digits = AnyInt(in, 0, 20); break;
        case 14: b.negative = AnyInt(in, 0, 1); break;
        default: {
            // Stacks that look plausible: operators and operands laid out up
            // to chosen tops, slots above them zero.
            b.optTop = in.ConsumeIntegralInRange(-1, 17);
            b.opdTop = in.ConsumeIntegralInRange(-1, 13);
            for (int i = 0; i < TQCAL_OPERATOR_SLOTS; ++i)
                b.operators[i] = i <= b.optTop ? AnyKey(in) : 0;
            for (int i = 0; i < TQCAL_OPERAND_SLOTS; ++i) {
                b.operands[i] = i <= b.opdTop ? AnyDouble(in) : 0.0;
            }
            b.parenDepth = in.ConsumeIntegralInRange(0, 18);
            b.pendingOps = in.ConsumeIntegralInRange(0, 18);
            break;
        }
    }
}

// ---- one call of one export ------------------------------------------------------

// The heap objects one call works on; pointers are nulled on request.
struct Target {
    Block *ctx;
    TQCAL_Status *status;
};

// One of the block's two stacks, as its push and pop exports see it.
template <typename T, size_t N>
struct StackExports {
    const char *initName, *pushName, *popName;
    void (*init)(TQCAL_Context *);
    int (*push)(const T *, TQCAL_Context *);
    int (*pop)(T *, TQCAL_Context *);
    T (Block::*slots)[N];
    TQCAL_Int32 Block::*top;
    Span slotSpan, topSpan;
};

const StackExports<double, TQCAL_OPERAND_SLOTS> OPERAND_STACK = {
    "TQCAL_InitOpd", "TQCAL_PushOpd",  "TQCAL_PopOpd", TQCAL_InitOpd, TQCAL_PushOpd,
    TQCAL_PopOpd,    &Block::operands, &Block::opdTop, OPERANDS,      OPD_TOP};
const StackExports<TQCAL_Int32, TQCAL_OPERATOR_SLOTS> OPERATOR_STACK = {
    "TQCAL_InitOpt", "TQCAL_PushOpt",   "TQCAL_PopOpt", TQCAL_InitOpt, TQCAL_PushOpt,
    TQCAL_PopOpt,    &Block::operators, &Block::optTop, OPERATORS,     OPT_TOP};

// An init empties its stack, every slot zero and the top -1, and touches
// nothing else; a null block is ignored.
template <typename T, size_t N>
void CheckStackInit(const StackExports<T, N> &s, Target t, const Block &before) {
    s.init(t.ctx);
    if (!t.ctx) return;
    EXPECT(t.ctx->*s.top == -1 && SameOutside(*t.ctx, before, {s.slotSpan, s.topSpan}), s.initName,
           "wrong reset");
    for (const T &slot : t.ctx->*s.slots) EXPECT(slot == T{}, s.initName, "slot kept");
}

// A push refuses a null value or block and a full or broken stack, a pop a
// null out or block and an empty or broken stack, changing nothing, not even
// *out. Otherwise a push writes the value's bytes one slot up and raises the
// top; a pop hands over the top slot's bytes, zeroes the slot and lowers the
// top. The argument lives on the heap so that a stray write shows.
template <typename T, size_t N>
void CheckStackCall(const StackExports<T, N> &s, bool push, std::type_identity_t<T> value, Target t,
                    const Block &before, bool nullArg) {
    std::unique_ptr<T> arg(new T(value));
    T *const p = nullArg ? nullptr : arg.get();
    const int r = push ? s.push(p, t.ctx) : s.pop(p, t.ctx);
    const char *const name = push ? s.pushName : s.popName;
    const int top = before.*s.top, last = static_cast<int>(N) - 1;
    if (!(t.ctx && !nullArg && (push ? top >= -1 && top < last : top >= 0 && top <= last))) {
        EXPECT(r == -1 && (!t.ctx || Same(*t.ctx, before)) &&
                   std::memcmp(arg.get(), &value, sizeof(T)) == 0,
               name, "refusal changed something");
        return;
    }
    const bool moved = push ? std::memcmp(&(t.ctx->*s.slots)[top + 1], arg.get(), sizeof(T)) == 0
                            : (t.ctx->*s.slots)[top] == T{} &&
                                  std::memcmp(arg.get(), &(before.*s.slots)[top], sizeof(T)) == 0;
    EXPECT(r == 0 && t.ctx->*s.top == (push ? top + 1 : top - 1) && moved &&
               SameOutside(*t.ctx, before, {s.slotSpan, s.topSpan}),
           name, push ? "wrong push" : "wrong pop");
}

void StackCall(FuzzedDataProvider &in, int which, Target t, bool nullArg) {
    const Block before = t.ctx ? *t.ctx : Block{};
    switch (which) {
        case 0: CheckStackInit(OPERAND_STACK, t, before); return;
        case 1: CheckStackInit(OPERATOR_STACK, t, before); return;
        case 2:
            TQCAL_InitStack(t.ctx);
            if (t.ctx) {
                EXPECT(t.ctx->optTop == -1 && t.ctx->opdTop == -1 && t.ctx->parenDepth == 0 &&
                           t.ctx->pendingOps == 0 &&
                           SameOutside(*t.ctx, before,
                                       {OPERANDS, OPERATORS, OPT_TOP, OPD_TOP, COUNTERS}),
                       "TQCAL_InitStack", "wrong reset");
            }
            return;
        case 3: CheckStackCall(OPERAND_STACK, true, AnyDouble(in), t, before, nullArg); return;
        case 4: CheckStackCall(OPERAND_STACK, false, 12345.0, t, before, nullArg); return;
        case 5: CheckStackCall(OPERATOR_STACK, true, AnyKey(in), t, before, nullArg); return;
        default: CheckStackCall(OPERATOR_STACK, false, -777, t, before, nullArg); return;
    }
}

void EntryCall(FuzzedDataProvider &in, int which, Target t) {
    const Block before = t.ctx ? *t.ctx : Block{};
    const TQCAL_Status statusBefore = t.status ? *t.status : 0;
    const bool both = t.ctx && t.status;
    auto statusOnly = [&](uint32_t bits) {
        return !t.status || ((*t.status ^ statusBefore) & ~bits) == 0;
    };
    switch (which) {
        case 0: {
            const int key = AnyKey(in);
            const int r = EEditInfo(key, t.ctx, t.status);
            if (!both || static_cast<uint32_t>(key) > KEY_LAST_EDIT_CODE) {
                EXPECT(r == -1, "EEditInfo", "not refused");
                EXPECT((!t.ctx || Same(*t.ctx, before)) && statusOnly(0), "EEditInfo",
                       "refusal changed something");
                return;
            }
            EXPECT(r == 0 || r == 1, "EEditInfo", "result out of range");
            EXPECT(SameOutside(*t.ctx, before, {DISPLAY, EXPONENT, NEGATIVE}), "EEditInfo",
                   "wrote outside the texts");
            return;
        }
        case 1:
            TQCAL_ResetEditValue(t.ctx);
            if (t.ctx) {
                EXPECT(SameOutside(*t.ctx, before, {DISPLAY, EXPONENT, NEGATIVE}) &&
                           t.ctx->display[12] == u'0' && t.ctx->display[13] == u'.' &&
                           t.ctx->display[14] == 0 && t.ctx->display[16] == u' ' &&
                           ExponentReadable(t.ctx->exponent) && t.ctx->negative == 0,
                       "TQCAL_ResetEditValue", "wrong reset");
            }
            return;
        case 2: {
            const TQCAL_WChar ch = in.ConsumeIntegral<uint16_t>();
            const int r = TQCAL_ApendChar(t.ctx, t.status, ch);
            if (!both) {
                EXPECT(r == 0 && (!t.ctx || Same(*t.ctx, before)) && statusOnly(0),
                       "TQCAL_ApendChar", "null not refused");
                return;
            }
            EXPECT(r == 0 || r == 1, "TQCAL_ApendChar", "result out of range");
            EXPECT(SameOutside(*t.ctx, before, {FIELD_CELLS}) && statusOnly(ST_ZERO),
                   "TQCAL_ApendChar", "wrote outside the field");
            return;
        }
        default: {
            const int r = TQCAL_DeleteChar(t.ctx, t.status);
            if (!both) {
                EXPECT(r == 0 && (!t.ctx || Same(*t.ctx, before)) && statusOnly(0),
                       "TQCAL_DeleteChar", "null not refused");
                return;
            }
            EXPECT(r == 1, "TQCAL_DeleteChar", "result not 1");
            EXPECT(SameOutside(*t.ctx, before, {FIELD_CELLS}) && statusOnly(ST_ZERO | ST_POINT),
                   "TQCAL_DeleteChar", "wrote outside the field");
            return;
        }
    }
}

void FormatCall(FuzzedDataProvider &in, Target t, bool nullArg) {
    const double v = AnyDouble(in);
    const int width = in.ConsumeBool() ? 14 : AnyInt(in, -2, 20);
    const int which = in.ConsumeIntegralInRange(0, 3);
    if (t.ctx && which == 0) {
        // Into the host's own block.
        const Block before = *t.ctx;
        const int r =
            TQCAL_DivideDoubleToStr(v, t.ctx->display, t.ctx->exponent, &t.ctx->negative, width);
        EXPECT(r == 0 && SameOutside(*t.ctx, before, {DISPLAY, EXPONENT, NEGATIVE}),
               "TQCAL_DivideDoubleToStr", "wrote outside the texts");
        EXPECT(DisplayReadable(t.ctx->display) && ExponentReadable(t.ctx->exponent),
               "TQCAL_DivideDoubleToStr", "unreadable text");
        return;
    }
    // Into separate buffers of exactly the documented size.
    std::unique_ptr<TQCAL_WChar[]> display(new TQCAL_WChar[TQCAL_DISPLAY_AREA]);
    std::unique_ptr<TQCAL_WChar[]> exponent(new TQCAL_WChar[TQCAL_EXPONENT_CELLS]);
    std::unique_ptr<int32_t> negative(new int32_t(-5));
    std::memset(display.get(), 0x77, TQCAL_DISPLAY_AREA * sizeof(TQCAL_WChar));
    std::memset(exponent.get(), 0x77, TQCAL_EXPONENT_CELLS * sizeof(TQCAL_WChar));
    const int r = TQCAL_DivideDoubleToStr(v, nullArg && which == 1 ? nullptr : display.get(),
                                          nullArg && which == 2 ? nullptr : exponent.get(),
                                          nullArg && which == 3 ? nullptr : negative.get(), width);
    if (nullArg && which != 0) {
        EXPECT(r == -1 && *negative == -5, "TQCAL_DivideDoubleToStr", "null not refused");
        return;
    }
    EXPECT(r == 0 && (*negative == 0 || *negative == 1), "TQCAL_DivideDoubleToStr", "bad result");
    EXPECT(DisplayReadable(display.get()) && ExponentReadable(exponent.get()),
           "TQCAL_DivideDoubleToStr", "unreadable text");
    if (width >= 14) {
        // The layout every engine use has: right-aligned in 14 cells, or 15
        // characters with the terminator in cell 15.
        int end = 0;
        while (display[end] != 0) ++end;
        EXPECT(end == 14 || (end == 15 && display[0] != u' '), "TQCAL_DivideDoubleToStr",
               "text not right-aligned");
        EXPECT(display[end - 1] != u' ', "TQCAL_DivideDoubleToStr", "text not right-aligned");
    }
}

void NumericCall(FuzzedDataProvider &in, int which, bool nullArg) {
    if (which == 0) {
        const double x = AnyDouble(in);
        const double r = TQCAL_Pow10(x);
        EXPECT(!(r < 0.0), "TQCAL_Pow10", "negative power of ten");
        if (std::fabs(x) < 1.0 || std::isnan(x)) EXPECT(r == 1.0, "TQCAL_Pow10", "not 1");
        return;
    }
    const int op = AnyKey(in);
    std::unique_ptr<double> left(new double(AnyDouble(in)));
    std::unique_ptr<double> right(new double(AnyDouble(in)));
    const double l0 = *left, r0 = *right;
    const int r = TQCAL_BaseOperate(op, nullArg ? nullptr : left.get(), right.get());
    EXPECT(r == 0 || r == -1, "TQCAL_BaseOperate", "result out of range");
    const bool known = tqcal_is_binary_operator(op) && op != KEY_BLANK_OP;
    if (nullArg || !known || !std::isfinite(l0) || !std::isfinite(r0)) {
        EXPECT(r == -1, "TQCAL_BaseOperate", "not refused");
        EXPECT(std::memcmp(left.get(), &l0, sizeof l0) == 0 &&
                   std::memcmp(right.get(), &r0, sizeof r0) == 0,
               "TQCAL_BaseOperate", "refusal changed an operand");
    }
}

void EvalCall(FuzzedDataProvider &in, int which, Target t) {
    const Block before = t.ctx ? *t.ctx : Block{};
    const TQCAL_Status statusBefore = t.status ? *t.status : 0;
    if (which == 0) {
        const int type = AnyKey(in);
        const int toBottom = in.ConsumeBool() ? in.ConsumeIntegralInRange(0, 1) : AnyInt(in, 0, 1);
        const int r = TQCAL_Calculator(type, toBottom, t.ctx);
        EXPECT(r == 0 || r == -1, "TQCAL_Calculator", "result out of range");
        if (!t.ctx || !tqcal_stacks_usable(&before)) {
            EXPECT(r == -1 && (!t.ctx || Same(*t.ctx, before)), "TQCAL_Calculator",
                   "inconsistent block not refused");
            return;
        }
        EXPECT(TopsInRange(*t.ctx), "TQCAL_Calculator", "tops out of range");
        EXPECT(
            SameOutside(*t.ctx, before, {OPERANDS, VALUE, COUNTERS, OPT_TOP, OPD_TOP, OPERATORS}),
            "TQCAL_Calculator", "wrote outside the stacks");
        return;
    }
    if (which == 1) {
        const int key = in.ConsumeBool()
                            ? AnyKey(in)
                            : KEY_FIRST_DIRECT +
                                  in.ConsumeIntegralInRange(0, KEY_LAST_DIRECT - KEY_FIRST_DIRECT);
        const int mode = in.ConsumeBool() ? in.ConsumeIntegralInRange(0, 1) : AnyInt(in, 0, 1);
        TQCAL_Operate(key, t.ctx, t.status, mode);
        if (!t.status) {
            EXPECT(!t.ctx || Same(*t.ctx, before), "TQCAL_Operate", "worked without a status word");
            return;
        }
        const TQCAL_Status refused = statusBefore & ~static_cast<TQCAL_Status>(ST_RESULT);
        if (!t.ctx || !tqcal_block_usable(&before)) {
            EXPECT(*t.status == refused && (!t.ctx || Same(*t.ctx, before)), "TQCAL_Operate",
                   "inconsistent block not refused cleanly");
            return;
        }
        EXPECT(((*t.status >> 1) & 3u) != 3u, "TQCAL_Operate", "result state 3");
        EXPECT(TopsInRange(*t.ctx), "TQCAL_Operate", "tops out of range");
        EXPECT(TextsTerminated(*t.ctx), "TQCAL_Operate", "texts lost their terminators");
        EXPECT(std::memcmp(t.ctx->reserved0, before.reserved0, sizeof before.reserved0) == 0 &&
                   std::memcmp(t.ctx->reserved1, before.reserved1, sizeof before.reserved1) == 0 &&
                   t.ctx->digits == before.digits,
               "TQCAL_Operate", "wrote reserved bytes or digits");
        // Backspace keeps the edited text and a percent completion with
        // nothing to complete is ignored whole; every other OK key formats.
        if (((*t.status >> 1) & 3u) == RES_OK && key != KEY_BACKSPACE && key != KEY_PERCENT_OP) {
            EXPECT(DisplayReadable(t.ctx->display) && ExponentReadable(t.ctx->exponent),
                   "TQCAL_Operate", "OK with an unreadable text");
        }
        return;
    }
    // The whole-sequence call, with exactly-sized key and text buffers.
    std::vector<uint8_t> bytes = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange(0, 64));
    // Any count up to the number of keys handed over: zero and negative
    // counts included, never more keys than the buffer holds.
    int count = in.ConsumeBool() ? static_cast<int>(bytes.size()) : AnyInt(in, -5, 0);
    if (count > static_cast<int>(bytes.size())) count = static_cast<int>(bytes.size());
    std::unique_ptr<int8_t[]> keys(new int8_t[bytes.size()]);
    if (!bytes.empty()) std::memcpy(keys.get(), bytes.data(), bytes.size());
    std::unique_ptr<TQCAL_WChar[]> text(new TQCAL_WChar[TQCAL_RESULT_TEXT_CELLS]);
    std::unique_ptr<double> result(new double(-1.0));
    const int nulls = in.ConsumeIntegralInRange(0, 7);
    const bool nullResult = nulls == 1, nullText = nulls == 2, nullKeys = nulls == 3;
    const int rc =
        TQCAL_CalcString(nullResult ? nullptr : result.get(), nullText ? nullptr : text.get(),
                         nullKeys ? nullptr : keys.get(), count);
    EXPECT(rc == 0 || rc == 1, "TQCAL_CalcString", "result out of range");
    if (nullResult || nullText || (nullKeys && count > 0)) {
        EXPECT(rc == 0 && *result == -1.0, "TQCAL_CalcString", "null not refused");
        return;
    }
    EXPECT(tqcal_terminated(text.get(), TQCAL_RESULT_TEXT_CELLS), "TQCAL_CalcString",
           "text not terminated");
    if (rc == 0)
        EXPECT(*result == TQCAL_CALC_STRING_ERROR && text[0] == 0, "TQCAL_CalcString", "bad error");
    if (rc == 1) EXPECT(std::fabs(*result) <= 9.9999999999991e99, "TQCAL_CalcString", "bad value");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    std::unique_ptr<Block> ctx(new Block);
    std::unique_ptr<TQCAL_Status> status(new TQCAL_Status);

    if (in.ConsumeBool()) {
        // Any 288 bytes and any status word.
        const std::vector<uint8_t> raw = in.ConsumeBytes<uint8_t>(sizeof(Block));
        std::memset(ctx.get(), 0, sizeof(Block));
        if (!raw.empty()) std::memcpy(ctx.get(), raw.data(), raw.size());
        *status = in.ConsumeIntegral<uint32_t>();
    } else {
        // A fresh block with a few fields changed.
        tqcal_reset(ctx.get(), status.get());
        const int patches = in.ConsumeIntegralInRange(0, 6);
        for (int i = 0; i < patches; ++i) Patch(in, *ctx);
        *status = TQCAL_STATUS_INITIAL ^ (in.ConsumeIntegral<uint16_t>() & 0x1FFFu);
    }

    for (int call = 0; call < 48 && in.remaining_bytes() > 0; ++call) {
        const int which = in.ConsumeIntegralInRange(0, 17);
        // Now and then a null pointer where the export expects one.
        const int nulls = in.ConsumeIntegralInRange(0, 15);
        Target t{nulls == 1 ? nullptr : ctx.get(), nulls == 2 ? nullptr : status.get()};
        const bool nullArg = nulls == 3;
        if (which <= 6) {
            StackCall(in, which, t, nullArg);
        } else if (which <= 10) {
            EntryCall(in, which - 7, t);
        } else if (which == 11) {
            FormatCall(in, t, nullArg);
        } else if (which <= 13) {
            NumericCall(in, which - 12, nullArg);
        } else if (which <= 15) {
            // The dispatcher is where most of the engine lives: weight it.
            EvalCall(in, 1, t);
        } else {
            EvalCall(in, which - 16 == 0 ? 0 : 2, t);
        }
        if (in.ConsumeIntegralInRange(0, 7) == 0) Patch(in, *ctx);
    }
    return 0;
}
