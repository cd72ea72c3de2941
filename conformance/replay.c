/*
 * replay.c - replays the conformance vectors against the tqcal library it is
 * linked to and reports every difference.
 *
 *     conformance_replay [--exact] [--strict] [--show N] [--soak N] VECTORS
 *     conformance_replay --soak-trace I
 *
 * VECTORS is conformance/vectors.txt (its header describes the format). It
 * is replayed in three parts:
 *
 * 1. Platform arithmetic: the record's + - * / sqrt and integer/double
 *    conversions, redone with this program's own compiled arithmetic (what
 *    the C compiler makes of them for this target, not the engine) and
 *    compared bit for bit with what x86-64 computed. The count of wrong
 *    results and the first few operations are printed before any engine
 *    value. On a soft-float ARM EABI build the library carries its own
 *    correctly rounded arithmetic, so a wrong result here is reported but
 *    fails nothing; everywhere else the library computes + - * / and the
 *    conversions with the same arithmetic as this program, and a wrong
 *    result there is a failure. The library brings its own square root on
 *    every target: a wrong sqrt is reported, never a failure.
 * 2. The engine vectors: key sequences pressed through the per-key host
 *    protocol of tqcal_host.h, and the single routines called directly.
 *    Everything is compared bit for bit (any two NaNs count as equal),
 *    except what the file marks as depending on the platform math library:
 *    values marked '~' are compared within a tolerance (4 units in the last
 *    place of the value, 1.5 units of the last shown digit), those marked
 *    '?' not at all. A marked value beyond the tolerance is shown and
 *    counted, but fails the run only with --strict: it says that the
 *    platform math library of this build is less accurate than the last
 *    bits, not that the engine differs. --exact compares the marked values
 *    bit for bit too.
 * 3. The soak: the first N (--soak, default 100000, rounded up to whole
 *    blocks of 1000) of the recorded seeded random key sequences of soak.h,
 *    with the hash of the whole context and status word after every key,
 *    compared block by block. For the first differing sequence it names
 *    (the record singles sequences out in its first blocks), it prints the
 *    keys and this build's state after every key; --soak-trace I prints the
 *    same for sequence I alone, with every context byte, so that the output
 *    of this build and of x86-64 can be compared line by line.
 *
 * The first N differences (default 10) are shown in detail; the last line
 * is "conformance: N passed, M failed", and the exit status is 0 only when
 * nothing failed (2 when the file cannot be read).
 *
 * Plain C99 with the C library alone (its sqrt is the one platform routine
 * checked), so that it builds with any C compiler for any target the engine
 * runs on:
 *
 *     cc -std=c99 -Iinclude conformance/replay.c -Lbuild -ltqcal -lm
 */
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "tqcal.h"
#include "tqcal_host.h"

#include "key_table.h"
#include "soak.h"

/* Whether the library brings its own binary64 arithmetic: on a soft-float
 * ARM EABI build (no floating-point unit, the compiler's helper routines do
 * every double operation) it carries its own correctly rounded helpers, and
 * its results do not depend on this platform's. Everywhere else it computes
 * with the same arithmetic as this program. */
#if defined(__ARM_EABI__) && defined(__SOFTFP__) && !defined(__ARM_PCS_VFP)
#define LIBRARY_OWN_ARITHMETIC 1
#define ARITHMETIC_KIND "soft-float ARM EABI"
#else
#define LIBRARY_OWN_ARITHMETIC 0
#define ARITHMETIC_KIND "this platform's floating point"
#endif

#define MAX_LINE 8192
#define MAX_FIELDS 600
#define TEXT_CELLS 32
#define MAX_ULPS 4

/* ---- Run state and totals ---------------------------------------------- */

static const char *g_path;
static long g_line;
static int g_exact, g_strict;
static long g_show = 10;

static long g_soak = 100000;
static long g_soak_trace = -1;

static long g_passed, g_failed, g_shown;
static long g_marked, g_marked_differ, g_marked_beyond, g_unstable;
static long g_counts[5]; /* keys, powers, formats, operations, whole sequences */

/* The sequence being replayed. */
static TQCAL_Context g_ctx;
static TQCAL_Status g_status;
static int g_mode;
static int g_in_sequence;
static long g_sequence_line;
static long g_key_index;
static char g_sequence_text[160];

static void fatal(const char *what)
{
    fprintf(stderr, "%s:%ld: %s\n", g_path, g_line, what);
    exit(2);
}

/* ---- Doubles ------------------------------------------------------------- */

static double from_bits(uint64_t bits)
{
    double d;
    memcpy(&d, &bits, sizeof d);
    return d;
}

static uint64_t to_bits(double d)
{
    uint64_t bits;
    memcpy(&bits, &d, sizeof bits);
    return bits;
}

static int is_nan(double d)
{
    const uint64_t b = to_bits(d);
    return (b & 0x7FF0000000000000u) == 0x7FF0000000000000u && (b & 0x000FFFFFFFFFFFFFu) != 0;
}

static int is_finite(double d)
{
    return (to_bits(d) & 0x7FF0000000000000u) != 0x7FF0000000000000u;
}

static double magnitude(double d) { return d < 0 ? -d : d; }

/* Equal bits; any two NaNs count as equal, as IEEE-754 leaves their sign
 * and payload to the processor. */
static int same_value(double a, double b)
{
    return to_bits(a) == to_bits(b) || (is_nan(a) && is_nan(b));
}

/* Doubles in the order of their values, as integers one unit apart. */
static int64_t ordered(double d)
{
    const uint64_t b = to_bits(d);
    if (b & 0x8000000000000000u)
        return -(int64_t)(b & 0x7FFFFFFFFFFFFFFFu);
    return (int64_t)b;
}

static int near_value(double a, double b)
{
    int64_t d;
    if (same_value(a, b))
        return 1;
    if (!is_finite(a) || !is_finite(b))
        return 0;
    d = ordered(a) - ordered(b);
    return d <= MAX_ULPS && d >= -MAX_ULPS;
}

static uint64_t parse_hex(const char *s)
{
    uint64_t v = 0;
    int n = 0;
    for (; *s; ++s, ++n) {
        int d = 0;
        if (*s >= '0' && *s <= '9')
            d = *s - '0';
        else if (*s >= 'a' && *s <= 'f')
            d = *s - 'a' + 10;
        else if (*s >= 'A' && *s <= 'F')
            d = *s - 'A' + 10;
        else
            fatal("bad hexadecimal field");
        if (n == 16)
            fatal("hexadecimal field too long");
        v = (v << 4) | (uint64_t)d;
    }
    if (n == 0)
        fatal("empty hexadecimal field");
    return v;
}

static double parse_double(const char *s) { return from_bits(parse_hex(s)); }

static long parse_int(const char *s)
{
    char *end;
    const long v = strtol(s, &end, 10);
    if (end == s || *end != '\0')
        fatal("bad integer field");
    return v;
}

/* ---- Texts ------------------------------------------------------------- */

/* A text field of the file: '!' is empty, '_' a blank; with pad, a text
 * shorter than 14 cells gets blanks in front up to 14. */
static void decode_text(const char *token, int pad, char *out)
{
    size_t n, lead = 0;
    if (strcmp(token, "!") == 0) {
        out[0] = '\0';
        return;
    }
    n = strlen(token);
    if (n >= TEXT_CELLS - 1)
        fatal("text field too long");
    if (pad && n < 14)
        lead = 14 - n;
    memset(out, ' ', lead);
    memcpy(out + lead, token, n + 1);
    for (; *out; ++out) {
        if (*out == '_')
            *out = ' ';
    }
}

/* The cells of an engine text before its terminator, as chars; '?' stands
 * for a cell outside printable ASCII, '~' marks a missing terminator. */
static void read_cells(const TQCAL_WChar *cells, int max, char *out)
{
    int i = 0;
    for (; i < max && cells[i] != 0; ++i)
        out[i] = (cells[i] >= 0x20 && cells[i] <= 0x7E) ? (char)cells[i] : '?';
    if (i == max)
        out[i++] = '~';
    out[i] = '\0';
}

/* The number a display text and exponent text show, and one unit of its
 * last digit (the display holds 14 significant digits). */
static int read_shown(const char *display, const char *exponent, int negative,
                      double *number, double *unit)
{
    char digits[TEXT_CELLS], text[TEXT_CELLS + 16];
    const char *point;
    int n = 0, e = 0, lead = 0;
    for (; *display; ++display) {
        if (*display != ' ')
            digits[n++] = *display;
    }
    digits[n] = '\0';
    point = strchr(digits, '.');
    if (point == NULL || n == 0)
        return 0;
    if (strlen(exponent) == 3) {
        e = (exponent[1] - '0') * 10 + (exponent[2] - '0');
        if (exponent[0] == '-')
            e = -e;
    }
    if (point - digits > 1)
        lead = (int)(point - digits) - 1;
    sprintf(text, "%se%d", digits, e);
    *number = strtod(text, NULL);
    if (negative)
        *number = -*number;
    sprintf(text, "1e%d", lead + e - 13);
    *unit = strtod(text, NULL);
    return 1;
}

static int near_shown(const char *d1, const char *e1, long n1,
                      const char *d2, const char *e2, long n2)
{
    double a, b, ua, ub;
    if (strcmp(d1, d2) == 0 && strcmp(e1, e2) == 0 && n1 == n2)
        return 1;
    if (!read_shown(d1, e1, (int)n1, &a, &ua) || !read_shown(d2, e2, (int)n2, &b, &ub))
        return 0;
    return magnitude(a - b) <= 1.5 * (ua > ub ? ua : ub);
}

/* ---- Reporting ----------------------------------------------------------- */

static const char *g_verdict; /* how the check being described came out */

/* One check: how it is to be compared, and whether it matched bit for bit
 * and within the tolerance. A marked value beyond the tolerance is shown
 * like a failure but counted apart: the platform math library of this
 * build is less accurate than the last bits (--strict fails on it). */
static void tally(char mark, int exact_match, int near_match, void (*describe)(const void *),
                  const void *what)
{
    int ok = exact_match;
    if (mark == '~' || mark == '?') {
        if (mark == '~')
            ++g_marked;
        else
            ++g_unstable;
        if (mark == '~' && !exact_match)
            ++g_marked_differ;
        if (!g_exact) {
            if (mark == '?')
                return; /* not compared */
            ok = near_match;
            if (!ok)
                ++g_marked_beyond;
            if (!ok && !g_strict) {
                g_verdict = "platform math beyond the tolerance";
                if (g_shown++ < g_show)
                    describe(what);
                return;
            }
        }
    }
    if (ok) {
        ++g_passed;
        return;
    }
    ++g_failed;
    g_verdict = "difference";
    if (g_shown++ < g_show)
        describe(what);
}

static void where(void)
{
    printf("%s:%ld: %s: ", g_path, g_line, g_verdict);
}

/* ---- Key sequences ---------------------------------------------------------- */

struct key_check {
    const char *const *f;
    long key;
    char mark;
    char display[TEXT_CELLS], exponent[TEXT_CELLS];
    char got_display[TEXT_CELLS], got_exponent[TEXT_CELLS];
};

static void describe_key(const void *p)
{
    const struct key_check *k = (const struct key_check *)p;
    const double want = parse_double(k->f[6]);
    where();
    printf("sequence of line %ld, mode %d: %s\n", g_sequence_line, g_mode,
            g_sequence_text);
    printf("    key %ld (code %ld%s):\n", g_key_index, k->key,
            k->mark == '~' ? ", marked ~" : k->mark == '?' ? ", marked ?" : "");
    printf("    expected display \"%s\" exponent \"%s\" negative %s status %s value %.17g (%s)\n",
            k->display, k->exponent, k->f[3], k->f[5], want, k->f[6]);
    printf("    got      display \"%s\" exponent \"%s\" negative %ld status %lx value %.17g (%08lx%08lx)\n",
            k->got_display, k->got_exponent, (long)g_ctx.negative, (unsigned long)g_status,
            g_ctx.value, (unsigned long)(to_bits(g_ctx.value) >> 32),
            (unsigned long)(to_bits(g_ctx.value) & 0xFFFFFFFFu));
}

static void start_sequence(char **f, int n, const char *line)
{
    size_t len;
    if (n < 2)
        fatal("sequence line without a mode");
    g_mode = (int)parse_int(f[1]);
    tqcal_reset(&g_ctx, &g_status);
    g_in_sequence = 1;
    g_sequence_line = g_line;
    g_key_index = 0;
    /* the typed form, for the report */
    line += 2;
    while (*line && *line != ' ')
        ++line;
    while (*line == ' ')
        ++line;
    len = strlen(line);
    if (len >= sizeof g_sequence_text)
        len = sizeof g_sequence_text - 4;
    memcpy(g_sequence_text, line, len);
    g_sequence_text[len] = '\0';
    if (len < strlen(line))
        strcat(g_sequence_text, "...");
}

static void key_line(char **f, int n)
{
    struct key_check k;
    char *end;
    long key;
    size_t len;
    int exact_match, near_match, status_ok;
    double want;

    if (!g_in_sequence)
        fatal("key line outside a sequence");
    if (n != 7)
        fatal("key line needs 7 fields");
    len = strlen(f[0]);
    k.mark = (f[0][len - 1] == '~' || f[0][len - 1] == '?') ? f[0][len - 1] : ' ';
    key = strtol(f[0], &end, 10);
    if (end == f[0] || (*end != '\0' && !(end[0] == k.mark && end[1] == '\0')))
        fatal("bad key code");
    ++g_key_index;
    ++g_counts[0];
    k.key = key;

    tqcal_press(&g_ctx, &g_status, (int)key, g_mode);

    k.f = (const char *const *)f;
    decode_text(f[1], 1, k.display);
    decode_text(f[2], 0, k.exponent);
    read_cells(g_ctx.display, TQCAL_DISPLAY_AREA, k.got_display);
    read_cells(g_ctx.exponent, TQCAL_EXPONENT_CELLS, k.got_exponent);
    want = parse_double(f[6]);
    status_ok = (uint64_t)g_status == parse_hex(f[5]) &&
                tqcal_result(g_status) == (f[4][0] == 'E' ? RES_ERROR : f[4][0] == 'O' ? RES_OK
                                                           : f[4][0] == 'F' ? RES_FULL : 3);
    exact_match = status_ok && strcmp(k.display, k.got_display) == 0 &&
                  strcmp(k.exponent, k.got_exponent) == 0 &&
                  parse_int(f[3]) == (long)g_ctx.negative && same_value(want, g_ctx.value);
    near_match = status_ok && near_value(want, g_ctx.value) &&
                 near_shown(k.display, k.exponent, parse_int(f[3]), k.got_display,
                            k.got_exponent, (long)g_ctx.negative);
    tally(k.mark, exact_match, near_match, describe_key, &k);
}

/* ---- Single routines ----------------------------------------------------------- */

struct call_check {
    const char *routine;
    char expected[200];
    char got[200];
};

static void describe_call(const void *p)
{
    const struct call_check *c = (const struct call_check *)p;
    where();
    printf("%s\n    expected %s\n    got      %s\n", c->routine, c->expected, c->got);
}

static void pow10_line(char **f, int n)
{
    struct call_check c;
    double x, want, got;
    if (n != 3)
        fatal("P line needs 3 fields");
    x = parse_double(f[1]);
    want = parse_double(f[2]);
    got = TQCAL_Pow10(x);
    ++g_counts[1];
    sprintf(c.expected, "%.17g (%s)", want, f[2]);
    sprintf(c.got, "%.17g", got);
    c.routine = "TQCAL_Pow10";
    sprintf(c.expected + strlen(c.expected), " for x = %.17g", x);
    tally(' ', same_value(want, got), 0, describe_call, &c);
}

static void format_line(char **f, int n)
{
    struct call_check c;
    TQCAL_WChar display[TQCAL_DISPLAY_AREA], exponent[TQCAL_EXPONENT_CELLS];
    char want_d[TEXT_CELLS], want_e[TEXT_CELLS], got_d[TEXT_CELLS], got_e[TEXT_CELLS];
    int32_t negative = -7;
    double v;
    long width;
    int i, rc;
    if (n != 7)
        fatal("D line needs 7 fields");
    v = parse_double(f[1]);
    width = parse_int(f[2]);
    decode_text(f[3], 1, want_d);
    decode_text(f[4], 0, want_e);
    for (i = 0; i < TQCAL_DISPLAY_AREA; ++i)
        display[i] = '#';
    for (i = 0; i < TQCAL_EXPONENT_CELLS; ++i)
        exponent[i] = '#';
    rc = TQCAL_DivideDoubleToStr(v, display, exponent, &negative, (int)width);
    read_cells(display, TQCAL_DISPLAY_AREA, got_d);
    read_cells(exponent, TQCAL_EXPONENT_CELLS, got_e);
    ++g_counts[2];
    c.routine = "TQCAL_DivideDoubleToStr";
    sprintf(c.expected, "\"%s\" \"%s\" negative %s return %s for %.17g width %ld", want_d,
            want_e, f[5], f[6], v, width);
    sprintf(c.got, "\"%s\" \"%s\" negative %ld return %d", got_d, got_e, (long)negative, rc);
    tally(' ',
          strcmp(want_d, got_d) == 0 && strcmp(want_e, got_e) == 0 &&
              parse_int(f[5]) == (long)negative && parse_int(f[6]) == rc,
          0, describe_call, &c);
}

static void base_line(char **f, int n)
{
    static const int ops[4] = {KEY_ADD, KEY_SUB, KEY_MUL, KEY_DIV};
    static const char names[4] = {'+', '-', '*', '/'};
    struct call_check c;
    double a, b;
    int i;
    if (n != 11)
        fatal("B line needs 11 fields");
    a = parse_double(f[1]);
    b = parse_double(f[2]);
    c.routine = "TQCAL_BaseOperate";
    for (i = 0; i < 4; ++i) {
        double left = a, right = b;
        const long want_rc = parse_int(f[3 + 2 * i]);
        const double want = parse_double(f[4 + 2 * i]);
        const int rc = TQCAL_BaseOperate(ops[i], &left, &right);
        ++g_counts[3];
        sprintf(c.expected, "%.17g %c %.17g: return %ld, %.17g (%s)", a, names[i], b, want_rc,
                want, f[4 + 2 * i]);
        sprintf(c.got, "return %d, %.17g, right operand %.17g", rc, left, right);
        tally(' ', rc == want_rc && same_value(want, left) && same_value(right, b), 0,
              describe_call, &c);
    }
}

static void calc_string_line(char **f, int n)
{
    struct call_check c;
    int8_t codes[MAX_FIELDS];
    TQCAL_WChar cells[TQCAL_RESULT_TEXT_CELLS];
    char want_text[TEXT_CELLS], got_text[TEXT_CELLS];
    const char mark = f[0][1] == '~' || f[0][1] == '?' ? f[0][1] : ' ';
    double value = -1, want;
    long want_rc;
    int i, count = n - 4, rc, exact_match, near_match;
    if (n < 4)
        fatal("C line needs at least 4 fields");
    want_rc = parse_int(f[1]);
    want = parse_double(f[2]);
    decode_text(f[3], 1, want_text);
    for (i = 0; i < count; ++i) {
        const long code = parse_int(f[4 + i]);
        if (code < -128 || code > 127)
            fatal("key code outside a signed byte");
        codes[i] = (int8_t)code;
    }
    for (i = 0; i < TQCAL_RESULT_TEXT_CELLS; ++i)
        cells[i] = '#';
    rc = TQCAL_CalcString(&value, cells, codes, count);
    read_cells(cells, TQCAL_RESULT_TEXT_CELLS, got_text);
    ++g_counts[4];
    c.routine = "TQCAL_CalcString";
    sprintf(c.expected, "return %ld, %.17g (%s), \"%s\"%s", want_rc, want, f[2], want_text,
            mark == '~' ? " (marked ~)" : mark == '?' ? " (marked ?)" : "");
    sprintf(c.got, "return %d, %.17g, \"%s\"", rc, value, got_text);
    exact_match = rc == want_rc && same_value(want, value) && strcmp(want_text, got_text) == 0;
    near_match = rc == want_rc && near_value(want, value) &&
                 near_shown(want_text, " 00", 0, got_text, " 00", 0);
    tally(mark, exact_match, near_match, describe_call, &c);
}

/* ---- Platform arithmetic ----------------------------------------------------- */

#define PLATFORM_SHOW 8

static long g_platform_ops, g_platform_wrong, g_platform_shown;
static long g_platform_failed; /* wrong where the library uses the same arithmetic */
static int g_platform_reported;
static char g_platform_lines[PLATFORM_SHOW][160];

/* The operands are read at run time and pass through volatile objects, so
 * the compiler cannot fold them: every result below comes from this
 * target's own instructions or helper routines. Results are compared as
 * bits, never as doubles, so that a comparison done by the same routines
 * cannot hide a wrong one. */
static uint64_t platform_binary(char op, uint64_t a, uint64_t b)
{
    volatile double x = from_bits(a), y = from_bits(b);
    double r;
    switch (op) {
    case '+': r = x + y; break;
    case '-': r = x - y; break;
    case '*': r = x * y; break;
    default: r = x / y; break;
    }
    return to_bits(r);
}

/* One A record: "A OP OPERANDS RESULT". Returns 0 for an unknown OP. */
static int platform_line(char **f, int n)
{
    const char *op = f[1];
    uint64_t x, want, got;
    int is_double = 1, width = 16; /* of the result, in hex digits */
    int own;
    char operands[80];
    if (n < 4)
        fatal("A line needs an operation, operands and a result");
    x = parse_hex(f[2]);
    sprintf(operands, "0x%08lX%08lX", (unsigned long)(x >> 32), (unsigned long)(x & 0xFFFFFFFFu));
    if (strlen(op) == 1 && strchr("+-*/", op[0]) != NULL) {
        uint64_t y;
        if (n != 5)
            fatal("A line of a binary operation needs 5 fields");
        y = parse_hex(f[3]);
        want = parse_hex(f[4]);
        got = platform_binary(op[0], x, y);
        sprintf(operands + strlen(operands), " %s 0x%08lX%08lX", op, (unsigned long)(y >> 32),
                (unsigned long)(y & 0xFFFFFFFFu));
    } else {
        volatile double d = from_bits(x);
        if (n != 4)
            fatal("A line of a one-operand operation needs 4 fields");
        want = parse_hex(f[3]);
        if (strcmp(op, "sqrt") == 0) {
            got = to_bits(sqrt(d));
            memmove(operands + 5, operands, strlen(operands) + 1);
            memcpy(operands, "sqrt ", 5);
        } else {
            if (strcmp(op, "i32d") == 0) {
                int32_t v;
                uint32_t u = (uint32_t)x;
                volatile int32_t vi;
                memcpy(&v, &u, sizeof v);
                vi = v;
                got = to_bits((double)vi);
                sprintf(operands, "(double)(int32_t)0x%08lX", (unsigned long)u);
            } else if (strcmp(op, "u32d") == 0) {
                volatile uint32_t vu = (uint32_t)x;
                got = to_bits((double)vu);
                sprintf(operands, "(double)(uint32_t)0x%08lX", (unsigned long)x);
            } else if (strcmp(op, "i64d") == 0) {
                int64_t v;
                volatile int64_t vi;
                memcpy(&v, &x, sizeof v);
                vi = v;
                got = to_bits((double)vi);
                sprintf(operands, "(double)(int64_t)0x%08lX%08lX", (unsigned long)(x >> 32),
                        (unsigned long)(x & 0xFFFFFFFFu));
            } else if (strcmp(op, "u64d") == 0) {
                volatile uint64_t vu = x;
                got = to_bits((double)vu);
                sprintf(operands, "(double)(uint64_t)0x%08lX%08lX", (unsigned long)(x >> 32),
                        (unsigned long)(x & 0xFFFFFFFFu));
            } else {
                const char *type;
                is_double = 0;
                if (strcmp(op, "di32") == 0) {
                    const int32_t v = (int32_t)d;
                    uint32_t u;
                    memcpy(&u, &v, sizeof u);
                    got = u;
                    width = 8;
                    type = "int32_t";
                } else if (strcmp(op, "du32") == 0) {
                    got = (uint32_t)d;
                    width = 8;
                    type = "uint32_t";
                } else if (strcmp(op, "di64") == 0) {
                    const int64_t v = (int64_t)d;
                    memcpy(&got, &v, sizeof got);
                    type = "int64_t";
                } else if (strcmp(op, "du64") == 0) {
                    got = (uint64_t)d;
                    type = "uint64_t";
                } else {
                    return 0;
                }
                memmove(operands + strlen(type) + 2, operands, strlen(operands) + 1);
                operands[0] = '(';
                memcpy(operands + 1, type, strlen(type));
                operands[strlen(type) + 1] = ')';
            }
        }
    }
    ++g_platform_ops;
    /* The library computes its square roots itself on every target; its
     * + - * / and conversions are this platform's unless it carries its
     * own arithmetic. */
    own = LIBRARY_OWN_ARITHMETIC || strcmp(op, "sqrt") == 0;
    /* Equal bits; as everywhere, any two NaNs count as equal. */
    if (got == want || (is_double && is_nan(from_bits(got)) && is_nan(from_bits(want)))) {
        if (!own)
            ++g_passed;
        return 1;
    }
    ++g_platform_wrong;
    if (!own) {
        ++g_failed;
        ++g_platform_failed;
    }
    if (g_platform_shown < PLATFORM_SHOW) {
        if (width == 8)
            sprintf(g_platform_lines[g_platform_shown], "%s gives 0x%08lX instead of 0x%08lX",
                    operands, (unsigned long)got, (unsigned long)want);
        else
            sprintf(g_platform_lines[g_platform_shown],
                    "%s gives 0x%08lX%08lX instead of 0x%08lX%08lX", operands,
                    (unsigned long)(got >> 32), (unsigned long)(got & 0xFFFFFFFFu),
                    (unsigned long)(want >> 32), (unsigned long)(want & 0xFFFFFFFFu));
        ++g_platform_shown;
    }
    return 1;
}

/* The platform part's report, once, before the first engine record. */
static void platform_report(void)
{
    long i;
    if (g_platform_reported)
        return;
    g_platform_reported = 1;
    if (g_platform_ops == 0) {
        printf("platform arithmetic: none in the record\n");
        return;
    }
    printf("platform arithmetic: %ld of %ld operations (+ - * / sqrt, integers to doubles and "
           "back) differ from x86-64%s\n",
           g_platform_wrong, g_platform_ops, g_platform_wrong > 0 ? ":" : "");
    for (i = 0; i < g_platform_shown; ++i)
        printf("    %s\n", g_platform_lines[i]);
    if (g_platform_wrong > g_platform_shown)
        printf("    ... and %ld more\n", g_platform_wrong - g_platform_shown);
    if (LIBRARY_OWN_ARITHMETIC)
        printf("platform arithmetic: %s: the library carries its own binary64 arithmetic and "
               "square root, so these do not fail the run; the engine's results are compared "
               "below\n",
               ARITHMETIC_KIND);
    else
        printf("platform arithmetic: %s: the library computes + - * / and the conversions with "
               "the same arithmetic as this program, so a difference there is a failure (%ld "
               "here); it brings its own square root, so a wrong sqrt is not\n",
               ARITHMETIC_KIND, g_platform_failed);
}

/* ---- Soak ------------------------------------------------------------------------ */

#define SOAK_MAX_BLOCKS 1000
#define SOAK_DIGEST_BLOCKS 100

static long g_soak_recorded;          /* sequences in the record */
static long g_soak_blocks;            /* H records read */
static uint64_t g_soak_keys[SOAK_MAX_BLOCKS], g_soak_states[SOAK_MAX_BLOCKS];
static unsigned char g_soak_digest[SOAK_DIGEST_BLOCKS][TQCAL_SOAK_BLOCK];
static int g_soak_has_digest[SOAK_MAX_BLOCKS];

static void soak_header_line(char **f, int n)
{
    if (n != 3)
        fatal("W line needs 3 fields");
    if (parse_int(f[2]) != TQCAL_SOAK_BLOCK)
        fatal("the soak's block size differs from soak.h");
    g_soak_recorded = parse_int(f[1]);
}

static int hex_digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    fatal("bad hexadecimal digit");
    return 0;
}

static void soak_block_line(char **f, int n)
{
    const long b = parse_int(f[1]);
    if (n != 4 && n != 5)
        fatal("H line needs 4 or 5 fields");
    if (b != g_soak_blocks || b >= SOAK_MAX_BLOCKS)
        fatal("soak blocks out of order or too many");
    g_soak_keys[b] = parse_hex(f[2]);
    g_soak_states[b] = parse_hex(f[3]);
    if (n == 5) {
        int i;
        if (b >= SOAK_DIGEST_BLOCKS || strlen(f[4]) != 2 * TQCAL_SOAK_BLOCK)
            fatal("bad sequence digests");
        for (i = 0; i < TQCAL_SOAK_BLOCK; ++i)
            g_soak_digest[b][i] =
                (unsigned char)(hex_digit(f[4][2 * i]) * 16 + hex_digit(f[4][2 * i + 1]));
        g_soak_has_digest[b] = 1;
    }
    ++g_soak_blocks;
}

struct soak_print {
    int full; /* every byte of the context too */
};

/* One line per key: what the host sees, the value and the state's hash
 * (with --soak-trace, the whole context block as well). */
static void soak_print_state(void *user, int position, int key, const TQCAL_Context *ctx,
                             TQCAL_Status status, uint64_t state_hash)
{
    const struct soak_print *p = (const struct soak_print *)user;
    char name[16], display[TEXT_CELLS], exponent[TEXT_CELLS];
    const uint64_t v = to_bits(ctx->value);
    tqcal_key_label(key, name);
    read_cells(ctx->display, TQCAL_DISPLAY_AREA, display);
    read_cells(ctx->exponent, TQCAL_EXPONENT_CELLS, exponent);
    printf("    key %d %s: display \"%s\" exponent \"%s\" negative %ld status %lx value "
           "%08lx%08lx state %08lx%08lx\n",
           position + 1, name, display, exponent, (long)ctx->negative, (unsigned long)status,
           (unsigned long)(v >> 32), (unsigned long)(v & 0xFFFFFFFFu),
           (unsigned long)(state_hash >> 32), (unsigned long)(state_hash & 0xFFFFFFFFu));
    if (p->full) {
        unsigned char bytes[sizeof(TQCAL_Context)];
        size_t i;
        memcpy(bytes, ctx, sizeof bytes);
        printf("      context");
        for (i = 0; i < sizeof bytes; ++i)
            printf("%s%02x", i % 32 == 0 ? "\n        " : "", bytes[i]);
        printf("\n");
    }
}

/* Sequence index as the host program's command line, then this build's
 * state after every key. */
static void soak_show_sequence(unsigned long index, int full)
{
    int keys[TQCAL_SOAK_MAX_KEYS], mode, count, i;
    char name[16];
    struct soak_print p;
    count = tqcal_soak_keys(index, &mode, keys);
    printf("    sequence %lu, %d keys: tqcal%s --trace --keys \"", index, count,
           mode == TQCAL_MODE_EQUAL ? " --mode equal" : "");
    for (i = 0; i < count; ++i) {
        tqcal_key_label(keys[i], name);
        printf("%s%s", i > 0 ? " " : "", name);
    }
    printf("\"\n");
    p.full = full;
    tqcal_soak_run(index, NULL, soak_print_state, &p);
}

static void run_soak(void)
{
    long blocks, b, differ = 0, keys_differ = 0, pressed_sequences;
    if (g_soak_blocks == 0 || g_soak <= 0) {
        printf("soak: %s\n", g_soak_blocks == 0 ? "none in the record" : "not run (--soak 0)");
        return;
    }
    blocks = (g_soak + TQCAL_SOAK_BLOCK - 1) / TQCAL_SOAK_BLOCK;
    if (blocks > g_soak_blocks)
        blocks = g_soak_blocks;
    pressed_sequences = blocks * TQCAL_SOAK_BLOCK;
    for (b = 0; b < blocks; ++b) {
        uint64_t keys = 0, states = 0;
        unsigned long i;
        long first = -1;
        for (i = 0; i < TQCAL_SOAK_BLOCK; ++i) {
            const unsigned long index = (unsigned long)b * TQCAL_SOAK_BLOCK + i;
            const uint64_t h = tqcal_soak_run(index, &keys, NULL, NULL);
            states = tqcal_soak_mix(states, h);
            if (first < 0 && g_soak_has_digest[b] &&
                tqcal_soak_digest(h) != g_soak_digest[b][i])
                first = (long)index;
        }
        if (keys != g_soak_keys[b]) {
            /* The keys come from integer arithmetic alone: a difference here
             * is the compiler's or soak.h's, not the engine's. */
            ++keys_differ;
            ++g_failed;
            if (g_shown++ < g_show)
                printf("soak: block %ld (sequences %ld to %ld): the keys themselves differ from "
                       "the record: this build of soak.h makes other sequences\n",
                       b, b * TQCAL_SOAK_BLOCK, b * TQCAL_SOAK_BLOCK + TQCAL_SOAK_BLOCK - 1);
            continue;
        }
        if (states == g_soak_states[b]) {
            ++g_passed;
            continue;
        }
        ++differ;
        ++g_failed;
        if (g_shown++ >= g_show)
            continue;
        printf("soak: block %ld (sequences %ld to %ld): the states differ from the record\n", b,
               b * TQCAL_SOAK_BLOCK, b * TQCAL_SOAK_BLOCK + TQCAL_SOAK_BLOCK - 1);
        if (first >= 0) {
            printf("    first differing sequence %ld, this build's state after each key (x86-64 "
                   "prints its own with conformance_replay --soak-trace %ld; the first line "
                   "that differs names the key):\n",
                   first, first);
            soak_show_sequence((unsigned long)first, 0);
        } else {
            printf("    the record singles out sequences in its first %d blocks only; compare "
                   "--soak-trace of each sequence of the block with x86-64\n",
                   SOAK_DIGEST_BLOCKS);
        }
    }
    printf("soak: %ld sequences (%ld blocks of %d) of %ld recorded; blocks that differ: %ld%s\n",
           pressed_sequences, blocks, TQCAL_SOAK_BLOCK, g_soak_recorded, differ + keys_differ,
           keys_differ > 0 ? " (some in their keys)" : "");
}

/* ---- The file ------------------------------------------------------------------ */

static int split(char *line, char **fields)
{
    int n = 0;
    char *p = line;
    while (*p) {
        while (*p == ' ')
            ++p;
        if (!*p)
            break;
        if (n == MAX_FIELDS)
            fatal("too many fields");
        fields[n++] = p;
        while (*p && *p != ' ')
            ++p;
        if (*p)
            *p++ = '\0';
    }
    return n;
}

static void usage(void)
{
    fprintf(stderr, "usage: conformance_replay [--exact] [--strict] [--show N] [--soak N] VECTORS\n"
                    "       conformance_replay --soak-trace I\n");
    exit(2);
}

int main(int argc, char **argv)
{
    static char line[MAX_LINE], copy[MAX_LINE];
    static char *fields[MAX_FIELDS];
    FILE *in;
    int i, header = 0;

    for (i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--exact") == 0)
            g_exact = 1;
        else if (strcmp(argv[i], "--strict") == 0)
            g_strict = 1;
        else if (strcmp(argv[i], "--show") == 0 && i + 1 < argc)
            g_show = atol(argv[++i]);
        else if (strcmp(argv[i], "--soak") == 0 && i + 1 < argc)
            g_soak = atol(argv[++i]);
        else if (strcmp(argv[i], "--soak-trace") == 0 && i + 1 < argc)
            g_soak_trace = atol(argv[++i]);
        else if (argv[i][0] == '-' || g_path != NULL)
            usage();
        else
            g_path = argv[i];
    }
    if (g_path == NULL && g_soak_trace < 0)
        usage();
    if (g_soak_trace >= 0) {
        /* One soak sequence, key by key, every byte: the same output on two
         * builds that agree. */
        const uint64_t h = tqcal_soak_run((unsigned long)g_soak_trace, NULL, NULL, NULL);
        soak_show_sequence((unsigned long)g_soak_trace, 1);
        printf("    sequence hash %08lx%08lx\n", (unsigned long)(h >> 32),
               (unsigned long)(h & 0xFFFFFFFFu));
        return 0;
    }
    in = fopen(g_path, "r");
    if (in == NULL) {
        fprintf(stderr, "conformance: cannot open %s\n", g_path);
        return 2;
    }

    while (fgets(line, sizeof line, in) != NULL) {
        size_t len = strlen(line);
        int n;
        ++g_line;
        if (len > 0 && line[len - 1] != '\n' && !feof(in))
            fatal("line too long");
        while (len > 0 && (line[len - 1] == '\n' || line[len - 1] == '\r'))
            line[--len] = '\0';
        if (len == 0 || line[0] == '#')
            continue;
        if (!header) {
            /* Version 2 added the platform arithmetic and the soak. */
            if (strcmp(line, "tqcal-vectors 1") != 0 && strcmp(line, "tqcal-vectors 2") != 0)
                fatal("not a tqcal vectors file of version 1 or 2");
            header = 1;
            continue;
        }
        memcpy(copy, line, len + 1);
        n = split(line, fields);
        if (fields[0][0] == 'A' && fields[0][1] == '\0') {
            if (!platform_line(fields, n))
                fatal("unknown platform operation");
            continue;
        }
        platform_report();
        switch (fields[0][0]) {
        case 'S': start_sequence(fields, n, copy); break;
        case 'P': g_in_sequence = 0; pow10_line(fields, n); break;
        case 'D': g_in_sequence = 0; format_line(fields, n); break;
        case 'B': g_in_sequence = 0; base_line(fields, n); break;
        case 'C': g_in_sequence = 0; calc_string_line(fields, n); break;
        case 'W': g_in_sequence = 0; soak_header_line(fields, n); break;
        case 'H': g_in_sequence = 0; soak_block_line(fields, n); break;
        default:
            if ((fields[0][0] >= '0' && fields[0][0] <= '9') || fields[0][0] == '-')
                key_line(fields, n);
            else
                fatal("unknown record");
        }
    }
    if (ferror(in))
        fatal("read error");
    fclose(in);
    if (!header)
        fatal("empty vectors file");
    platform_report();
    run_soak();

    if (g_shown > g_show)
        printf("... and %ld more differences\n", g_shown - g_show);
    printf("conformance: %ld key states, %ld powers of ten, %ld formats, %ld operations, "
           "%ld whole sequences\n",
           g_counts[0], g_counts[1], g_counts[2], g_counts[3], g_counts[4]);
    if (g_exact)
        printf("conformance: platform math: %ld values marked '~' (%ld differ from the record) "
               "and %ld marked '?', all compared bit for bit\n",
               g_marked, g_marked_differ, g_unstable);
    else
        printf("conformance: platform math: %ld values marked '~', %ld differ from the record, "
               "%ld of them beyond the tolerance%s; %ld marked '?' not compared\n",
               g_marked, g_marked_differ, g_marked_beyond,
               g_strict ? " (failures)" : " (not counted as failures)", g_unstable);
    printf("conformance: %ld passed, %ld failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}
