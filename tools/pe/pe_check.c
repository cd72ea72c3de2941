/*
 * pe_check.c - tqcal_pe_check: the facts of a 32-bit ARM Windows DLL, read
 * with the loader's own reader (pe_image.h), printed one a line and judged.
 *
 *   tqcal_pe_check DLL [--expect-machine M]... [--exports FILE]
 *                      [--allow-dll NAME]... [--no-imports]
 *                      [--subsystem-version X.Y] [--version-header H]
 *                      [--version-only]
 *
 * M is a number (0x01C2) or ARM, THUMB, ARMNT. Imports: by default only
 * coredll.dll (Windows CE's C runtime) may be imported; --allow-dll adds a
 * DLL (msvcrt.dll for the Windows RT build), --no-imports allows none.
 * The version resource must agree with itself and with the image version;
 * with --version-header, also with the version the header H defines
 * (TQCAL_VERSION_MAJOR, _MINOR, _PATCH). --version-only judges the version
 * alone, of any Windows DLL (the x86-64 one too, a PE32+ image).
 * Exit status 0 when every fact holds, 1 when one does not or the file is
 * no DLL we can read, 2 for a usage error. Plain C99: it runs on the build
 * machine as well as under qemu-arm.
 */
#include "pe_image.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define MAX_ALLOWED 8
#define MAX_MACHINES 4

static unsigned problems;
static unsigned facts;

/* One fact: its label, what was found, and whether it holds. */
static void fact(int holds, const char *label, const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

#include <stdarg.h>

static void fact(int holds, const char *label, const char *format, ...)
{
    va_list args;
    printf("  %-16s ", label);
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
    printf("%s\n", holds ? "" : "   <- PROBLEM");
    facts++;
    if (!holds)
        problems++;
}

static const char usage_text[] =
    "usage: tqcal_pe_check DLL [--expect-machine M]... [--exports FILE]\n"
    "                          [--allow-dll NAME]... [--no-imports]\n"
    "                          [--subsystem-version X.Y] [--version-header H]\n"
    "                          [--version-only]\n";

/* A mistake in the arguments: the usage on standard error, status 2. */
static void usage(void)
{
    fputs(usage_text, stderr);
    exit(2);
}

static int parse_machine(const char *s, unsigned *out)
{
    char *end;
    unsigned long v;
    if (strcmp(s, "ARM") == 0)
        v = PE_MACHINE_ARM;
    else if (strcmp(s, "THUMB") == 0)
        v = PE_MACHINE_THUMB;
    else if (strcmp(s, "ARMNT") == 0)
        v = PE_MACHINE_ARMNT;
    else {
        v = strtoul(s, &end, 0);
        if (*s == '\0' || *end != '\0' || v > 0xFFFF)
            return -1;
    }
    *out = (unsigned)v;
    return 0;
}

static int same_name(const char *a, const char *b)
{
    for (; *a && *b; a++, b++) {
        char x = *a >= 'A' && *a <= 'Z' ? (char)(*a - 'A' + 'a') : *a;
        char y = *b >= 'A' && *b <= 'Z' ? (char)(*b - 'A' + 'a') : *b;
        if (x != y)
            return 0;
    }
    return *a == *b;
}

struct import_walk {
    const char **allowed;
    unsigned allowed_count;
    char listing[2048];
    unsigned refused;
    char first_refused[160];
};

static int note_import(void *user, const char *dll, const char *name, uint32_t ordinal,
                       uint32_t iat_rva, struct pe_error *err)
{
    struct import_walk *w = (struct import_walk *)user;
    char one[160];
    unsigned i;
    int ok = 0;
    (void)iat_rva;
    (void)err;
    if (name)
        snprintf(one, sizeof one, "%s!%s", dll, name);
    else
        snprintf(one, sizeof one, "%s!#%u", dll, (unsigned)ordinal);
    if (strlen(w->listing) + strlen(one) + 2 < sizeof w->listing) {
        strcat(w->listing, w->listing[0] ? " " : "");
        strcat(w->listing, one);
    }
    for (i = 0; i < w->allowed_count; i++)
        ok |= same_name(dll, w->allowed[i]);
    if (!ok && w->refused++ == 0)
        snprintf(w->first_refused, sizeof w->first_refused, "%s", one);
    return 0;
}

struct export_walk {
    const struct pe_names *expected;
    unsigned char seen[PE_NAMES_MAX];
    unsigned count;
    unsigned extra;
    char extras[512];
    unsigned thumb, arm;
};

static int note_export(void *user, const char *name, uint32_t rva, struct pe_error *err)
{
    struct export_walk *w = (struct export_walk *)user;
    unsigned i;
    (void)err;
    w->count++;
    if (rva & 1)
        w->thumb++;
    else
        w->arm++;
    if (!w->expected)
        return 0;
    for (i = 0; i < w->expected->count; i++) {
        if (strcmp(w->expected->name[i], name) == 0) {
            w->seen[i]++;
            return 0;
        }
    }
    w->extra++;
    if (strlen(w->extras) + strlen(name) + 2 < sizeof w->extras) {
        strcat(w->extras, " ");
        strcat(w->extras, name);
    }
    return 0;
}

static const char *permissions(uint32_t c)
{
    static char text[4];
    text[0] = (c & PE_SCN_MEM_READ) ? 'r' : '-';
    text[1] = (c & PE_SCN_MEM_WRITE) ? 'w' : '-';
    text[2] = (c & PE_SCN_MEM_EXECUTE) ? 'x' : '-';
    text[3] = '\0';
    return text;
}

/* What a section's content needs, by the directory it holds, else by its
 * name: the tables the loader only reads (exports, resources, base
 * relocations, exception and debug data) and read-only data r--, code r-x,
 * data rw-. A section of another name is held to W^X only. */
static void section_permissions(const struct pe_image *img)
{
    static const int read_only_directories[] = {PE_DIR_EXPORT, PE_DIR_RESOURCE, PE_DIR_BASERELOC,
                                                PE_DIR_EXCEPTION, PE_DIR_DEBUG};
    static const struct {
        const char *name, *needs, *content;
    } by_name[] = {{".text", "r-x", "code"},
                   {".rdata", "r--", "read-only data"},
                   {".data", "rw-", "data"},
                   {".bss", "rw-", "data"},
                   {".edata", "r--", "the exports"},
                   {".rsrc", "r--", "the resources"},
                   {".reloc", "r--", "the base relocations"},
                   {".pdata", "r--", "the unwind data"}};
    unsigned i, k, wrong = 0;
    char text[512] = "";
    for (i = 0; i < img->section_count; i++) {
        const struct pe_section *s = &img->sections[i];
        const char *needs = NULL, *content = NULL;
        char directory[48];
        for (k = 0; k < sizeof read_only_directories / sizeof read_only_directories[0]; k++) {
            const struct pe_directory *d = &img->directories[read_only_directories[k]];
            if (read_only_directories[k] < (int)img->directory_count && d->size != 0 &&
                pe_section_at(img, d->rva) == s) {
                snprintf(directory, sizeof directory, "the %s directory",
                         pe_directory_name((unsigned)read_only_directories[k]));
                needs = "r--";
                content = directory;
            }
        }
        for (k = 0; !needs && k < sizeof by_name / sizeof by_name[0]; k++) {
            if (strcmp(s->name, by_name[k].name) == 0) {
                needs = by_name[k].needs;
                content = by_name[k].content;
            }
        }
        if (!needs && (s->characteristics & PE_SCN_CNT_CODE)) {
            needs = "r-x";
            content = "code";
        }
        if (needs && strcmp(permissions(s->characteristics), needs) != 0 && wrong++ == 0)
            snprintf(text, sizeof text, "section %s is %s, but %s needs %s", s->name,
                     permissions(s->characteristics), content, needs);
    }
    if (wrong)
        fact(0, "permissions", "%s (%u section%s wrong)", text, wrong, wrong == 1 ? "" : "s");
    else
        fact(1, "permissions",
             "each section as its content needs (code r-x, read-only data and "
             "tables r--, data rw-)");
}

/* The version the header at path defines, into want[3]; 0, or -1. */
static int header_version(const char *path, unsigned want[3])
{
    static const char *const names[3] = {"MAJOR", "MINOR", "PATCH"};
    char line[256], name[64];
    unsigned found = 0, k, value;
    FILE *f = fopen(path, "r");
    if (!f)
        return -1;
    while (fgets(line, sizeof line, f)) {
        for (k = 0; k < 3; k++) {
            snprintf(name, sizeof name, "#define TQCAL_VERSION_%s %%u", names[k]);
            if (sscanf(line, name, &value) == 1) {
                want[k] = value;
                found |= 1u << k;
            }
        }
    }
    fclose(f);
    return found == 7 ? 0 : -1;
}

/* The version resource: the fixed part's file and product versions, the
 * strings FileVersion and ProductVersion (MAJOR.MINOR.PATCH), a description
 * and a product name, and the image version MAJOR.MINOR, all one version:
 * that of the header when one is named. */
static void version_fact(const struct pe_image *img, const uint8_t *mem, const char *header)
{
    struct pe_version v;
    struct pe_error err;
    unsigned want[3], k;
    char text[PE_VERSION_TEXT], wrong[1024] = "", shown[1536];
    int n = pe_version_info(img, mem, &v, &err);
    if (n <= 0) {
        fact(0, "version", "%s", n < 0 ? err.text : "no version resource (RT_VERSION)");
        return;
    }
    if (header && header_version(header, want) != 0) {
        fact(0, "version", "%s defines no TQCAL_VERSION_MAJOR, _MINOR and _PATCH", header);
        return;
    }
    if (!header) {
        for (k = 0; k < 3; k++)
            want[k] = v.file[k];
        header = "its own file version";
    }
    snprintf(text, sizeof text, "%u.%u.%u", want[0], want[1], want[2]);
    if (v.file[0] != want[0] || v.file[1] != want[1] || v.file[2] != want[2] || v.file[3] != 0)
        snprintf(wrong, sizeof wrong, "file version %u.%u.%u.%u, but %s says %s", v.file[0],
                 v.file[1], v.file[2], v.file[3], header, text);
    else if (memcmp(v.product, v.file, sizeof v.file) != 0)
        snprintf(wrong, sizeof wrong, "product version %u.%u.%u.%u, but %s says %s", v.product[0],
                 v.product[1], v.product[2], v.product[3], header, text);
    else if (strcmp(v.file_version, text) != 0 || strcmp(v.product_version, text) != 0)
        snprintf(wrong, sizeof wrong,
                 "FileVersion \"%s\" and ProductVersion \"%s\", but %s says %s", v.file_version,
                 v.product_version, header, text);
    else if (img->image_major != want[0] || img->image_minor != want[1])
        snprintf(wrong, sizeof wrong, "image version %u.%u, but %s says %s", img->image_major,
                 img->image_minor, header, text);
    else if (!v.file_description[0] || !v.product_name[0])
        snprintf(wrong, sizeof wrong, "no FileDescription or no ProductName");
    snprintf(shown, sizeof shown, "%u.%u.%u.%u, image %u.%u; \"%s\" (%s)%s%s", v.file[0], v.file[1],
             v.file[2], v.file[3], img->image_major, img->image_minor, v.file_description,
             v.product_name, wrong[0] ? "; " : "", wrong);
    fact(!wrong[0], "version", "%s", shown);
}

int main(int argc, char **argv)
{
    const char *path = NULL, *exports_path = NULL, *subsystem_version = NULL,
               *version_header = NULL;
    const char *allowed[MAX_ALLOWED];
    unsigned allowed_count = 0, machines[MAX_MACHINES], machine_count = 0, i;
    int no_imports = 0, version_only = 0, n;
    struct pe_image img;
    struct pe_error err;
    struct pe_reloc_stats stats;
    struct pe_names expected;
    struct import_walk iw;
    struct export_walk ew;
    const struct pe_section *reloc_section, *entry_section;
    uint8_t *file, *mem;
    size_t size = 0;
    char text[1024];

    allowed[allowed_count++] = "coredll.dll";
    for (i = 1; i < (unsigned)argc; i++) {
        const char *a = argv[i];
        if (strcmp(a, "--help") == 0 || strcmp(a, "-h") == 0) {
            fputs(usage_text, stdout);
            return 0;
        }
        if (strcmp(a, "--expect-machine") == 0 && i + 1 < (unsigned)argc) {
            if (machine_count == MAX_MACHINES ||
                parse_machine(argv[++i], &machines[machine_count]) != 0)
                usage();
            machine_count++;
        } else if (strcmp(a, "--exports") == 0 && i + 1 < (unsigned)argc) {
            exports_path = argv[++i];
        } else if (strcmp(a, "--allow-dll") == 0 && i + 1 < (unsigned)argc) {
            if (allowed_count == MAX_ALLOWED)
                usage();
            allowed[allowed_count++] = argv[++i];
        } else if (strcmp(a, "--no-imports") == 0) {
            no_imports = 1;
        } else if (strcmp(a, "--version-header") == 0 && i + 1 < (unsigned)argc) {
            version_header = argv[++i];
        } else if (strcmp(a, "--version-only") == 0) {
            version_only = 1;
        } else if (strcmp(a, "--subsystem-version") == 0 && i + 1 < (unsigned)argc) {
            subsystem_version = argv[++i];
        } else if (a[0] == '-' || path) {
            usage();
        } else {
            path = a;
        }
    }
    if (!path)
        usage();
    if (no_imports)
        allowed_count = 0;

    file = pe_read_file(path, &size, &err);
    if (!file) {
        fprintf(stderr, "tqcal_pe_check: %s\n", err.text);
        return 1;
    }
    if (pe_parse(&img, file, size, &err) != 0) {
        fprintf(stderr, "tqcal_pe_check: %s: %s\n", path, err.text);
        free(file);
        return 1;
    }
    printf("%s: %s, %lu bytes, %u sections, linker %u.%u\n", path, img.pe32plus ? "PE32+" : "PE32",
           (unsigned long)size, img.section_count, (unsigned)img.linker_major,
           (unsigned)img.linker_minor);
    mem = (uint8_t *)calloc(img.size_of_image, 1);
    if (!mem) {
        fprintf(stderr, "tqcal_pe_check: out of memory\n");
        return 1;
    }
    pe_layout(&img, mem);
    if (version_only) {
        version_fact(&img, mem, version_header);
        goto done;
    }

    {
        int ok = machine_count == 0
                     ? (img.machine == PE_MACHINE_ARM || img.machine == PE_MACHINE_THUMB ||
                        img.machine == PE_MACHINE_ARMNT)
                     : 0;
        for (i = 0; i < machine_count; i++)
            ok |= img.machine == machines[i];
        fact(ok, "machine", "0x%04X %s", (unsigned)img.machine, pe_machine_name(img.machine));
    }
    {
        int ce = img.machine == PE_MACHINE_ARM || img.machine == PE_MACHINE_THUMB;
        int ok = ce ? img.subsystem == PE_SUBSYSTEM_WINDOWS_CE_GUI
                    : img.subsystem == PE_SUBSYSTEM_WINDOWS_GUI ||
                          img.subsystem == PE_SUBSYSTEM_WINDOWS_CUI;
        char version[16];
        snprintf(version, sizeof version, "%u.%u", (unsigned)img.subsystem_major,
                 (unsigned)img.subsystem_minor);
        if (subsystem_version && strcmp(subsystem_version, version) != 0)
            ok = 0;
        fact(ok, "subsystem", "%u %s, version %s (operating system %u.%u)%s",
             (unsigned)img.subsystem, pe_subsystem_name(img.subsystem), version,
             (unsigned)img.os_major, (unsigned)img.os_minor,
             subsystem_version && strcmp(subsystem_version, version) != 0 ? ", expected another"
                                                                          : "");
    }
    fact((img.characteristics & PE_FILE_DLL) && (img.characteristics & PE_FILE_EXECUTABLE_IMAGE) &&
             !(img.characteristics & PE_FILE_RELOCS_STRIPPED),
         "characteristics", "0x%04X:%s%s%s%s", (unsigned)img.characteristics,
         (img.characteristics & PE_FILE_DLL) ? " DLL" : " not a DLL",
         (img.characteristics & PE_FILE_EXECUTABLE_IMAGE) ? ", executable image"
                                                          : ", not an executable image",
         (img.characteristics & PE_FILE_32BIT_MACHINE) ? ", 32-bit" : "",
         (img.characteristics & PE_FILE_RELOCS_STRIPPED) ? ", relocations stripped" : "");
    printf(
        "  %-16s preferred base 0x%08X, 0x%X bytes; sections aligned 0x%X, file 0x%X; "
        "DLL characteristics 0x%04X\n",
        "image", (unsigned)img.image_base, (unsigned)img.size_of_image,
        (unsigned)img.section_alignment, (unsigned)img.file_alignment,
        (unsigned)img.dll_characteristics);

    /* Sections: none writable and executable. */
    {
        unsigned wx = 0;
        char first[sizeof img.sections[0].name] = "";
        for (i = 0; i < img.section_count; i++) {
            const struct pe_section *s = &img.sections[i];
            printf("  %-16s %-14s %s at 0x%05X, 0x%X bytes (0x%X in the file)%s\n",
                   i == 0 ? "sections" : "", s->name, permissions(s->characteristics),
                   (unsigned)s->virtual_address, (unsigned)s->virtual_size, (unsigned)s->raw_size,
                   (s->characteristics & PE_SCN_MEM_DISCARDABLE) ? ", discardable" : "");
            if ((s->characteristics & PE_SCN_MEM_WRITE) &&
                (s->characteristics & PE_SCN_MEM_EXECUTE)) {
                if (wx++ == 0)
                    memcpy(first, s->name, sizeof first);
            }
        }
        if (wx)
            fact(0, "W^X", "%u section(s) both writable and executable, the first %s", wx, first);
        else
            fact(1, "W^X", "no section both writable and executable");
    }
    section_permissions(&img);
    if (img.checksum == 0)
        fact(1, "checksum", "none (0: not computed, which only a driver needs)");
    else
        fact(img.checksum == pe_checksum(&img), "checksum",
             "0x%08X in the header, the file's is 0x%08X", (unsigned)img.checksum,
             (unsigned)pe_checksum(&img));

    /* The version, read before the image is relocated. */
    version_fact(&img, mem, version_header);

    /* The image relocated to another base, as the loader does. */
    reloc_section =
        img.directory_count > PE_DIR_BASERELOC && img.directories[PE_DIR_BASERELOC].size > 0
            ? pe_section_at(&img, img.directories[PE_DIR_BASERELOC].rva)
            : NULL;
    if (pe_relocate(&img, mem, img.image_base + 0x01230000u, &stats, &err) != 0) {
        fact(0, "relocations", "%s", err.text);
    } else if (!reloc_section) {
        fact(0, "relocations", "no base relocation directory in a section: the image cannot move");
    } else {
        int named = strcmp(reloc_section->name, ".reloc") == 0;
        unsigned t, fixups = 0;
        text[0] = '\0';
        for (t = 0; t < PE_REL_TYPES; t++) {
            if (stats.by_type[t]) {
                snprintf(text + strlen(text), sizeof text - strlen(text), "%s%u %s",
                         text[0] ? ", " : "", stats.by_type[t], pe_reloc_type_name(t));
                if (t != PE_REL_ABSOLUTE)
                    fixups += stats.by_type[t];
            }
        }
        fact(named && fixups > 0, "relocations", "section %s, 0x%X bytes in %u blocks: %s",
             reloc_section->name, (unsigned)img.directories[PE_DIR_BASERELOC].size, stats.blocks,
             text);
        text[0] = '\0';
        for (i = 0; i < img.section_count; i++) {
            if (stats.per_section[i])
                snprintf(text + strlen(text), sizeof text - strlen(text), "%s%s %u",
                         text[0] ? ", " : "", img.sections[i].name, stats.per_section[i]);
        }
        if (stats.targets_outside)
            fact(0, "fixups", "%u address(es) point outside the image, the first at RVA 0x%X",
                 stats.targets_outside, (unsigned)stats.first_target_outside_rva);
        else
            fact(1, "fixups",
                 "each in a section (%s), each address into the image; applied at "
                 "another base",
                 text);
    }

    /* Imports. */
    memset(&iw, 0, sizeof iw);
    iw.allowed = allowed;
    iw.allowed_count = allowed_count;
    n = pe_imports(&img, mem, note_import, &iw, &err);
    if (n < 0) {
        fact(0, "imports", "%s", err.text);
    } else {
        text[0] = '\0';
        for (i = 0; i < allowed_count; i++)
            snprintf(text + strlen(text), sizeof text - strlen(text), "%s%s", i ? ", " : "",
                     allowed[i]);
        if (iw.refused)
            fact(0, "imports", "%d: %s; %s is not allowed (allowed: %s)", n, iw.listing,
                 iw.first_refused, allowed_count ? text : "none");
        else
            fact(1, "imports", "%d%s%s (allowed: %s)", n, n ? ": " : "", iw.listing,
                 allowed_count ? text : "none");
    }

    /* Exports: exactly the list. */
    memset(&ew, 0, sizeof ew);
    if (exports_path) {
        if (pe_read_names(exports_path, &expected, &err) != 0) {
            fprintf(stderr, "tqcal_pe_check: %s\n", err.text);
            return 2;
        }
        ew.expected = &expected;
    }
    n = pe_exports(&img, mem, note_export, &ew, &err);
    if (n < 0) {
        fact(0, "exports", "%s", err.text);
    } else if (exports_path) {
        unsigned missing = 0, doubled = 0;
        text[0] = '\0';
        for (i = 0; i < expected.count; i++) {
            if (ew.seen[i] == 0) {
                missing++;
                snprintf(text + strlen(text), sizeof text - strlen(text), " %s", expected.name[i]);
            }
            doubled += ew.seen[i] > 1;
        }
        if (missing || ew.extra || doubled)
            fact(0, "exports", "%d names; missing:%s; not on the list:%s%s", n,
                 missing ? text : " none", ew.extra ? ew.extras : " none",
                 doubled ? "; some names twice" : "");
        else
            fact(1, "exports", "%d names, exactly those of %s (%u ARM, %u Thumb)", n, exports_path,
                 ew.arm, ew.thumb);
    } else {
        fact(n > 0, "exports", "%d names (%u ARM, %u Thumb)", n, ew.arm, ew.thumb);
    }

    /* TLS and the other directories the loader refuses, in one verdict. */
    if (img.directory_count > PE_DIR_TLS &&
        (img.directories[PE_DIR_TLS].rva || img.directories[PE_DIR_TLS].size))
        fact(0, "TLS", "a TLS directory at 0x%X", (unsigned)img.directories[PE_DIR_TLS].rva);
    else
        fact(1, "TLS", "none");

    entry_section = img.entry_rva ? pe_section_at(&img, img.entry_rva & ~1u) : NULL;
    fact(entry_section && (entry_section->characteristics & PE_SCN_MEM_EXECUTE) &&
             (img.machine != PE_MACHINE_ARMNT || (img.entry_rva & 1)),
         "entry point", "0x%X%s%s (%s)", (unsigned)img.entry_rva, entry_section ? " in " : "",
         entry_section ? entry_section->name : "", img.entry_rva & 1 ? "Thumb" : "ARM");

    if (pe_check_loadable(&img, &err) != 0)
        fact(0, "loader", "refuses it: %s", err.text);
    else
        fact(1, "loader", "accepts machine, subsystem, characteristics and directories");

done:
    printf("tqcal_pe_check: %u fact%s, %u problem%s\n", facts, facts == 1 ? "" : "s", problems,
           problems == 1 ? "" : "s");
    free(mem);
    free(file);
    return problems ? 1 : 0;
}
