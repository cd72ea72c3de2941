/*
 * pe_check.c - tqcal_pe_check: the facts of a 32-bit ARM Windows DLL, read
 * with the loader's own reader (pe_image.h), printed one a line and judged.
 *
 *   tqcal_pe_check DLL [--expect-machine M]... [--exports FILE]
 *                      [--allow-dll NAME]... [--no-imports]
 *                      [--subsystem-version X.Y] [--version-header H]
 *                      [--description TEXT] [--version-only]
 *
 * M is a number (0x01C2) or ARM, THUMB, ARMNT. Imports: by default only
 * coredll.dll (Windows CE's C runtime) may be imported; --allow-dll adds a
 * DLL (msvcrt.dll for the Windows RT build), --no-imports allows none.
 * The version resource must agree with itself and with the image version;
 * with --version-header, also with the version the header H defines
 * (TQCAL_VERSION_MAJOR, _MINOR, _PATCH), and with --description its
 * FileDescription must be TEXT. --version-only judges the version
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

static const char USAGE_TEXT[] =
    "usage: tqcal_pe_check DLL [--expect-machine M]... [--exports FILE]\n"
    "                          [--allow-dll NAME]... [--no-imports]\n"
    "                          [--subsystem-version X.Y] [--version-header H]\n"
    "                          [--description TEXT] [--version-only]\n";

/* A mistake in the arguments: the usage on standard error, status 2. */
static void usage(void)
{
    fputs(USAGE_TEXT, stderr);
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
    const char *const *allowed;
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
    struct pe_export_match match; /* when a list is named */
    int listed;
    char extras[512];
    unsigned thumb, arm;
};

static int note_export(void *user, const char *name, uint32_t rva, struct pe_error *err)
{
    struct export_walk *w = (struct export_walk *)user;
    (void)err;
    if (rva & 1)
        w->thumb++;
    else
        w->arm++;
    if (w->listed && !pe_match_export(&w->match, name) &&
        strlen(w->extras) + strlen(name) + 2 < sizeof w->extras) {
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
    static const int READ_ONLY_DIRECTORIES[] = {PE_DIR_EXPORT, PE_DIR_RESOURCE, PE_DIR_BASERELOC,
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
        for (k = 0; k < sizeof READ_ONLY_DIRECTORIES / sizeof READ_ONLY_DIRECTORIES[0]; k++) {
            const struct pe_directory *d = &img->directories[READ_ONLY_DIRECTORIES[k]];
            if (READ_ONLY_DIRECTORIES[k] < (int)img->directory_count && d->size != 0 &&
                pe_section_at(img, d->rva) == s) {
                snprintf(directory, sizeof directory, "the %s directory",
                         pe_directory_name((unsigned)READ_ONLY_DIRECTORIES[k]));
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
    static const char *const VERSION_PARTS[3] = {"MAJOR", "MINOR", "PATCH"};
    char line[256], name[64];
    unsigned found = 0, k, value;
    FILE *f = fopen(path, "r");
    if (!f)
        return -1;
    while (fgets(line, sizeof line, f)) {
        for (k = 0; k < 3; k++) {
            snprintf(name, sizeof name, "#define TQCAL_VERSION_%s %%u", VERSION_PARTS[k]);
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
 * that of the header when one is named; the description the one named, if
 * any. */
static void version_fact(const struct pe_image *img, const uint8_t *mem, const char *header,
                         const char *description)
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
    else if (description && strcmp(v.file_description, description) != 0)
        snprintf(wrong, sizeof wrong, "FileDescription \"%s\", but the build says \"%s\"",
                 v.file_description, description);
    snprintf(shown, sizeof shown, "%u.%u.%u.%u, image %u.%u; \"%s\" (%s)%s%s", v.file[0], v.file[1],
             v.file[2], v.file[3], img->image_major, img->image_minor, v.file_description,
             v.product_name, wrong[0] ? "; " : "", wrong);
    fact(!wrong[0], "version", "%s", shown);
}

/* What the command line asks. */
struct options {
    const char *path, *exports_path, *subsystem_version, *version_header, *description;
    const char *allowed[MAX_ALLOWED];
    unsigned allowed_count, machines[MAX_MACHINES], machine_count;
    int version_only;
};

/* Reads the arguments into *o; --help prints the usage and exits 0, a
 * mistake exits 2. */
static void parse_arguments(int argc, char **argv, struct options *o)
{
    unsigned i;
    int no_imports = 0;
    memset(o, 0, sizeof *o);
    o->allowed[o->allowed_count++] = "coredll.dll";
    for (i = 1; i < (unsigned)argc; i++) {
        const char *a = argv[i];
        int has_value = i + 1 < (unsigned)argc;
        if (strcmp(a, "--help") == 0 || strcmp(a, "-h") == 0) {
            fputs(USAGE_TEXT, stdout);
            exit(0);
        }
        if (strcmp(a, "--expect-machine") == 0 && has_value) {
            if (o->machine_count == MAX_MACHINES ||
                parse_machine(argv[++i], &o->machines[o->machine_count]) != 0)
                usage();
            o->machine_count++;
        } else if (strcmp(a, "--exports") == 0 && has_value) {
            o->exports_path = argv[++i];
        } else if (strcmp(a, "--allow-dll") == 0 && has_value) {
            if (o->allowed_count == MAX_ALLOWED)
                usage();
            o->allowed[o->allowed_count++] = argv[++i];
        } else if (strcmp(a, "--no-imports") == 0) {
            no_imports = 1;
        } else if (strcmp(a, "--version-header") == 0 && has_value) {
            o->version_header = argv[++i];
        } else if (strcmp(a, "--description") == 0 && has_value) {
            o->description = argv[++i];
        } else if (strcmp(a, "--version-only") == 0) {
            o->version_only = 1;
        } else if (strcmp(a, "--subsystem-version") == 0 && has_value) {
            o->subsystem_version = argv[++i];
        } else if (a[0] == '-' || o->path) {
            usage();
        } else {
            o->path = a;
        }
    }
    if (!o->path)
        usage();
    if (no_imports)
        o->allowed_count = 0;
}

/* The file header and the optional header: machine, subsystem,
 * characteristics, and the layout (printed, not judged). */
static void header_facts(const struct pe_image *img, const struct options *o)
{
    unsigned i;
    int ok = o->machine_count == 0 ? pe_arm_windows_machine(img->machine) : 0;
    char version[16];
    for (i = 0; i < o->machine_count; i++)
        ok |= img->machine == o->machines[i];
    fact(ok, "machine", "0x%04X %s", (unsigned)img->machine, pe_machine_name(img->machine));

    snprintf(version, sizeof version, "%u.%u", (unsigned)img->subsystem_major,
             (unsigned)img->subsystem_minor);
    ok = !o->subsystem_version || strcmp(o->subsystem_version, version) == 0;
    fact(ok && pe_subsystem_fits(img), "subsystem", "%u %s, version %s (operating system %u.%u)%s",
         (unsigned)img->subsystem, pe_subsystem_name(img->subsystem), version,
         (unsigned)img->os_major, (unsigned)img->os_minor, ok ? "" : ", expected another");

    fact(pe_movable_dll(img->characteristics), "characteristics", "0x%04X:%s%s%s%s",
         (unsigned)img->characteristics,
         (img->characteristics & PE_FILE_DLL) ? " DLL" : " not a DLL",
         (img->characteristics & PE_FILE_EXECUTABLE_IMAGE) ? ", executable image"
                                                           : ", not an executable image",
         (img->characteristics & PE_FILE_32BIT_MACHINE) ? ", 32-bit" : "",
         (img->characteristics & PE_FILE_RELOCS_STRIPPED) ? ", relocations stripped" : "");
    printf(
        "  %-16s preferred base 0x%08X, 0x%X bytes; sections aligned 0x%X, file 0x%X; "
        "DLL characteristics 0x%04X\n",
        "image", (unsigned)img->image_base, (unsigned)img->size_of_image,
        (unsigned)img->section_alignment, (unsigned)img->file_alignment,
        (unsigned)img->dll_characteristics);
}

/* The sections, listed; none writable and executable; each with the
 * permissions its content needs; the checksum of the file. */
static void section_facts(const struct pe_image *img)
{
    unsigned wx = 0, i;
    char first[sizeof img->sections[0].name] = "";
    for (i = 0; i < img->section_count; i++) {
        const struct pe_section *s = &img->sections[i];
        printf("  %-16s %-14s %s at 0x%05X, 0x%X bytes (0x%X in the file)%s\n",
               i == 0 ? "sections" : "", s->name, permissions(s->characteristics),
               (unsigned)s->virtual_address, (unsigned)s->virtual_size, (unsigned)s->raw_size,
               (s->characteristics & PE_SCN_MEM_DISCARDABLE) ? ", discardable" : "");
        if ((s->characteristics & PE_SCN_MEM_WRITE) && (s->characteristics & PE_SCN_MEM_EXECUTE)) {
            if (wx++ == 0)
                memcpy(first, s->name, sizeof first);
        }
    }
    if (wx)
        fact(0, "W^X", "%u section(s) both writable and executable, the first %s", wx, first);
    else
        fact(1, "W^X", "no section both writable and executable");
    section_permissions(img);
    if (img->checksum == 0)
        fact(1, "checksum", "none (0: not computed, which only a driver needs)");
    else
        fact(img->checksum == pe_checksum(img), "checksum",
             "0x%08X in the header, the file's is 0x%08X", (unsigned)img->checksum,
             (unsigned)pe_checksum(img));
}

/* The fixups of the laid-out image mem, by type and by section, after
 * pe_relocate moved it: in the .reloc section, and each into the image. */
static void fixup_facts(const struct pe_image *img, const struct pe_section *reloc_section,
                        const struct pe_reloc_stats *stats)
{
    int named = strcmp(reloc_section->name, ".reloc") == 0;
    unsigned t, i, fixups = 0;
    char text[1024] = "";
    for (t = 0; t < PE_REL_TYPES; t++) {
        if (stats->by_type[t]) {
            snprintf(text + strlen(text), sizeof text - strlen(text), "%s%u %s",
                     text[0] ? ", " : "", stats->by_type[t], pe_reloc_type_name(t));
            if (t != PE_REL_ABSOLUTE)
                fixups += stats->by_type[t];
        }
    }
    fact(named && fixups > 0, "relocations", "section %s, 0x%X bytes in %u blocks: %s",
         reloc_section->name, (unsigned)img->directories[PE_DIR_BASERELOC].size, stats->blocks,
         text);
    text[0] = '\0';
    for (i = 0; i < img->section_count; i++) {
        if (stats->per_section[i])
            snprintf(text + strlen(text), sizeof text - strlen(text), "%s%s %u",
                     text[0] ? ", " : "", img->sections[i].name, stats->per_section[i]);
    }
    if (stats->targets_outside)
        fact(0, "fixups", "%u address(es) point outside the image, the first at RVA 0x%X",
             stats->targets_outside, (unsigned)stats->first_target_outside_rva);
    else
        fact(1, "fixups",
             "each in a section (%s), each address into the image; applied at "
             "another base",
             text);
}

/* The image relocated to another base, as the loader does. */
static void relocation_facts(const struct pe_image *img, uint8_t *mem)
{
    struct pe_reloc_stats stats;
    struct pe_error err;
    const struct pe_section *reloc_section =
        pe_has_base_relocations(img) ? pe_section_at(img, img->directories[PE_DIR_BASERELOC].rva)
                                     : NULL;
    if (pe_relocate(img, mem, img->image_base + 0x01230000u, &stats, &err) != 0)
        fact(0, "relocations", "%s", err.text);
    else if (!reloc_section)
        fact(0, "relocations", "no base relocation directory in a section: the image cannot move");
    else
        fixup_facts(img, reloc_section, &stats);
}

/* The imported functions, each from an allowed DLL. */
static void import_facts(const struct pe_image *img, const uint8_t *mem, const struct options *o)
{
    struct import_walk iw;
    struct pe_error err;
    char text[1024] = "";
    unsigned i;
    int n;
    memset(&iw, 0, sizeof iw);
    iw.allowed = o->allowed;
    iw.allowed_count = o->allowed_count;
    n = pe_imports(img, mem, note_import, &iw, &err);
    if (n < 0) {
        fact(0, "imports", "%s", err.text);
        return;
    }
    for (i = 0; i < o->allowed_count; i++)
        snprintf(text + strlen(text), sizeof text - strlen(text), "%s%s", i ? ", " : "",
                 o->allowed[i]);
    if (iw.refused)
        fact(0, "imports", "%d: %s; %s is not allowed (allowed: %s)", n, iw.listing,
             iw.first_refused, o->allowed_count ? text : "none");
    else
        fact(1, "imports", "%d%s%s (allowed: %s)", n, n ? ": " : "", iw.listing,
             o->allowed_count ? text : "none");
}

/* The exported names: with --exports, exactly those of the list. Returns
 * 0, or 2 when the list cannot be read. */
static int export_facts(const struct pe_image *img, const uint8_t *mem, const struct options *o)
{
    static struct pe_names expected;
    struct export_walk ew;
    struct pe_error err;
    unsigned i, missing = 0, doubled = 0;
    char text[1024] = "";
    int n;
    memset(&ew, 0, sizeof ew);
    if (o->exports_path) {
        if (pe_read_names(o->exports_path, &expected, &err) != 0) {
            fprintf(stderr, "tqcal_pe_check: %s\n", err.text);
            return 2;
        }
        pe_match_begin(&ew.match, expected.list, expected.count);
        ew.listed = 1;
    }
    n = pe_exports(img, mem, note_export, &ew, &err);
    if (n < 0) {
        fact(0, "exports", "%s", err.text);
    } else if (!o->exports_path) {
        fact(n > 0, "exports", "%d names (%u ARM, %u Thumb)", n, ew.arm, ew.thumb);
    } else if (pe_match_exact(&ew.match, &missing, &doubled)) {
        fact(1, "exports", "%d names, exactly those of %s (%u ARM, %u Thumb)", n, o->exports_path,
             ew.arm, ew.thumb);
    } else {
        for (i = 0; i < expected.count; i++) {
            if (ew.match.seen[i] == 0)
                snprintf(text + strlen(text), sizeof text - strlen(text), " %s", expected.name[i]);
        }
        fact(0, "exports", "%d names; missing:%s; not on the list:%s%s", n,
             missing ? text : " none", ew.match.extra ? ew.extras : " none",
             doubled ? "; some names twice" : "");
    }
    return 0;
}

/* What only the loader judges: TLS, the entry point, and its own verdict. */
static void loader_facts(const struct pe_image *img)
{
    const struct pe_section *where =
        img->entry_rva ? pe_section_at(img, img->entry_rva & ~1u) : NULL;
    struct pe_error err;
    if (pe_has_directory(img, PE_DIR_TLS))
        fact(0, "TLS", "a TLS directory at 0x%X", (unsigned)img->directories[PE_DIR_TLS].rva);
    else
        fact(1, "TLS", "none");
    fact(pe_entry_section(img) && (img->machine != PE_MACHINE_ARMNT || (img->entry_rva & 1)),
         "entry point", "0x%X%s%s (%s)", (unsigned)img->entry_rva, where ? " in " : "",
         where ? where->name : "", img->entry_rva & 1 ? "Thumb" : "ARM");
    if (pe_check_loadable(img, &err) != 0)
        fact(0, "loader", "refuses it: %s", err.text);
    else
        fact(1, "loader", "accepts machine, subsystem, characteristics and directories");
}

int main(int argc, char **argv)
{
    struct options o;
    struct pe_image img;
    struct pe_error err;
    uint8_t *file, *mem;
    size_t size = 0;

    parse_arguments(argc, argv, &o);
    file = pe_read_file(o.path, &size, &err);
    if (!file) {
        fprintf(stderr, "tqcal_pe_check: %s\n", err.text);
        return 1;
    }
    if (pe_parse(&img, file, size, &err) != 0) {
        fprintf(stderr, "tqcal_pe_check: %s: %s\n", o.path, err.text);
        free(file);
        return 1;
    }
    printf("%s: %s, %lu bytes, %u sections, linker %u.%u\n", o.path,
           img.pe32plus ? "PE32+" : "PE32", (unsigned long)size, img.section_count,
           (unsigned)img.linker_major, (unsigned)img.linker_minor);
    mem = (uint8_t *)calloc(img.size_of_image, 1);
    if (!mem) {
        fprintf(stderr, "tqcal_pe_check: out of memory\n");
        return 1;
    }
    pe_layout(&img, mem);
    if (!o.version_only) {
        header_facts(&img, &o);
        section_facts(&img);
    }
    /* The version, read before the image is relocated. */
    version_fact(&img, mem, o.version_header, o.description);
    if (!o.version_only) {
        relocation_facts(&img, mem);
        import_facts(&img, mem, &o);
        if (export_facts(&img, mem, &o) != 0)
            return 2;
        loader_facts(&img);
    }
    printf("tqcal_pe_check: %u fact%s, %u problem%s\n", facts, facts == 1 ? "" : "s", problems,
           problems == 1 ? "" : "s");
    free(mem);
    free(file);
    return problems ? 1 : 0;
}
