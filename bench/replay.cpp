// Replays the corpus of everyday calculations through the shared library, as
// a host does, for instruction counting under callgrind (instructions.sh).
// All reading and converting happens before the replay; the replay itself
// runs in named functions that callgrind collects by name
// (--toggle-collect), so start-up and corpus loading never count:
//
//   tqcal_replay_keys         every calculation, key by key, from a fresh
//                             calculator (the reset counts with it): what a
//                             host runs, and nothing else
//   tqcal_replay_calc_string  every calculation in one TQCAL_CalcString call
//   tqcal_press_<family>      one key of that family (digit, operator,
//                             equals, function, memory, other), when the
//                             replay goes through them (--by-family)
//
//   tqcal_replay CORPUS [--mode algebraic|equal] [--calc-string | --by-family]
//                [--repeat N]
//
// --repeat replays the corpus N times (for timing a whole run, as
// bench/soft_float_cost.sh does under an emulator); the counts printed are
// those of one replay.
// Prints the number of calculations and keys, in total and by family, so
// that the collected counts can be divided by them.
#include "corpus.h"
#include "tqcal_host.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

enum Family {
    FAMILY_DIGIT,
    FAMILY_OPERATOR,
    FAMILY_EQUALS,
    FAMILY_FUNCTION,
    FAMILY_MEMORY,
    FAMILY_OTHER,
    FAMILY_COUNT
};
const char *const FAMILY_NAMES[FAMILY_COUNT] = {"digit",    "operator", "equals",
                                                "function", "memory",   "other"};

Family FamilyOf(int key) {
    if (key >= KEY_0 && key <= KEY_POINT) return FAMILY_DIGIT;  // digits and the point
    switch (key) {
#define AS_CASE(code) case code:
        TQCAL_BINARY_OPERATOR_KEYS(AS_CASE)
        case KEY_LPAREN:
        case KEY_RPAREN: return FAMILY_OPERATOR;
        case KEY_EQUAL:
        case KEY_PERCENT_OP:
        case KEY_PERCENT: return FAMILY_EQUALS;
        case KEY_MSTORE:
        case KEY_MSTORE_ALT:
        case KEY_MPLUS:
        case KEY_MMINUS:
        case KEY_MRC: return FAMILY_MEMORY; TQCAL_FUNCTION_KEYS(AS_CASE)
        case KEY_PI:
        case KEY_SIGN: return FAMILY_FUNCTION;
#undef AS_CASE
        default: return FAMILY_OTHER;  // exponent entry, backspace, clear entry, all clear
    }
}

struct Calc {
    TQCAL_Context ctx;
    TQCAL_Status status;
};

// One key of a calculation, prepared: its code and its family.
struct Key {
    int code;
    Family family;
};

struct Prepared {
    std::vector<std::vector<Key>> calculations;
    std::vector<std::vector<int8_t>> codes;
};

}  // namespace

// Out of line, unmangled and never cloned, so that callgrind finds them by
// name. Each family function is nothing but the host protocol for one key.
#if defined(__clang__)
#define MEASURED extern "C" __attribute__((noinline, used))
#else
#define MEASURED extern "C" __attribute__((noipa, used))
#endif

#define TQCAL_PRESS_FAMILY(name)                                   \
    MEASURED void tqcal_press_##name(Calc *c, int key, int mode) { \
        tqcal_press(&c->ctx, &c->status, key, mode);               \
    }
TQCAL_PRESS_FAMILY(digit)
TQCAL_PRESS_FAMILY(operator)
TQCAL_PRESS_FAMILY(equals)
TQCAL_PRESS_FAMILY(function)
TQCAL_PRESS_FAMILY(memory)
TQCAL_PRESS_FAMILY(other)

using PressFn = void (*)(Calc *, int, int);
static const PressFn PRESS[FAMILY_COUNT] = {tqcal_press_digit,  tqcal_press_operator,
                                            tqcal_press_equals, tqcal_press_function,
                                            tqcal_press_memory, tqcal_press_other};

// Each returns a checksum of what the calculations showed, so that nothing
// of the work can be left out.
MEASURED unsigned tqcal_replay_keys(const Prepared *p, int mode) {
    unsigned sum = 0;
    Calc c;
    for (const std::vector<Key> &calculation : p->calculations) {
        tqcal_reset(&c.ctx, &c.status);
        for (const Key &k : calculation) tqcal_press(&c.ctx, &c.status, k.code, mode);
        sum = sum * 31u + c.status + c.ctx.display[13];
    }
    return sum;
}

// The same keys, each through the function of its family.
MEASURED unsigned tqcal_replay_by_family(const Prepared *p, int mode) {
    unsigned sum = 0;
    Calc c;
    for (const std::vector<Key> &calculation : p->calculations) {
        tqcal_reset(&c.ctx, &c.status);
        for (const Key &k : calculation) PRESS[k.family](&c, k.code, mode);
        sum = sum * 31u + c.status + c.ctx.display[13];
    }
    return sum;
}

MEASURED unsigned tqcal_replay_calc_string(const Prepared *p) {
    return corpus::CalcStringAll(p->codes);
}

int main(int argc, char **argv) {
    std::string path;
    int mode = TQCAL_MODE_ALGEBRAIC;
    bool calcString = false;
    bool byFamily = false;
    long repeat = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::printf(
                "usage: tqcal_replay CORPUS [--mode algebraic|equal] [--calc-string | --by-family]"
                " [--repeat N]\nPresses the key sequences of CORPUS (bench/corpus.txt), for"
                " bench/instructions.sh.\n");
            return 0;
        }
        if (arg == "--calc-string") {
            calcString = true;
        } else if (arg == "--by-family") {
            byFamily = true;
        } else if (arg == "--repeat" && i + 1 < argc) {
            repeat = std::strtol(argv[++i], nullptr, 10);
            if (repeat < 1) {
                std::fprintf(stderr, "tqcal_replay: --repeat needs a count of 1 or more\n");
                return 2;
            }
        } else if (arg == "--mode" && i + 1 < argc) {
            const std::string m = argv[++i];
            if (m != "algebraic" && m != "equal") {
                std::fprintf(stderr, "tqcal_replay: mode is algebraic or equal\n");
                return 2;
            }
            mode = m == "algebraic" ? TQCAL_MODE_ALGEBRAIC : TQCAL_MODE_EQUAL;
        } else if (path.empty() && arg[0] != '-') {
            path = arg;
        } else {
            path.clear();
            break;
        }
    }
    if (path.empty()) {
        std::fprintf(stderr,
                     "usage: tqcal_replay CORPUS [--mode algebraic|equal]"
                     " [--calc-string | --by-family] [--repeat N]\n");
        return 2;
    }

    std::vector<corpus::Expression> expressions;
    std::string error;
    if (!corpus::Load(path, expressions, error)) {
        std::fprintf(stderr, "tqcal_replay: %s\n", error.c_str());
        return 2;
    }
    Prepared prepared;
    long perFamily[FAMILY_COUNT] = {};
    for (const corpus::Expression &e : expressions) {
        std::vector<Key> keys;
        for (int code : e.keys) {
            keys.push_back(Key{code, FamilyOf(code)});
            ++perFamily[FamilyOf(code)];
        }
        prepared.calculations.push_back(std::move(keys));
        prepared.codes.push_back(e.codes);
    }

    unsigned sum = 0;
    for (long r = 0; r < repeat; ++r) {
        sum = calcString ? tqcal_replay_calc_string(&prepared)
              : byFamily ? tqcal_replay_by_family(&prepared, mode)
                         : tqcal_replay_keys(&prepared, mode);
    }
    std::printf("calculations %zu\nkeys %zu\n", expressions.size(), corpus::KeyCount(expressions));
    for (int f = 0; f < FAMILY_COUNT; ++f)
        std::printf("keys.%s %ld\n", FAMILY_NAMES[f], perFamily[f]);
    std::printf("checksum %08x\n", sum);
    return 0;
}
