// conformance_generate: writes conformance/vectors.txt, the record of what
// this build of the engine does, for replay.c to compare other builds with.
//
//     build/conformance/conformance_generate conformance/vectors.txt
//
// Run it by hand on x86-64 Linux after a change that is meant to alter
// results, and check the new file in. Every input comes from the lists
// below, the key sequences typed by hand in conformance/sequences.txt and a
// fixed-seed generator, so a rerun on the same build writes the same file
// byte for byte.
#include "key_sequence.h"
#include "soak.h"
#include "tqcal.h"
#include "tqcal_host.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

[[noreturn]] void Fail(const std::string &why) {
    std::fprintf(stderr, "conformance_generate: %s\n", why.c_str());
    std::exit(1);
}

// ---- Random source ------------------------------------------------------

// The soak's splitmix64 with a plain modulo: the same numbers on every
// platform and standard library.
struct Rng {
    uint64_t state;
    uint64_t Next() { return tqcal_soak_next(&state); }
    int Below(int n) { return tqcal_soak_below(&state, n); }
    bool OneIn(int n) { return Below(n) == 0; }
};

// ---- Key names ------------------------------------------------------------

bool IsEntryKey(int key) { return (key >= KEY_0 && key <= KEY_9) || key == KEY_POINT; }

// "12.5 + 3 =" -> 1 2 . 5 + 3 =; "#45" is a raw code.
std::vector<int> Keys(std::string_view typed) {
    std::vector<int> keys;
    std::string bad;
    if (!kit::ParseKeySequence(typed, keys, bad))
        Fail("unknown key name '" + bad + "' in \"" + std::string(typed) + "\"");
    return keys;
}

// The typed form of a key list: Keys(Typed(k)) == k.
std::string Typed(const std::vector<int> &keys) {
    std::string s;
    bool inNumber = false, pointed = false;
    for (int key : keys) {
        if (IsEntryKey(key)) {
            // A second point starts a number of its own, as tqcal --keys reads it.
            const bool newNumber = !inNumber || (key == KEY_POINT && pointed);
            if (newNumber && !s.empty()) s += ' ';
            if (newNumber) pointed = false;
            s += key == KEY_POINT ? '.' : static_cast<char>('0' + key);
            pointed = pointed || key == KEY_POINT;
            inNumber = true;
            continue;
        }
        if (!s.empty()) s += ' ';
        inNumber = false;
        char label[16];
        tqcal_key_label(key, label);
        s += label;
    }
    // A lone point between numbers would read as part of them; it cannot
    // occur, since points and digits always join, but check the round trip.
    if (Keys(s) != keys) Fail("typed form does not round-trip: " + s);
    return s;
}

// ---- Encoding -------------------------------------------------------------

std::string Hex(uint64_t v) {
    char buf[20];
    std::snprintf(buf, sizeof buf, "%" PRIx64, v);
    return buf;
}

std::string Hex(double v) { return Hex(std::bit_cast<uint64_t>(v)); }

// The cells before the terminator, at most max of them.
std::string Cells(const TQCAL_WChar *cells, int max, const char *what) {
    std::string s;
    int i = 0;
    for (; i < max && cells[i] != 0; ++i) {
        if (cells[i] < 0x20 || cells[i] > 0x7E || cells[i] == '_' || cells[i] == '!')
            Fail(std::string(what) + " holds an unexpected character");
        s += static_cast<char>(cells[i]);
    }
    if (i == max) Fail(std::string(what) + " has no terminator");
    return s;
}

// How replay.c reads a text token back: '!' is the empty text, '_' a blank,
// and a text shorter than 14 cells gets blanks in front up to 14.
std::string DecodeText(const std::string &token) {
    if (token == "!") return "";
    std::string s = token;
    for (char &ch : s) {
        if (ch == '_') ch = ' ';
    }
    if (s.size() < 14) s.insert(0, 14 - s.size(), ' ');
    return s;
}

// A display-like text: leading blanks dropped when the reader restores
// them, else every blank written as '_'.
std::string TextToken(const std::string &text) {
    if (text.empty()) return "!";
    const size_t first = text.find_first_not_of(' ');
    if (first != std::string::npos) {
        const std::string stripped = text.substr(first);
        if (stripped.find(' ') == std::string::npos && DecodeText(stripped) == text)
            return stripped;
    }
    std::string full = text;
    for (char &ch : full) {
        if (ch == ' ') ch = '_';
    }
    if (DecodeText(full) != text) Fail("text '" + text + "' cannot be written down");
    return full;
}

// The exponent text: blanks as '_', no padding.
std::string ExponentToken(const std::string &text) {
    if (text.empty()) return "!";
    std::string s = text;
    for (char &ch : s) {
        if (ch == ' ') ch = '_';
    }
    return s;
}

// ---- Key states and their comparison --------------------------------------

struct State {
    int key;
    std::string display;   // cells before the terminator
    std::string exponent;  // cells before the terminator
    int negative;
    uint32_t status;
    double value;
    double memory;
};

State Capture(int key, const TQCAL_Context &ctx, TQCAL_Status status) {
    return State{key,
                 Cells(ctx.display, TQCAL_DISPLAY_AREA, "display text"),
                 Cells(ctx.exponent, TQCAL_EXPONENT_CELLS, "exponent text"),
                 ctx.negative,
                 status,
                 ctx.value,
                 ctx.memory};
}

std::vector<State> Press(const std::vector<int> &keys, int mode) {
    TQCAL_Context ctx;
    TQCAL_Status status;
    tqcal_reset(&ctx, &status);
    std::vector<State> states;
    for (int key : keys) {
        tqcal_press(&ctx, &status, key, mode);
        states.push_back(Capture(key, ctx, status));
    }
    return states;
}

bool SameValue(double a, double b) {
    return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b) ||
           (std::isnan(a) && std::isnan(b));
}

char StateLetter(uint32_t status) {
    switch (tqcal_result(status)) {
        case RES_ERROR: return 'E';
        case RES_OK: return 'O';
        case RES_FULL: return 'F';
        default: return 'X';
    }
}

// ---- The file ---------------------------------------------------------------

struct Counts {
    long sequences = 0, states = 0;
    long pow10 = 0, format = 0, base = 0, calcString = 0;
    long platform = 0, soakBlocks = 0;
};

// A sequence typed by hand and the precedence modes it is pressed in.
struct HandSequence {
    std::string typed;
    bool algebraic = true, equal = true;
};

class Writer {
public:
    std::string out;
    Counts counts;

    void Line(const std::string &s) {
        out += s;
        out += '\n';
    }

    void Sequence(int mode, const std::vector<int> &keys) {
        if (keys.empty()) return;
        Line("S " + std::to_string(mode) + " " + Typed(keys));
        ++counts.sequences;
        for (const State &s : Press(keys, mode)) {
            Line(std::to_string(s.key) + ' ' + TextToken(s.display) + ' ' +
                 ExponentToken(s.exponent) + ' ' + std::to_string(s.negative) + ' ' +
                 StateLetter(s.status) + ' ' + Hex(static_cast<uint64_t>(s.status)) + ' ' +
                 Hex(s.value) + ' ' + Hex(s.memory));
            ++counts.states;
        }
    }

    void Seq(int mode, std::string_view typed) { Sequence(mode, Keys(typed)); }

    void Hand(const HandSequence &seq) {
        if (seq.algebraic) Seq(1, seq.typed);
        if (seq.equal) Seq(0, seq.typed);
    }
};

// ---- Key sequences ------------------------------------------------------------

// The hand-typed sequences of the record, everyday sums and the edge cases
// of every feature: the lines of conformance/sequences.txt (its header
// gives the format) outside its "page only" groups, in file order. The
// page's tests read the same file.
std::vector<HandSequence> ReadHandSequences(const char *path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) Fail(std::string("cannot read ") + path);
    std::vector<HandSequence> out;
    bool recorded = true;
    for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string_view rest = line;
        if (rest.starts_with("## ")) {
            recorded = !rest.substr(3).starts_with("page only:");
            continue;
        }
        if (!recorded || rest.empty() || rest == "#" || rest.starts_with("# ")) continue;
        if (rest.starts_with("page: ")) rest.remove_prefix(6);
        HandSequence seq;
        if (rest.starts_with("algebraic: ")) {
            rest.remove_prefix(11);
            seq.equal = false;
        } else if (rest.starts_with("equal: ")) {
            rest.remove_prefix(7);
            seq.algebraic = false;
        }
        seq.typed = rest;
        Keys(seq.typed);  // fails on a line that is no key sequence
        out.push_back(seq);
    }
    return out;
}

// Every key, pressed after each of these beginnings and followed by "2 =".
const char *const PREFIXES[] = {
    "",
    "5",
    "1 2 . 5",
    "7 +/-",
    "2 +",
    "2 + 3",
    "2 + 3 =",
    "2 * *",
    "( 4",
    "2 * ( 3 +",
    "1 / 0 =",
    "( ( ( ( ( ( ( ( ( ( ( ( ( ( ( ( ( (",
    "1 EXP 5",
    "1 EXP 5 +/-",
    "3 MS",
    "9 MRC",
    "200 * 10 pct",
    "2 ^",
    "8 root 3 =",
    "1 + 2 blank",
    "0.5",
    "1 EXP 99 * 9 =",
    "4 CE",
    "1 2 3 BS",
    "pi",
    "2 + 3 M+",
};

// A number as a person types it, now and then with a point, an exponent or
// a change of sign.
void TypeNumber(Rng &rng, std::vector<int> &keys) {
    static const int LENGTHS[] = {1, 1, 1, 2, 2, 2, 3, 3, 4, 5, 7, 10, 13, 14, 16};
    const int length = LENGTHS[rng.Below(static_cast<int>(std::size(LENGTHS)))];
    const int point = rng.OneIn(3) ? rng.Below(length + 1) : -1;
    for (int i = 0; i < length; ++i) {
        if (i == point) keys.push_back(KEY_POINT);
        keys.push_back(rng.Below(10));
    }
    if (point == length) keys.push_back(KEY_POINT);
    if (rng.OneIn(8)) {
        keys.push_back(KEY_EXP);
        if (rng.OneIn(3)) keys.push_back(KEY_SIGN);
        const int digits = 1 + rng.Below(2);
        for (int i = 0; i < digits; ++i) keys.push_back(rng.Below(10));
    }
    if (rng.OneIn(10)) keys.push_back(KEY_SIGN);
}

// Keys drawn with weights close to how people type; the nesting mix opens
// parentheses and presses operators far more often, to reach the limits.
// Without elementary functions, the power, root and function keys are left
// out, so that more sequences are long runs of arithmetic. (The record's
// sequences come from this mix: changing it rewrites them.)
bool CallsElementaryFunction(int key) {
    switch (key) {
#define AS_CASE(code) case code:
        TQCAL_ELEMENTARY_FUNCTION_KEYS(AS_CASE)
#undef AS_CASE
        case KEY_POW:
        case KEY_ROOT: return true;
        default: return false;
    }
}

// The direct codes, in order.
std::vector<int> DirectCodes() {
    std::vector<int> codes;
    for (int code = KEY_FIRST_DIRECT; code <= KEY_LAST_DIRECT; ++code) codes.push_back(code);
    return codes;
}

std::vector<int> RandomSequence(Rng &rng, bool nesting, bool elementaryFunctions = true) {
    struct Weighted {
        int weight;
        std::vector<int> keys;
    };
    const Weighted table[] = {
        {nesting ? 10 : 30, {-1}},  // a typed number
        {3, {0, 1, 2, 5, 9}},
        {nesting ? 16 : 8, {KEY_ADD, KEY_SUB, KEY_MUL, KEY_DIV}},
        {nesting ? 40 : 4, {KEY_LPAREN}},
        {nesting ? 8 : 4, {KEY_EQUAL}},
        {3, {KEY_POINT, KEY_RPAREN}},
        {2, {KEY_POW, KEY_ROOT, KEY_BACKSPACE, KEY_SIGN, KEY_EXP, KEY_CE}},
        {1, {KEY_PERCENT, KEY_MSTORE, KEY_MPLUS, KEY_MMINUS, KEY_MRC, KEY_SQUARE, KEY_SQRT,
             KEY_AC,      KEY_PI,     KEY_FACT,  KEY_RECIP,  KEY_SIN, KEY_ASIN,   KEY_COS,
             KEY_ACOS,    KEY_TAN,    KEY_ATAN,  KEY_POW10,  KEY_LN,  KEY_EXPE,   KEY_LOG}},
        {2, DirectCodes()},
    };
    std::vector<int> pool;
    for (const Weighted &w : table) {
        for (int key : w.keys) {
            if (!elementaryFunctions && CallsElementaryFunction(key)) continue;
            pool.insert(pool.end(), static_cast<size_t>(w.weight), key);
        }
    }
    std::vector<int> keys;
    const int presses = 1 + rng.Below(nesting ? 40 : 24);
    for (int i = 0; i < presses; ++i) {
        const int key = pool[static_cast<size_t>(rng.Below(static_cast<int>(pool.size())))];
        if (key == -1) {
            TypeNumber(rng, keys);
        } else {
            keys.push_back(key);
        }
    }
    return keys;
}

void KeySequences(Writer &w, const std::vector<HandSequence> &hand) {
    w.Line("# Key sequences typed by hand, in both precedence modes");
    for (const HandSequence &seq : hand) w.Hand(seq);
    w.Seq(7, "2 + 3 * 4 =");  // any mode but 1 is equal priority
    w.Seq(-1, "2 + 3 * 4 =");

    w.Line("# Every key after each beginning, then 2 =");
    std::vector<int> every;
    for (int key = 0; key < KEY_FIRST_NON_KEY; ++key) every.push_back(key);
    for (int key : DirectCodes()) every.push_back(key);
    for (const char *prefix : PREFIXES) {
        for (int key : every) {
            std::vector<int> keys = Keys(prefix);
            keys.push_back(key);
            keys.insert(keys.end(), {KEY_2, KEY_EQUAL});
            w.Sequence(1, keys);
            w.Sequence(0, keys);
        }
    }

    w.Line("# Random sequences (fixed seed)");
    Rng rng{20240601};
    for (int i = 0; i < 1400; ++i) w.Sequence(i % 2, RandomSequence(rng, false, i % 5 < 2));
    for (int i = 0; i < 200; ++i) w.Sequence(i % 2, RandomSequence(rng, true, i % 5 < 2));
}

// ---- Single routines ------------------------------------------------------------

double Dec(const char *text) { return std::strtod(text, nullptr); }

void Pow10Vectors(Writer &w) {
    w.Line("# TQCAL_Pow10");
    std::vector<double> xs;
    for (int e = -400; e <= 400; ++e) xs.push_back(e);
    const double extra[] = {-0.0,
                            0.5,
                            -0.5,
                            2.5,
                            -2.5,
                            22.9,
                            -22.9,
                            99.99,
                            1e10,
                            -1e10,
                            2147483647.0,
                            2147483648.0,
                            -2147483648.0,
                            -2147483649.0,
                            std::numeric_limits<double>::infinity(),
                            -std::numeric_limits<double>::infinity(),
                            std::numeric_limits<double>::quiet_NaN()};
    xs.insert(xs.end(), std::begin(extra), std::end(extra));
    for (double x : xs) {
        w.Line("P " + Hex(x) + " " + Hex(TQCAL_Pow10(x)));
        ++w.counts.pow10;
    }
}

void FormatOne(Writer &w, double v, int width) {
    TQCAL_WChar display[TQCAL_DISPLAY_AREA];
    TQCAL_WChar exponent[TQCAL_EXPONENT_CELLS];
    for (TQCAL_WChar &c : display) c = '#';
    for (TQCAL_WChar &c : exponent) c = '#';
    int32_t negative = -7;
    const int rc = TQCAL_DivideDoubleToStr(v, display, exponent, &negative, width);
    w.Line("D " + Hex(v) + " " + std::to_string(width) + " " +
           TextToken(Cells(display, TQCAL_DISPLAY_AREA, "formatted text")) + " " +
           ExponentToken(Cells(exponent, TQCAL_EXPONENT_CELLS, "formatted exponent")) + " " +
           std::to_string(negative) + " " + std::to_string(rc));
    ++w.counts.format;
}

// A random double with a decimal look: up to 17 significant digits.
double RandomDecimal(Rng &rng, int minDecade, int maxDecade) {
    const int digits = 1 + rng.Below(17);
    std::string s;
    for (int i = 0; i < digits; ++i)
        s += static_cast<char>('0' + (i == 0 ? 1 + rng.Below(9) : rng.Below(10)));
    const int decade = minDecade + rng.Below(maxDecade - minDecade + 1);
    s += "e" + std::to_string(decade - digits + 1);
    return std::strtod(s.c_str(), nullptr);
}

// The display's edges: 14 digits, the exponent form, the zero and
// overflow limits, and the doubles next to each
const char *const FORMAT_EDGES[] = {
    "9.9999999999995",
    "0.99999999999999",
    "9.999999999999e-100",
    "9.9999999999991e99",
    "99999999999999",
    "99999999999999.5",
    "9999999999999.5",
    "999999999999.95",
    "1e13",
    "9.9999999999999e12",
    "1e-13",
    "9.9999999999999e-14",
    "0.000000000001",
    "0.0000000000001",
    "0.00000000000015",
    "1.2345678901234e13",
    "12345678901234",
    "1234567890123.4",
    "0.1234567890123",
    "0.12345678901234",
    "0.3333333333333333",
    "0.6666666666666666",
    "3.141592653589793",
    "2.718281828459045",
    "1e-99",
    "1e-100",
    "9.99999999999e-100",
    "1.7976931348623157e308",
    "2.2250738585072014e-308",
    "4.9406564584124654e-324",
    "2.2250738585072009e-308",
    "1e-310",
    "123456789",
    "0.5",
    "1",
    "10",
    "100",
    "0.1",
    "0.01",
    "0.3",
    "0.7",
    "1.1",
    "1e99",
    "9e99",
    "9.99e99",
};

void FormatVectors(Writer &w) {
    w.Line("# TQCAL_DivideDoubleToStr");
    std::vector<double> vs;
    const double inf = std::numeric_limits<double>::infinity();
    // powers of ten and their neighbours
    for (int e = -110; e <= 110; ++e) {
        const double p = Dec(("1e" + std::to_string(e)).c_str());
        vs.insert(vs.end(), {p, std::nextafter(p, 0.0), std::nextafter(p, inf)});
    }
    // halves and fives
    for (int k = 0; k <= 20; ++k) vs.push_back(k + 0.5);
    for (int e = -16; e <= 16; ++e) {
        for (const char *m : {"5", "1.5", "9.5", "2.5", "4.99999999999995", "9.99999999999995"}) {
            vs.push_back(Dec((std::string(m) + "e" + std::to_string(e)).c_str()));
        }
    }
    for (const char *e : FORMAT_EDGES) {
        const double v = Dec(e);
        vs.insert(vs.end(), {v, std::nextafter(v, 0.0), std::nextafter(v, inf)});
    }
    vs.insert(vs.end(), {0.0, -0.0, inf, -inf, std::numeric_limits<double>::quiet_NaN(),
                         -std::numeric_limits<double>::quiet_NaN(),
                         std::numeric_limits<double>::denorm_min(), DBL_MAX, DBL_MIN});
    // decimal-looking values of every size, and any doubles at all
    Rng rng{7707};
    for (int i = 0; i < 1200; ++i) vs.push_back(RandomDecimal(rng, -20, 20));
    for (int i = 0; i < 300; ++i) vs.push_back(RandomDecimal(rng, -110, 110));
    for (int i = 0; i < 200; ++i) vs.push_back(std::bit_cast<double>(rng.Next()));
    const size_t positives = vs.size();
    for (size_t i = 0; i < positives; i += 3) vs.push_back(-vs[i]);
    for (double v : vs) FormatOne(w, v, 14);
    // other widths, held to 1..14 by the routine
    const double few[] = {0.0,
                          1.0,
                          0.5,
                          12.5,
                          123456.789,
                          0.0001234,
                          1.2345678901234e13,
                          99999999999999.0,
                          1e-5,
                          9.87654321e50,
                          -3.25,
                          1e100};
    for (double v : few) {
        for (int width : {-5, 0, 1, 2, 3, 5, 8, 10, 12, 13, 15, 16, 100}) FormatOne(w, v, width);
    }
}

void BaseOne(Writer &w, double a, double b) {
    std::string line = "B " + Hex(a) + " " + Hex(b);
    for (int op : {KEY_ADD, KEY_SUB, KEY_MUL, KEY_DIV}) {
        double left = a, right = b;
        const int rc = TQCAL_BaseOperate(op, &left, &right);
        if (!SameValue(right, b)) Fail("TQCAL_BaseOperate changed its right operand");
        line += " " + std::to_string(rc) + " " + Hex(left) + " " + Hex(right);
    }
    w.Line(line);
    ++w.counts.base;
}

// Pairs as typed, each also reversed and with either sign negative: the
// alignment's edges, the zero and overflow limits, signed zeros.
const char *const BASE_PAIRS[][2] = {
    {"100", "99.99"},
    {"0.1", "0.2"},
    {"0.3", "0.1"},
    {"1", "0.9"},
    {"1", "3"},
    {"2", "3"},
    {"1", "0"},
    {"0", "0"},
    {"0", "5"},
    {"5", "0"},
    {"1e99", "1e99"},
    {"9e99", "9e99"},
    {"1e-99", "1e-99"},
    {"1e-99", "10"},
    {"1e14", "1"},
    {"1e15", "1"},
    {"1e14", "1e-14"},
    {"99999999999999", "1"},
    {"0.99999999999999", "4"},
    {"-0.99999999999999", "4"},
    {"0.99999999999999", "3"},
    {"1.00000000000001", "4"},
    {"1", "9.999999999999e-100"},
    {"1", "9.9999999999989e-100"},
    {"1", "1e-100"},
    {"5e-100", "5e-100"},
    {"1e-15", "1e-15"},
    {"1e-15", "3e-16"},
    {"1e-20", "1"},
    {"1e-30", "2e-30"},
    {"123456789012345", "1"},
    {"1.2345678901234e20", "1e7"},
    {"1e100", "1"},
    {"1.7976931348623157e308", "1.7976931348623157e308"},
    {"4.9e-324", "1"},
    {"-0", "0"},
    {"-0", "-0"},
    {"0", "-0"},
    {"3.141592653589793", "2.718281828459045"},
    {"19.99", "3"},
    {"0.000001", "0.000001"},
    {"1234567", "7654321"},
    {"2", "2"},
};

void BaseVectors(Writer &w) {
    w.Line("# TQCAL_BaseOperate: + - * / on each pair");
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<std::pair<double, double>> ps;
    for (const auto &p : BASE_PAIRS) {
        const double a = Dec(p[0]), b = Dec(p[1]);
        ps.insert(ps.end(), {{a, b}, {b, a}, {-a, b}, {a, -b}});
    }
    for (double special : {inf, -inf, nan}) {
        ps.insert(ps.end(), {{special, 1.0}, {1.0, special}, {special, special}});
    }
    Rng rng{4242};
    // operands as typed: a few digits, of neighbouring sizes
    for (int i = 0; i < 1400; ++i) {
        const int decade = rng.Below(31) - 15;
        double a = RandomDecimal(rng, decade - 2, decade + 2);
        double b = RandomDecimal(rng, decade - 4, decade + 4);
        if (rng.OneIn(2)) a = -a;
        if (rng.OneIn(2)) b = -b;
        ps.push_back({a, b});
    }
    // nearly equal operands: cancellation and the rounding of the units
    for (int i = 0; i < 500; ++i) {
        const double a = RandomDecimal(rng, -20, 20);
        double b = a;
        const int steps = rng.Below(40) - 20;
        for (int s = 0; s < std::abs(steps); ++s) b = std::nextafter(b, steps > 0 ? inf : 0.0);
        ps.push_back({a, b});
        ps.push_back({a, -b});
    }
    // the large and tiny alignment ranges and everything far apart
    for (int i = 0; i < 800; ++i) {
        const double a = RandomDecimal(rng, -105, 105);
        const double b = RandomDecimal(rng, -105, 105);
        ps.push_back({rng.OneIn(3) ? -a : a, rng.OneIn(3) ? -b : b});
    }
    for (int i = 0; i < 150; ++i)
        ps.push_back({std::bit_cast<double>(rng.Next()), std::bit_cast<double>(rng.Next())});
    for (const auto &p : ps) BaseOne(w, p.first, p.second);
}

void CalcStringOne(Writer &w, const std::vector<int8_t> &codes) {
    TQCAL_WChar cells[TQCAL_RESULT_TEXT_CELLS];
    for (TQCAL_WChar &c : cells) c = '#';
    double value = -1;
    const int rc = TQCAL_CalcString(&value, cells, codes.data(), static_cast<int>(codes.size()));
    std::string line = "C " + std::to_string(rc) + " " + Hex(value) + " " +
                       TextToken(Cells(cells, TQCAL_RESULT_TEXT_CELLS, "result text"));
    for (int8_t c : codes) line += " " + std::to_string(c);
    w.Line(line);
    ++w.counts.calcString;
}

void CalcStringVectors(Writer &w, const std::vector<HandSequence> &hand) {
    w.Line("# TQCAL_CalcString");
    std::vector<std::vector<int8_t>> lists = {
        {},
        {1, 12, 2, 14, 3},
        {1, 12, 2, 14, 3, 11},
        {0, 13, 5, 11},
        {1, 15, 0, 11},
        {1, 15, 3},
        {45, 100, 7},
        {2, 12, 3, 11, 11},
        {1, 2, 3, 10, 4, 5, 24},
        {5, 29, 2, 0},
        {2, 12, 12, 11, 11},
        {2, 12, 12, 3, 11},
        {3, 14, 14},
        {-5, -4, -3, 4},
        {3, 0, 33},
        {2, 43, 10, 5},
        {1, 29, 9, 9, 14, 1, 0},
        {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1, 2, 3, 4, 5, 6},
        {9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 12, 1},
        {2, 14, 17, 3, 12, 4, 18},
        {5, 20, 3, 21, 22},
        {2, 23, 23, 7},
        {1, 15, 3, 14, 3},
        {4, 26},
        {2, 24, 26},
    };
    std::vector<int8_t> parens(18, KEY_LPAREN);
    parens.push_back(1);
    lists.push_back(parens);
    parens.resize(17);
    parens.push_back(1);
    lists.push_back(parens);
    for (const HandSequence &seq : hand) {
        const std::vector<int> keys = Keys(seq.typed);
        if (keys.size() <= 40) lists.emplace_back(keys.begin(), keys.end());
    }
    Rng rng{99};
    for (int i = 0; i < 300; ++i) {
        const std::vector<int> keys = RandomSequence(rng, i % 4 == 0);
        std::vector<int8_t> codes;
        for (int key : keys) {
            codes.push_back(
                static_cast<int8_t>(rng.OneIn(20) ? KEY_FIRST_NON_KEY + rng.Below(200) : key));
        }
        lists.push_back(codes);
    }
    for (const auto &codes : lists) CalcStringOne(w, codes);
}

// ---- Platform arithmetic ------------------------------------------------------------

// This machine's own IEEE-754 results (x86-64: SSE2, correctly rounded) for
// the operations every build leans on, on the cases that are hard to get
// right in software. The replayer redoes them with its own compiler's
// arithmetic: a soft-float runtime that rounds one of them wrongly shows
// there before any engine value is compared.
class Platform {
public:
    explicit Platform(Writer &w) : w_(w) {}

    void Binary(double a, double b) {
        volatile double x = a, y = b;
        Line("+", Hex(a) + ' ' + Hex(b), x + y);
        Line("-", Hex(a) + ' ' + Hex(b), x - y);
        Line("*", Hex(a) + ' ' + Hex(b), x * y);
        Line("/", Hex(a) + ' ' + Hex(b), x / y);
    }
    void Sum(double a, double b) {
        volatile double x = a, y = b;
        Line("+", Hex(a) + ' ' + Hex(b), x + y);
        Line("-", Hex(a) + ' ' + Hex(b), x - y);
    }
    void Product(double a, double b) {
        volatile double x = a, y = b;
        Line("*", Hex(a) + ' ' + Hex(b), x * y);
        Line("/", Hex(a) + ' ' + Hex(b), x / y);
    }
    void Sqrt(double a) {
        volatile double x = a;
        Line("sqrt", Hex(a), std::sqrt(x));
    }
    // Integers are written as their two's complement bits in their width.
    void FromI32(int32_t v) {
        volatile int32_t x = v;
        Line("i32d", Hex(uint64_t(uint32_t(v))), double(x));
    }
    void FromU32(uint32_t v) {
        volatile uint32_t x = v;
        Line("u32d", Hex(uint64_t(v)), double(x));
    }
    void FromI64(int64_t v) {
        volatile int64_t x = v;
        Line("i64d", Hex(uint64_t(v)), double(x));
    }
    void FromU64(uint64_t v) {
        volatile uint64_t x = v;
        Line("u64d", Hex(v), double(x));
    }
    // Only values whose whole part fits: anything else is undefined in C.
    void ToI32(double d) {
        if (!(d > -2147483649.0 && d < 2147483648.0)) Fail("di32 out of range");
        volatile double x = d;
        ToLine("di32", d, uint64_t(uint32_t(int32_t(x))));
    }
    void ToU32(double d) {
        if (!(d > -1.0 && d < 4294967296.0)) Fail("du32 out of range");
        volatile double x = d;
        ToLine("du32", d, uint64_t(uint32_t(x)));
    }
    void ToI64(double d) {
        if (!(d >= -0x1p63 && d < 0x1p63)) Fail("di64 out of range");
        volatile double x = d;
        ToLine("di64", d, uint64_t(int64_t(x)));
    }
    void ToU64(double d) {
        if (!(d > -1.0 && d < 0x1p64)) Fail("du64 out of range");
        volatile double x = d;
        ToLine("du64", d, uint64_t(x));
    }

private:
    void Line(const char *op, const std::string &operands, double r) {
        w_.Line(std::string("A ") + op + ' ' + operands + ' ' + Hex(r));
        ++w_.counts.platform;
    }
    void ToLine(const char *op, double d, uint64_t r) {
        w_.Line(std::string("A ") + op + ' ' + Hex(d) + ' ' + Hex(r));
        ++w_.counts.platform;
    }
    Writer &w_;
};

double Make(bool negative, int biasedExponent, uint64_t mantissa) {
    return std::bit_cast<double>((negative ? 0x8000000000000000ull : 0) |
                                 (uint64_t(biasedExponent) << 52) |
                                 (mantissa & 0x000FFFFFFFFFFFFFull));
}

constexpr uint64_t MANTISSA_BITS = 0x000FFFFFFFFFFFFFull;
constexpr double INF_VALUE = std::numeric_limits<double>::infinity();

// NaN, infinity, zero and the edges of the format, each sign.
const double SPECIALS[] = {0.0,
                           -0.0,
                           std::numeric_limits<double>::denorm_min(),
                           -std::numeric_limits<double>::denorm_min(),
                           std::bit_cast<double>(0x000FFFFFFFFFFFFFull),
                           DBL_MIN,
                           -DBL_MIN,
                           1.0,
                           -1.0,
                           1.5,
                           DBL_MAX,
                           -DBL_MAX,
                           INF_VALUE,
                           -INF_VALUE,
                           std::numeric_limits<double>::quiet_NaN()};

// Sums once seen rounded wrongly, then every alignment of two operands.
void SumsAtEveryAlignment(Platform &p, Rng &rng, Writer &w) {
    w.Line("# Platform arithmetic: what x86-64 computes for + - * / sqrt and the");
    w.Line("# conversions between integers and doubles");
    w.Line("# the sums that a soft-float addition was seen to round wrongly");
    p.Sum(std::bit_cast<double>(0x3FF0000000000000ull),
          std::bit_cast<double>(0xBDE17741679CA5CCull));
    p.Sum(std::bit_cast<double>(0x4060000000000000ull),
          std::bit_cast<double>(0xBE5CFCB31804E312ull));

    // Every exponent difference from 0 to 64, for a power of two, all ones,
    // one unit above a power of two and random mantissas on either side, of
    // either sign: alignment, the guard and sticky bits, renormalisation
    // after cancellation.
    w.Line("# sums at every exponent difference from 0 to 64");
    for (int d = 0; d <= 64; ++d) {
        const uint64_t big[] = {0, MANTISSA_BITS, 1, rng.Next() & MANTISSA_BITS};
        const uint64_t small[] = {0,
                                  MANTISSA_BITS,
                                  1,
                                  rng.Next() & MANTISSA_BITS,
                                  rng.Next() & MANTISSA_BITS,
                                  rng.Next() & MANTISSA_BITS};
        for (uint64_t mb : big) {
            for (uint64_t ms : small) {
                for (bool negative : {false, true}) {
                    const double a = Make(false, 1023, mb);
                    const double b = Make(negative, 1023 - d, ms);
                    p.Sum(a, b);
                }
            }
        }
        // the smaller first, at other scales
        const int e = 64 + rng.Below(1900);
        p.Sum(Make(rng.OneIn(2), e - d, rng.Next()), Make(rng.OneIn(2), e, rng.Next()));
    }
}

// Exact ties, cancellation, subnormal results and overflow.
void TiesSubnormalsAndOverflow(Platform &p, Rng &rng, Writer &w) {
    w.Line("# exact ties, cancellation, subnormal results, overflow");
    for (int k = 0; k < 8; ++k) {
        // half a unit of the last place: to even, up or down
        const double a = Make(false, 1023, uint64_t(k));
        p.Sum(a, 0x1p-53);
        p.Sum(a, -0x1p-54);
        p.Sum(-a, 0x1p-54);
        p.Sum(a, 0x1p-53 + 0x1p-105);
        // cancellation to zero, both signs
        const double r = std::bit_cast<double>(rng.Next() & 0x7FFFFFFFFFFFFFFFull);
        if (r == r) {
            p.Sum(r, r);
            p.Sum(-r, -r);
        }
    }
    for (double z : {0.0, -0.0}) {
        for (double y : {0.0, -0.0, 1.0, -1.0, DBL_MIN}) p.Binary(z, y);
    }
    // subnormal results: differences of normals, subnormal operands, and
    // products and quotients below the smallest normal, ties among them
    for (int k = 0; k < 40; ++k) {
        const double a = Make(false, 1 + rng.Below(3), rng.Next());
        const double b = Make(rng.OneIn(2), 1 + rng.Below(3), rng.Next());
        p.Sum(a, b);
        p.Sum(Make(false, 0, rng.Next()), Make(rng.OneIn(2), rng.Below(2), rng.Next()));
        // a * b with a result exponent from -1030 to -1080
        const int e = -1030 - rng.Below(51);
        const int ea = -500 - rng.Below(400);
        p.Product(Make(false, ea + 1023, rng.Next()),
                  Make(rng.OneIn(2), e - ea + 1023, rng.Next()));
    }
    for (uint64_t k = 1; k <= 12; ++k) {
        p.Product(std::bit_cast<double>(k), 0.5);  // k/2 units of the last place: ties
        p.Product(std::bit_cast<double>(k), 0.25);
        p.Product(std::bit_cast<double>(k * 3), 1.0 / 3.0);
        p.Product(Make(false, 1, k), Make(false, 1022 - int(k), 0));
    }
    // overflow to infinity, and the largest finite values just below it
    p.Binary(DBL_MAX, DBL_MAX);
    p.Binary(DBL_MAX, 0x1p970);
    p.Binary(DBL_MAX, 0x1p969);
    p.Binary(DBL_MAX, -0x1p970);
    p.Binary(-DBL_MAX, 0x1p970);
    for (int k = 0; k < 20; ++k) {
        const double a = Make(rng.OneIn(2), 2000 + rng.Below(47), rng.Next());
        const double b = Make(rng.OneIn(2), 1000 + rng.Below(46), rng.Next());
        p.Product(a, b);
        p.Product(a, 1.0 / b);
        p.Sum(a, Make(false, 2046, rng.Next()));
    }
}

// Products that are exact ties, and their neighbours.
void RoundingEdgeProducts(Platform &p, Rng &rng, Writer &w) {
    w.Line("# products on the rounding edge: exact ties and their neighbours");
    for (int k = 0; k < 120; ++k) {
        // odd 27-bit factors whose product takes 54 bits: exactly half a unit
        uint64_t m1 = (rng.Next() >> 37) | (1ull << 26) | 1;
        uint64_t m2 = (rng.Next() >> 37) | (1ull << 26) | 1;
        const double a = std::ldexp(double(m1), -26 + rng.Below(20) - 10);
        const double b = std::ldexp(double(m2), -26 + rng.Below(20) - 10);
        p.Product(rng.OneIn(2) ? -a : a, b);
        p.Product(std::nextafter(a, INF_VALUE), b);
    }
    for (int k = 0; k < 60; ++k) {
        const uint64_t ma = rng.Next() & MANTISSA_BITS, mb = rng.Next() & MANTISSA_BITS;
        p.Product(Make(false, 1023, ma), Make(rng.OneIn(2), 1023, mb));
        p.Product(Make(false, 1023, MANTISSA_BITS - (ma & 0xFF)),
                  Make(false, 1023, MANTISSA_BITS - (mb & 0xFF)));
    }
}

// The special values with each other, then any doubles and doubles of nearby size.
void SpecialsAndAnyDoubles(Platform &p, Rng &rng, Writer &w) {
    w.Line("# NaN, infinity, zero and the edges, each with each");
    for (double a : SPECIALS) {
        for (double b : SPECIALS) p.Binary(a, b);
    }

    w.Line("# any doubles, and doubles of nearby size");
    for (int k = 0; k < 300; ++k)
        p.Binary(std::bit_cast<double>(rng.Next()), std::bit_cast<double>(rng.Next()));
    for (int k = 0; k < 300; ++k) {
        const int e = 1 + rng.Below(2045);
        const int f = std::clamp(e + rng.Below(121) - 60, 1, 2046);
        p.Binary(Make(rng.OneIn(2), e, rng.Next()), Make(rng.OneIn(2), f, rng.Next()));
    }
}

// Square roots: the special values, exact squares and their neighbours.
void SquareRoots(Platform &p, Rng &rng, Writer &w) {
    w.Line("# square roots");
    for (double a : SPECIALS) p.Sqrt(a);
    for (double a : {2.0, 3.0, 0.5, 1e-300, 1e300, 0x1p-1074, 0x1p-1073, 0x1p-1022, 4.0}) p.Sqrt(a);
    for (int k = 0; k < 100; ++k) {
        const uint64_t m = (rng.Next() >> 38) | 1;  // 26 bits: its square is exact
        const double s = double(m) * double(m);
        p.Sqrt(s);
        p.Sqrt(std::nextafter(s, 0.0));
        p.Sqrt(std::nextafter(s, INF_VALUE));
        p.Sqrt(std::bit_cast<double>(rng.Next() & 0x7FFFFFFFFFFFFFFFull));
        p.Sqrt(Make(false, 0, rng.Next()));
    }
}

// Conversions of 32- and 64-bit integers to doubles, rounding above 2^53.
void IntegersToDoubles(Platform &p, Rng &rng, Writer &w) {
    w.Line("# integers to doubles");
    for (int32_t v : {0, 1, -1, 2, -2, INT32_MAX, INT32_MIN, INT32_MIN + 1, 1 << 24, (1 << 24) + 1})
        p.FromI32(v);
    for (uint32_t v : {0u, 1u, 0x7FFFFFFFu, 0x80000000u, 0x80000001u, 0xFFFFFFFFu}) p.FromU32(v);
    for (int k = 0; k < 40; ++k) {
        p.FromI32(int32_t(uint32_t(rng.Next())));
        p.FromU32(uint32_t(rng.Next()));
    }
    // above 2^53 the conversion rounds: ties to even and their neighbours
    for (int s = 52; s <= 63; ++s) {
        const uint64_t half = s > 53 ? 1ull << (s - 54) : 0;
        const uint64_t base = 1ull << s;
        for (uint64_t off : {uint64_t(1), uint64_t(2), uint64_t(3), half, half + 1, half - 1,
                             3 * half, 2 * half, (base >> 1) | 1, base - 1}) {
            if (base + off >= (1ull << 63) && s == 63) {
                p.FromU64(base + off);
                continue;
            }
            p.FromU64(base + off);
            p.FromI64(int64_t(base + off));
            p.FromI64(-int64_t(base + off));
        }
    }
    for (uint64_t v : {0ull, 1ull, ~0ull, ~0ull - 1, 1ull << 63, (1ull << 63) + 1, ~0ull >> 1,
                       (~0ull >> 11) << 11, ((~0ull >> 11) << 11) + 1024})
        p.FromU64(v);
    for (int64_t v : {int64_t(0), int64_t(-1), INT64_MAX, INT64_MIN, INT64_MIN + 1, -INT64_MAX})
        p.FromI64(v);
    for (int k = 0; k < 100; ++k) {
        const uint64_t v = rng.Next() >> rng.Below(40);
        p.FromU64(v);
        p.FromI64(int64_t(v));
    }
}

// Conversions of doubles to integers, cut toward zero.
void DoublesToIntegers(Platform &p, Rng &rng, Writer &w) {
    w.Line("# doubles to integers, cut toward zero");
    for (double d : {0.0, -0.0, 0.5, -0.5, 0.9999999999999999, -0.9999999999999999, 1.0, -1.0, 1.5,
                     -1.5, 2147483647.0, 2147483647.9999998, -2147483648.0, -2147483648.9999995,
                     1e9, -1e9, 0x1p-1074, 123456.789})
        p.ToI32(d);
    for (double d : {0.0, -0.0, 0.5, -0.5, -0.9999999999999999, 1.0, 2147483648.0, 4294967295.0,
                     4294967295.9999995, 3e9})
        p.ToU32(d);
    for (double d : {0.0, -0.0, 0.5, -0.5, 0x1p52 + 0.5, -0x1p52 - 0.5, 0x1p53, 0x1p62, -0x1p63,
                     0x1p63 - 1024, -(0x1p63 - 1024), 1e18, -1e18, 4503599627370495.5})
        p.ToI64(d);
    for (double d :
         {0.0, -0.0, 0.5, -0.5, 0x1p52 + 0.5, 0x1p63, 0x1p63 + 2048, 0x1p64 - 2048, 1e19, 0x1p32})
        p.ToU64(d);
    for (int k = 0; k < 60; ++k) {
        const double m = double(rng.Next() >> 11) * 0x1p-53;  // [0, 1)
        p.ToI32((rng.OneIn(2) ? -1 : 1) * std::ldexp(m, rng.Below(32)));
        p.ToU32(std::ldexp(m, rng.Below(33)));
        p.ToI64((rng.OneIn(2) ? -1 : 1) * std::ldexp(m, rng.Below(64)));
        p.ToU64(std::ldexp(m, rng.Below(65)));
    }
}

// What x86-64 computes for + - * / sqrt and the conversions, one group after
// another from one random sequence (the order is part of the record).
void PlatformVectors(Writer &w) {
    Platform p(w);
    Rng rng{2026120801};
    SumsAtEveryAlignment(p, rng, w);
    TiesSubnormalsAndOverflow(p, rng, w);
    RoundingEdgeProducts(p, rng, w);
    SpecialsAndAnyDoubles(p, rng, w);
    SquareRoots(p, rng, w);
    IntegersToDoubles(p, rng, w);
    DoublesToIntegers(p, rng, w);
}

// ---- Soak -----------------------------------------------------------------------------

// The hashes of SOAK_BLOCKS blocks of soak sequences (soak.h); the first
// SOAK_DIGEST_BLOCKS blocks also carry one digest per sequence, so that the
// replayer can name the sequence that differs.
constexpr unsigned long SOAK_BLOCKS = 1000;
constexpr unsigned long SOAK_DIGEST_BLOCKS = 100;

void SoakVectors(Writer &w) {
    w.Line("# Soak: " + std::to_string(SOAK_BLOCKS * TQCAL_SOAK_BLOCK) +
           " seeded random key sequences (soak.h), hashed per block of " +
           std::to_string(TQCAL_SOAK_BLOCK));
    w.Line("W " + std::to_string(SOAK_BLOCKS * TQCAL_SOAK_BLOCK) + " " +
           std::to_string(TQCAL_SOAK_BLOCK));
    static const char HEX_DIGITS[] = "0123456789abcdef";
    for (unsigned long b = 0; b < SOAK_BLOCKS; ++b) {
        uint64_t keys = 0, states = 0;
        std::string digests;
        for (unsigned long i = b * TQCAL_SOAK_BLOCK; i < (b + 1) * TQCAL_SOAK_BLOCK; ++i) {
            const uint64_t h = tqcal_soak_run(i, &keys, nullptr, nullptr);
            states = tqcal_soak_mix(states, h);
            if (b < SOAK_DIGEST_BLOCKS) {
                const int d = tqcal_soak_digest(h);
                digests += HEX_DIGITS[d >> 4];
                digests += HEX_DIGITS[d & 15];
            }
        }
        w.Line("H " + std::to_string(b) + " " + Hex(keys) + " " + Hex(states) +
               (digests.empty() ? "" : " " + digests));
        ++w.counts.soakBlocks;
    }
}

const char FILE_HEADER[] =
    "tqcal-vectors 3\n"
    "# What one build of the tqcal engine does; conformance/replay.c compares\n"
    "# another build with it. Written by conformance_generate (conformance/generate.cpp)\n"
    "# on x86-64 Linux; do not edit by hand. One record a line, fields split by\n"
    "# single spaces, '#' starts a comment line.\n"
    "#\n"
    "# Doubles are the 64 bits of the IEEE value in hexadecimal, without leading\n"
    "# zeros (3ff0000000000000 is 1.0). A text is the cells before its\n"
    "# terminator: '!' is the empty text, '_' a blank, and a text shorter than\n"
    "# 14 cells has blanks in front up to 14 (display texts are right-aligned in\n"
    "# their field); exponent texts are never padded (_00 is \" 00\").\n"
    "#\n"
    "# S MODE TYPED...      a fresh calculator (tqcal_reset); its keys follow, each\n"
    "#                      pressed with tqcal_press(..., MODE). TYPED is the same\n"
    "#                      sequence for people and is not read.\n"
    "# KEY DISPLAY EXPONENT NEGATIVE STATE STATUS VALUE MEMORY\n"
    "#                      one key and what the host sees after it: display text,\n"
    "#                      exponent text, negative flag, result state (O ok,\n"
    "#                      E error, F full), status word (hex), value and memory.\n"
    "# P X RESULT           TQCAL_Pow10(X)\n"
    "# D VALUE WIDTH DISPLAY EXPONENT NEGATIVE RETURN\n"
    "#                      TQCAL_DivideDoubleToStr(VALUE, ..., WIDTH)\n"
    "# B A B RC+ L+ R+ RC- L- R- RC* L* R* RC/ L/ R/\n"
    "#                      TQCAL_BaseOperate(op, &a, &b) for KEY_ADD, KEY_SUB,\n"
    "#                      KEY_MUL, KEY_DIV: return code and both operands as the\n"
    "#                      call leaves them (the new left one, the right one as given)\n"
    "# C RETURN VALUE TEXT CODES...\n"
    "#                      TQCAL_CalcString over the signed byte codes\n"
    "# A OP OPERANDS RESULT this machine's own arithmetic, not the engine's: OP is\n"
    "#                      + - * / (two doubles), sqrt (one), i32d u32d i64d u64d\n"
    "#                      (an integer, as its two's complement bits, to a double)\n"
    "#                      or di32 du32 di64 du64 (a double cut to an integer)\n"
    "# W SEQUENCES BLOCK    the soak: SEQUENCES random key sequences made by\n"
    "#                      conformance/soak.h, recorded per BLOCK sequences\n"
    "# H BLOCK KEYS STATES [DIGESTS]\n"
    "#                      one block of the soak: the hash of its keys, the hash\n"
    "#                      of the state after every key, and (for the first\n"
    "#                      blocks) a two-digit digest of each sequence\n";

}  // namespace

int main(int argc, char **argv) {
    const char *usage =
        "usage: conformance_generate OUTPUT\n"
        "Writes the conformance record (conformance/vectors.txt) to OUTPUT; the key\n"
        "sequences typed by hand come from " TQCAL_HAND_SEQUENCES_FILE ".\n";
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (argc != 2) {
        std::fputs(usage, stderr);
        return 2;
    }
    const std::vector<HandSequence> hand = ReadHandSequences(TQCAL_HAND_SEQUENCES_FILE);
    Writer w;
    w.out = FILE_HEADER;
    PlatformVectors(w);
    KeySequences(w, hand);
    Pow10Vectors(w);
    FormatVectors(w);
    BaseVectors(w);
    CalcStringVectors(w, hand);
    SoakVectors(w);
    const Counts &c = w.counts;
    w.Line("# end: " + std::to_string(c.sequences) + " sequences, " + std::to_string(c.states) +
           " key states, " + std::to_string(c.pow10) + " powers, " + std::to_string(c.format) +
           " formats, " + std::to_string(c.base) + " operand pairs, " +
           std::to_string(c.calcString) + " whole sequences, " + std::to_string(c.platform) +
           " platform operations, " + std::to_string(c.soakBlocks) + " soak blocks");

    FILE *f = std::fopen(argv[1], "wb");
    if (!f || std::fwrite(w.out.data(), 1, w.out.size(), f) != w.out.size() || std::fclose(f) != 0)
        Fail(std::string("cannot write ") + argv[1]);
    std::fprintf(stderr,
                 "conformance_generate: %ld sequences, %ld key states, %ld powers, %ld formats, "
                 "%ld operand pairs, %ld whole sequences, %ld platform operations, %ld soak "
                 "blocks; %zu bytes\n",
                 c.sequences, c.states, c.pow10, c.format, c.base, c.calcString, c.platform,
                 c.soakBlocks, w.out.size());
    return 0;
}
