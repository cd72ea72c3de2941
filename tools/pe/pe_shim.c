/*
 * pe_shim.c - libtqcal_pe.so: the 17 functions of tqcal.h, each forwarding
 * its call to the tqcal.dll named by the environment variable TQCAL_PE_DLL,
 * loaded by pe_load.h at the first call (and unloaded, with its process
 * detach notification, when the program ends). A program linked with this
 * library instead of libtqcal.so runs against the DLL's own bytes.
 *
 * The DLL is called with the stack 4 bytes off 8-byte alignment, in its
 * own calling standard, which the machine type tells:
 * - Windows CE (ARM, THUMB): the older ARM procedure call standard, soft
 *   float: a double argument in two core registers (r0:r1 for the two
 *   signatures that take one, first), a double result in r0:r1, arguments
 *   past the fourth word on the stack (TQCAL_DivideDoubleToStr: negative
 *   and width);
 * - Windows RT (ARMNT): hard float: a double argument in d0 and the other
 *   arguments in r0-r3 counted without it, a double result in d0.
 * A failure to load, a missing export or a callee that breaks the calling
 * standard ends the program with a message (exit status 70).
 */
#include "pe_load.h"
#include "tqcal.h"

#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum {
    F_InitOpd,
    F_InitOpt,
    F_InitStack,
    F_PushOpd,
    F_PopOpd,
    F_PushOpt,
    F_PopOpt,
    F_EEditInfo,
    F_ResetEditValue,
    F_ApendChar,
    F_DeleteChar,
    F_DivideDoubleToStr,
    F_Pow10,
    F_BaseOperate,
    F_Calculator,
    F_Operate,
    F_CalcString,
    F_COUNT
};

/* The names, in the order above: exactly the exports of tqcal.h. */
static const char *const EXPORT_NAMES[F_COUNT] = {
    "TQCAL_InitOpd",        "TQCAL_InitOpt",     "TQCAL_InitStack",  "TQCAL_PushOpd",
    "TQCAL_PopOpd",         "TQCAL_PushOpt",     "TQCAL_PopOpt",     "EEditInfo",
    "TQCAL_ResetEditValue", "TQCAL_ApendChar",   "TQCAL_DeleteChar", "TQCAL_DivideDoubleToStr",
    "TQCAL_Pow10",          "TQCAL_BaseOperate", "TQCAL_Calculator", "TQCAL_Operate",
    "TQCAL_CalcString"};

#define EXIT_LOAD_FAILED 70

static pthread_once_t once = PTHREAD_ONCE_INIT;
static struct pe_module *module;
static const void *functions[F_COUNT];
static int hard_float;

static void die(const char *what, const char *why)
{
    fprintf(stderr, "libtqcal_pe: %s: %s\n", what, why);
    fflush(stderr);
    exit(EXIT_LOAD_FAILED);
}

static void load(void)
{
    struct pe_error err;
    const char *path = getenv("TQCAL_PE_DLL");
    struct pe_export_match match;
    unsigned i, count;
    if (!path || !*path)
        die("TQCAL_PE_DLL is not set",
            "it names the tqcal.dll this library forwards every call to");
    module = pe_load(path, &err);
    if (!module)
        die(path, err.text);
    for (i = 0; i < F_COUNT; i++) {
        functions[i] = pe_symbol(module, EXPORT_NAMES[i], &err);
        if (!functions[i])
            die(path, err.text);
    }
    /* Exactly the 17: a name beyond them is a DLL of another interface. */
    pe_match_begin(&match, EXPORT_NAMES, F_COUNT);
    count = pe_module_export_count(module);
    for (i = 0; i < count; i++) {
        const char *name = pe_module_export_name(module, i);
        if (!pe_match_export(&match, name)) {
            char why[160];
            snprintf(why, sizeof why, "exports %s, which is not one of the 17 functions of tqcal.h",
                     name);
            die(path, why);
        }
    }
    hard_float = pe_hard_float(pe_module_image(module));
    /* Where the image lies, for a tool that counts the instructions
     * executed inside it (bench/ce_instructions.sh). */
    if (getenv("TQCAL_PE_SHOW_BASE"))
        fprintf(stderr, "libtqcal_pe: %s mapped at 0x%08lX, 0x%lX bytes\n", path,
                (unsigned long)pe_module_base(module),
                (unsigned long)pe_module_image(module)->size_of_image);
}

__attribute__((destructor)) static void unload(void)
{
    struct pe_error err;
    if (module && pe_unload(module, &err) != 0) {
        module = NULL;
        fprintf(stderr, "libtqcal_pe: unloading: %s\n", err.text);
        fflush(stderr);
        _Exit(EXIT_LOAD_FAILED);
    }
    module = NULL;
}

static uint32_t word(const void *p)
{
    return (uint32_t)(uintptr_t)p;
}

/* Calls function f with the argument registers r0-r3 = a0-a3 (and c->d0
 * and c->stack, set by the caller); fills in *c. */
static void call(int f, struct pe_call *c, uint32_t a0, uint32_t a1, uint32_t a2, uint32_t a3)
{
    struct pe_error err;
    pthread_once(&once, load);
    c->r[0] = a0;
    c->r[1] = a1;
    c->r[2] = a2;
    c->r[3] = a3;
    if (pe_call(module, functions[f], c, EXPORT_NAMES[f], &err) != 0)
        die(EXPORT_NAMES[f], err.text);
}

static struct pe_call fresh(void)
{
    struct pe_call c;
    memset(&c, 0, sizeof c);
    return c;
}

/* A double as two words, low word first (little endian), and back. */
static void split(double d, uint32_t *lo, uint32_t *hi)
{
    uint64_t bits;
    memcpy(&bits, &d, sizeof bits);
    *lo = (uint32_t)bits;
    *hi = (uint32_t)(bits >> 32);
}
static double join(uint32_t lo, uint32_t hi)
{
    uint64_t bits = ((uint64_t)hi << 32) | lo;
    double d;
    memcpy(&d, &bits, sizeof d);
    return d;
}

/* Calls export f with four argument words (no double, no stack word) and
 * returns what it left in r0. */
static int forward(int f, uint32_t r0, uint32_t r1, uint32_t r2, uint32_t r3)
{
    struct pe_call c = fresh();
    call(f, &c, r0, r1, r2, r3);
    return (int)c.ret[0];
}

void TQCAL_InitOpd(TQCAL_Context *ctx)
{
    forward(F_InitOpd, word(ctx), 0, 0, 0);
}

void TQCAL_InitOpt(TQCAL_Context *ctx)
{
    forward(F_InitOpt, word(ctx), 0, 0, 0);
}

void TQCAL_InitStack(TQCAL_Context *ctx)
{
    forward(F_InitStack, word(ctx), 0, 0, 0);
}

int TQCAL_PushOpd(const double *value, TQCAL_Context *ctx)
{
    return forward(F_PushOpd, word(value), word(ctx), 0, 0);
}

int TQCAL_PopOpd(double *out, TQCAL_Context *ctx)
{
    return forward(F_PopOpd, word(out), word(ctx), 0, 0);
}

int TQCAL_PushOpt(const int32_t *op, TQCAL_Context *ctx)
{
    return forward(F_PushOpt, word(op), word(ctx), 0, 0);
}

int TQCAL_PopOpt(int32_t *out, TQCAL_Context *ctx)
{
    return forward(F_PopOpt, word(out), word(ctx), 0, 0);
}

int EEditInfo(int key, TQCAL_Context *ctx, TQCAL_Status *status)
{
    return forward(F_EEditInfo, (uint32_t)key, word(ctx), word(status), 0);
}

void TQCAL_ResetEditValue(TQCAL_Context *ctx)
{
    forward(F_ResetEditValue, word(ctx), 0, 0, 0);
}

int TQCAL_ApendChar(TQCAL_Context *ctx, TQCAL_Status *status, TQCAL_WChar ch)
{
    /* A 16-bit argument goes zero-extended to a word. */
    return forward(F_ApendChar, word(ctx), word(status), (uint32_t)ch, 0);
}

int TQCAL_DeleteChar(TQCAL_Context *ctx, TQCAL_Status *status)
{
    return forward(F_DeleteChar, word(ctx), word(status), 0, 0);
}

int TQCAL_DivideDoubleToStr(double value, TQCAL_WChar *display, TQCAL_WChar *exponent,
                            int32_t *negative, int width)
{
    struct pe_call c = fresh();
    pthread_once(&once, load);
    if (hard_float) {
        c.d0 = value;
        call(F_DivideDoubleToStr, &c, word(display), word(exponent), word(negative),
             (uint32_t)width);
    } else {
        uint32_t lo, hi;
        split(value, &lo, &hi);
        c.stack[0] = word(negative);
        c.stack[1] = (uint32_t)width;
        c.stack_count = 2;
        call(F_DivideDoubleToStr, &c, lo, hi, word(display), word(exponent));
    }
    return (int)c.ret[0];
}

double TQCAL_Pow10(double x)
{
    struct pe_call c = fresh();
    pthread_once(&once, load);
    if (hard_float) {
        c.d0 = x;
        call(F_Pow10, &c, 0, 0, 0, 0);
        return c.d0;
    } else {
        uint32_t lo, hi;
        split(x, &lo, &hi);
        call(F_Pow10, &c, lo, hi, 0, 0);
        return join(c.ret[0], c.ret[1]);
    }
}

int TQCAL_BaseOperate(int op, double *left, double *right)
{
    return forward(F_BaseOperate, (uint32_t)op, word(left), word(right), 0);
}

int TQCAL_Calculator(int type, int toBottom, TQCAL_Context *ctx)
{
    return forward(F_Calculator, (uint32_t)type, (uint32_t)toBottom, word(ctx), 0);
}

void TQCAL_Operate(int key, TQCAL_Context *ctx, TQCAL_Status *status, int mode)
{
    forward(F_Operate, (uint32_t)key, word(ctx), word(status), (uint32_t)mode);
}

int TQCAL_CalcString(double *result, TQCAL_WChar *text, const int8_t *keys, int count)
{
    return forward(F_CalcString, word(result), word(text), word(keys), (uint32_t)count);
}
