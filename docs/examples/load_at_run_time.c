/* load_at_run_time.c: a host that does not link the engine. It loads the
 * library by name when it starts, takes each of the 17 entry points through
 * its pointer type from tqcal.h, and reaches 42 by every road into the
 * engine. dlopen and dlsym here; LoadLibrary and GetProcAddress on Windows. */
#include <dlfcn.h>
#include <stdio.h>
#include <string.h>

#include "tqcal.h"

struct engine {
    TQCAL_PFN_InitOpd InitOpd;
    TQCAL_PFN_InitOpt InitOpt;
    TQCAL_PFN_InitStack InitStack;
    TQCAL_PFN_PushOpd PushOpd;
    TQCAL_PFN_PopOpd PopOpd;
    TQCAL_PFN_PushOpt PushOpt;
    TQCAL_PFN_PopOpt PopOpt;
    TQCAL_PFN_EEditInfo EEditInfo;
    TQCAL_PFN_ResetEditValue ResetEditValue;
    TQCAL_PFN_ApendChar ApendChar;
    TQCAL_PFN_DeleteChar DeleteChar;
    TQCAL_PFN_DivideDoubleToStr DivideDoubleToStr;
    TQCAL_PFN_Pow10 Pow10;
    TQCAL_PFN_BaseOperate BaseOperate;
    TQCAL_PFN_Calculator Calculator;
    TQCAL_PFN_Operate Operate;
    TQCAL_PFN_CalcString CalcString;
};

/* dlsym hands back a data pointer, which ISO C cannot cast to a function
 * pointer; POSIX makes the two the same size, so the address is copied.
 * GetProcAddress returns a function pointer, which a cast converts. */
static int take(void *library, const char *name, void *entry)
{
    void *address = dlsym(library, name);
    if (address == NULL) {
        printf("no %s in the library\n", name);
        return 0;
    }
    memcpy(entry, &address, sizeof address);
    return 1;
}

/* 1 when the library has every entry point; else names the missing ones. */
static int load(void *library, struct engine *e)
{
    int missing = 0;
    missing += !take(library, "TQCAL_InitOpd", &e->InitOpd);
    missing += !take(library, "TQCAL_InitOpt", &e->InitOpt);
    missing += !take(library, "TQCAL_InitStack", &e->InitStack);
    missing += !take(library, "TQCAL_PushOpd", &e->PushOpd);
    missing += !take(library, "TQCAL_PopOpd", &e->PopOpd);
    missing += !take(library, "TQCAL_PushOpt", &e->PushOpt);
    missing += !take(library, "TQCAL_PopOpt", &e->PopOpt);
    missing += !take(library, "EEditInfo", &e->EEditInfo);
    missing += !take(library, "TQCAL_ResetEditValue", &e->ResetEditValue);
    missing += !take(library, "TQCAL_ApendChar", &e->ApendChar);
    missing += !take(library, "TQCAL_DeleteChar", &e->DeleteChar);
    missing += !take(library, "TQCAL_DivideDoubleToStr", &e->DivideDoubleToStr);
    missing += !take(library, "TQCAL_Pow10", &e->Pow10);
    missing += !take(library, "TQCAL_BaseOperate", &e->BaseOperate);
    missing += !take(library, "TQCAL_Calculator", &e->Calculator);
    missing += !take(library, "TQCAL_Operate", &e->Operate);
    missing += !take(library, "TQCAL_CalcString", &e->CalcString);
    return missing == 0;
}

/* Prints a display text without its blanks, after what gave it. */
static void show(const char *road, const TQCAL_WChar *cells)
{
    int i;
    printf("%s: ", road);
    for (i = 0; i < TQCAL_DISPLAY_AREA && cells[i] != 0; i++)
        if (cells[i] != ' ')
            putchar((char)cells[i]);
    putchar('\n');
}

int main(void)
{
    static const int digits[] = {KEY_1, KEY_7, KEY_6, KEY_4};
    static const TQCAL_Int8 keys[] = {KEY_1, KEY_2, KEY_ADD, KEY_3, KEY_0};
    struct engine e;
    TQCAL_Context ctx;
    TQCAL_Status status = TQCAL_STATUS_INITIAL;
    TQCAL_WChar text[TQCAL_RESULT_TEXT_CELLS];
    TQCAL_Int32 op = KEY_ADD;
    double twelve = 12.0, thirty = 30.0, left = 32.0, right, value;
    size_t i;
    void *library = dlopen("libtqcal.so.1", RTLD_NOW);

    if (library == NULL) {
        printf("%s\n", dlerror());
        return 1;
    }
    if (!load(library, &e))
        return 1;

    /* A fresh calculator, as tqcal_reset in tqcal_host.h makes one. */
    memset(&ctx, 0, sizeof ctx);
    e.InitOpd(&ctx);
    e.InitOpt(&ctx);
    ctx.digits = TQCAL_DISPLAY_DIGITS;
    e.ResetEditValue(&ctx);
    e.InitStack(&ctx);

    /* Keys: 1764, then the square root, which EEditInfo passes on. After
     * every TQCAL_Operate call a host tidies the status word (tqcal_tidy in
     * tqcal_host.h, which calls no export); this one stops here. */
    for (i = 0; i < sizeof digits / sizeof digits[0]; i++)
        e.EEditInfo(digits[i], &ctx, &status);
    if (e.EEditInfo(KEY_SQRT, &ctx, &status) == 1)
        e.Operate(KEY_SQRT, &ctx, &status, TQCAL_MODE_ALGEBRAIC);
    show("keys", ctx.display);

    /* The whole sequence 12 + 30 in one call. */
    if (e.CalcString(&value, text, keys, (int)sizeof keys) == 1)
        show("whole sequence", text);

    /* The stacks: 12 + 30 waiting, then reduced. */
    e.InitStack(&ctx);
    e.PushOpd(&twelve, &ctx);
    e.PushOpt(&op, &ctx);
    e.PushOpd(&thirty, &ctx);
    if (e.Calculator(KEY_EQUAL, 1, &ctx) == 0 && e.PopOpt(&op, &ctx) == -1 &&
        e.PopOpd(&value, &ctx) == 0) {
        e.DivideDoubleToStr(value, ctx.display, ctx.exponent, &ctx.negative, ctx.digits);
        show("stacks", ctx.display);
    }

    /* One step of arithmetic: 32 + 10^1. */
    right = e.Pow10(1.0);
    if (e.BaseOperate(KEY_ADD, &left, &right) == 0) {
        e.DivideDoubleToStr(left, ctx.display, ctx.exponent, &ctx.negative, ctx.digits);
        show("arithmetic", ctx.display);
    }

    /* The edit buffer: 4 typed, 2 and 7 put after it, the 7 taken back. */
    e.ResetEditValue(&ctx);
    status = TQCAL_STATUS_INITIAL;
    if (e.EEditInfo(KEY_4, &ctx, &status) == 0 && e.ApendChar(&ctx, &status, '2') &&
        e.ApendChar(&ctx, &status, '7') && e.DeleteChar(&ctx, &status))
        show("edit buffer", ctx.display);

    dlclose(library);
    return 0;
}
