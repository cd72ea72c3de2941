/*
 * pe_run.c - tqcal_pe_run: loads a DLL with the loader of pe_load.h, says
 * what it did, and unloads it.
 *
 *   tqcal_pe_run DLL [--exports FILE] [--calculate]
 *       loads DLL (at a base other than its preferred one, relocated, its
 *       imports resolved, its entry point told of the process attach),
 *       checks that it exports exactly the names of FILE, with --calculate
 *       calls TQCAL_CalcString ("12+30=") and TQCAL_Pow10(3) through it,
 *       and unloads it (process detach).
 *   tqcal_pe_run --self-test
 *       checks the call trampolines: the callee sees sp 4 mod 8 and the
 *       stack words in place, and a callee that overwrites r8 is caught.
 *
 * Exit status 0 when all is well, 1 with a message on standard error
 * otherwise, 2 for a usage error.
 */
#include "pe_load.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int fail(const char *what, const char *why)
{
    fprintf(stderr, "tqcal_pe_run: %s: %s\n", what, why);
    return 1;
}

static int self_test(void)
{
    struct pe_call c;
    int bad = 0;
    memset(&c, 0, sizeof c);
    c.stack[0] = 0x11111111u;
    c.stack[1] = 0x22222222u;
    c.stack[2] = 0x33333333u;
    c.stack_count = 3;
    pe_call_core((const void *)(uintptr_t)pe_probe_sp, &c);
    printf(
        "a call with 3 stack words: sp 0x%08X at the call (%u mod 8), the callee sees 0x%08X; "
        "broken 0x%X\n",
        (unsigned)c.call_sp, (unsigned)(c.call_sp % 8), (unsigned)c.ret[0], (unsigned)c.broken);
    if (c.call_sp % 8 != 4 || c.ret[0] != c.call_sp || c.broken != 0)
        bad = fail("self-test", "the callee did not see sp 4 mod 8, or the check misfired");
    pe_call_core((const void *)(uintptr_t)pe_probe_stack_words, &c);
    printf("the callee finds stack words 0x%08X at [sp] and 0x%08X at [sp + 8]\n",
           (unsigned)c.ret[0], (unsigned)c.ret[1]);
    if (c.ret[0] != 0x11111111u || c.ret[1] != 0x33333333u)
        bad = fail("self-test", "the stack words are not at sp");

    memset(&c, 0, sizeof c);
    pe_call_core((const void *)(uintptr_t)pe_probe_clobber_r8, &c);
    printf("a callee that overwrites r8: broken 0x%X\n", (unsigned)c.broken);
    if (c.broken != (1u << 8))
        bad = fail("self-test", "a callee that overwrote r8 went unnoticed");

#if defined(__ARM_PCS_VFP)
    memset(&c, 0, sizeof c);
    c.d0 = 2.5;
    c.stack_count = 0;
    pe_call_vfp((const void *)(uintptr_t)pe_probe_sp, &c);
    printf("the VFP trampoline: sp %u mod 8, d0 %g back, broken 0x%X\n", (unsigned)(c.call_sp % 8),
           c.d0, (unsigned)c.broken);
    if (c.call_sp % 8 != 4 || c.d0 != 2.5 || c.broken != 0)
        bad = fail("self-test", "the VFP trampoline misbehaved");
#endif
    if (!bad)
        printf("tqcal_pe_run: self-test passed\n");
    return bad;
}

/* TQCAL_CalcString("12+30") and TQCAL_Pow10(3), in the DLL's calling standard. */
static int calculate(struct pe_module *m, const char *path)
{
    static const int8_t keys[] = {1, 2, 12, 3, 0};
    struct pe_error err;
    struct pe_call c;
    double result = 0;
    uint16_t text[16];
    char shown[17];
    unsigned i, j;
    uint64_t bits;
    double power;
    const void *calc = pe_symbol(m, "TQCAL_CalcString", &err);
    const void *pow10 = calc ? pe_symbol(m, "TQCAL_Pow10", &err) : NULL;
    if (!pow10)
        return fail(path, err.text);
    memset(&c, 0, sizeof c);
    c.r[0] = (uint32_t)(uintptr_t)&result;
    c.r[1] = (uint32_t)(uintptr_t)text;
    c.r[2] = (uint32_t)(uintptr_t)keys;
    c.r[3] = (uint32_t)sizeof keys;
    if (pe_call(m, calc, &c, "TQCAL_CalcString", &err) != 0)
        return fail(path, err.text);
    for (i = 0, j = 0; i < 16 && text[i]; i++) {
        if (text[i] != ' ')
            shown[j++] = text[i] < 128 ? (char)text[i] : '?';
    }
    shown[j] = '\0';
    printf("TQCAL_CalcString(12+30) = %d, %.17g, \"%s\"\n", (int)c.ret[0], result, shown);
    if (c.ret[0] != 1 || result != 42.0 || strcmp(shown, "42.") != 0)
        return fail(path, "TQCAL_CalcString(12+30) did not give 42");

    memset(&c, 0, sizeof c);
    if (pe_hard_float(pe_module_image(m))) {
        c.d0 = 3.0;
        if (pe_call(m, pow10, &c, "TQCAL_Pow10", &err) != 0)
            return fail(path, err.text);
        power = c.d0;
    } else {
        power = 3.0;
        memcpy(&bits, &power, sizeof bits);
        c.r[0] = (uint32_t)bits;
        c.r[1] = (uint32_t)(bits >> 32);
        if (pe_call(m, pow10, &c, "TQCAL_Pow10", &err) != 0)
            return fail(path, err.text);
        bits = ((uint64_t)c.ret[1] << 32) | c.ret[0];
        memcpy(&power, &bits, sizeof power);
    }
    printf("TQCAL_Pow10(3) = %.17g\n", power);
    if (power != 1000.0)
        return fail(path, "TQCAL_Pow10(3) did not give 1000");
    return 0;
}

static int check_exports(struct pe_module *m, const char *path, const char *list)
{
    static struct pe_names names;
    struct pe_export_match match;
    struct pe_error err;
    unsigned i, count = pe_module_export_count(m);
    int bad = 0;
    if (pe_read_names(list, &names, &err) != 0)
        return fail(list, err.text);
    pe_match_begin(&match, names.list, names.count);
    for (i = 0; i < count; i++)
        pe_match_export(&match, pe_module_export_name(m, i));
    /* A listed name it lacks, in the loader's words. */
    for (i = 0; i < names.count; i++) {
        if (!match.seen[i] && !pe_symbol(m, names.name[i], &err))
            bad = fail(path, err.text);
    }
    for (i = 0; i < count; i++) {
        const char *name = pe_module_export_name(m, i);
        if (pe_match_listed(&match, name) < 0) {
            char why[200];
            snprintf(why, sizeof why, "exports %s, which %s does not list", name, list);
            bad = fail(path, why);
        }
    }
    if (!bad)
        printf("exports: exactly the %u names of %s\n", names.count, list);
    return bad;
}

static const char USAGE_TEXT[] =
    "usage: tqcal_pe_run DLL [--exports FILE] [--calculate]\n"
    "       tqcal_pe_run --self-test\n";

int main(int argc, char **argv)
{
    const char *path = NULL, *list = NULL;
    int want_calculation = 0, i, rc = 0;
    struct pe_module *m;
    struct pe_error err;
    const struct pe_image *img;
    const struct pe_reloc_stats *rs;
    uintptr_t base;
    uint32_t entry;

    for (i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "-h") == 0) {
            fputs(USAGE_TEXT, stdout);
            return 0;
        }
        if (strcmp(argv[i], "--self-test") == 0 && argc == 2)
            return self_test();
        if (strcmp(argv[i], "--exports") == 0 && i + 1 < argc)
            list = argv[++i];
        else if (strcmp(argv[i], "--calculate") == 0)
            want_calculation = 1;
        else if (argv[i][0] == '-' || path)
            path = NULL, i = argc;
        else
            path = argv[i];
    }
    if (!path) {
        fputs(USAGE_TEXT, stderr);
        return 2;
    }

    m = pe_load(path, &err);
    if (!m)
        return fail(path, err.text);
    img = pe_module_image(m);
    rs = pe_module_relocs(m);
    base = pe_module_base(m);
    printf("loaded %s: machine 0x%04X %s\n", path, (unsigned)img->machine,
           pe_machine_name(img->machine));
    printf("mapped at 0x%08lX, preferred base 0x%08X (%s)\n", (unsigned long)base,
           (unsigned)img->image_base,
           pe_module_guarded(m) ? "reserved inaccessible, so a missed relocation faults"
                                : "in use by something else, not reserved");
    printf("relocations: %u blocks; %u HIGHLOW, %u ARM_MOV32, %u THUMB_MOV32, %u ABSOLUTE\n",
           rs->blocks, rs->by_type[PE_REL_HIGHLOW], rs->by_type[PE_REL_ARM_MOV32],
           rs->by_type[PE_REL_THUMB_MOV32], rs->by_type[PE_REL_ABSOLUTE]);
    printf("imports resolved: %u; entry point: %s\n", pe_module_imports(m),
           img->entry_rva ? "process attach answered TRUE" : "none");
    if (base == img->image_base)
        rc = fail(path, "mapped at its preferred base: the relocations went untested");
    if (list && check_exports(m, path, list) != 0)
        rc = 1;
    if (rc == 0 && want_calculation && calculate(m, path) != 0)
        rc = 1;
    entry = img->entry_rva;
    if (pe_unload(m, &err) != 0)
        rc = fail(path, err.text);
    else if (entry)
        printf("unloaded: process detach answered TRUE\n");
    return rc;
}
