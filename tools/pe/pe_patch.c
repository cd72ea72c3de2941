/*
 * pe_patch.c - tqcal_pe_patch: writes a damaged copy of a good DLL, for the
 * loader's and the checker's bad-input tests (no bad file is kept in the
 * repository: each is made from the DLL under test when the test runs).
 *
 *   tqcal_pe_patch GOOD.dll OUT.dll CASE
 *
 * CASE is one of
 *   truncated-headers   the file cut inside its optional header
 *   truncated-section   the file cut in the middle of the section that ends last
 *   wrong-machine       machine type I386 (0x014C)
 *   reloc-outside       the first relocation block moved to a page beyond the image
 *   unknown-reloc       the first fixup's type made HIGHADJ (4)
 *   missing-export      the name TQCAL_Pow10 spelled XQCAL_Pow10
 *   unlisted-import     an import of kernel32.dll!Sleep, written in unused bytes
 *   msvcrt-import       the same of msvcrt.dll!memcpy, which only an ARMNT image may have
 *   tls                 a TLS directory
 *   writable-edata      the section holding the export directory made writable
 *   bad-checksum        the PE checksum one more than the file's
 *   wrong-version       the version resource's file version a minor version on
 * and the edge copies, which must be accepted:
 *   directory-at-end    the base relocation directory grown (by a block of
 *                       ABSOLUTE padding) to end exactly at SizeOfImage
 *   fixup-at-end        the first HIGHLOW fixup's address made the image's end
 *                       (one past its last byte, as a linker's end symbol is)
 * Every copy but the truncated ones and bad-checksum carries the checksum of
 * its own bytes where the good file has one, so that it has just the one
 * fault it is made for. Exit status 0 when written, 1 when the good file
 * does not allow the case.
 */
#include "pe_image.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static uint8_t *data;
static size_t size;
static struct pe_image img;
static size_t length; /* of the copy: the good file's unless a case cuts or grows it */

static int fail(const char *why)
{
    fprintf(stderr, "tqcal_pe_patch: %s\n", why);
    return 1;
}

/* The file offset of rva, inside a section's bytes or the headers; 0 if none. */
static size_t file_offset(uint32_t rva, uint32_t len)
{
    unsigned i;
    if ((uint64_t)rva + len <= img.size_of_headers)
        return rva;
    for (i = 0; i < img.section_count; i++) {
        const struct pe_section *s = &img.sections[i];
        if (rva >= s->virtual_address &&
            (uint64_t)rva + len <= (uint64_t)s->virtual_address + s->raw_size)
            return s->raw_offset + (rva - s->virtual_address);
    }
    return 0;
}

static size_t directory_offset(unsigned d)
{
    return img.nt_offset + PE_NT_OptionalHeader + PE_OPT_DataDirectory + 8 * d;
}

static void put32(uint32_t rva, uint32_t v)
{
    pe_write32(data + file_offset(rva, 4), v);
}

/* Where section i's header lies in the file. */
static uint8_t *section_header(unsigned i)
{
    return data + img.nt_offset + PE_NT_OptionalHeader +
           pe_read16(data + img.nt_offset + PE_NT_SizeOfOptionalHeader) + PE_SH_SIZE * i;
}

/* The RVA of n unused bytes that the loader maps from the file: the slack
 * after the section table in the headers, or else the file bytes past a
 * section's virtual size (which then grows over them). 0 if none. */
static uint32_t room(uint32_t n)
{
    size_t table_end = (size_t)(section_header(img.section_count) - data);
    uint32_t a = (uint32_t)((table_end + 15) & ~(size_t)15);
    unsigned i;
    if (a + n <= img.size_of_headers)
        return a;
    for (i = 0; i < img.section_count; i++) {
        const struct pe_section *s = &img.sections[i];
        uint32_t limit =
            i + 1 < img.section_count ? img.sections[i + 1].virtual_address : img.size_of_image;
        a = (s->virtual_address + s->virtual_size + 15) & ~15u;
        if (a + n <= s->virtual_address + s->raw_size && a + n <= limit) {
            pe_write32(section_header(i) + PE_SH_VirtualSize, a + n - s->virtual_address);
            img.sections[i].virtual_size = a + n - s->virtual_address;
            return a;
        }
    }
    return 0;
}

/* The import directory made to hold one import, dll!function (at most 15
 * and 5 characters), written in unused bytes. */
static int add_import(const char *dll, const char *function)
{
    uint32_t a = room(80);
    if (img.directory_count <= PE_DIR_IMPORT || !a)
        return fail("no room for an import table in the headers or a section's file bytes");
    memset(data + file_offset(a, 80), 0, 80);
    put32(a, a + 40);      /* the lookup table */
    put32(a + 12, a + 56); /* the DLL's name */
    put32(a + 16, a + 48); /* the address table */
    put32(a + 40, a + 72);
    put32(a + 48, a + 72);
    memcpy(data + file_offset(a + 56, 16), dll, strlen(dll) + 1);
    memcpy(data + file_offset(a + 74, 6), function, strlen(function) + 1);
    pe_write32(data + directory_offset(PE_DIR_IMPORT), a);
    pe_write32(data + directory_offset(PE_DIR_IMPORT) + 4, 40);
    return 0;
}

/* The file offset of the first base relocation entry other than padding
 * (of type HIGHLOW when highlow), its RVA in *rva; 0 if none. */
static size_t first_fixup(int highlow, uint32_t *rva)
{
    const struct pe_directory *d = &img.directories[PE_DIR_BASERELOC];
    size_t at = d->size >= 8 ? file_offset(d->rva, d->size) : 0, end = at + d->size, e;
    for (; at && at + 8 <= end; at += pe_read32(data + at + 4)) {
        size_t block = pe_read32(data + at + 4);
        if (block < 8)
            break;
        for (e = at + 8; e + 2 <= at + block; e += 2) {
            unsigned type = data[e + 1] >> 4;
            if (highlow ? type == PE_REL_HIGHLOW : type != PE_REL_ABSOLUTE) {
                *rva = pe_read32(data + at) + (pe_read16(data + e) & 0x0FFFu);
                return e;
            }
        }
    }
    return 0;
}

/* The base relocation directory grown to end exactly at SizeOfImage by one
 * more block, of ABSOLUTE entries only, in the section that holds it, which
 * must come last in the image and in the file (a COFF symbol table after it
 * is dropped). Returns the new length of the file, or 0. */
static size_t relocations_to_end(void)
{
    const struct pe_directory *d = &img.directories[PE_DIR_BASERELOC];
    const struct pe_section *s = d->size ? pe_section_at(&img, d->rva) : NULL;
    uint32_t end = d->rva + d->size, pad = img.size_of_image - end;
    size_t at;
    if (s && pe_read32(data + img.nt_offset + PE_NT_PointerToSymbolTable) ==
                 (uint64_t)s->raw_offset + s->raw_size) {
        pe_write32(data + img.nt_offset + PE_NT_PointerToSymbolTable, 0);
        pe_write32(data + img.nt_offset + PE_NT_NumberOfSymbols, 0);
        size = s->raw_offset + s->raw_size;
    }
    if (!s || s != &img.sections[img.section_count - 1] ||
        (uint64_t)s->raw_offset + s->raw_size != size || pad < 8 || pad % 4 != 0 ||
        end - s->virtual_address > s->raw_size)
        return 0;
    at = s->raw_offset + (end - s->virtual_address);
    memset(data + at, 0, s->raw_offset + (img.size_of_image - s->virtual_address) - at);
    pe_write32(data + at + 4, pad);
    pe_write32(section_header(img.section_count - 1) + PE_SH_VirtualSize,
               img.size_of_image - s->virtual_address);
    pe_write32(section_header(img.section_count - 1) + PE_SH_SizeOfRawData,
               img.size_of_image - s->virtual_address);
    pe_write32(data + directory_offset(PE_DIR_BASERELOC) + 4, d->size + pad);
    return s->raw_offset + (img.size_of_image - s->virtual_address);
}

static int write_file(const char *path, size_t length)
{
    FILE *f = fopen(path, "wb");
    if (!f || fwrite(data, 1, length, f) != length || fclose(f) != 0)
        return fail("cannot write the copy");
    return 0;
}

struct find {
    const char *name;
    uint32_t name_rva;
    const uint8_t *mem;
};

static int find_name(void *user, const char *name, uint32_t rva, struct pe_error *err)
{
    struct find *f = (struct find *)user;
    (void)rva;
    (void)err;
    if (strcmp(name, f->name) == 0)
        f->name_rva = (uint32_t)((const uint8_t *)name - f->mem);
    return 0;
}

/* The cases. Each changes data (and length where it cuts or grows the
 * copy); 0, or 1 when the good file does not allow it, after saying why. */

static int truncated_headers(void)
{
    length = img.nt_offset + PE_NT_OptionalHeader + PE_OPT_SizeOfHeaders;
    return 0;
}

static int truncated_section(void)
{
    unsigned i, last = 0;
    for (i = 1; i < img.section_count; i++) {
        if (img.sections[i].raw_offset + img.sections[i].raw_size >
            img.sections[last].raw_offset + img.sections[last].raw_size)
            last = i;
    }
    length = img.sections[last].raw_offset + img.sections[last].raw_size / 2;
    return 0;
}

static int wrong_machine(void)
{
    data[img.nt_offset + PE_NT_Machine] = 0x4C; /* I386, 0x014C */
    data[img.nt_offset + PE_NT_Machine + 1] = 0x01;
    return 0;
}

static int reloc_outside(void)
{
    const struct pe_directory *d = &img.directories[PE_DIR_BASERELOC];
    size_t at = d->size >= 8 ? file_offset(d->rva, d->size) : 0;
    if (!at)
        return fail("the DLL has no base relocations in its file bytes");
    pe_write32(data + at, img.size_of_image + 0x1000);
    return 0;
}

static int unknown_reloc(void)
{
    uint32_t rva;
    size_t e = first_fixup(0, &rva);
    if (!e)
        return fail("the DLL has no fixup but padding");
    data[e + 1] = (uint8_t)((data[e + 1] & 0x0F) | 0x40);
    return 0;
}

static int fixup_at_end(void)
{
    uint32_t rva = 0;
    size_t at = first_fixup(1, &rva) ? file_offset(rva, 4) : 0;
    if (!at)
        return fail("the DLL has no HIGHLOW fixup in its file bytes");
    pe_write32(data + at, img.image_base + img.size_of_image);
    return 0;
}

static int directory_at_end(void)
{
    length = relocations_to_end();
    if (!length)
        return fail("the base relocations do not come last, or end too near the image's end");
    return 0;
}

static int missing_export(void)
{
    struct find find;
    struct pe_error err;
    size_t at;
    uint8_t *mem = (uint8_t *)calloc(img.size_of_image, 1);
    if (!mem)
        return fail("out of memory");
    pe_layout(&img, mem);
    find.name = "TQCAL_Pow10";
    find.name_rva = 0;
    find.mem = mem;
    if (pe_exports(&img, mem, find_name, &find, &err) < 0)
        return fail(err.text);
    at = find.name_rva ? file_offset(find.name_rva, 1) : 0;
    if (!at)
        return fail("the DLL does not export TQCAL_Pow10");
    data[at] = 'X';
    free(mem);
    return 0;
}

static int tls(void)
{
    if (img.directory_count <= PE_DIR_TLS)
        return fail("the DLL has no room for a TLS directory entry");
    pe_write32(data + directory_offset(PE_DIR_TLS), img.sections[0].virtual_address);
    pe_write32(data + directory_offset(PE_DIR_TLS) + 4, 24);
    return 0;
}

static int writable_edata(void)
{
    const struct pe_section *s = pe_section_at(&img, img.directories[PE_DIR_EXPORT].rva);
    if (!s || img.directories[PE_DIR_EXPORT].size == 0)
        return fail("the DLL has no export directory in a section");
    pe_write32(section_header((unsigned)(s - img.sections)) + PE_SH_Characteristics,
               s->characteristics | PE_SCN_MEM_WRITE);
    return 0;
}

static int wrong_version(void)
{
    /* VS_FIXEDFILEINFO's signature, then the structure's version, then
     * the file version: minor in the low half of its first word. */
    static const uint8_t FIXED_FILE_INFO_SIGNATURE[4] = {0xBD, 0x04, 0xEF, 0xFE};
    size_t at;
    for (at = 0; at + 12 <= size && memcmp(data + at, FIXED_FILE_INFO_SIGNATURE, 4) != 0; at += 4) {
    }
    if (at + 12 > size)
        return fail("the DLL has no version resource");
    data[at + 8]++;
    return 0;
}

static int bad_checksum(void)
{
    pe_write32(data + img.checksum_offset, img.checksum + 1);
    return 0;
}

/* Each case: its name; what makes it, or for an import case (make NULL)
 * the import dll!function it adds; and whether the copy then gets the
 * checksum of its own bytes (where the good file has one and the copy still
 * parses), so that it has just the one fault it is made for. */
struct patch_case {
    const char *name;
    int (*make)(void);
    const char *dll, *function;
    int own_checksum;
};

static const struct patch_case PATCH_CASES[] = {
    {"truncated-headers", truncated_headers, NULL, NULL, 1},
    {"truncated-section", truncated_section, NULL, NULL, 1},
    {"wrong-machine", wrong_machine, NULL, NULL, 1},
    {"reloc-outside", reloc_outside, NULL, NULL, 1},
    {"unknown-reloc", unknown_reloc, NULL, NULL, 1},
    {"fixup-at-end", fixup_at_end, NULL, NULL, 1},
    {"directory-at-end", directory_at_end, NULL, NULL, 1},
    {"missing-export", missing_export, NULL, NULL, 1},
    {"unlisted-import", NULL, "kernel32.dll", "Sleep", 1},
    {"msvcrt-import", NULL, "msvcrt.dll", "memcpy", 1},
    {"tls", tls, NULL, NULL, 1},
    {"writable-edata", writable_edata, NULL, NULL, 1},
    {"wrong-version", wrong_version, NULL, NULL, 1},
    {"bad-checksum", bad_checksum, NULL, NULL, 0}};

int main(int argc, char **argv)
{
    const struct patch_case *c = NULL;
    struct pe_error err;
    FILE *f;
    size_t i;
    if (argc == 2 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0)) {
        printf("usage: tqcal_pe_patch GOOD.dll OUT.dll CASE\n");
        return 0;
    }
    if (argc != 4) {
        fprintf(stderr, "usage: tqcal_pe_patch GOOD.dll OUT.dll CASE\n");
        return 2;
    }
    f = fopen(argv[1], "rb");
    if (!f)
        return fail("cannot open the good DLL");
    data = (uint8_t *)malloc(64u << 20);
    size = data ? fread(data, 1, 64u << 20, f) : 0;
    fclose(f);
    if (pe_parse(&img, data, size, &err) != 0)
        return fail(err.text);
    length = size;
    for (i = 0; i < sizeof PATCH_CASES / sizeof PATCH_CASES[0]; i++) {
        if (strcmp(argv[3], PATCH_CASES[i].name) == 0)
            c = &PATCH_CASES[i];
    }
    if (!c) {
        fprintf(stderr, "tqcal_pe_patch: no case '%s'\n", argv[3]);
        return 2;
    }
    if ((c->make ? c->make() : add_import(c->dll, c->function)) != 0)
        return 1;
    if (c->own_checksum && img.checksum != 0 && pe_parse(&img, data, length, &err) == 0)
        pe_write32(data + img.checksum_offset, pe_checksum(&img));
    return write_file(argv[2], length);
}
