/*
 * pe_load.c - the loader of pe_load.h: mapping, imports, permissions, the
 * entry point and the calls, on 32-bit ARM Linux (under qemu-arm here).
 */
#define _DEFAULT_SOURCE 1 /* MAP_ANONYMOUS, MAP_FIXED_NOREPLACE, getauxval */

#include "pe_load.h"

#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/auxv.h>
#include <sys/mman.h>
#include <unistd.h>

#if !defined(__arm__)
#  error "the PE loader runs the DLL's code: it is built for 32-bit ARM only"
#endif

/* pe_call.S reads struct pe_call at these offsets. */
typedef char pe_call_layout_check
    [(offsetof(struct pe_call, stack) == 16 && offsetof(struct pe_call, stack_count) == 32 &&
      offsetof(struct pe_call, broken) == 36 && offsetof(struct pe_call, d0) == 40 &&
      offsetof(struct pe_call, ret) == 48 && offsetof(struct pe_call, call_sp) == 56)
         ? 1
         : -1];

enum { DLL_PROCESS_DETACH = 0, DLL_PROCESS_ATTACH = 1 };

struct pe_export_entry {
    char *name;
    uint32_t rva;
};

struct pe_module {
    struct pe_image img;
    uint8_t *file;
    uint8_t *base;
    size_t map_size;
    void *guard;
    size_t guard_size;
    struct pe_reloc_stats relocs;
    unsigned imports;
    struct pe_export_entry *exports;
    unsigned export_count;
    int attached;
};

/* Whether this processor executes the machine's code. The architecture
 * comes from AT_PLATFORM ("v5l", "v7l"), the extensions from AT_HWCAP. */
static int processor_runs(uint16_t machine, struct pe_error *err)
{
    const char *platform = (const char *)getauxval(AT_PLATFORM);
    unsigned long hwcap = getauxval(AT_HWCAP);
    int arch = 0;
    size_t n;
    if (platform && platform[0] == 'v')
        arch = atoi(platform + 1);
    if (arch == 0)
        return pe_fail(err, "cannot tell this processor's architecture (AT_PLATFORM %s)",
                       platform ? platform : "missing");
    n = strlen(platform);
    if (platform[n - 1] != 'l')
        return pe_fail(err, "this processor (%s) is big-endian; Windows on ARM is little-endian",
                       platform);
    switch (machine) {
    case PE_MACHINE_ARM:
        if (arch >= 4)
            return 0;
        break;
    case PE_MACHINE_THUMB:
        if (arch >= 4 && (hwcap & HWCAP_ARM_THUMB))
            return 0;
        break;
    case PE_MACHINE_ARMNT:
        if (arch >= 7 && (hwcap & HWCAP_ARM_VFPv3) && (hwcap & HWCAP_ARM_NEON))
            return 0;
        break;
    default: break;
    }
    return pe_fail(err,
                   "this processor (ARMv%d, %s%s%s%s) cannot execute machine 0x%04X "
                   "code, which needs %s",
                   arch, (hwcap & HWCAP_ARM_THUMB) ? "Thumb" : "no Thumb",
                   (hwcap & HWCAP_ARM_VFP) ? ", VFP" : ", no VFP",
                   (hwcap & HWCAP_ARM_VFPv3) ? ", VFPv3" : "",
                   (hwcap & HWCAP_ARM_NEON) ? ", NEON" : "", (unsigned)machine,
                   machine == PE_MACHINE_ARMNT   ? "ARMv7 with Thumb-2, VFPv3 and NEON"
                   : machine == PE_MACHINE_THUMB ? "ARMv4T or later with Thumb"
                                                 : "ARMv4 or later");
}

/* The loader's list of importable functions. */
struct import_ctx {
    struct pe_module *m;
};

static int resolve_import(void *user, const char *dll, const char *name, uint32_t ordinal,
                          uint32_t iat_rva, struct pe_error *err)
{
    struct import_ctx *ctx = (struct import_ctx *)user;
    struct pe_module *m = ctx->m;
    uintptr_t address = 0;
    if (m->img.machine != PE_MACHINE_ARMNT) {
        if (name)
            return pe_fail(err,
                           "imports %s!%s: not on the loader's list, which is empty for a "
                           "Windows CE image (machine 0x%04X)",
                           dll, name, (unsigned)m->img.machine);
        return pe_fail(err,
                       "imports ordinal %u of %s: not on the loader's list, which is empty "
                       "for a Windows CE image (machine 0x%04X)",
                       (unsigned)ordinal, dll, (unsigned)m->img.machine);
    }
    if (name && strcasecmp(dll, "msvcrt.dll") == 0) {
        if (strcmp(name, "memcpy") == 0)
            address = (uintptr_t)memcpy;
        else if (strcmp(name, "memset") == 0)
            address = (uintptr_t)memset;
        else if (strcmp(name, "memcmp") == 0)
            address = (uintptr_t)memcmp;
    }
    if (!address) {
        if (name)
            return pe_fail(err,
                           "imports %s!%s: not on the loader's list (msvcrt.dll: memcpy, "
                           "memset, memcmp)",
                           dll, name);
        return pe_fail(err,
                       "imports ordinal %u of %s: not on the loader's list (msvcrt.dll: "
                       "memcpy, memset, memcmp, by name)",
                       (unsigned)ordinal, dll);
    }
    pe_write32(m->base + iat_rva, (uint32_t)address);
    m->imports++;
    return 0;
}

static int keep_export(void *user, const char *name, uint32_t rva, struct pe_error *err)
{
    struct pe_module *m = (struct pe_module *)user;
    struct pe_export_entry *e = &m->exports[m->export_count];
    e->name = strdup(name);
    if (!e->name)
        return pe_fail(err, "out of memory");
    e->rva = m->img.machine == PE_MACHINE_ARMNT ? (rva | 1u) : rva;
    m->export_count++;
    return 0;
}

static int count_export(void *user, const char *name, uint32_t rva, struct pe_error *err)
{
    (void)name;
    (void)rva;
    (void)err;
    ++*(unsigned *)user;
    return 0;
}

static int page_protection(uint32_t characteristics)
{
    int prot = 0;
    if (characteristics & PE_SCN_MEM_READ)
        prot |= PROT_READ;
    if (characteristics & PE_SCN_MEM_WRITE)
        prot |= PROT_WRITE;
    if (characteristics & PE_SCN_MEM_EXECUTE)
        prot |= PROT_EXEC | PROT_READ;
    return prot ? prot : PROT_READ;
}

/* Each page gets the permissions of the sections on it (the headers are
 * read-only, pages of no section inaccessible). */
static int protect(struct pe_module *m, size_t page, struct pe_error *err)
{
    size_t pages = m->map_size / page, p, start;
    unsigned i;
    int *prot = (int *)calloc(pages, sizeof *prot);
    if (!prot)
        return pe_fail(err, "out of memory");
    for (p = 0; p * page < m->img.size_of_headers; p++)
        prot[p] |= PROT_READ;
    for (i = 0; i < m->img.section_count; i++) {
        const struct pe_section *s = &m->img.sections[i];
        if (s->virtual_size == 0)
            continue;
        for (p = s->virtual_address / page; p <= (s->virtual_address + s->virtual_size - 1) / page;
             p++) {
            prot[p] |= page_protection(s->characteristics);
            if ((prot[p] & PROT_WRITE) && (prot[p] & PROT_EXEC)) {
                free(prot);
                return pe_fail(err,
                               "the page at RVA 0x%lX would be both writable and executable "
                               "(section %s; section alignment 0x%X)",
                               (unsigned long)(p * page), s->name,
                               (unsigned)m->img.section_alignment);
            }
        }
    }
    for (start = 0; start < pages; start = p) {
        for (p = start + 1; p < pages && prot[p] == prot[start]; p++) {
        }
        if (mprotect(m->base + start * page, (p - start) * page, prot[start]) != 0) {
            free(prot);
            return pe_fail(err, "mprotect failed at RVA 0x%lX", (unsigned long)(start * page));
        }
    }
    free(prot);
    return 0;
}

static void release(struct pe_module *m)
{
    unsigned i;
    if (m->base)
        munmap(m->base, m->map_size);
    if (m->guard)
        munmap(m->guard, m->guard_size);
    for (i = 0; i < m->export_count; i++)
        free(m->exports[i].name);
    free(m->exports);
    free(m->file);
    free(m);
}

int pe_call(struct pe_module *m, const void *fn, struct pe_call *c, const char *what,
            struct pe_error *err)
{
    char lost[64] = "";
    unsigned r;
    if (pe_hard_float(&m->img))
        pe_call_vfp(fn, c);
    else
        pe_call_core(fn, c);
    if (c->broken == 0)
        return 0;
    for (r = 7; r <= 11; r++) {
        if (c->broken & (1u << r))
            snprintf(lost + strlen(lost), sizeof lost - strlen(lost), " r%u", r);
    }
    if (c->broken & PE_BROKE_SP)
        snprintf(lost + strlen(lost), sizeof lost - strlen(lost), " sp");
    if (c->broken & PE_BROKE_D8)
        snprintf(lost + strlen(lost), sizeof lost - strlen(lost), " d8");
    return pe_fail(err,
                   "%s did not preserve what the procedure call standard has the callee "
                   "keep:%s",
                   what, lost);
}

static int call_entry(struct pe_module *m, uint32_t reason, struct pe_error *err)
{
    struct pe_call c;
    uintptr_t fn = (uintptr_t)m->base + m->img.entry_rva;
    if (m->img.machine == PE_MACHINE_ARMNT)
        fn |= 1;
    memset(&c, 0, sizeof c);
    c.r[0] = (uint32_t)(uintptr_t)m->base; /* the module handle */
    c.r[1] = reason;
    c.r[2] = 0;
    if (pe_call(m, (const void *)fn, &c,
                reason == DLL_PROCESS_ATTACH ? "the entry point (process attach)"
                                             : "the entry point (process detach)",
                err) != 0)
        return -1;
    if (c.ret[0] == 0)
        return pe_fail(err, "the entry point returned FALSE for %s",
                       reason == DLL_PROCESS_ATTACH ? "DLL_PROCESS_ATTACH" : "DLL_PROCESS_DETACH");
    return 0;
}

/* Reserves the preferred range inaccessible (where it is free) and maps
 * the image's pages elsewhere, readable and writable for now. */
static int map_image(struct pe_module *m, size_t page, struct pe_error *err)
{
    void *want;
    m->map_size = (m->img.size_of_image + page - 1) / page * page;
    want = (void *)(uintptr_t)m->img.image_base;
#ifdef MAP_FIXED_NOREPLACE
    m->guard = mmap(want, m->map_size, PROT_NONE,
                    MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_FIXED_NOREPLACE, -1, 0);
#else
    m->guard =
        mmap(want, m->map_size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
#endif
    if (m->guard == MAP_FAILED) {
        m->guard = NULL;
    } else if (m->guard != want) {
        munmap(m->guard, m->map_size);
        m->guard = NULL;
    } else {
        m->guard_size = m->map_size;
    }
    m->base = (uint8_t *)mmap(NULL, m->map_size, PROT_READ | PROT_WRITE,
                              MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (m->base == (uint8_t *)MAP_FAILED) {
        m->base = NULL;
        pe_fail(err, "cannot map 0x%lX bytes", (unsigned long)m->map_size);
        return -1;
    }
    if ((void *)m->base == want) {
        uint8_t *other = (uint8_t *)mmap(NULL, m->map_size, PROT_READ | PROT_WRITE,
                                         MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        munmap(m->base, m->map_size);
        m->base = other == (uint8_t *)MAP_FAILED ? NULL : other;
        if (!m->base) {
            pe_fail(err, "cannot map 0x%lX bytes away from the preferred base",
                    (unsigned long)m->map_size);
            return -1;
        }
    }

    return 0;
}

/* The exported names and addresses, read while every page is readable. */
static int keep_exports(struct pe_module *m, struct pe_error *err)
{
    unsigned count = 0;
    if (pe_exports(&m->img, m->base, count_export, &count, err) < 0)
        return -1;
    m->exports = (struct pe_export_entry *)calloc(count ? count : 1, sizeof *m->exports);
    if (!m->exports)
        return pe_fail(err, "out of memory");
    return pe_exports(&m->img, m->base, keep_export, m, err) < 0 ? -1 : 0;
}

struct pe_module *pe_load(const char *path, struct pe_error *err)
{
    struct pe_module *m = (struct pe_module *)calloc(1, sizeof *m);
    struct import_ctx ictx;
    size_t size = 0, page = (size_t)sysconf(_SC_PAGESIZE);
    if (!m) {
        pe_fail(err, "out of memory");
        return NULL;
    }
    m->file = pe_read_file(path, &size, err);
    if (!m->file)
        goto fail;
    if (pe_parse(&m->img, m->file, size, err) != 0 || pe_check_loadable(&m->img, err) != 0 ||
        processor_runs(m->img.machine, err) != 0)
        goto fail;
    if (map_image(m, page, err) != 0)
        goto fail;
    pe_layout(&m->img, m->base);
    if (pe_relocate(&m->img, m->base, (uint32_t)(uintptr_t)m->base, &m->relocs, err) != 0)
        goto fail;
    ictx.m = m;
    if (pe_imports(&m->img, m->base, resolve_import, &ictx, err) < 0)
        goto fail;
    if (keep_exports(m, err) != 0)
        goto fail;
    __builtin___clear_cache((char *)m->base, (char *)m->base + m->map_size);
    if (protect(m, page, err) != 0)
        goto fail;
    if (m->img.entry_rva != 0) {
        if (call_entry(m, DLL_PROCESS_ATTACH, err) != 0)
            goto fail;
        m->attached = 1;
    }
    return m;
fail:
    release(m);
    return NULL;
}

const void *pe_symbol(struct pe_module *m, const char *name, struct pe_error *err)
{
    unsigned i;
    for (i = 0; i < m->export_count; i++) {
        if (strcmp(m->exports[i].name, name) == 0)
            return (const void *)((uintptr_t)m->base + m->exports[i].rva);
    }
    pe_fail(err, "the DLL has no export named %s", name);
    return NULL;
}

const struct pe_image *pe_module_image(const struct pe_module *m)
{
    return &m->img;
}
uintptr_t pe_module_base(const struct pe_module *m)
{
    return (uintptr_t)m->base;
}
int pe_module_guarded(const struct pe_module *m)
{
    return m->guard != NULL;
}
const struct pe_reloc_stats *pe_module_relocs(const struct pe_module *m)
{
    return &m->relocs;
}
unsigned pe_module_imports(const struct pe_module *m)
{
    return m->imports;
}
unsigned pe_module_export_count(const struct pe_module *m)
{
    return m->export_count;
}
const char *pe_module_export_name(const struct pe_module *m, unsigned i)
{
    return i < m->export_count ? m->exports[i].name : NULL;
}

int pe_unload(struct pe_module *m, struct pe_error *err)
{
    int rc = 0;
    if (m->attached)
        rc = call_entry(m, DLL_PROCESS_DETACH, err);
    release(m);
    return rc;
}
