/*
 * tqcal.h - the whole host view of the tqcal calculator engine.
 *
 * The host owns one TQCAL_Context (288 bytes) and one TQCAL_Status word per
 * calculator and passes both by pointer on every call; the engine keeps no
 * pointer to them between calls and allocates nothing. The byte layout of the
 * context is a binary contract: hosts read the display text, exponent text,
 * negative flag, memory and status bits directly.
 *
 * Per key the host calls EEditInfo(); when it returns 1 (and for the direct
 * codes KEY_MSTORE_ALT, KEY_PERCENT_OP and KEY_BLANK_OP) it calls
 * TQCAL_Operate() and then tidies the status word (see TQCAL_Operate).
 *
 * Every constant has a prefixed spelling (TQCAL_KEY_ADD, TQCAL_ST_MEMORY,
 * TQCAL_RES_OK) and the short one of the contract (KEY_ADD, ST_MEMORY,
 * RES_OK). A host whose other headers use the short names too (curses has
 * its own KEY_BACKSPACE) defines TQCAL_NO_SHORT_NAMES before including this
 * header and keeps to the prefixed ones.
 *
 * Compiles as C89 and later, and as C++98 and later.
 */
#ifndef TQCAL_H
#define TQCAL_H

#include <stddef.h>

/* The fixed-width types of the layout and the signatures. The compilers of
 * Windows CE devices (Visual C++ 2008 and older, _MSC_VER below 1600) have
 * no <stdint.h>; their int is 32 bits and short 16, as everywhere the engine
 * runs. The typedefs name the same types as <stdint.h> does elsewhere, so a
 * host may use either spelling. */
#if defined(_MSC_VER) && _MSC_VER < 1600
typedef signed char TQCAL_Int8;
typedef unsigned char TQCAL_UInt8;
typedef unsigned short TQCAL_UInt16;
typedef int TQCAL_Int32;
typedef unsigned int TQCAL_UInt32;
#else
#  include <stdint.h>
typedef int8_t TQCAL_Int8;
typedef uint8_t TQCAL_UInt8;
typedef uint16_t TQCAL_UInt16;
typedef int32_t TQCAL_Int32;
typedef uint32_t TQCAL_UInt32;
#endif

/* The version of the library this header belongs to (the shared library's
 * file version, and the version of the installed package files). A new
 * minor version keeps the context layout and every export; the build reads
 * these three lines. */
#define TQCAL_VERSION_MAJOR 1
#define TQCAL_VERSION_MINOR 0
#define TQCAL_VERSION_PATCH 0

/* TQCAL_API marks the exported functions: exported by the library (which
 * defines TQCAL_BUILDING_LIBRARY), imported from the DLL by Windows hosts,
 * plain for a host that links the engine statically (TQCAL_STATIC). */
#if defined(_WIN32) || defined(__CYGWIN__)
#  if defined(TQCAL_BUILDING_LIBRARY)
#    define TQCAL_API __declspec(dllexport)
#  elif defined(TQCAL_STATIC)
#    define TQCAL_API
#  else
#    define TQCAL_API __declspec(dllimport)
#  endif
#elif defined(__GNUC__)
#  define TQCAL_API __attribute__((visibility("default")))
#else
#  define TQCAL_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* One cell of the display and exponent texts: a 16-bit wide character. On
 * Windows (Windows CE included) that is wchar_t, the WCHAR of the system's
 * text functions, so ctx->display goes to them without a cast. */
#if defined(_WIN32)
typedef wchar_t TQCAL_WChar;
#else
typedef TQCAL_UInt16 TQCAL_WChar;
#endif

/* The status word: bits ST_*, result state field ST_RESULT (RES_*). */
typedef TQCAL_UInt32 TQCAL_Status;

enum {
    TQCAL_OPERAND_SLOTS = 14,    /* operand stack capacity */
    TQCAL_OPERATOR_SLOTS = 18,   /* operator stack capacity */
    TQCAL_DISPLAY_CELLS = 15,    /* 14 text cells and the terminator cell */
    TQCAL_DISPLAY_AREA = 17,     /* the display cells and the two spill cells */
    TQCAL_DISPLAY_DIGITS = 14,   /* significant digits shown: the digits field */
    TQCAL_EXPONENT_CELLS = 4,    /* sign, two digits, terminator */
    TQCAL_RESULT_TEXT_CELLS = 16 /* room a TQCAL_CalcString text buffer needs */
};

/*
 * The calculator context. Offsets are part of the contract (checked below).
 * display[0..13] is the right-aligned text field, display[14] its terminator;
 * display[15] and display[16] are the spill cells a 15-character result uses
 * for its terminator.
 */
typedef struct TQCAL_Context {
    double operands[TQCAL_OPERAND_SLOTS];        /*   0: operand stack, slot 0 the bottom */
    double value;                                /* 112: the current value */
    double constOperand;                         /* 120: operand of constant calculation */
    double memory;                               /* 128: the memory register */
    TQCAL_Int32 parenDepth;                      /* 136: open parentheses */
    TQCAL_Int32 pendingOps;                      /* 140: binary operators not yet applied */
    TQCAL_Int32 optTop;                          /* 144: top of operators, -1 when empty */
    TQCAL_Int32 opdTop;                          /* 148: top of operands, -1 when empty */
    TQCAL_Int32 digits;                          /* 152: significant digits shown (14) */
    TQCAL_Int32 lastKey;                         /* 156: last operation key that ended OK */
    TQCAL_Int32 constOperator;                   /* 160: operator of constant calculation */
    TQCAL_WChar display[TQCAL_DISPLAY_AREA];     /* 164: display text and its spill cells */
    TQCAL_WChar exponent[TQCAL_EXPONENT_CELLS];  /* 198: exponent sign, two digits, terminator */
    TQCAL_UInt8 reserved0[2];                    /* 206: not used */
    TQCAL_Int32 operators[TQCAL_OPERATOR_SLOTS]; /* 208: operator stack, slot 0 the bottom */
    TQCAL_Int32 negative;                        /* 280: 1 when the shown value is negative */
    TQCAL_UInt8 reserved1[4];                    /* 284: not used */
} TQCAL_Context;

#if defined(__cplusplus) && __cplusplus >= 201103L
#  define TQCAL_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#  define TQCAL_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#else
/* C89, C++98 and the compilers of Windows CE devices: an array of negative
 * size stops the compile. */
#  define TQCAL_ASSERT_JOIN2(a, b) a##b
#  define TQCAL_ASSERT_JOIN(a, b) TQCAL_ASSERT_JOIN2(a, b)
#  define TQCAL_STATIC_ASSERT(cond, msg) \
    typedef char TQCAL_ASSERT_JOIN(tqcal_static_assert_, __LINE__)[(cond) ? 1 : -1]
#endif
TQCAL_STATIC_ASSERT(sizeof(TQCAL_Context) == 288, "context is 288 bytes");
TQCAL_STATIC_ASSERT(offsetof(TQCAL_Context, operands) == 0, "operands");
TQCAL_STATIC_ASSERT(offsetof(TQCAL_Context, value) == 112, "value");
TQCAL_STATIC_ASSERT(offsetof(TQCAL_Context, constOperand) == 120, "constOperand");
TQCAL_STATIC_ASSERT(offsetof(TQCAL_Context, memory) == 128, "memory");
TQCAL_STATIC_ASSERT(offsetof(TQCAL_Context, parenDepth) == 136, "parenDepth");
TQCAL_STATIC_ASSERT(offsetof(TQCAL_Context, pendingOps) == 140, "pendingOps");
TQCAL_STATIC_ASSERT(offsetof(TQCAL_Context, optTop) == 144, "optTop");
TQCAL_STATIC_ASSERT(offsetof(TQCAL_Context, opdTop) == 148, "opdTop");
TQCAL_STATIC_ASSERT(offsetof(TQCAL_Context, digits) == 152, "digits");
TQCAL_STATIC_ASSERT(offsetof(TQCAL_Context, lastKey) == 156, "lastKey");
TQCAL_STATIC_ASSERT(offsetof(TQCAL_Context, constOperator) == 160, "constOperator");
TQCAL_STATIC_ASSERT(offsetof(TQCAL_Context, display) == 164, "display");
TQCAL_STATIC_ASSERT(offsetof(TQCAL_Context, exponent) == 198, "exponent");
TQCAL_STATIC_ASSERT(offsetof(TQCAL_Context, reserved0) == 206, "reserved0");
TQCAL_STATIC_ASSERT(offsetof(TQCAL_Context, operators) == 208, "operators");
TQCAL_STATIC_ASSERT(offsetof(TQCAL_Context, negative) == 280, "negative");
TQCAL_STATIC_ASSERT(offsetof(TQCAL_Context, reserved1) == 284, "reserved1");
TQCAL_STATIC_ASSERT(sizeof(TQCAL_Status) == 4, "status word is 32 bits");
TQCAL_STATIC_ASSERT(sizeof(TQCAL_WChar) == 2, "text cells are 16 bits");

/* Key codes. */
enum {
    TQCAL_KEY_0 = 0,
    TQCAL_KEY_1 = 1,
    TQCAL_KEY_2 = 2,
    TQCAL_KEY_3 = 3,
    TQCAL_KEY_4 = 4,
    TQCAL_KEY_5 = 5,
    TQCAL_KEY_6 = 6,
    TQCAL_KEY_7 = 7,
    TQCAL_KEY_8 = 8,
    TQCAL_KEY_9 = 9,
    TQCAL_KEY_POINT = 10,
    TQCAL_KEY_EQUAL = 11,
    TQCAL_KEY_ADD = 12,
    TQCAL_KEY_SUB = 13,
    TQCAL_KEY_MUL = 14,
    TQCAL_KEY_DIV = 15,
    TQCAL_KEY_PERCENT = 16,
    TQCAL_KEY_LPAREN = 17,
    TQCAL_KEY_RPAREN = 18,
    TQCAL_KEY_MSTORE = 19,
    TQCAL_KEY_MPLUS = 20,
    TQCAL_KEY_MMINUS = 21,
    TQCAL_KEY_MRC = 22,
    TQCAL_KEY_BACKSPACE = 23,
    TQCAL_KEY_SIGN = 24,
    TQCAL_KEY_SQUARE = 25,
    TQCAL_KEY_SQRT = 26,
    TQCAL_KEY_CE = 27,
    TQCAL_KEY_AC = 28,
    TQCAL_KEY_EXP = 29,
    TQCAL_KEY_PI = 30,
    TQCAL_KEY_FACT = 31,
    TQCAL_KEY_RECIP = 32,
    TQCAL_KEY_SIN = 33,
    TQCAL_KEY_ASIN = 34,
    TQCAL_KEY_COS = 35,
    TQCAL_KEY_ACOS = 36,
    TQCAL_KEY_TAN = 37,
    TQCAL_KEY_ATAN = 38,
    TQCAL_KEY_POW10 = 39,
    TQCAL_KEY_LN = 40,
    TQCAL_KEY_EXPE = 41,
    TQCAL_KEY_LOG = 42,
    TQCAL_KEY_POW = 43,
    TQCAL_KEY_ROOT = 44,
    TQCAL_KEY_LAST_EDIT_CODE = 44, /* EEditInfo accepts 0 to this code */
    /* The first code that is no key: 45 to 250, and 254 up, change nothing. */
    TQCAL_KEY_FIRST_NON_KEY = TQCAL_KEY_LAST_EDIT_CODE + 1,
    /* The direct codes: EEditInfo refuses them, the host sends them straight
     * to TQCAL_Operate (TQCAL_IS_DIRECT_KEY below). */
    TQCAL_KEY_MSTORE_ALT = 251,
    TQCAL_KEY_PERCENT_OP = 252,
    TQCAL_KEY_BLANK_OP = 253,
    TQCAL_KEY_FIRST_DIRECT = TQCAL_KEY_MSTORE_ALT,
    TQCAL_KEY_LAST_DIRECT = TQCAL_KEY_BLANK_OP
};
#ifndef TQCAL_NO_SHORT_NAMES
enum {
    KEY_0 = TQCAL_KEY_0,
    KEY_1 = TQCAL_KEY_1,
    KEY_2 = TQCAL_KEY_2,
    KEY_3 = TQCAL_KEY_3,
    KEY_4 = TQCAL_KEY_4,
    KEY_5 = TQCAL_KEY_5,
    KEY_6 = TQCAL_KEY_6,
    KEY_7 = TQCAL_KEY_7,
    KEY_8 = TQCAL_KEY_8,
    KEY_9 = TQCAL_KEY_9,
    KEY_POINT = TQCAL_KEY_POINT,
    KEY_EQUAL = TQCAL_KEY_EQUAL,
    KEY_ADD = TQCAL_KEY_ADD,
    KEY_SUB = TQCAL_KEY_SUB,
    KEY_MUL = TQCAL_KEY_MUL,
    KEY_DIV = TQCAL_KEY_DIV,
    KEY_PERCENT = TQCAL_KEY_PERCENT,
    KEY_LPAREN = TQCAL_KEY_LPAREN,
    KEY_RPAREN = TQCAL_KEY_RPAREN,
    KEY_MSTORE = TQCAL_KEY_MSTORE,
    KEY_MPLUS = TQCAL_KEY_MPLUS,
    KEY_MMINUS = TQCAL_KEY_MMINUS,
    KEY_MRC = TQCAL_KEY_MRC,
    KEY_BACKSPACE = TQCAL_KEY_BACKSPACE,
    KEY_SIGN = TQCAL_KEY_SIGN,
    KEY_SQUARE = TQCAL_KEY_SQUARE,
    KEY_SQRT = TQCAL_KEY_SQRT,
    KEY_CE = TQCAL_KEY_CE,
    KEY_AC = TQCAL_KEY_AC,
    KEY_EXP = TQCAL_KEY_EXP,
    KEY_PI = TQCAL_KEY_PI,
    KEY_FACT = TQCAL_KEY_FACT,
    KEY_RECIP = TQCAL_KEY_RECIP,
    KEY_SIN = TQCAL_KEY_SIN,
    KEY_ASIN = TQCAL_KEY_ASIN,
    KEY_COS = TQCAL_KEY_COS,
    KEY_ACOS = TQCAL_KEY_ACOS,
    KEY_TAN = TQCAL_KEY_TAN,
    KEY_ATAN = TQCAL_KEY_ATAN,
    KEY_POW10 = TQCAL_KEY_POW10,
    KEY_LN = TQCAL_KEY_LN,
    KEY_EXPE = TQCAL_KEY_EXPE,
    KEY_LOG = TQCAL_KEY_LOG,
    KEY_POW = TQCAL_KEY_POW,
    KEY_ROOT = TQCAL_KEY_ROOT,
    KEY_LAST_EDIT_CODE = TQCAL_KEY_LAST_EDIT_CODE,
    KEY_FIRST_NON_KEY = TQCAL_KEY_FIRST_NON_KEY,
    KEY_MSTORE_ALT = TQCAL_KEY_MSTORE_ALT,
    KEY_PERCENT_OP = TQCAL_KEY_PERCENT_OP,
    KEY_BLANK_OP = TQCAL_KEY_BLANK_OP,
    KEY_FIRST_DIRECT = TQCAL_KEY_FIRST_DIRECT,
    KEY_LAST_DIRECT = TQCAL_KEY_LAST_DIRECT
};
#endif

/* Key groups, each listed here once: the engine, tqcal_host.h, the tools and
 * the tests all take them from here. A list calls X(code) for every key of
 * its group, so that one line makes a switch, a table or a test of it:
 *
 *     #define AS_CASE(code) case code:
 *     switch (key) { TQCAL_BINARY_OPERATOR_KEYS(AS_CASE) return 1; default: return 0; }
 */

/* The lists are laid out by hand: clang-format takes X(code) X(code) for
 * declarations. */
/* clang-format off */

/* The binary operators: what the operator stack holds besides KEY_LPAREN.
 * KEY_BLANK_OP has no arithmetic of its own; the others are the operators of
 * TQCAL_BaseOperate. */
#define TQCAL_BINARY_OPERATOR_KEYS(X) \
    X(TQCAL_KEY_ADD) X(TQCAL_KEY_SUB) X(TQCAL_KEY_MUL) X(TQCAL_KEY_DIV) \
    X(TQCAL_KEY_POW) X(TQCAL_KEY_ROOT) X(TQCAL_KEY_BLANK_OP)

/* The function keys: each replaces the value shown by a function of it. */
#define TQCAL_FUNCTION_KEYS(X) \
    X(TQCAL_KEY_SQUARE) X(TQCAL_KEY_SQRT) X(TQCAL_KEY_FACT) X(TQCAL_KEY_RECIP) \
    TQCAL_ELEMENTARY_FUNCTION_KEYS(X)

/* The function keys that compute with the engine's elementary functions:
 * degree trigonometry, logarithms and powers. */
#define TQCAL_ELEMENTARY_FUNCTION_KEYS(X) \
    X(TQCAL_KEY_SIN) X(TQCAL_KEY_ASIN) X(TQCAL_KEY_COS) X(TQCAL_KEY_ACOS) \
    X(TQCAL_KEY_TAN) X(TQCAL_KEY_ATAN) X(TQCAL_KEY_POW10) X(TQCAL_KEY_LN) \
    X(TQCAL_KEY_EXPE) X(TQCAL_KEY_LOG)

/* clang-format on */

/* 1 for the direct codes, 0 for every other int. */
#define TQCAL_IS_DIRECT_KEY(key) ((key) >= TQCAL_KEY_FIRST_DIRECT && (key) <= TQCAL_KEY_LAST_DIRECT)

/* Status word bits. The host owns the word: it starts a calculator with
 * TQCAL_STATUS_INITIAL, reads the result state, ST_MEMORY and ST_EXP_ENTRY
 * after every key (ST_CONST and ST_PCT_BASE too, if it shows them), and tidies
 * the word after every TQCAL_Operate call (see there; tqcal_tidy does it).
 * Below, "the edit keys" are what EEditInfo does, "the dispatcher" is
 * TQCAL_Operate and "the tidy-up" is the host's step after it. The engine
 * never sets or clears a bit that is not listed. */
enum {
    /* The operand counts as entered: typed digits for the dispatcher to parse
     * into value, or a produced value (ST_FRESH) to push. Set by the edit keys
     * (KEY_SIGN on a shown value clears it), and by the dispatcher when it takes
     * up ST_FRESH or an operator follows KEY_LPAREN; cleared by the dispatcher
     * at KEY_LPAREN and by the tidy-up. */
    TQCAL_ST_TYPED = 0x1,
    /* The result state, a two-bit field: (word >> 1) & 3 is RES_OK, RES_ERROR
     * or RES_FULL (below). The dispatcher writes RES_OK when a key starts and
     * then its outcome; some edit keys write RES_OK. */
    TQCAL_ST_RESULT = 0x6,
    /* The memory indicator: memory is not zero. Set or cleared by the
     * dispatcher after every key that ends RES_OK; cleared by the tidy-up after
     * Error or Full (the memory itself stays). */
    TQCAL_ST_MEMORY = 0x8,
    /* Constant calculation is armed (constOperator, constOperand). Set by a
     * binary operator pressed twice; cleared by KEY_AC, by an operator that
     * does not arm it outside parentheses, by a closing parenthesis that
     * empties the stacks, by a digit that starts a new number and by the
     * tidy-up after Error or Full. */
    TQCAL_ST_CONST = 0x10,
    /* After a x b and KEY_PERCENT_OP: operand slot 0 keeps the base a, so that a
     * KEY_ADD or KEY_SUB right after gives a plus or minus the amount shown.
     * Set by KEY_PERCENT_OP on a multiplication; cleared by the next key the
     * dispatcher takes (KEY_ADD and KEY_SUB after using it), except KEY_SIGN. */
    TQCAL_ST_PCT_BASE = 0x20,
    /* value was produced by a key (a function, %, pi, memory store or recall, a
     * closing parenthesis), not typed; the next operation key takes it up as entered.
     * Set by those keys; cleared by the dispatcher when it parses a typed
     * number, at KEY_LPAREN, and when it takes the value up (not for KEY_SIGN). */
    TQCAL_ST_FRESH = 0x40,
    /* During an entry: digits go into the exponent (set by KEY_EXP). After a
     * dispatched key: the exponent text shows an exponent (set by the dispatcher
     * when it formats one). Cleared by the dispatcher when a key starts and
     * when it formats without exponent, by KEY_CE and by the tidy-up. */
    TQCAL_ST_EXP_ENTRY = 0x80,
    /* Edit phase, with ST_ZERO (both clear: a number is being typed). The
     * display shows a value, not an entry: the next digit starts a new number.
     * Set by the tidy-up (not after KEY_SIGN or KEY_BACKSPACE in an entry) and by
     * KEY_CE; cleared by the first digit or point of a number and by KEY_CE on
     * Full. The dispatcher never touches it. */
    TQCAL_ST_SHOWN = 0x100,
    /* Edit phase: the display holds the placeholder 0 that the next digit
     * replaces. Set as ST_SHOWN, and by a digit or backspace that leaves the
     * placeholder; cleared as ST_SHOWN. */
    TQCAL_ST_ZERO = 0x200,
    /* KEY_CE was pressed on Full: the next digit starts a new number. Set by
     * KEY_CE in EEditInfo; cleared by the other edit keys and by the tidy-up. */
    TQCAL_ST_CLEARED = 0x400,
    /* The current entry has its decimal point. Set by KEY_POINT; cleared by
     * KEY_CE, by a backspace over the point and by the tidy-up. */
    TQCAL_ST_POINT = 0x800,
    /* KEY_MRC was the last key the dispatcher took: another one clears the
     * memory. Set by KEY_MRC; cleared by the next KEY_MRC and by the dispatcher
     * after any other key but KEY_BACKSPACE (and KEY_CE right after KEY_MRC). */
    TQCAL_ST_MRC = 0x1000
};
#ifndef TQCAL_NO_SHORT_NAMES
enum {
    ST_TYPED = TQCAL_ST_TYPED,
    ST_RESULT = TQCAL_ST_RESULT,
    ST_MEMORY = TQCAL_ST_MEMORY,
    ST_CONST = TQCAL_ST_CONST,
    ST_PCT_BASE = TQCAL_ST_PCT_BASE,
    ST_FRESH = TQCAL_ST_FRESH,
    ST_EXP_ENTRY = TQCAL_ST_EXP_ENTRY,
    ST_SHOWN = TQCAL_ST_SHOWN,
    ST_ZERO = TQCAL_ST_ZERO,
    ST_CLEARED = TQCAL_ST_CLEARED,
    ST_POINT = TQCAL_ST_POINT,
    ST_MRC = TQCAL_ST_MRC
};
#endif

/* Result states, the field ST_RESULT: read as (status >> 1) & 3. */
enum {
    TQCAL_RES_ERROR = 0, /* the computation failed: the display keeps its text */
    TQCAL_RES_OK = 1,
    TQCAL_RES_FULL = 2 /* no room for another parenthesis or operator */
};
#ifndef TQCAL_NO_SHORT_NAMES
enum { RES_ERROR = TQCAL_RES_ERROR, RES_OK = TQCAL_RES_OK, RES_FULL = TQCAL_RES_FULL };
#endif

/* The status word a fresh calculator starts with: a value shown, result OK. */
#define TQCAL_STATUS_INITIAL ((TQCAL_Status)TQCAL_ST_SHOWN | (TQCAL_Status)TQCAL_RES_OK << 1)

/* Precedence modes, the mode argument of TQCAL_Operate: equal priority works
 * left to right as entered; algebraic lets multiplication and division bind
 * tighter than addition and subtraction. Every value but 1 is equal priority. */
enum { TQCAL_MODE_EQUAL = 0, TQCAL_MODE_ALGEBRAIC = 1 };

/* ---- Operand and operator stacks ------------------------------------- */

/* Empties the operand stack: opdTop = -1, all 14 slots 0.0. Nothing else is
 * touched. A null context is ignored. */
TQCAL_API void TQCAL_InitOpd(TQCAL_Context *ctx);

/* Empties the operator stack: optTop = -1, all 18 slots 0. A null context is
 * ignored. */
TQCAL_API void TQCAL_InitOpt(TQCAL_Context *ctx);

/* Empties both stacks and zeroes parenDepth and pendingOps; value, memory,
 * the constant, the texts and negative stay. A null context is ignored. */
TQCAL_API void TQCAL_InitStack(TQCAL_Context *ctx);

/* Pushes *value onto the operand stack. Returns 0, or -1 when the stack
 * already holds 14 entries, opdTop is out of its range or a pointer is null
 * (nothing changed). */
TQCAL_API int TQCAL_PushOpd(const double *value, TQCAL_Context *ctx);

/* Pops the top operand into *out and zeroes the slot it leaves. Returns 0,
 * or -1 when the stack is empty, opdTop is out of range or a pointer is null
 * (*out not written). */
TQCAL_API int TQCAL_PopOpd(double *out, TQCAL_Context *ctx);

/* Pushes the key code *op onto the operator stack. Returns 0, or -1 when the
 * stack already holds 18 entries, optTop is out of range or a pointer is
 * null (nothing changed). */
TQCAL_API int TQCAL_PushOpt(const TQCAL_Int32 *op, TQCAL_Context *ctx);

/* Pops the top operator into *out and zeroes the slot it leaves. Returns 0,
 * or -1 when the stack is empty, optTop is out of range or a pointer is null
 * (*out not written). */
TQCAL_API int TQCAL_PopOpt(TQCAL_Int32 *out, TQCAL_Context *ctx);

/* ---- Number entry ------------------------------------------------------ */

/* First stop for every key code. Edits the display/exponent texts of *ctx
 * and bits of *status for the number-entry keys. Returns 0 when the key is
 * dealt with (redraw only), 1 when the host must pass the same key on to
 * TQCAL_Operate, -1 when the code is not a key (above 44, or negative) or a
 * pointer is null. */
TQCAL_API int EEditInfo(int key, TQCAL_Context *ctx, TQCAL_Status *status);

/* Resets the edit buffer: display [0.] (all 17 display cells rewritten),
 * exponent " 00", negative 0. The status word is not touched. */
TQCAL_API void TQCAL_ResetEditValue(TQCAL_Context *ctx);

/* Adds ch at the right end of the display text, or replaces the placeholder
 * digit while the edit phase (ST_SHOWN|ST_ZERO) is not 0. Returns 1 when
 * placed, 0 when refused (field full, or a null pointer). */
TQCAL_API int TQCAL_ApendChar(TQCAL_Context *ctx, TQCAL_Status *status, TQCAL_WChar ch);

/* Removes the last typed character of the display text during an entry.
 * Returns 1 (also when there is nothing to delete), 0 for a null pointer. */
TQCAL_API int TQCAL_DeleteChar(TQCAL_Context *ctx, TQCAL_Status *status);

/* ---- Formatting -------------------------------------------------------- */

/* Formats value into display (room for 17 cells: the 14-cell field, its
 * terminator and two spill cells, a 15-character text ends in cell 15),
 * exponent (4 cells: sign, two digits, terminator) and *negative (1 for a
 * negative value). width is the number of significant digits, 14 in every
 * engine use; it is held to 1..14 so that nothing is written beyond those
 * cells. Returns 0, or -1 (nothing written) when a pointer is null. */
TQCAL_API int TQCAL_DivideDoubleToStr(double value, TQCAL_WChar *display, TQCAL_WChar *exponent,
                                      TQCAL_Int32 *negative, int width);

/* ---- Numeric ----------------------------------------------------------- */

/* 10 to the integer part of x, by the engine's fixed sequence of
 * multiplications (exact up to 10^22; other results differ from the nearest
 * double in the last bits, on purpose). */
TQCAL_API double TQCAL_Pow10(double x);

/* *left = *left op *right for op KEY_ADD, KEY_SUB (decimally aligned),
 * KEY_MUL, KEY_DIV, KEY_POW, KEY_ROOT (a root leaves 1/y in *right).
 * Returns 0, or -1 for an unknown op, division by a divisor below
 * 9.999999999999e-100, a failing power or root, a non-finite operand or a
 * null pointer. Results outside the display range still return 0. */
TQCAL_API int TQCAL_BaseOperate(int op, double *left, double *right);

/* ---- Evaluation -------------------------------------------------------- */

/* Reduces the stacks of *ctx on behalf of key code type (its priority is
 * the threshold; KEY_RPAREN closes one parenthesis, KEY_EQUAL all); toBottom
 * 0 keeps the bottom operator. Uses the precedence mode of the last
 * TQCAL_Operate call. Returns 0, or -1 when an operation failed (the stacks
 * stay as before the failing step) or a stack top or counter is out of its
 * range (tqcal_stacks_usable in tqcal_block.h; nothing is changed then). */
TQCAL_API int TQCAL_Calculator(int type, int toBottom, TQCAL_Context *ctx);

/* The key dispatcher: acts on key in precedence mode (1 algebraic, other
 * values equal priority) and formats the value into the texts. It also
 * stores mode as the process-wide mode a direct TQCAL_Calculator call uses;
 * calculators on different threads may use different modes. Outcome in the
 * result state of *status; a block that tqcal_block_usable (tqcal_block.h)
 * refuses is left as it is, with RES_ERROR. After it the host tidies the
 * status word: on RES_ERROR or RES_FULL clear ST_CONST and ST_MEMORY and zero
 * lastKey and parenDepth; clear ST_EXP_ENTRY; clear ST_TYPED (not for
 * KEY_BACKSPACE, nor when set with RES_FULL); unless the key is KEY_SIGN or
 * KEY_BACKSPACE during an entry set ST_SHOWN|ST_ZERO and clear ST_POINT; clear
 * ST_CLEARED. */
TQCAL_API void TQCAL_Operate(int key, TQCAL_Context *ctx, TQCAL_Status *status, int mode);

/* The value TQCAL_CalcString stores in *result when the sequence fails: one
 * past the 14-digit numbers, so no result can be mistaken for it. */
#define TQCAL_CALC_STRING_ERROR 10000000000001.0

/* Evaluates count key codes (one signed byte each) on a private fresh
 * calculator in algebraic mode, closed with '='. On success returns 1,
 * stores the value in *result and the display text (magnitude only, up to
 * 15 characters and a terminator) in text, which needs room for 16 cells.
 * On error returns 0, *result = TQCAL_CALC_STRING_ERROR and text is empty. */
TQCAL_API int TQCAL_CalcString(double *result, TQCAL_WChar *text, const TQCAL_Int8 *keys,
                               int count);

/* ---- Pointer types of the exports -------------------------------------- */

/* One type for each export, named TQCAL_PFN_ and the export's name without
 * its TQCAL_ prefix (TQCAL_PFN_Operate, TQCAL_PFN_EEditInfo), for a host
 * that loads the library when it runs (LoadLibrary and GetProcAddress,
 * dlopen and dlsym) instead of linking it. Each is exactly the type of the
 * function above; the contracts are theirs. The exports use the compiler's
 * default calling convention, so the types name none. */
typedef void (*TQCAL_PFN_InitOpd)(TQCAL_Context *ctx);
typedef void (*TQCAL_PFN_InitOpt)(TQCAL_Context *ctx);
typedef void (*TQCAL_PFN_InitStack)(TQCAL_Context *ctx);
typedef int (*TQCAL_PFN_PushOpd)(const double *value, TQCAL_Context *ctx);
typedef int (*TQCAL_PFN_PopOpd)(double *out, TQCAL_Context *ctx);
typedef int (*TQCAL_PFN_PushOpt)(const TQCAL_Int32 *op, TQCAL_Context *ctx);
typedef int (*TQCAL_PFN_PopOpt)(TQCAL_Int32 *out, TQCAL_Context *ctx);
typedef int (*TQCAL_PFN_EEditInfo)(int key, TQCAL_Context *ctx, TQCAL_Status *status);
typedef void (*TQCAL_PFN_ResetEditValue)(TQCAL_Context *ctx);
typedef int (*TQCAL_PFN_ApendChar)(TQCAL_Context *ctx, TQCAL_Status *status, TQCAL_WChar ch);
typedef int (*TQCAL_PFN_DeleteChar)(TQCAL_Context *ctx, TQCAL_Status *status);
typedef int (*TQCAL_PFN_DivideDoubleToStr)(double value, TQCAL_WChar *display,
                                           TQCAL_WChar *exponent, TQCAL_Int32 *negative, int width);
typedef double (*TQCAL_PFN_Pow10)(double x);
typedef int (*TQCAL_PFN_BaseOperate)(int op, double *left, double *right);
typedef int (*TQCAL_PFN_Calculator)(int type, int toBottom, TQCAL_Context *ctx);
typedef void (*TQCAL_PFN_Operate)(int key, TQCAL_Context *ctx, TQCAL_Status *status, int mode);
typedef int (*TQCAL_PFN_CalcString)(double *result, TQCAL_WChar *text, const TQCAL_Int8 *keys,
                                    int count);

#ifdef __cplusplus
}
#endif

#endif /* TQCAL_H */
