/*
 * replay.c - replays the conformance vectors against the tqcal library it is
 * linked to and reports every difference.
 *
 *     conformance_replay [--show N] [--soak N] [--report FILE] VECTORS
 *     conformance_replay --soak-trace I
 *     conformance_replay --flip-fields VECTORS
 *
 * VECTORS is conformance/vectors.txt (its header describes the format). It
 * is replayed in three parts:
 *
 * 1. Platform arithmetic: the record's + - * / sqrt and integer/double
 *    conversions, redone with this program's own compiled arithmetic (what
 *    the C compiler makes of them for this target, not the engine) and
 *    compared bit for bit with what x86-64 computed. The count of wrong
 *    results and the first few operations are printed before any engine
 *    value. On a soft-float ARM EABI build and on Windows CE the library
 *    carries its own correctly rounded arithmetic, so a wrong result here
 *    is reported but fails nothing; everywhere else the library computes
 *    + - * / and the conversions with the same arithmetic as this program,
 *    and a wrong result there is a failure. The library brings its own
 *    square root on every target: a wrong sqrt is reported, never a
 *    failure.
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
 * Every comparison is made through one list of fields (COMPARED_FIELDS
 * below), and a difference names the fields that differ. The first N
 * differences (default 10) are shown in detail. The report goes to standard
 * output, or with --report to FILE (a device without a console); its last
 * line is "conformance: N passed, M failed" on every run, also one that
 * stops early (a bad argument, a record that cannot be opened or read: the
 * run counts as one failure more), and with --report it is printed on
 * standard output too. The exit status is 0 only when nothing failed, 2
 * when the run stopped early.
 *
 * --flip-fields checks the replayer itself: for every field of that list,
 * a copy of a passing record of the file with only that field changed must
 * fail the replay, which must name that field; and every column of every
 * kind of record must be an input or a compared field. The last line counts
 * the flips and those caught; the exit status is 0 only when all were.
 *
 * Plain C99 with the C library alone (its sqrt is the one platform routine
 * checked), so that it builds with any C compiler for any target the engine
 * runs on:
 *
 *     cc -std=c99 -Iinclude conformance/replay.c -Lbuild -ltqcal -lm
 */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "tqcal.h"
#include "tqcal_host.h"

#include "key_table.h"
#include "soak.h" /* also the fixed-width integer types */

/* Whether the library brings its own binary64 arithmetic: on a soft-float
 * ARM EABI build (no floating-point unit, the compiler's helper routines do
 * every double operation) it carries its own correctly rounded helpers, and
 * its results do not depend on this platform's. Everywhere else it computes
 * with the same arithmetic as this program. */
#if defined(__ARM_EABI__) && defined(__SOFTFP__) && !defined(__ARM_PCS_VFP)
#  define LIBRARY_OWN_ARITHMETIC 1
#  define ARITHMETIC_KIND "soft-float ARM EABI"
#elif defined(_WIN32_WCE) && (defined(_M_ARM) || defined(ARM))
/* The Windows CE DLL is a soft-float build with its own helpers whatever
 * the device and its SDK's compiler do with doubles. */
#  define LIBRARY_OWN_ARITHMETIC 1
#  define ARITHMETIC_KIND "Windows CE on ARM"
#else
#  define LIBRARY_OWN_ARITHMETIC 0
#  define ARITHMETIC_KIND "this platform's floating point"
#endif

#define MAX_LINE 8192
#define MAX_FIELDS 600
#define TEXT_CELLS 32

/* ---- The compared fields ------------------------------------------------------ */

/* How a field is written in the record and compared. */
enum field_type {
    T_DISPLAY, /* a display text, blanks in front up to 14 cells */
    T_TEXT,    /* a text as it stands (an exponent text) */
    T_INT,     /* a decimal integer: a flag or a return code */
    T_STATE,   /* a result state: O, E or F */
    T_HEX,     /* bits in hexadecimal, equal only when all are: a status word, a hash */
    T_DOUBLE,  /* a double's bits in hexadecimal; any two NaNs count as equal */
    T_PLATFORM /* a platform result: a double as T_DOUBLE, or an integer's bits */
};

/* Every field the replay compares, in one list; nothing is compared
 * otherwise. Per field: the kind of record ('K' a key line, which starts
 * with its key code; every other kind is the letter its lines start with),
 * the column that holds the expected value (LAST_COLUMN: the last one), how
 * it is written and compared, and its name in a report. --flip-fields
 * changes each of them in turn in a copy of a passing record and checks
 * that the replay then notices that field and no other; it also checks
 * that every column of every kind of record below is either an input or
 * the column of exactly one of these fields. */
#define LAST_COLUMN (-1)
#define COMPARED_FIELDS(X)                                   \
  X(KEY_DISPLAY, 'K', 1, T_DISPLAY, "display text")          \
  X(KEY_EXPONENT, 'K', 2, T_TEXT, "exponent text")           \
  X(KEY_NEGATIVE, 'K', 3, T_INT, "negative flag")            \
  X(KEY_STATE, 'K', 4, T_STATE, "result state")              \
  X(KEY_STATUS, 'K', 5, T_HEX, "status word")                \
  X(KEY_VALUE, 'K', 6, T_DOUBLE, "value")                    \
  X(KEY_MEMORY, 'K', 7, T_DOUBLE, "memory")                  \
  X(POW10_RESULT, 'P', 2, T_DOUBLE, "result")                \
  X(FORMAT_DISPLAY, 'D', 3, T_DISPLAY, "display text")       \
  X(FORMAT_EXPONENT, 'D', 4, T_TEXT, "exponent text")        \
  X(FORMAT_NEGATIVE, 'D', 5, T_INT, "negative flag")         \
  X(FORMAT_RETURN, 'D', 6, T_INT, "return code")             \
  X(BASE_RETURN, 'B', 3, T_INT, "return code")               \
  X(BASE_LEFT, 'B', 4, T_DOUBLE, "left operand")             \
  X(BASE_RIGHT, 'B', 5, T_DOUBLE, "right operand")           \
  X(CALC_RETURN, 'C', 1, T_INT, "return code")               \
  X(CALC_VALUE, 'C', 2, T_DOUBLE, "value")                   \
  X(CALC_TEXT, 'C', 3, T_DISPLAY, "text")                    \
  X(PLATFORM_RESULT, 'A', LAST_COLUMN, T_PLATFORM, "result") \
  X(SOAK_KEYS, 'H', 2, T_HEX, "keys hash")                   \
  X(SOAK_STATES, 'H', 3, T_HEX, "states hash")

#define FIELD_ID(id, kind, column, type, name) F_##id,
enum field_id { COMPARED_FIELDS(FIELD_ID) FIELD_COUNT };
#undef FIELD_ID

struct field {
    char kind;
    int column;
    enum field_type type;
    const char *name;
};

#define FIELD_ENTRY(id, kind, column, type, name) {kind, column, type, name},
static const struct field FIELDS[FIELD_COUNT] = {COMPARED_FIELDS(FIELD_ENTRY)};
#undef FIELD_ENTRY

/* ---- Options and run state --------------------------------------------------- */

#define PLATFORM_SHOW 8
#define SOAK_MAX_BLOCKS 1000
#define SOAK_DIGEST_BLOCKS 100

/* What the command line asks for: set once, kept by every replay of the
 * program (the flips' replays change only soak and show, deliberately). */
struct options {
    const char *path;        /* the record */
    const char *report_path; /* --report FILE, or NULL */
    FILE *out;               /* the report: standard output, or the --report file */
    long show;               /* differences described in detail */
    long soak;               /* soak sequences to replay */
    long soak_trace;         /* --soak-trace I, or -1 */
    int flip;                /* --flip-fields */
};

static struct options g_opt = {NULL, NULL, NULL, 10, 100000, -1, 0};

/* Everything one replay of a record reads, counts and keeps: all zero at
 * its start, set to zero as a whole (--flip-fields replays many records in
 * one program), so that nothing a replay adds here can leak into the next. */
struct run {
    long line; /* of the record, being replayed */
    long passed, failed, shown;
    struct {
        long keys, powers, formats, operations, whole_sequences;
    } counts;
    long noticed[FIELD_COUNT]; /* per field, its differences, failing the run or not */
    struct {
        int open; /* an S record started it, and no other kind ended it */
        long line;
        long keys;
        int mode;
        char typed[160]; /* the S record's keys, for the report */
        TQCAL_Context ctx;
        TQCAL_Status status;
    } sequence;
    struct {
        long ops, wrong, shown;
        long failed;  /* wrong where the library uses the same arithmetic */
        int reported; /* the platform part's report is out */
        char lines[PLATFORM_SHOW][160];
    } platform;
    struct {
        long recorded; /* sequences in the record */
        long blocks;   /* H records read */
        uint64_t keys[SOAK_MAX_BLOCKS], states[SOAK_MAX_BLOCKS];
        unsigned char digest[SOAK_DIGEST_BLOCKS][TQCAL_SOAK_BLOCK];
        int has_digest[SOAK_MAX_BLOCKS];
    } soak;
};

static struct run g_run;

/* Closes a report file. Returns status, or 2 when the report could not be
 * written whole (a full card on a device, say). */
static int close_report(int status)
{
    int unwritten;
    if (g_opt.out == stdout)
        return status;
    unwritten = ferror(g_opt.out);
    if (fclose(g_opt.out) != 0 || unwritten) {
        fprintf(stderr, "conformance_replay: the report %.4000s could not be written whole\n",
                g_opt.report_path);
        return 2;
    }
    return status;
}

/* The closing line, in the report and (when that is a file) on standard
 * output too; closes the report. Returns status (2 when the report is not
 * whole). */
static int finish(int status)
{
    const char *format = "conformance: %ld passed, %ld failed\n";
    fprintf(g_opt.out, format, g_run.passed, g_run.failed);
    if (g_opt.out != stdout)
        fprintf(stdout, format, g_run.passed, g_run.failed);
    return close_report(status);
}

/* A run that cannot go on: the reason on standard error and in the report,
 * and a replay ends with its closing line, counting the run as one failure
 * more, so that the last line never reads as a pass. Exit status 2. */
static void give_up(const char *reason)
{
    fprintf(stderr, "%s\n", reason);
    if (g_opt.out != stdout)
        fprintf(g_opt.out, "%s\n", reason);
    if (!g_opt.flip && g_opt.soak_trace < 0) {
        ++g_run.failed;
        exit(finish(2));
    }
    exit(2);
}

static void fatal(const char *what)
{
    char reason[MAX_LINE];
    sprintf(reason, "%.4000s:%ld: %s", g_opt.path, g_run.line, what);
    give_up(reason);
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
    return (bits & 0x7FF0000000000000u) == 0x7FF0000000000000u && (bits & 0x000FFFFFFFFFFFFFu) != 0;
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

static double parse_double(const char *s)
{
    return from_bits(parse_hex(s));
}

/* A decimal integer field: a minus sign or none, then at most 9 digits (the
 * record's largest integer, a soak's sequence count, has 7), so that no
 * value can overflow a long on any target. */
static long parse_int(const char *s)
{
    const char *p = s[0] == '-' ? s + 1 : s;
    long v = 0;
    int n = 0;
    if (*s == '\0')
        fatal("empty integer field");
    for (; *p; ++p, ++n) {
        if (n == 9)
            fatal("integer field too long");
        if (*p < '0' || *p > '9')
            fatal("bad decimal digit");
        v = v * 10 + (*p - '0');
    }
    if (n == 0)
        fatal("bad decimal digit");
    return s[0] == '-' ? -v : v;
}

/* A text field of the file: '!' is empty, '_' a blank; with pad, a text
 * shorter than 14 cells gets blanks in front up to 14. Engine texts hold
 * printable ASCII only (read_cells shows anything else as '?'). */
static void decode_text(const char *token, int pad, char *out)
{
    size_t n, lead = 0, i;
    if (strcmp(token, "!") == 0) {
        out[0] = '\0';
        return;
    }
    n = strlen(token);
    if (n == 0)
        fatal("empty text field");
    if (n >= TEXT_CELLS - 1)
        fatal("text field too long");
    for (i = 0; i < n; ++i) {
        if (token[i] <= ' ' || token[i] > '~')
            fatal("bad character in a text field");
    }
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

/* ---- Kinds of record, and a field's value ------------------------------------------ */

/* The kinds of record, and their columns: how many are fixed (the first is
 * the letter, or a key line's key code; a C record's key codes and an H
 * record's digests follow them), which of those the replay reads as its
 * inputs, and how often the compared columns repeat (a B record holds the
 * results of four operations, a group of columns each). */
struct record_kind {
    char kind;
    const char *name;
    int columns;             /* 0: they vary (A), and the result is the last */
    unsigned inputs;         /* a bit for each fixed column that is an input */
    const char *group_names; /* the compared columns repeat for each of these ... */
    int stride;              /* ... this many columns apart */
};

static const struct record_kind RECORD_KINDS[] = {
    {'K', "key", 8, 0x1, NULL, 0},
    {'P', "TQCAL_Pow10", 3, 0x3, NULL, 0},
    {'D', "TQCAL_DivideDoubleToStr", 7, 0x7, NULL, 0},
    {'B', "TQCAL_BaseOperate", 15, 0x7, "+-*/", 3},
    {'C', "TQCAL_CalcString", 4, 0x1, NULL, 0},
    {'A', "platform arithmetic", 0, 0, NULL, 0},
    {'H', "soak block", 4, 0x3, NULL, 0},
};
#define KIND_COUNT ((int)(sizeof RECORD_KINDS / sizeof RECORD_KINDS[0]))

static const struct record_kind *kind_of(char kind)
{
    int k;
    for (k = 0; k < KIND_COUNT; ++k) {
        if (RECORD_KINDS[k].kind == kind)
            return &RECORD_KINDS[k];
    }
    return NULL;
}

/* The column of field f in operation group of a record of n columns. */
static int field_column(const struct field *f, int group, int n)
{
    return f->column == LAST_COLUMN ? n - 1 : f->column + group * kind_of(f->kind)->stride;
}

/* One field's value, as the record has it or as this build gives it. */
struct value {
    char text[TEXT_CELLS]; /* T_DISPLAY, T_TEXT */
    long integer;          /* T_INT, T_STATE (a RES_ code); T_PLATFORM: 1 for an integer */
    uint64_t bits;         /* T_HEX, T_DOUBLE, T_PLATFORM */
};

static int parse_state(const char *s)
{
    if (s[0] == '\0')
        fatal("empty result state");
    if (s[1] != '\0')
        fatal("result state too long");
    switch (s[0]) {
    case 'E': return RES_ERROR;
    case 'O': return RES_OK;
    case 'F': return RES_FULL;
    default: fatal("bad result state");
    }
    return 0;
}

static char state_letter(long state)
{
    return state == RES_ERROR ? 'E' : state == RES_OK ? 'O' : state == RES_FULL ? 'F' : '?';
}

static void read_value(enum field_type type, const char *token, struct value *v)
{
    v->text[0] = '\0';
    v->integer = 0;
    v->bits = 0;
    switch (type) {
    case T_DISPLAY: decode_text(token, 1, v->text); break;
    case T_TEXT: decode_text(token, 0, v->text); break;
    case T_INT: v->integer = parse_int(token); break;
    case T_STATE: v->integer = parse_state(token); break;
    case T_HEX:
    case T_DOUBLE:
    case T_PLATFORM: v->bits = parse_hex(token); break;
    }
}

static int same_field(enum field_type type, const struct value *want, const struct value *got)
{
    switch (type) {
    case T_DISPLAY:
    case T_TEXT: return strcmp(want->text, got->text) == 0;
    case T_INT:
    case T_STATE: return want->integer == got->integer;
    case T_HEX: return want->bits == got->bits;
    case T_DOUBLE: return want->bits == got->bits || (is_nan(want->bits) && is_nan(got->bits));
    case T_PLATFORM:
        return want->bits == got->bits ||
               (got->integer == 0 && is_nan(want->bits) && is_nan(got->bits));
    }
    return 0;
}

/* v in hexadecimal as the record writes it: lower case, no leading zeros. */
static void record_hex(uint64_t v, char *out)
{
    if (v >> 32)
        sprintf(out, "%lx%08lx", (unsigned long)(v >> 32), (unsigned long)(v & 0xFFFFFFFFu));
    else
        sprintf(out, "%lx", (unsigned long)v);
}

/* v as a report shows it. */
static void value_text(enum field_type type, const struct value *v, char *out)
{
    char hex[20];
    switch (type) {
    case T_DISPLAY:
    case T_TEXT: sprintf(out, "\"%s\"", v->text); break;
    case T_INT: sprintf(out, "%ld", v->integer); break;
    case T_STATE: sprintf(out, "%c", state_letter(v->integer)); break;
    case T_HEX: record_hex(v->bits, out); break;
    case T_DOUBLE:
    case T_PLATFORM:
        hex_text(hex, v->bits, 16);
        if (type == T_PLATFORM && v->integer != 0)
            sprintf(out, "%s", hex);
        else
            sprintf(out, "%.17g (%s)", from_bits(v->bits), hex);
        break;
    }
}

/* One record (one operation of a B record) under comparison: the expected
 * values read from the record, this build's, and the names of the fields
 * that differ. */
struct check {
    char kind;
    char about[200]; /* the routine and its inputs, or the key */
    struct value want[FIELD_COUNT], got[FIELD_COUNT];
    char differing[200];
};

/* Starts a check of a record of kind: its expected values read from its
 * n fields f (of operation group; with f NULL the caller fills them in),
 * and this build's values marked unread, so that a field the replay forgot
 * to fill in differs. */
static void start_check(struct check *c, char kind, int group, char **f, int n)
{
    int id;
    c->kind = kind;
    c->about[0] = '\0';
    c->differing[0] = '\0';
    for (id = 0; id < FIELD_COUNT; ++id) {
        strcpy(c->got[id].text, "(not read)");
        c->got[id].integer = -99999;
        c->got[id].bits = 0x5A5A5A5A5A5A5A5Au;
        strcpy(c->want[id].text, "(not in the record)");
        c->want[id].integer = -88888;
        c->want[id].bits = 0xA5A5A5A5A5A5A5A5u;
        if (FIELDS[id].kind != kind || f == NULL)
            continue;
        if (field_column(&FIELDS[id], group, n) >= n)
            fatal("record too short");
        read_value(FIELDS[id].type, f[field_column(&FIELDS[id], group, n)], &c->want[id]);
    }
}

/* Compares every field of the check's kind; notes and names each that
 * differs. Returns whether all match. */
static int compare_fields(struct check *c)
{
    int id, match = 1;
    for (id = 0; id < FIELD_COUNT; ++id) {
        if (FIELDS[id].kind != c->kind || same_field(FIELDS[id].type, &c->want[id], &c->got[id]))
            continue;
        ++g_run.noticed[id];
        if (strlen(c->differing) + strlen(FIELDS[id].name) + 3 < sizeof c->differing)
            sprintf(c->differing + strlen(c->differing), "%s%s", match ? "" : ", ",
                    FIELDS[id].name);
        match = 0;
    }
    return match;
}

/* "    LABEL name value, name value, ..." over the fields of the check's kind. */
static void print_fields(const char *label, const struct check *c, const struct value *v)
{
    int id, first = 1;
    char text[80];
    fprintf(g_opt.out, "    %-8s", label);
    for (id = 0; id < FIELD_COUNT; ++id) {
        if (FIELDS[id].kind != c->kind)
            continue;
        value_text(FIELDS[id].type, &v[id], text);
        fprintf(g_opt.out, "%s%s %s", first ? " " : ", ", FIELDS[id].name, text);
        first = 0;
    }
    fprintf(g_opt.out, "\n");
}

/* ---- Reporting ------------------------------------------------------------- */

/* Counts one check; a difference is described while fewer than --show
 * have been. */
static void tally(int match, void (*describe)(const void *), const void *what)
{
    if (match) {
        ++g_run.passed;
        return;
    }
    ++g_run.failed;
    if (g_run.shown++ < g_opt.show) {
        fprintf(g_opt.out, "%s:%ld: difference: ", g_opt.path, g_run.line);
        describe(what);
    }
}

static void describe_check(const void *p)
{
    const struct check *c = (const struct check *)p;
    if (c->kind == 'K')
        fprintf(g_opt.out, "sequence of line %ld, mode %d: %s\n    %s: ", g_run.sequence.line,
                g_run.sequence.mode, g_run.sequence.typed, c->about);
    else
        fprintf(g_opt.out, "%s: ", c->about);
    fprintf(g_opt.out, "%s differ%s\n", c->differing, strchr(c->differing, ',') != NULL ? "" : "s");
    print_fields("expected", c, c->want);
    print_fields("got", c, c->got);
}

/* Compares a record's fields, counts it and describes a difference. */
static void check_record(struct check *c)
{
    tally(compare_fields(c), describe_check, c);
}

/* The record's n fields must be its kind's fixed columns (at least those,
 * with more), or the line is not one this replayer reads. */
static void expect_columns(char kind, int n, int more)
{
    const struct record_kind *k = kind_of(kind);
    char what[80];
    if (more ? n >= k->columns : n == k->columns)
        return;
    sprintf(what, "%s record needs %s%d fields", k->name, more ? "at least " : "", k->columns);
    fatal(what);
}

/* ---- Key sequences ------------------------------------------------------------ */

/* "S MODE TYPED...": a fresh calculator; TYPED is kept for the report. */
static void start_sequence(char **f, int n, const char *line)
{
    size_t len;
    if (n < 2)
        fatal("sequence line without a mode");
    g_run.sequence.mode = (int)parse_int(f[1]);
    tqcal_reset(&g_run.sequence.ctx, &g_run.sequence.status);
    g_run.sequence.open = 1;
    g_run.sequence.line = g_run.line;
    g_run.sequence.keys = 0;
    line = strchr(line + 2, ' '); /* after the mode */
    line = line != NULL ? line + 1 : "";
    len = strlen(line);
    if (len >= sizeof g_run.sequence.typed)
        len = sizeof g_run.sequence.typed - 4;
    memcpy(g_run.sequence.typed, line, len);
    g_run.sequence.typed[len] = '\0';
    if (len < strlen(line))
        strcat(g_run.sequence.typed, "...");
}

/* "KEY DISPLAY EXPONENT NEGATIVE STATE STATUS VALUE MEMORY": the key
 * pressed, and what the host sees after it. */
static void key_line(char **f, int n)
{
    struct check c;
    long key;
    if (!g_run.sequence.open)
        fatal("key line outside a sequence");
    expect_columns('K', n, 0);
    key = parse_int(f[0]);
    start_check(&c, 'K', 0, f, n);
    ++g_run.sequence.keys;
    ++g_run.counts.keys;
    tqcal_press(&g_run.sequence.ctx, &g_run.sequence.status, (int)key, g_run.sequence.mode);
    read_cells(g_run.sequence.ctx.display, TQCAL_DISPLAY_AREA, c.got[F_KEY_DISPLAY].text);
    read_cells(g_run.sequence.ctx.exponent, TQCAL_EXPONENT_CELLS, c.got[F_KEY_EXPONENT].text);
    c.got[F_KEY_NEGATIVE].integer = (long)g_run.sequence.ctx.negative;
    c.got[F_KEY_STATE].integer = tqcal_result(g_run.sequence.status);
    c.got[F_KEY_STATUS].bits = (uint64_t)g_run.sequence.status;
    c.got[F_KEY_VALUE].bits = to_bits(g_run.sequence.ctx.value);
    c.got[F_KEY_MEMORY].bits = to_bits(g_run.sequence.ctx.memory);
    sprintf(c.about, "key %ld (code %ld)", g_run.sequence.keys, key);
    check_record(&c);
}

/* ---- Single routines ------------------------------------------------------------ */

/* "P X RESULT" */
static void pow10_line(char **f, int n)
{
    struct check c;
    double x;
    expect_columns('P', n, 0);
    x = parse_double(f[1]);
    start_check(&c, 'P', 0, f, n);
    c.got[F_POW10_RESULT].bits = to_bits(TQCAL_Pow10(x));
    ++g_run.counts.powers;
    sprintf(c.about, "TQCAL_Pow10(%.17g)", x);
    check_record(&c);
}

/* "D VALUE WIDTH DISPLAY EXPONENT NEGATIVE RETURN" */
static void format_line(char **f, int n)
{
    struct check c;
    TQCAL_WChar display[TQCAL_DISPLAY_AREA], exponent[TQCAL_EXPONENT_CELLS];
    int32_t negative = -7;
    double value;
    long width;
    int i;
    expect_columns('D', n, 0);
    value = parse_double(f[1]);
    width = parse_int(f[2]);
    start_check(&c, 'D', 0, f, n);
    /* cells the routine leaves alone show up as '#' */
    for (i = 0; i < TQCAL_DISPLAY_AREA; ++i)
        display[i] = '#';
    for (i = 0; i < TQCAL_EXPONENT_CELLS; ++i)
        exponent[i] = '#';
    c.got[F_FORMAT_RETURN].integer =
        TQCAL_DivideDoubleToStr(value, display, exponent, &negative, (int)width);
    c.got[F_FORMAT_NEGATIVE].integer = (long)negative;
    read_cells(display, TQCAL_DISPLAY_AREA, c.got[F_FORMAT_DISPLAY].text);
    read_cells(exponent, TQCAL_EXPONENT_CELLS, c.got[F_FORMAT_EXPONENT].text);
    ++g_run.counts.formats;
    sprintf(c.about, "TQCAL_DivideDoubleToStr(%.17g, width %ld)", value, width);
    check_record(&c);
}

/* "B A B RC+ L+ R+ RC- L- R- RC* L* R* RC/ L/ R/": per operation its return
 * code and both operands as the call leaves them, each operation a check. */
static void base_line(char **f, int n)
{
    static const int OPS[4] = {KEY_ADD, KEY_SUB, KEY_MUL, KEY_DIV};
    static const char OP_SIGNS[4] = {'+', '-', '*', '/'};
    double a, b;
    int i;
    expect_columns('B', n, 0);
    a = parse_double(f[1]);
    b = parse_double(f[2]);
    for (i = 0; i < 4; ++i) {
        struct check c;
        double left = a, right = b;
        start_check(&c, 'B', i, f, n);
        c.got[F_BASE_RETURN].integer = TQCAL_BaseOperate(OPS[i], &left, &right);
        c.got[F_BASE_LEFT].bits = to_bits(left);
        c.got[F_BASE_RIGHT].bits = to_bits(right);
        ++g_run.counts.operations;
        sprintf(c.about, "TQCAL_BaseOperate: %.17g %c %.17g", a, OP_SIGNS[i], b);
        check_record(&c);
    }
}

/* "C RETURN VALUE TEXT CODES..." */
static void calc_string_line(char **f, int n)
{
    struct check c;
    int8_t codes[MAX_FIELDS];
    TQCAL_WChar cells[TQCAL_RESULT_TEXT_CELLS];
    double value = -1;
    int i, count = n - 4;
    if (f[0][1] != '\0')
        fatal("unknown record");
    expect_columns('C', n, 1);
    start_check(&c, 'C', 0, f, n);
    for (i = 0; i < count; ++i) {
        const long code = parse_int(f[4 + i]);
        if (code < -128 || code > 127)
            fatal("key code outside a signed byte");
        codes[i] = (int8_t)code;
    }
    for (i = 0; i < TQCAL_RESULT_TEXT_CELLS; ++i)
        cells[i] = '#';
    c.got[F_CALC_RETURN].integer = TQCAL_CalcString(&value, cells, codes, count);
    c.got[F_CALC_VALUE].bits = to_bits(value);
    read_cells(cells, TQCAL_RESULT_TEXT_CELLS, c.got[F_CALC_TEXT].text);
    ++g_run.counts.whole_sequences;
    sprintf(c.about, "TQCAL_CalcString over %d codes", count);
    check_record(&c);
}

/* ---- Platform arithmetic ----------------------------------------------------- */

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

/* The signed integer whose two's complement bits u holds, by arithmetic
 * alone (converting an out-of-range unsigned value is the compiler's
 * choice). */
static int32_t signed_32(uint32_t u)
{
    return u < 0x80000000u ? (int32_t)u : (int32_t)(u - 0x80000000u) - 0x7FFFFFFF - 1;
}
static int64_t signed_64(uint64_t u)
{
    return u < 0x8000000000000000ull
               ? (int64_t)u
               : (int64_t)(u - 0x8000000000000000ull) - 0x7FFFFFFFFFFFFFFFll - 1;
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
        volatile int32_t vi = signed_32((uint32_t)x);
        *got = to_bits((double)vi);
        sprintf(operands, "(double)(int32_t)%s", hex);
    } else if (strcmp(op, "u32d") == 0) {
        volatile uint32_t vu = (uint32_t)x;
        *got = to_bits((double)vu);
        sprintf(operands, "(double)(uint32_t)%s", hex);
    } else if (strcmp(op, "i64d") == 0) {
        volatile int64_t vi = signed_64(x);
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

/* Counts one platform operation of the A record's n fields f, whose result
 * got is a double or (integer_digits 8 or 16) an integer; a wrong one is
 * kept for the report and fails the run where the library computes with
 * this same arithmetic. The library computes its square roots itself on
 * every target. */
static void platform_result(char **f, int n, const char *operands, uint64_t got, int integer_digits)
{
    const int library_own = LIBRARY_OWN_ARITHMETIC || strcmp(f[1], "sqrt") == 0;
    const int digits = integer_digits != 0 ? integer_digits : 16;
    char got_hex[20], want_hex[20];
    struct check c;
    start_check(&c, 'A', 0, f, n);
    c.got[F_PLATFORM_RESULT].bits = got;
    c.got[F_PLATFORM_RESULT].integer = integer_digits != 0;
    ++g_run.platform.ops;
    if (compare_fields(&c)) {
        if (!library_own)
            ++g_run.passed;
        return;
    }
    ++g_run.platform.wrong;
    if (!library_own) {
        ++g_run.failed;
        ++g_run.platform.failed;
    }
    if (g_run.platform.shown < PLATFORM_SHOW) {
        hex_text(got_hex, got, digits);
        hex_text(want_hex, c.want[F_PLATFORM_RESULT].bits, digits);
        sprintf(g_run.platform.lines[g_run.platform.shown++], "%s gives %s instead of %s", operands,
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
        platform_result(f, n, operands, got, 0);
        return;
    }
    if (n != 4)
        fatal("A line of a one-operand operation needs 4 fields");
    if (!platform_to_double(op, x, &got, operands) &&
        !platform_to_integer(op, x, &got, &integer_digits, operands))
        fatal("unknown platform operation");
    platform_result(f, n, operands, got, integer_digits);
}

/* The platform part's report, once, before the first engine record. */
static void platform_report(void)
{
    long i;
    if (g_run.platform.reported)
        return;
    g_run.platform.reported = 1;
    if (g_run.platform.ops == 0) {
        fprintf(g_opt.out, "platform arithmetic: none in the record\n");
        return;
    }
    fprintf(g_opt.out,
            "platform arithmetic: %ld of %ld operations (+ - * / sqrt, integers to doubles and "
            "back) differ from x86-64%s\n",
            g_run.platform.wrong, g_run.platform.ops, g_run.platform.wrong > 0 ? ":" : "");
    for (i = 0; i < g_run.platform.shown; ++i)
        fprintf(g_opt.out, "    %s\n", g_run.platform.lines[i]);
    if (g_run.platform.wrong > g_run.platform.shown)
        fprintf(g_opt.out, "    ... and %ld more\n", g_run.platform.wrong - g_run.platform.shown);
    if (LIBRARY_OWN_ARITHMETIC)
        fprintf(g_opt.out,
                "platform arithmetic: %s: the library carries its own binary64 arithmetic and "
                "square root, so these do not fail the run; the engine's results are compared "
                "below\n",
                ARITHMETIC_KIND);
    else
        fprintf(g_opt.out,
                "platform arithmetic: %s: the library computes + - * / and the conversions with "
                "the same arithmetic as this program, so a difference there is a failure (%ld "
                "here); it brings its own square root, so a wrong sqrt is not\n",
                ARITHMETIC_KIND, g_run.platform.failed);
}

/* ---- Soak ------------------------------------------------------------------------ */

static void soak_header_line(char **f, int n)
{
    if (n != 3)
        fatal("W line needs 3 fields");
    if (parse_int(f[2]) != TQCAL_SOAK_BLOCK)
        fatal("the soak's block size differs from soak.h");
    g_run.soak.recorded = parse_int(f[1]);
}

static void soak_block_line(char **f, int n)
{
    struct check c;
    const long b = parse_int(f[1]);
    if (n != 4 && n != 5)
        fatal("H line needs 4 or 5 fields");
    if (b != g_run.soak.blocks || b >= SOAK_MAX_BLOCKS)
        fatal("soak blocks out of order or too many");
    start_check(&c, 'H', 0, f, n);
    g_run.soak.keys[b] = c.want[F_SOAK_KEYS].bits;
    g_run.soak.states[b] = c.want[F_SOAK_STATES].bits;
    if (n == 5) {
        int i;
        if (b >= SOAK_DIGEST_BLOCKS || strlen(f[4]) != 2 * TQCAL_SOAK_BLOCK)
            fatal("bad sequence digests");
        for (i = 0; i < TQCAL_SOAK_BLOCK; ++i)
            g_run.soak.digest[b][i] =
                (unsigned char)(hex_digit(f[4][2 * i]) * 16 + hex_digit(f[4][2 * i + 1]));
        g_run.soak.has_digest[b] = 1;
    }
    ++g_run.soak.blocks;
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
    fprintf(g_opt.out,
            "    key %d %s: display \"%s\" exponent \"%s\" negative %ld status %lx value "
            "%08lx%08lx state %08lx%08lx\n",
            position + 1, name, display, exponent, (long)ctx->negative, (unsigned long)status,
            (unsigned long)(v >> 32), (unsigned long)(v & 0xFFFFFFFFu),
            (unsigned long)(state_hash >> 32), (unsigned long)(state_hash & 0xFFFFFFFFu));
    if (p->full) {
        unsigned char bytes[sizeof(TQCAL_Context)];
        size_t i;
        memcpy(bytes, ctx, sizeof bytes);
        fprintf(g_opt.out, "      context");
        for (i = 0; i < sizeof bytes; ++i)
            fprintf(g_opt.out, "%s%02x", i % 32 == 0 ? "\n        " : "", bytes[i]);
        fprintf(g_opt.out, "\n");
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
    fprintf(g_opt.out, "    sequence %lu, %d keys: tqcal%s --trace --keys \"", index, count,
            mode == TQCAL_MODE_EQUAL ? " --mode equal" : "");
    for (i = 0; i < count; ++i) {
        tqcal_key_label(keys[i], name);
        fprintf(g_opt.out, "%s%s", i > 0 ? " " : "", name);
    }
    fprintf(g_opt.out, "\"\n");
    p.full = full;
    tqcal_soak_run(index, NULL, soak_print_state, &p);
}

/* Replays block b: the hash of its keys and of its states, and from the
 * record's digests *first, the first differing sequence (or -1). */
static void soak_block(long b, uint64_t *keys, uint64_t *states, long *first)
{
    unsigned long i;
    *keys = 0;
    *states = 0;
    *first = -1;
    for (i = 0; i < TQCAL_SOAK_BLOCK; ++i) {
        const unsigned long index = (unsigned long)b * TQCAL_SOAK_BLOCK + i;
        const uint64_t h = tqcal_soak_run(index, keys, NULL, NULL);
        *states = tqcal_soak_mix(*states, h);
        if (*first < 0 && g_run.soak.has_digest[b] &&
            tqcal_soak_digest(h) != g_run.soak.digest[b][i])
            *first = (long)index;
    }
}

static void describe_soak_block(long b, const struct check *c, int keys_match, long first)
{
    fprintf(g_opt.out, "soak: block %ld (sequences %ld to %ld): %s differ%s from the record\n", b,
            b * TQCAL_SOAK_BLOCK, b * TQCAL_SOAK_BLOCK + TQCAL_SOAK_BLOCK - 1, c->differing,
            strchr(c->differing, ',') != NULL ? "" : "s");
    if (!keys_match) {
        /* The keys come from integer arithmetic alone: a difference here is
         * the compiler's or soak.h's, not the engine's. */
        fprintf(g_opt.out,
                "    the keys themselves differ: this build of soak.h makes other sequences\n");
        return;
    }
    if (first < 0) {
        if (g_run.soak.has_digest[b])
            fprintf(g_opt.out,
                    "    every sequence's digest matches the record (one differing sequence in "
                    "256 keeps its digest); ");
        else
            fprintf(g_opt.out, "    the record singles out sequences in its first %d blocks only; ",
                    SOAK_DIGEST_BLOCKS);
        fprintf(g_opt.out, "compare --soak-trace of each sequence of the block with x86-64\n");
        return;
    }
    fprintf(g_opt.out,
            "    first differing sequence %ld, this build's state after each key (x86-64 prints "
            "its own with conformance_replay --soak-trace %ld; the first line that differs names "
            "the key):\n",
            first, first);
    soak_show_sequence((unsigned long)first, 0);
}

static void run_soak(void)
{
    long blocks, b, differ = 0, keys_differ = 0;
    if (g_run.soak.blocks == 0 || g_opt.soak <= 0) {
        fprintf(g_opt.out, "soak: %s\n",
                g_run.soak.blocks == 0 ? "none in the record" : "not run (--soak 0)");
        return;
    }
    blocks = (g_opt.soak + TQCAL_SOAK_BLOCK - 1) / TQCAL_SOAK_BLOCK;
    if (blocks > g_run.soak.blocks)
        blocks = g_run.soak.blocks;
    for (b = 0; b < blocks; ++b) {
        struct check c;
        long first;
        int keys_match;
        start_check(&c, 'H', 0, NULL, 0);
        c.want[F_SOAK_KEYS].bits = g_run.soak.keys[b];
        c.want[F_SOAK_STATES].bits = g_run.soak.states[b];
        soak_block(b, &c.got[F_SOAK_KEYS].bits, &c.got[F_SOAK_STATES].bits, &first);
        if (compare_fields(&c)) {
            ++g_run.passed;
            continue;
        }
        ++g_run.failed;
        keys_match =
            same_field(FIELDS[F_SOAK_KEYS].type, &c.want[F_SOAK_KEYS], &c.got[F_SOAK_KEYS]);
        if (keys_match)
            ++differ;
        else
            ++keys_differ;
        if (g_run.shown++ < g_opt.show)
            describe_soak_block(b, &c, keys_match, first);
    }
    fprintf(g_opt.out,
            "soak: %ld sequences (%ld blocks of %d) of %ld recorded; blocks that differ: %ld%s\n",
            blocks * TQCAL_SOAK_BLOCK, blocks, TQCAL_SOAK_BLOCK, g_run.soak.recorded,
            differ + keys_differ, keys_differ > 0 ? " (some in their keys)" : "");
}

/* ---- The file ------------------------------------------------------------------ */

/* The fields of a record line, split at every single space as the record
 * writes them: two spaces in a row hold an empty field, which its reader
 * refuses, rather than a field that went missing unnoticed. */
static int split(char *line, char **fields)
{
    int n = 0;
    char *p = line;
    for (;;) {
        if (n == MAX_FIELDS)
            fatal("too many fields");
        fields[n++] = p;
        p = strchr(p, ' ');
        if (p == NULL)
            return n;
        *p++ = '\0';
    }
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
    g_run.sequence.open = 0; /* until an S record starts the next */
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

/* The record file, opened for reading; a run without it cannot go on. */
static FILE *open_record(void)
{
    char reason[MAX_LINE];
    FILE *in = fopen(g_opt.path, "r");
    if (in == NULL) {
        sprintf(reason, "conformance: cannot open %.4000s", g_opt.path);
        give_up(reason);
    }
    return in;
}

/* Reads and replays every record but the soak's sequences. */
static void replay_file(void)
{
    static char line[MAX_LINE], copy[MAX_LINE];
    static char *fields[MAX_FIELDS];
    int header = 0;
    FILE *in = open_record();
    while (fgets(line, sizeof line, in) != NULL) {
        size_t len = strlen(line);
        ++g_run.line;
        if (len > 0 && line[len - 1] != '\n' && !feof(in))
            fatal("line too long");
        while (len > 0 && (line[len - 1] == '\n' || line[len - 1] == '\r'))
            line[--len] = '\0';
        if (len == 0 || line[0] == '#')
            continue;
        if (!header) {
            /* Version 2 added the platform arithmetic and the soak, version 3
             * the memory to key lines and the right operand to B records. */
            if (strcmp(line, "tqcal-vectors 3") != 0)
                fatal("not a tqcal vectors file of version 3");
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
}

/* --flip-fields, the replayer's check of its own comparisons, lies in a file
 * of its own beside this one; it is part of this program as soak.h is, so
 * that the replayer stays one file to compile, with that check in it. */
#include "replay_selftest.c"

static const char USAGE_TEXT[] =
    "usage: conformance_replay [--show N] [--soak N] [--report FILE] VECTORS\n"
    "       conformance_replay --flip-fields VECTORS\n"
    "       conformance_replay --soak-trace I\n"
    "Replays the conformance record VECTORS (conformance/vectors.txt) against the\n"
    "library this program is linked to and prints every difference; the last line\n"
    "is \"conformance: N passed, M failed\". --soak N replays the first N soak\n"
    "sequences (default 100000), --show N shows N differences in detail (default\n"
    "10), --report FILE writes the report to FILE (the last line goes to standard\n"
    "output too), --flip-fields proves that every compared field is compared,\n"
    "--soak-trace I prints soak sequence I key by key. Quote a path that holds\n"
    "spaces. Exit status: 0 nothing failed, 1 something failed, 2 bad arguments\n"
    "or an unreadable record.\n";

/* A count after an option: digits only. Returns 0 for anything else. */
static int read_count(const char *s, long *out)
{
    long v = 0;
    int n = 0;
    for (; *s >= '0' && *s <= '9' && n < 10; ++s, ++n)
        v = v * 10 + (*s - '0');
    *out = v;
    return n > 0 && *s == '\0';
}

/* The arguments. The first one that cannot be taken is named on standard
 * error after the usage, and in the report when one is named (anywhere on
 * the command line), and the run stops there (status 2). A device's path
 * with spaces arrives as several arguments unless quoted: the message names
 * the piece it could not take. */
static void parse_options(int argc, char **argv)
{
    static char first[MAX_LINE], later[MAX_LINE];
    int i;
    for (i = 1; i < argc; ++i) {
        const char *a = argv[i];
        long *count = strcmp(a, "--show") == 0         ? &g_opt.show
                      : strcmp(a, "--soak") == 0       ? &g_opt.soak
                      : strcmp(a, "--soak-trace") == 0 ? &g_opt.soak_trace
                                                       : NULL;
        char *problem = first[0] == '\0' ? first : later;
        if (strcmp(a, "--help") == 0 || strcmp(a, "-h") == 0) {
            fputs(USAGE_TEXT, stdout);
            exit(0);
        }
        if ((count != NULL || strcmp(a, "--report") == 0) && i + 1 == argc)
            sprintf(problem, "conformance_replay: cannot take '%.200s': a value must follow it", a);
        else if (count != NULL && !read_count(argv[++i], count))
            sprintf(problem,
                    "conformance_replay: cannot take '%.200s' after %s: not a whole number",
                    argv[i], a);
        else if (count != NULL)
            continue;
        else if (strcmp(a, "--report") == 0)
            g_opt.report_path = argv[++i];
        else if (strcmp(a, "--flip-fields") == 0)
            g_opt.flip = 1;
        else if (a[0] == '-')
            sprintf(problem, "conformance_replay: cannot take '%.200s': no such option", a);
        else if (g_opt.path != NULL)
            sprintf(problem,
                    "conformance_replay: cannot take '%.2000s': the record is already '%.2000s' "
                    "(quote a path that holds spaces)",
                    a, g_opt.path);
        else
            g_opt.path = a;
    }
    if (first[0] == '\0' && g_opt.path == NULL && (g_opt.soak_trace < 0 || g_opt.flip))
        sprintf(first, "conformance_replay: no record named (VECTORS)");
    if (g_opt.report_path != NULL && (g_opt.out = fopen(g_opt.report_path, "w")) == NULL) {
        g_opt.out = stdout;
        sprintf(first, "conformance_replay: cannot write the report to '%.4000s'",
                g_opt.report_path);
    }
    if (first[0] != '\0') {
        fputs(USAGE_TEXT, stderr);
        give_up(first);
    }
}

int main(int argc, char **argv)
{
    g_opt.out = stdout;
    parse_options(argc, argv);
    if (g_opt.soak_trace >= 0) {
        /* One soak sequence, key by key, every byte: the same output on two
         * builds that agree. */
        const uint64_t h = tqcal_soak_run((unsigned long)g_opt.soak_trace, NULL, NULL, NULL);
        soak_show_sequence((unsigned long)g_opt.soak_trace, 1);
        fprintf(g_opt.out, "    sequence hash %08lx%08lx\n", (unsigned long)(h >> 32),
                (unsigned long)(h & 0xFFFFFFFFu));
        return close_report(0);
    }
    if (g_opt.flip)
        return close_report(flip_fields());
    replay_file();
    platform_report();
    run_soak();
    if (g_run.shown > g_opt.show)
        fprintf(g_opt.out, "... and %ld more differences\n", g_run.shown - g_opt.show);
    fprintf(g_opt.out,
            "conformance: %ld key states, %ld powers of ten, %ld formats, %ld operations, "
            "%ld whole sequences\n",
            g_run.counts.keys, g_run.counts.powers, g_run.counts.formats, g_run.counts.operations,
            g_run.counts.whole_sequences);
    return finish(g_run.failed == 0 ? 0 : 1);
}
