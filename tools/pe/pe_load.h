/*
 * pe_load.h - a loader of 32-bit ARM Windows DLLs for 32-bit ARM Linux, which
 * stands in for the device's loader: it maps a DLL at a base other than its
 * preferred one, applies its base relocations, resolves its imports from a
 * short list of its own, calls its entry point, finds its exports by name,
 * and calls them with the stack 4 bytes off 8-byte alignment, as a Windows CE
 * caller may.
 *
 * What it accepts and refuses is in pe_image.h (pe_check_loadable,
 * pe_relocate) and below (pe_load). Built for 32-bit ARM only.
 */
#ifndef TQCAL_PE_LOAD_H
#define TQCAL_PE_LOAD_H

#include "pe_image.h"

#ifdef __cplusplus
extern "C" {
#endif

/* One call into the DLL: the argument registers and stack words on entry,
 * the result registers on return. The layout is fixed: pe_call.S reads it. */
struct pe_call {
    uint32_t r[4];        /*  0: r0-r3 on entry */
    uint32_t stack[4];    /* 16: the stack arguments, stack[0] at [sp] */
    uint32_t stack_count; /* 32: how many of them */
    uint32_t broken;      /* 36: out: PE_BROKE_* bits, what the callee did not keep */
    double d0;            /* 40: d0 on entry and on return (hard-float calls) */
    uint32_t ret[2];      /* 48: r0 and r1 on return */
    uint32_t call_sp;     /* 56: out: sp at the branch to the callee */
    uint32_t unused;      /* 60 */
};

/* What a callee must preserve and did not: bit n for register rn (r7 to
 * r11), PE_BROKE_SP for the stack pointer, PE_BROKE_D8 for d8. */
#define PE_BROKE_SP (1u << 13)
#define PE_BROKE_D8 (1u << 16)

/* The trampolines (pe_call.S). Each calls fn with r0-r3 from c->r and
 * c->stack_count words at [sp], sp 4 mod 8; the VFP one passes c->d0 in d0
 * and keeps what comes back in d0. */
void pe_call_core(const void *fn, struct pe_call *c);
void pe_call_vfp(const void *fn, struct pe_call *c);
/* Self-test callees: the first returns sp in r0; the second the words at
 * [sp] and [sp + 8] in r0 and r1; the third returns sp and overwrites r8. */
uint32_t pe_probe_sp(void);
uint64_t pe_probe_stack_words(void);
uint32_t pe_probe_clobber_r8(void);

struct pe_module;

/* Loads the DLL at path:
 * - reads and checks it (pe_parse, pe_check_loadable);
 * - refuses it unless this processor executes its code: ARMv4 or later for
 *   ARM, with Thumb for THUMB; ARMv7 with VFPv3 and NEON for ARMNT;
 * - reserves the preferred range inaccessible (where it is free) and maps the
 *   image elsewhere, so that an address the relocations missed faults;
 * - applies the base relocations (pe_relocate);
 * - resolves the imports from its list: for ARMNT, msvcrt.dll's memcpy,
 *   memset and memcmp (the C library's); for Windows CE, none;
 * - gives each page the permissions of its sections (refusing a page both
 *   writable and executable) and flushes the instruction cache;
 * - calls the entry point with DLL_PROCESS_ATTACH, which must return TRUE.
 * Returns the module, or NULL with the reason in *err. */
struct pe_module *pe_load(const char *path, struct pe_error *err);

/* The address of the function exported as name (the Thumb bit set for Thumb
 * code), or NULL with *err. */
const void *pe_symbol(struct pe_module *m, const char *name, struct pe_error *err);

/* Calls fn of the module as described by c, with the trampoline its calling
 * standard needs. Returns 0, or -1 with *err when the callee did not keep
 * what it must. */
int pe_call(struct pe_module *m, const void *fn, struct pe_call *c, const char *what,
            struct pe_error *err);

/* Facts about a loaded module. */
const struct pe_image *pe_module_image(const struct pe_module *m);
uintptr_t pe_module_base(const struct pe_module *m);
/* 1 when the preferred range was reserved inaccessible. */
int pe_module_guarded(const struct pe_module *m);
const struct pe_reloc_stats *pe_module_relocs(const struct pe_module *m);
/* The count of imports resolved. */
unsigned pe_module_imports(const struct pe_module *m);
/* The exported names, in the order of the DLL's name table. */
unsigned pe_module_export_count(const struct pe_module *m);
const char *pe_module_export_name(const struct pe_module *m, unsigned i);

/* Calls the entry point with DLL_PROCESS_DETACH and unmaps the module.
 * Returns 0, or -1 with *err when the entry point returned FALSE (the module
 * is unmapped all the same). */
int pe_unload(struct pe_module *m, struct pe_error *err);

#ifdef __cplusplus
}
#endif

#endif /* TQCAL_PE_LOAD_H */
