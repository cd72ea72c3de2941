/*
 * replay.c - replays the conformance vectors against the tqcal library it is
 * linked to and reports every difference.
 *
 *     conformance_replay [--show N] [--soak N] VECTORS
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
 *    protocol of tqcal_host.h, and the single routines called directly,
 *    compared bit for bit (any two NaNs count as equal).
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

/* ---- Run state and totals ---------------------------------------------- */

static const char *g_path;
static long g_line;
static long g_show = 10;

static long g_soak = 100000;
static long g_soak_trace = -1;

static long g_passed, g_failed, g_shown;
static struct {
    long keys, powers, formats, operations, whole_sequences;
} g_counts;

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

/* ---- Fields ---------------------------------------------------------------- */

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

static int is_nan(uint64_t bits)
{
    return (bits & 0x7FF0000000000000u) == 0x7FF0000000000000u &&
           (bits & 0x000FFFFFFFFFFFFFu) != 0;
}

/* Equal bits; any two NaNs count as equal, as IEEE-754 leaves their sign
 * and payload to the processor. */
static int same_value(double a, double b)
{
    return to_bits(a) == to_bits(b) || (is_nan(to_bits(a)) && is_nan(to_bits(b)));
}

/* "0x" and the 16 hex digits of v (8 when digits is 8). */
static void hex_text(char *out, uint64_t v, int digits)
{
    if (digits == 8)
        sprintf(out, "0x%08lX", (unsigned long)(v & 0xFFFFFFFFu));
    else
        sprintf(out, "0x%08lX%08lX", (unsigned long)(v >> 32), (unsigned long)(v & 0xFFFFFFFFu));
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

static uint64_t parse_hex(const char *s)
{
    uint64_t v = 0;
    int n = 0;
    for (; *s; ++s, ++n) {
        if (n == 16)
            fatal("hexadecimal field too long");
        v = (v << 4) | (uint64_t)hex_digit(*s);
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

/* ---- Reporting ------------------------------------------------------------- */

/* Counts one check; a difference is described while fewer than --show
 * have been. */
static void tally(int match, void (*describe)(const void *), const void *what)
{
    if (match) {
        ++g_passed;
        return;
    }
    ++g_failed;
    if (g_shown++ < g_show) {
        printf("%s:%ld: difference: ", g_path, g_line);
        describe(what);
    }
}

/* ---- Key sequences ------------------------------------------------------------ */

/* "S MODE TYPED...": a fresh calculator; TYPED is kept for the report. */
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
    line = strchr(line + 2, ' '); /* after the mode */
    line = line != NULL ? line + 1 : "";
    len = strlen(line);
    if (len >= sizeof g_sequence_text)
        len = sizeof g_sequence_text - 4;
    memcpy(g_sequence_text, line, len);
    g_sequence_text[len] = '\0';
    if (len < strlen(line))
        strcat(g_sequence_text, "...");
}

/* What the host sees after one key, as recorded or as this build shows it. */
struct screen {
    char display[TEXT_CELLS], exponent[TEXT_CELLS];
    long negative;
    int result;
    uint64_t status;
    double value;
};

static int same_screen(const struct screen *a, const struct screen *b)
{
    return strcmp(a->display, b->display) == 0 && strcmp(a->exponent, b->exponent) == 0 &&
           a->negative == b->negative && a->result == b->result && a->status == b->status &&
           same_value(a->value, b->value);
}

/* "KEY DISPLAY EXPONENT NEGATIVE STATE STATUS VALUE" */
static void read_key_record(char **f, int n, long *key, struct screen *want)
{
    char *end, state;
    if (n != 7)
        fatal("key line needs 7 fields");
    *key = strtol(f[0], &end, 10);
    if (*end != '\0')
        fatal("bad key code");
    decode_text(f[1], 1, want->display);
    decode_text(f[2], 0, want->exponent);
    want->negative = parse_int(f[3]);
    state = f[4][0];
    want->result = state == 'E' ? RES_ERROR : state == 'O' ? RES_OK : state == 'F' ? RES_FULL : -1;
    if (want->result < 0 || f[4][1] != '\0')
        fatal("bad result state");
    want->status = parse_hex(f[5]);
    want->value = parse_double(f[6]);
}

static void current_screen(struct screen *got)
{
    read_cells(g_ctx.display, TQCAL_DISPLAY_AREA, got->display);
    read_cells(g_ctx.exponent, TQCAL_EXPONENT_CELLS, got->exponent);
    got->negative = (long)g_ctx.negative;
    got->result = tqcal_result(g_status);
    got->status = (uint64_t)g_status;
    got->value = g_ctx.value;
}

static void print_screen(const char *label, const struct screen *s)
{
    const uint64_t bits = to_bits(s->value);
    printf("    %-8s display \"%s\" exponent \"%s\" negative %ld status %lx value %.17g "
           "(%08lx%08lx)\n",
           label, s->display, s->exponent, s->negative, (unsigned long)s->status, s->value,
           (unsigned long)(bits >> 32), (unsigned long)(bits & 0xFFFFFFFFu));
}

struct key_check {
    long key;
    struct screen want, got;
};

static void describe_key(const void *p)
{
    const struct key_check *k = (const struct key_check *)p;
    printf("sequence of line %ld, mode %d: %s\n", g_sequence_line, g_mode, g_sequence_text);
    printf("    key %ld (code %ld):\n", g_key_index, k->key);
    print_screen("expected", &k->want);
    print_screen("got", &k->got);
}

static void key_line(char **f, int n)
{
    struct key_check k;
    if (!g_in_sequence)
        fatal("key line outside a sequence");
    read_key_record(f, n, &k.key, &k.want);
    ++g_key_index;
    ++g_counts.keys;
    tqcal_press(&g_ctx, &g_status, (int)k.key, g_mode);
    current_screen(&k.got);
    tally(same_screen(&k.want, &k.got), describe_key, &k);
}

/* ---- Single routines ------------------------------------------------------------ */

struct call_check {
    const char *routine;
    char expected[200];
    char got[200];
};

static void describe_call(const void *p)
{
    const struct call_check *c = (const struct call_check *)p;
    printf("%s\n    expected %s\n    got      %s\n", c->routine, c->expected, c->got);
}

/* "P X RESULT" */
static void pow10_line(char **f, int n)
{
    struct call_check c = {"TQCAL_Pow10", "", ""};
    double x, want, got;
    if (n != 3)
        fatal("P line needs 3 fields");
    x = parse_double(f[1]);
    want = parse_double(f[2]);
    got = TQCAL_Pow10(x);
    ++g_counts.powers;
    sprintf(c.expected, "%.17g (%s) for x = %.17g", want, f[2], x);
    sprintf(c.got, "%.17g", got);
    tally(same_value(want, got), describe_call, &c);
}

/* The texts a formatting call wrote, as recorded or as this build writes them. */
struct formatted {
    char display[TEXT_CELLS], exponent[TEXT_CELLS];
    long negative, rc;
};

/* "D VALUE WIDTH DISPLAY EXPONENT NEGATIVE RETURN" */
static void format_line(char **f, int n)
{
    struct call_check c = {"TQCAL_DivideDoubleToStr", "", ""};
    struct formatted want, got;
    TQCAL_WChar display[TQCAL_DISPLAY_AREA], exponent[TQCAL_EXPONENT_CELLS];
    int32_t negative = -7;
    double value;
    long width;
    int i;
    if (n != 7)
        fatal("D line needs 7 fields");
    value = parse_double(f[1]);
    width = parse_int(f[2]);
    decode_text(f[3], 1, want.display);
    decode_text(f[4], 0, want.exponent);
    want.negative = parse_int(f[5]);
    want.rc = parse_int(f[6]);
    /* cells the routine leaves alone show up as '#' */
    for (i = 0; i < TQCAL_DISPLAY_AREA; ++i)
        display[i] = '#';
    for (i = 0; i < TQCAL_EXPONENT_CELLS; ++i)
        exponent[i] = '#';
    got.rc = TQCAL_DivideDoubleToStr(value, display, exponent, &negative, (int)width);
    got.negative = (long)negative;
    read_cells(display, TQCAL_DISPLAY_AREA, got.display);
    read_cells(exponent, TQCAL_EXPONENT_CELLS, got.exponent);
    ++g_counts.formats;
    sprintf(c.expected, "\"%s\" \"%s\" negative %ld return %ld for %.17g width %ld", want.display,
            want.exponent, want.negative, want.rc, value, width);
    sprintf(c.got, "\"%s\" \"%s\" negative %ld return %ld", got.display, got.exponent,
            got.negative, got.rc);
    tally(strcmp(want.display, got.display) == 0 && strcmp(want.exponent, got.exponent) == 0 &&
              want.negative == got.negative && want.rc == got.rc,
          describe_call, &c);
}

/* "B A B RC+ R+ RC- R- RC* R* RC/ R/": per operation its return code and the
 * new left operand; the right one must not change. */
static void base_line(char **f, int n)
{
    static const int ops[4] = {KEY_ADD, KEY_SUB, KEY_MUL, KEY_DIV};
    static const char names[4] = {'+', '-', '*', '/'};
    struct call_check c = {"TQCAL_BaseOperate", "", ""};
    double a, b;
    int i;
    if (n != 11)
        fatal("B line needs 11 fields");
    a = parse_double(f[1]);
    b = parse_double(f[2]);
    for (i = 0; i < 4; ++i) {
        const char *want_rc_field = f[3 + 2 * i], *want_field = f[4 + 2 * i];
        const long want_rc = parse_int(want_rc_field);
        const double want = parse_double(want_field);
        double left = a, right = b;
        const int rc = TQCAL_BaseOperate(ops[i], &left, &right);
        ++g_counts.operations;
        sprintf(c.expected, "%.17g %c %.17g: return %ld, %.17g (%s)", a, names[i], b, want_rc,
                want, want_field);
        sprintf(c.got, "return %d, %.17g, right operand %.17g", rc, left, right);
        tally(rc == want_rc && same_value(want, left) && same_value(right, b), describe_call, &c);
    }
}

/* "C RETURN VALUE TEXT CODES..." */
static void calc_string_line(char **f, int n)
{
    struct call_check c = {"TQCAL_CalcString", "", ""};
    int8_t codes[MAX_FIELDS];
    TQCAL_WChar cells[TQCAL_RESULT_TEXT_CELLS];
    char want_text[TEXT_CELLS], got_text[TEXT_CELLS];
    double value = -1, want;
    long want_rc;
    int i, count = n - 4, rc;
    if (n < 4 || f[0][1] != '\0')
        fatal("C line needs a return code, a value, a text and codes");
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
    ++g_counts.whole_sequences;
    sprintf(c.expected, "return %ld, %.17g (%s), \"%s\"", want_rc, want, f[2], want_text);
    sprintf(c.got, "return %d, %.17g, \"%s\"", rc, value, got_text);
    tally(rc == want_rc && same_value(want, value) && strcmp(want_text, got_text) == 0,
          describe_call, &c);
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

/* sqrt, and integers (as their two's complement bits) to doubles: "i32d
 * u32d i64d u64d". Returns 0 for another operation. */
static int platform_to_double(const char *op, uint64_t x, uint64_t *got, char *operands)
{
    const int from_32_bits = strcmp(op, "i32d") == 0 || strcmp(op, "u32d") == 0;
    char hex[20];
    hex_text(hex, x, from_32_bits ? 8 : 16);
    if (strcmp(op, "sqrt") == 0) {
        volatile double d = from_bits(x);
        *got = to_bits(sqrt(d));
        sprintf(operands, "sqrt %s", hex);
    } else if (strcmp(op, "i32d") == 0) {
        const uint32_t u = (uint32_t)x;
        int32_t v;
        volatile int32_t vi;
        memcpy(&v, &u, sizeof v);
        vi = v;
        *got = to_bits((double)vi);
        sprintf(operands, "(double)(int32_t)%s", hex);
    } else if (strcmp(op, "u32d") == 0) {
        volatile uint32_t vu = (uint32_t)x;
        *got = to_bits((double)vu);
        sprintf(operands, "(double)(uint32_t)%s", hex);
    } else if (strcmp(op, "i64d") == 0) {
        int64_t v;
        volatile int64_t vi;
        memcpy(&v, &x, sizeof v);
        vi = v;
        *got = to_bits((double)vi);
        sprintf(operands, "(double)(int64_t)%s", hex);
    } else if (strcmp(op, "u64d") == 0) {
        volatile uint64_t vu = x;
        *got = to_bits((double)vu);
        sprintf(operands, "(double)(uint64_t)%s", hex);
    } else {
        return 0;
    }
    return 1;
}

/* A double cut toward zero to an integer: "di32 du32 di64 du64"; the result
 * as its two's complement bits, *digits wide in hex. Returns 0 for another
 * operation. */
static int platform_to_integer(const char *op, uint64_t x, uint64_t *got, int *digits,
                               char *operands)
{
    volatile double d = from_bits(x);
    const char *type;
    char hex[20];
    *digits = 8;
    if (strcmp(op, "di32") == 0) {
        const int32_t v = (int32_t)d;
        uint32_t u;
        memcpy(&u, &v, sizeof u);
        *got = u;
        type = "int32_t";
    } else if (strcmp(op, "du32") == 0) {
        *got = (uint32_t)d;
        type = "uint32_t";
    } else if (strcmp(op, "di64") == 0) {
        const int64_t v = (int64_t)d;
        memcpy(got, &v, sizeof *got);
        *digits = 16;
        type = "int64_t";
    } else if (strcmp(op, "du64") == 0) {
        *got = (uint64_t)d;
        *digits = 16;
        type = "uint64_t";
    } else {
        return 0;
    }
    hex_text(hex, x, 16);
    sprintf(operands, "(%s)%s", type, hex);
    return 1;
}

/* Counts one platform operation, whose result is a double or (integer_digits
 * 8 or 16) an integer; a wrong one is kept for the report and fails the run
 * where the library computes with this same arithmetic. The library
 * computes its square roots itself on every target. */
static void platform_result(const char *op, const char *operands, uint64_t got, uint64_t want,
                            int integer_digits)
{
    const int library_own = LIBRARY_OWN_ARITHMETIC || strcmp(op, "sqrt") == 0;
    const int digits = integer_digits != 0 ? integer_digits : 16;
    char got_hex[20], want_hex[20];
    ++g_platform_ops;
    if (got == want || (integer_digits == 0 && is_nan(got) && is_nan(want))) {
        if (!library_own)
            ++g_passed;
        return;
    }
    ++g_platform_wrong;
    if (!library_own) {
        ++g_failed;
        ++g_platform_failed;
    }
    if (g_platform_shown < PLATFORM_SHOW) {
        hex_text(got_hex, got, digits);
        hex_text(want_hex, want, digits);
        sprintf(g_platform_lines[g_platform_shown++], "%s gives %s instead of %s", operands,
                got_hex, want_hex);
    }
}

/* "A OP OPERANDS RESULT" */
static void platform_line(char **f, int n)
{
    const char *op = f[1];
    uint64_t x, got;
    int integer_digits = 0; /* 0: the result is a double */
    char operands[80];
    if (n < 4)
        fatal("A line needs an operation, operands and a result");
    x = parse_hex(f[2]);
    if (strlen(op) == 1 && strchr("+-*/", op[0]) != NULL) {
        const uint64_t y = parse_hex(f[3]);
        char x_hex[20], y_hex[20];
        if (n != 5)
            fatal("A line of a binary operation needs 5 fields");
        got = platform_binary(op[0], x, y);
        hex_text(x_hex, x, 16);
        hex_text(y_hex, y, 16);
        sprintf(operands, "%s %s %s", x_hex, op, y_hex);
        platform_result(op, operands, got, parse_hex(f[4]), 0);
        return;
    }
    if (n != 4)
        fatal("A line of a one-operand operation needs 4 fields");
    if (!platform_to_double(op, x, &got, operands) &&
        !platform_to_integer(op, x, &got, &integer_digits, operands))
        fatal("unknown platform operation");
    platform_result(op, operands, got, parse_hex(f[3]), integer_digits);
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

/* Replays block b; returns whether its states match the record, and sets
 * *keys_match and, from the record's digests, *first (the first differing
 * sequence, or -1). */
static int soak_block(long b, int *keys_match, long *first)
{
    uint64_t keys = 0, states = 0;
    unsigned long i;
    *first = -1;
    for (i = 0; i < TQCAL_SOAK_BLOCK; ++i) {
        const unsigned long index = (unsigned long)b * TQCAL_SOAK_BLOCK + i;
        const uint64_t h = tqcal_soak_run(index, &keys, NULL, NULL);
        states = tqcal_soak_mix(states, h);
        if (*first < 0 && g_soak_has_digest[b] && tqcal_soak_digest(h) != g_soak_digest[b][i])
            *first = (long)index;
    }
    *keys_match = keys == g_soak_keys[b];
    return states == g_soak_states[b];
}

static void describe_soak_block(long b, int keys_match, long first)
{
    printf("soak: block %ld (sequences %ld to %ld): ", b, b * TQCAL_SOAK_BLOCK,
           b * TQCAL_SOAK_BLOCK + TQCAL_SOAK_BLOCK - 1);
    if (!keys_match) {
        /* The keys come from integer arithmetic alone: a difference here is
         * the compiler's or soak.h's, not the engine's. */
        printf("the keys themselves differ from the record: this build of soak.h makes other "
               "sequences\n");
        return;
    }
    printf("the states differ from the record\n");
    if (first < 0) {
        printf("    the record singles out sequences in its first %d blocks only; compare "
               "--soak-trace of each sequence of the block with x86-64\n",
               SOAK_DIGEST_BLOCKS);
        return;
    }
    printf("    first differing sequence %ld, this build's state after each key (x86-64 prints "
           "its own with conformance_replay --soak-trace %ld; the first line that differs names "
           "the key):\n",
           first, first);
    soak_show_sequence((unsigned long)first, 0);
}

static void run_soak(void)
{
    long blocks, b, differ = 0, keys_differ = 0;
    if (g_soak_blocks == 0 || g_soak <= 0) {
        printf("soak: %s\n", g_soak_blocks == 0 ? "none in the record" : "not run (--soak 0)");
        return;
    }
    blocks = (g_soak + TQCAL_SOAK_BLOCK - 1) / TQCAL_SOAK_BLOCK;
    if (blocks > g_soak_blocks)
        blocks = g_soak_blocks;
    for (b = 0; b < blocks; ++b) {
        int keys_match;
        long first;
        if (soak_block(b, &keys_match, &first) && keys_match) {
            ++g_passed;
            continue;
        }
        ++g_failed;
        if (keys_match)
            ++differ;
        else
            ++keys_differ;
        if (g_shown++ < g_show)
            describe_soak_block(b, keys_match, first);
    }
    printf("soak: %ld sequences (%ld blocks of %d) of %ld recorded; blocks that differ: %ld%s\n",
           blocks * TQCAL_SOAK_BLOCK, blocks, TQCAL_SOAK_BLOCK, g_soak_recorded,
           differ + keys_differ, keys_differ > 0 ? " (some in their keys)" : "");
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

/* One record of the file; line is the whole line, fields its n fields. */
static void replay_record(char **fields, int n, const char *line)
{
    const char kind = fields[0][0];
    if (kind == 'A' && fields[0][1] == '\0') {
        platform_line(fields, n);
        return;
    }
    platform_report();
    if ((kind >= '0' && kind <= '9') || kind == '-') {
        key_line(fields, n);
        return;
    }
    g_in_sequence = 0; /* until an S record starts the next */
    switch (kind) {
    case 'S': start_sequence(fields, n, line); break;
    case 'P': pow10_line(fields, n); break;
    case 'D': format_line(fields, n); break;
    case 'B': base_line(fields, n); break;
    case 'C': calc_string_line(fields, n); break;
    case 'W': soak_header_line(fields, n); break;
    case 'H': soak_block_line(fields, n); break;
    default: fatal("unknown record");
    }
}

/* Reads and replays every record but the soak's sequences; returns 2 when
 * the file cannot be opened. */
static int replay_file(void)
{
    static char line[MAX_LINE], copy[MAX_LINE];
    static char *fields[MAX_FIELDS];
    int header = 0;
    FILE *in = fopen(g_path, "r");
    if (in == NULL) {
        fprintf(stderr, "conformance: cannot open %s\n", g_path);
        return 2;
    }
    while (fgets(line, sizeof line, in) != NULL) {
        size_t len = strlen(line);
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
        replay_record(fields, split(line, fields), copy);
    }
    if (ferror(in))
        fatal("read error");
    fclose(in);
    if (!header)
        fatal("empty vectors file");
    return 0;
}

static const char g_usage[] =
    "usage: conformance_replay [--show N] [--soak N] VECTORS\n"
    "       conformance_replay --soak-trace I\n"
    "Replays the conformance record VECTORS (conformance/vectors.txt) against the\n"
    "library this program is linked to and prints every difference; the last line\n"
    "is \"conformance: N passed, M failed\". --soak N replays the first N soak\n"
    "sequences (default 100000), --show N shows N differences in detail (default\n"
    "10), --soak-trace I prints soak sequence I key by key. Exit status: 0 nothing\n"
    "failed, 1 something failed, 2 bad arguments or an unreadable record.\n";

/* A mistake in the arguments: the usage on standard error, status 2. */
static void usage(void)
{
    fputs(g_usage, stderr);
    exit(2);
}

static void parse_options(int argc, char **argv)
{
    int i;
    for (i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "-h") == 0) {
            fputs(g_usage, stdout);
            exit(0);
        }
        if (strcmp(argv[i], "--show") == 0 && i + 1 < argc)
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
}

int main(int argc, char **argv)
{
    parse_options(argc, argv);
    if (g_soak_trace >= 0) {
        /* One soak sequence, key by key, every byte: the same output on two
         * builds that agree. */
        const uint64_t h = tqcal_soak_run((unsigned long)g_soak_trace, NULL, NULL, NULL);
        soak_show_sequence((unsigned long)g_soak_trace, 1);
        printf("    sequence hash %08lx%08lx\n", (unsigned long)(h >> 32),
               (unsigned long)(h & 0xFFFFFFFFu));
        return 0;
    }
    if (replay_file() != 0)
        return 2;
    platform_report();
    run_soak();
    if (g_shown > g_show)
        printf("... and %ld more differences\n", g_shown - g_show);
    printf("conformance: %ld key states, %ld powers of ten, %ld formats, %ld operations, "
           "%ld whole sequences\n",
           g_counts.keys, g_counts.powers, g_counts.formats, g_counts.operations,
           g_counts.whole_sequences);
    printf("conformance: %ld passed, %ld failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}
