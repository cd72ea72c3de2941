/*
 * pe_image.c - reading, checking and laying out a 32-bit ARM Windows DLL.
 * See pe_image.h. Offsets are those of the PE/COFF file format; every
 * sum of an offset and a size is formed in 64 bits before it is compared.
 */
#include "pe_image.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

uint16_t pe_read16(const uint8_t *p)
{
    return (uint16_t)(p[0] | (p[1] << 8));
}

uint32_t pe_read32(const uint8_t *p)
{
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}

static void write16(uint8_t *p, uint16_t v)
{
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
}

void pe_write32(uint8_t *p, uint32_t v)
{
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
    p[2] = (uint8_t)(v >> 16);
    p[3] = (uint8_t)(v >> 24);
}

int pe_fail(struct pe_error *err, const char *format, ...)
{
    va_list args;
    if (err) {
        va_start(args, format);
        vsnprintf(err->text, sizeof err->text, format, args);
        va_end(args);
    }
    return -1;
}

const char *pe_machine_name(uint16_t machine)
{
    switch (machine) {
    case PE_MACHINE_ARM: return "ARM (ARM code: Windows CE)";
    case PE_MACHINE_THUMB: return "THUMB (ARM code with Thumb interworking: Windows CE, ARMV4I)";
    case PE_MACHINE_ARMNT:
        return "ARMNT (Thumb-2, hard float: the Windows RT / Windows on ARM32 class)";
    case 0x014C: return "I386 (32-bit x86)";
    case 0x8664: return "AMD64 (64-bit x86)";
    case 0xAA64: return "ARM64";
    default: return "unknown";
    }
}

const char *pe_subsystem_name(uint16_t subsystem)
{
    switch (subsystem) {
    case 1: return "NATIVE";
    case PE_SUBSYSTEM_WINDOWS_GUI: return "WINDOWS_GUI";
    case PE_SUBSYSTEM_WINDOWS_CUI: return "WINDOWS_CUI";
    case PE_SUBSYSTEM_WINDOWS_CE_GUI: return "WINDOWS_CE_GUI";
    default: return "unknown";
    }
}

const char *pe_reloc_type_name(unsigned type)
{
    static const char *const RELOCATION_TYPE_NAMES[PE_REL_TYPES] = {
        "ABSOLUTE", "HIGH",        "LOW",          "HIGHLOW",        "HIGHADJ", "ARM_MOV32",
        "RESERVED", "THUMB_MOV32", "RISCV_LOW12S", "MIPS_JMPADDR16", "DIR64",   "type 11",
        "type 12",  "type 13",     "type 14",      "type 15"};
    return type < PE_REL_TYPES ? RELOCATION_TYPE_NAMES[type] : "unknown";
}

int pe_hard_float(const struct pe_image *img)
{
    return img->machine == PE_MACHINE_ARMNT;
}

static int is_windows_ce(uint16_t machine)
{
    return machine == PE_MACHINE_ARM || machine == PE_MACHINE_THUMB;
}

static int power_of_two(uint32_t v)
{
    return v != 0 && (v & (v - 1)) == 0;
}

/* rva[0..len) lies inside the image. */
static int in_image(const struct pe_image *img, uint32_t rva, uint64_t len)
{
    return (uint64_t)rva + len <= img->size_of_image;
}

const struct pe_section *pe_section_at(const struct pe_image *img, uint32_t rva)
{
    unsigned i;
    for (i = 0; i < img->section_count; i++) {
        const struct pe_section *s = &img->sections[i];
        if (rva >= s->virtual_address &&
            (uint64_t)rva < (uint64_t)s->virtual_address + s->virtual_size)
            return s;
    }
    return NULL;
}

/* rva[0..len) lies inside one section. */
static const struct pe_section *section_span(const struct pe_image *img, uint32_t rva, uint32_t len)
{
    const struct pe_section *s = pe_section_at(img, rva);
    if (s && (uint64_t)rva + len <= (uint64_t)s->virtual_address + s->virtual_size)
        return s;
    return NULL;
}

/* A section name "/N" is at offset N of the COFF string table (after the
 * symbol table), where the file has one; otherwise it stays "/N". */
static void long_name(const struct pe_image *img, char *name, size_t room)
{
    uint32_t symbols = pe_read32(img->file + img->nt_offset + PE_NT_PointerToSymbolTable);
    uint32_t count = pe_read32(img->file + img->nt_offset + PE_NT_NumberOfSymbols);
    uint64_t at = (uint64_t)symbols + 18ull * count;
    unsigned long offset = 0;
    size_t n;
    const char *p;
    if (name[0] != '/' || name[1] < '0' || name[1] > '9' || symbols == 0)
        return;
    for (p = name + 1; *p >= '0' && *p <= '9'; p++)
        offset = offset * 10 + (unsigned long)(*p - '0');
    at += offset;
    for (n = 0; at + n < img->file_size && n + 1 < room; n++) {
        char c = (char)img->file[at + n];
        if (c == '\0') {
            memcpy(name, img->file + at, n);
            name[n] = '\0';
            return;
        }
        if (c < 0x20 || c > 0x7E)
            return;
    }
}

static const char *const DIRECTORY_NAMES[PE_DIR_COUNT] = {"export",
                                                          "import",
                                                          "resource",
                                                          "exception",
                                                          "certificate",
                                                          "base relocation",
                                                          "debug",
                                                          "architecture",
                                                          "global pointer",
                                                          "TLS",
                                                          "load configuration",
                                                          "bound import",
                                                          "import address table",
                                                          "delay-load import",
                                                          "CLR runtime",
                                                          "reserved"};

const char *pe_directory_name(unsigned directory)
{
    return directory < PE_DIR_COUNT ? DIRECTORY_NAMES[directory] : "unknown";
}

/* The file header at nt and the optional header after it: their fields
 * into *img, the optional header's size into *opt_size. */
static int parse_headers(struct pe_image *img, uint32_t nt, uint32_t *opt_size,
                         struct pe_error *err)
{
    const uint8_t *file = img->file;
    size_t size = img->file_size;
    uint32_t opt = nt + PE_NT_OptionalHeader, directories;
    if (memcmp(file + nt, "PE\0\0", 4) != 0)
        return pe_fail(err, "not a PE file: no PE signature at offset 0x%X", (unsigned)nt);
    img->nt_offset = nt;
    img->machine = pe_read16(file + nt + PE_NT_Machine);
    img->time_date_stamp = pe_read32(file + nt + PE_NT_TimeDateStamp);
    *opt_size = pe_read16(file + nt + PE_NT_SizeOfOptionalHeader);
    img->characteristics = pe_read16(file + nt + PE_NT_Characteristics);
    if (*opt_size < PE_OPT_DataDirectory)
        return pe_fail(err, "the optional header has %u bytes, fewer than a PE32 image's 96",
                       (unsigned)*opt_size);
    if ((uint64_t)opt + *opt_size > size)
        return pe_fail(err,
                       "truncated: the optional header ends beyond the end of the file "
                       "(%lu bytes)",
                       (unsigned long)size);
    img->pe32plus = pe_read16(file + opt + PE_OPT_Magic) == 0x20B;
    if (pe_read16(file + opt + PE_OPT_Magic) != 0x10B && !img->pe32plus)
        return pe_fail(err, "not a PE image: optional header magic 0x%X",
                       (unsigned)pe_read16(file + opt + PE_OPT_Magic));
    /* A PE32+ header has a 64-bit base where PE32 has BaseOfData and the
     * base, and 64-bit stack and heap sizes: the directories come later. */
    directories = img->pe32plus ? PE_OPT_DataDirectory_PE32PLUS : PE_OPT_DataDirectory;
    if (*opt_size < directories)
        return pe_fail(err, "the optional header has %u bytes, fewer than a PE32+ image's 112",
                       (unsigned)*opt_size);
    img->linker_major = file[opt + PE_OPT_MajorLinkerVersion];
    img->linker_minor = file[opt + PE_OPT_MinorLinkerVersion];
    img->entry_rva = pe_read32(file + opt + PE_OPT_AddressOfEntryPoint);
    img->image_base =
        pe_read32(file + opt + (img->pe32plus ? PE_OPT_ImageBase_PE32PLUS : PE_OPT_ImageBase));
    img->section_alignment = pe_read32(file + opt + PE_OPT_SectionAlignment);
    img->file_alignment = pe_read32(file + opt + PE_OPT_FileAlignment);
    img->os_major = pe_read16(file + opt + PE_OPT_MajorOperatingSystemVersion);
    img->os_minor = pe_read16(file + opt + PE_OPT_MinorOperatingSystemVersion);
    img->image_major = pe_read16(file + opt + PE_OPT_MajorImageVersion);
    img->image_minor = pe_read16(file + opt + PE_OPT_MinorImageVersion);
    img->subsystem_major = pe_read16(file + opt + PE_OPT_MajorSubsystemVersion);
    img->subsystem_minor = pe_read16(file + opt + PE_OPT_MinorSubsystemVersion);
    img->size_of_image = pe_read32(file + opt + PE_OPT_SizeOfImage);
    img->size_of_headers = pe_read32(file + opt + PE_OPT_SizeOfHeaders);
    img->checksum_offset = opt + PE_OPT_CheckSum;
    img->checksum = pe_read32(file + opt + PE_OPT_CheckSum);
    img->subsystem = pe_read16(file + opt + PE_OPT_Subsystem);
    img->dll_characteristics = pe_read16(file + opt + PE_OPT_DllCharacteristics);
    img->directory_count = pe_read32(
        file + opt +
        (img->pe32plus ? PE_OPT_NumberOfRvaAndSizes_PE32PLUS : PE_OPT_NumberOfRvaAndSizes));
    return 0;
}

/* The data directories of the optional header at opt (opt_size bytes). */
static int parse_directories(struct pe_image *img, uint32_t opt, uint32_t opt_size,
                             struct pe_error *err)
{
    uint32_t directories = img->pe32plus ? PE_OPT_DataDirectory_PE32PLUS : PE_OPT_DataDirectory;
    unsigned i;
    if (img->directory_count > PE_DIR_COUNT)
        return pe_fail(err, "%u data directories, more than 16", (unsigned)img->directory_count);
    if (directories + 8 * img->directory_count > opt_size)
        return pe_fail(err,
                       "the optional header (%u bytes) has no room for its %u data "
                       "directories",
                       (unsigned)opt_size, (unsigned)img->directory_count);
    for (i = 0; i < img->directory_count; i++) {
        img->directories[i].rva = pe_read32(img->file + opt + directories + 8 * i);
        img->directories[i].size = pe_read32(img->file + opt + directories + 4 + 8 * i);
    }
    return 0;
}

/* The alignments, the image's size and its preferred base. */
static int check_layout(const struct pe_image *img, struct pe_error *err)
{
    if (!power_of_two(img->section_alignment) || !power_of_two(img->file_alignment) ||
        img->file_alignment > img->section_alignment)
        return pe_fail(err,
                       "bad alignment: sections 0x%X, file 0x%X (powers of two, the file's "
                       "no larger)",
                       (unsigned)img->section_alignment, (unsigned)img->file_alignment);
    if (img->size_of_image == 0 || img->size_of_image % img->section_alignment != 0)
        return pe_fail(err,
                       "bad image size 0x%X: not a positive multiple of the section "
                       "alignment 0x%X",
                       (unsigned)img->size_of_image, (unsigned)img->section_alignment);
    if (!img->pe32plus && (uint64_t)img->image_base + img->size_of_image > 0x100000000ull)
        return pe_fail(err, "the image (base 0x%X, 0x%X bytes) does not fit in 32 bits",
                       (unsigned)img->image_base, (unsigned)img->size_of_image);
    if (img->image_base % 0x10000 != 0)
        return pe_fail(err, "the preferred base 0x%X is not a multiple of 64 KiB",
                       (unsigned)img->image_base);
    return 0;
}

/* Section i's header at h: read, and its place in the image and the file
 * checked. */
static int parse_section(struct pe_image *img, unsigned i, const uint8_t *h, struct pe_error *err)
{
    struct pe_section *s = &img->sections[i];
    uint64_t section_end;
    memcpy(s->name, h, 8);
    s->name[8] = '\0';
    long_name(img, s->name, sizeof s->name);
    s->virtual_size = pe_read32(h + PE_SH_VirtualSize);
    s->virtual_address = pe_read32(h + PE_SH_VirtualAddress);
    s->raw_size = pe_read32(h + PE_SH_SizeOfRawData);
    s->raw_offset = pe_read32(h + PE_SH_PointerToRawData);
    s->characteristics = pe_read32(h + PE_SH_Characteristics);
    if (s->virtual_size == 0)
        s->virtual_size = s->raw_size;
    if (s->virtual_address % img->section_alignment != 0)
        return pe_fail(err,
                       "section %s: address 0x%X not a multiple of the section "
                       "alignment 0x%X",
                       s->name, (unsigned)s->virtual_address, (unsigned)img->section_alignment);
    if (s->virtual_address < img->size_of_headers)
        return pe_fail(err, "section %s: address 0x%X overlaps the headers (0x%X bytes)", s->name,
                       (unsigned)s->virtual_address, (unsigned)img->size_of_headers);
    if (i > 0 && s->virtual_address < (uint64_t)img->sections[i - 1].virtual_address +
                                          img->sections[i - 1].virtual_size)
        return pe_fail(err, "section %s: address 0x%X overlaps section %s or is out of order",
                       s->name, (unsigned)s->virtual_address, img->sections[i - 1].name);
    section_end = (uint64_t)s->virtual_address + s->virtual_size;
    if (section_end > img->size_of_image)
        return pe_fail(err,
                       "section %s: 0x%X bytes at 0x%X end beyond the image (0x%X "
                       "bytes)",
                       s->name, (unsigned)s->virtual_size, (unsigned)s->virtual_address,
                       (unsigned)img->size_of_image);
    if (s->raw_size > 0 && (uint64_t)s->raw_offset + s->raw_size > img->file_size)
        return pe_fail(err,
                       "truncated: section %s has 0x%X bytes at file offset 0x%X, beyond "
                       "the end of the file (%lu bytes)",
                       s->name, (unsigned)s->raw_size, (unsigned)s->raw_offset,
                       (unsigned long)img->file_size);
    return 0;
}

/* The section table at table, inside the headers. */
static int parse_sections(struct pe_image *img, uint32_t table, struct pe_error *err)
{
    unsigned i, count = pe_read16(img->file + img->nt_offset + PE_NT_NumberOfSections);
    uint64_t end = (uint64_t)table + PE_SH_SIZE * count;
    size_t size = img->file_size;
    if (count == 0 || count > PE_MAX_SECTIONS)
        return pe_fail(err, "%u sections (1 to %d are allowed)", count, PE_MAX_SECTIONS);
    if (end > size)
        return pe_fail(err,
                       "truncated: the section table ends at offset 0x%llX, beyond the end "
                       "of the file (%lu bytes)",
                       (unsigned long long)end, (unsigned long)size);
    if (img->size_of_headers < end || img->size_of_headers > size ||
        img->size_of_headers > img->size_of_image)
        return pe_fail(err,
                       "bad header size 0x%X: the headers end at 0x%llX, the file at 0x%lX, "
                       "the image at 0x%X",
                       (unsigned)img->size_of_headers, (unsigned long long)end, (unsigned long)size,
                       (unsigned)img->size_of_image);
    img->section_count = count;
    for (i = 0; i < count; i++) {
        if (parse_section(img, i, img->file + table + PE_SH_SIZE * i, err) != 0)
            return -1;
    }
    return 0;
}

/* Every directory inside the image (the certificate table inside the file). */
static int check_directories(const struct pe_image *img, struct pe_error *err)
{
    unsigned i;
    for (i = 0; i < img->directory_count; i++) {
        const struct pe_directory *d = &img->directories[i];
        if (d->rva == 0 && d->size == 0)
            continue;
        if (i == PE_DIR_SECURITY) {
            if ((uint64_t)d->rva + d->size > img->file_size)
                return pe_fail(err,
                               "truncated: the certificate table (0x%X bytes at file offset "
                               "0x%X) ends beyond the end of the file",
                               (unsigned)d->size, (unsigned)d->rva);
        } else if (d->rva == 0 || !in_image(img, d->rva, d->size)) {
            return pe_fail(err,
                           "the %s directory (0x%X bytes at 0x%X) lies outside the image "
                           "(0x%X bytes)",
                           DIRECTORY_NAMES[i], (unsigned)d->size, (unsigned)d->rva,
                           (unsigned)img->size_of_image);
        }
    }
    return 0;
}

int pe_parse(struct pe_image *img, const uint8_t *file, size_t size, struct pe_error *err)
{
    uint32_t nt, opt_size = 0;
    memset(img, 0, sizeof *img);
    img->file = file;
    img->file_size = size;
    if (size < 64)
        return pe_fail(err, "truncated: %lu bytes, fewer than a DOS header's 64",
                       (unsigned long)size);
    if (file[0] != 'M' || file[1] != 'Z')
        return pe_fail(err, "not a PE file: no MZ signature");
    nt = pe_read32(file + 0x3C); /* e_lfanew */
    if ((uint64_t)nt + PE_NT_OptionalHeader > size)
        return pe_fail(err,
                       "truncated: the PE header at offset 0x%X lies beyond the end of the "
                       "file (%lu bytes)",
                       (unsigned)nt, (unsigned long)size);
    if (parse_headers(img, nt, &opt_size, err) != 0 || check_layout(img, err) != 0 ||
        parse_directories(img, nt + PE_NT_OptionalHeader, opt_size, err) != 0 ||
        parse_sections(img, nt + PE_NT_OptionalHeader + opt_size, err) != 0)
        return -1;
    return check_directories(img, err);
}

uint32_t pe_checksum(const struct pe_image *img)
{
    uint32_t sum = 0;
    size_t i;
    for (i = 0; i < img->file_size; i += 2) {
        uint32_t word = img->file[i];
        if (i + 1 < img->file_size)
            word |= (uint32_t)img->file[i + 1] << 8;
        if (i - img->checksum_offset < 4) /* the field itself */
            word = 0;
        sum += word;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return sum + (uint32_t)img->file_size;
}

int pe_arm_windows_machine(uint16_t machine)
{
    return is_windows_ce(machine) || machine == PE_MACHINE_ARMNT;
}

int pe_subsystem_fits(const struct pe_image *img)
{
    if (is_windows_ce(img->machine))
        return img->subsystem == PE_SUBSYSTEM_WINDOWS_CE_GUI;
    return img->subsystem == PE_SUBSYSTEM_WINDOWS_GUI || img->subsystem == PE_SUBSYSTEM_WINDOWS_CUI;
}

int pe_movable_dll(uint16_t characteristics)
{
    return (characteristics & PE_FILE_DLL) && (characteristics & PE_FILE_EXECUTABLE_IMAGE) &&
           !(characteristics & PE_FILE_RELOCS_STRIPPED);
}

int pe_has_base_relocations(const struct pe_image *img)
{
    return img->directory_count > PE_DIR_BASERELOC && img->directories[PE_DIR_BASERELOC].size != 0;
}

int pe_has_directory(const struct pe_image *img, unsigned directory)
{
    return directory < img->directory_count &&
           (img->directories[directory].rva != 0 || img->directories[directory].size != 0);
}

const struct pe_section *pe_entry_section(const struct pe_image *img)
{
    const struct pe_section *s = img->entry_rva ? pe_section_at(img, img->entry_rva & ~1u) : NULL;
    return s && (s->characteristics & PE_SCN_MEM_EXECUTE) ? s : NULL;
}

/* The characteristics' first fault: not a DLL, not executable, stripped. */
static int check_characteristics(const struct pe_image *img, struct pe_error *err)
{
    if (pe_movable_dll(img->characteristics))
        return 0;
    if (!(img->characteristics & PE_FILE_DLL))
        return pe_fail(err, "not a DLL: characteristics 0x%04X lack IMAGE_FILE_DLL (0x2000)",
                       (unsigned)img->characteristics);
    if (!(img->characteristics & PE_FILE_EXECUTABLE_IMAGE))
        return pe_fail(err,
                       "not an executable image: characteristics 0x%04X lack "
                       "IMAGE_FILE_EXECUTABLE_IMAGE (0x0002)",
                       (unsigned)img->characteristics);
    return pe_fail(err,
                   "relocations stripped (IMAGE_FILE_RELOCS_STRIPPED): the image cannot "
                   "be loaded at another base");
}

int pe_check_loadable(const struct pe_image *img, struct pe_error *err)
{
    static const int REFUSED_DIRECTORIES[] = {PE_DIR_TLS, PE_DIR_DELAY_IMPORT, PE_DIR_BOUND_IMPORT,
                                              PE_DIR_CLR, PE_DIR_GLOBALPTR,    PE_DIR_ARCHITECTURE};
    unsigned i;
    if (img->pe32plus)
        return pe_fail(err, "a PE32+ (64-bit) image: 32-bit ARM Windows images are PE32");
    if (!pe_arm_windows_machine(img->machine))
        return pe_fail(err,
                       "machine 0x%04X (%s) is not a 32-bit ARM Windows machine (0x01C0 ARM "
                       "or 0x01C2 THUMB for Windows CE, 0x01C4 ARMNT for Windows RT)",
                       (unsigned)img->machine, pe_machine_name(img->machine));
    if (!pe_subsystem_fits(img) && is_windows_ce(img->machine))
        return pe_fail(err,
                       "subsystem %u (%s): a Windows CE image (machine 0x%04X) has "
                       "WINDOWS_CE_GUI (9)",
                       (unsigned)img->subsystem, pe_subsystem_name(img->subsystem),
                       (unsigned)img->machine);
    if (!pe_subsystem_fits(img))
        return pe_fail(err,
                       "subsystem %u (%s): an ARMNT image has WINDOWS_GUI (2) or "
                       "WINDOWS_CUI (3)",
                       (unsigned)img->subsystem, pe_subsystem_name(img->subsystem));
    if (check_characteristics(img, err) != 0)
        return -1;
    if (!pe_has_base_relocations(img))
        return pe_fail(err, "no base relocations: the image cannot be loaded at another base");
    for (i = 0; i < sizeof REFUSED_DIRECTORIES / sizeof REFUSED_DIRECTORIES[0]; i++) {
        int d = REFUSED_DIRECTORIES[i];
        if (pe_has_directory(img, (unsigned)d))
            return pe_fail(err,
                           "has a %s directory (0x%X bytes at 0x%X), which this loader does "
                           "not handle%s",
                           DIRECTORY_NAMES[d], (unsigned)img->directories[d].size,
                           (unsigned)img->directories[d].rva,
                           d == PE_DIR_TLS ? " (thread-local data needs the system's loader)" : "");
    }
    if (img->entry_rva != 0 && !pe_entry_section(img))
        return pe_fail(err, "the entry point 0x%X is not in executable code",
                       (unsigned)img->entry_rva);
    return 0;
}

void pe_layout(const struct pe_image *img, uint8_t *mem)
{
    unsigned i;
    memcpy(mem, img->file, img->size_of_headers);
    for (i = 0; i < img->section_count; i++) {
        const struct pe_section *s = &img->sections[i];
        uint32_t n = s->raw_size < s->virtual_size ? s->raw_size : s->virtual_size;
        if (n > 0)
            memcpy(mem + s->virtual_address, img->file + s->raw_offset, n);
    }
}

/* The 16-bit immediate of an ARM movw/movt, and the instruction with another. */
static uint32_t arm_imm16(uint32_t insn)
{
    return ((insn >> 4) & 0xF000) | (insn & 0x0FFF);
}
static uint32_t arm_with_imm16(uint32_t insn, uint32_t imm)
{
    return (insn & 0xFFF0F000u) | ((imm & 0xF000) << 4) | (imm & 0x0FFF);
}
/* The same for a Thumb-2 movw/movt (two halfwords: hi, lo). */
static uint32_t thumb_imm16(uint16_t hi, uint16_t lo)
{
    return ((uint32_t)(hi & 0xF) << 12) | ((uint32_t)((hi >> 10) & 1) << 11) |
           ((uint32_t)((lo >> 12) & 7) << 8) | (lo & 0xFF);
}
static void thumb_with_imm16(uint8_t *p, uint32_t imm)
{
    uint16_t hi = pe_read16(p), lo = pe_read16(p + 2);
    hi = (uint16_t)((hi & 0xFBF0) | ((imm >> 12) & 0xF) | (((imm >> 11) & 1) << 10));
    lo = (uint16_t)((lo & 0x8F00) | (((imm >> 8) & 7) << 12) | (imm & 0xFF));
    write16(p, hi);
    write16(p + 2, lo);
}

/* Adds delta to the address the fixup of type at rva holds; returns 0 or -1. */
static int fix_one(const struct pe_image *img, uint8_t *mem, unsigned type, uint32_t rva,
                   uint32_t delta, struct pe_reloc_stats *stats, struct pe_error *err)
{
    uint32_t width = type == PE_REL_HIGHLOW ? 4 : 8;
    uint32_t value;
    const struct pe_section *s = section_span(img, rva, width);
    if (!s)
        return pe_fail(err,
                       "relocation (%s) at RVA 0x%X lies outside the image's sections "
                       "(image 0x%X bytes)",
                       pe_reloc_type_name(type), (unsigned)rva, (unsigned)img->size_of_image);
    if (type != PE_REL_HIGHLOW && !(s->characteristics & PE_SCN_MEM_EXECUTE))
        return pe_fail(err, "relocation (%s) at RVA 0x%X is in section %s, which is not code",
                       pe_reloc_type_name(type), (unsigned)rva, s->name);
    if (type == PE_REL_HIGHLOW) {
        value = pe_read32(mem + rva);
        pe_write32(mem + rva, value + delta);
    } else if (type == PE_REL_ARM_MOV32) {
        uint32_t movw = pe_read32(mem + rva), movt = pe_read32(mem + rva + 4);
        if ((movw & 0x0FF00000u) != 0x03000000u || (movt & 0x0FF00000u) != 0x03400000u ||
            ((movw >> 12) & 15) != ((movt >> 12) & 15))
            return pe_fail(err,
                           "relocation ARM_MOV32 at RVA 0x%X: 0x%08X 0x%08X is no ARM "
                           "movw/movt pair",
                           (unsigned)rva, (unsigned)movw, (unsigned)movt);
        value = arm_imm16(movw) | (arm_imm16(movt) << 16);
        pe_write32(mem + rva, arm_with_imm16(movw, (value + delta) & 0xFFFF));
        pe_write32(mem + rva + 4, arm_with_imm16(movt, (value + delta) >> 16));
    } else {
        uint16_t h1 = pe_read16(mem + rva), h2 = pe_read16(mem + rva + 2);
        uint16_t h3 = pe_read16(mem + rva + 4), h4 = pe_read16(mem + rva + 6);
        if ((h1 & 0xFBF0) != 0xF240 || (h2 & 0x8000) != 0 || (h3 & 0xFBF0) != 0xF2C0 ||
            (h4 & 0x8000) != 0 || ((h2 >> 8) & 15) != ((h4 >> 8) & 15))
            return pe_fail(err,
                           "relocation THUMB_MOV32 at RVA 0x%X: %04X %04X %04X %04X is no "
                           "Thumb-2 movw/movt pair",
                           (unsigned)rva, (unsigned)h1, (unsigned)h2, (unsigned)h3, (unsigned)h4);
        value = thumb_imm16(h1, h2) | (thumb_imm16(h3, h4) << 16);
        thumb_with_imm16(mem + rva, (value + delta) & 0xFFFF);
        thumb_with_imm16(mem + rva + 4, (value + delta) >> 16);
    }
    /* The address held must point into the image (its end included). */
    if (stats) {
        uint32_t offset = (value & ~1u) - img->image_base;
        if ((value & ~1u) < img->image_base || offset > img->size_of_image) {
            if (stats->targets_outside++ == 0)
                stats->first_target_outside_rva = rva;
        }
        stats->per_section[s - img->sections]++;
    }
    return 0;
}

int pe_relocate(const struct pe_image *img, uint8_t *mem, uint32_t new_base,
                struct pe_reloc_stats *stats, struct pe_error *err)
{
    const struct pe_directory *d = &img->directories[PE_DIR_BASERELOC];
    uint32_t delta = new_base - img->image_base;
    uint32_t at = 0;
    struct pe_reloc_stats local;
    if (!stats)
        stats = &local;
    memset(stats, 0, sizeof *stats);
    if (img->directory_count <= PE_DIR_BASERELOC || d->size == 0)
        return 0;
    /* pe_parse saw the directory inside the image. */
    while (at < d->size) {
        uint32_t page, block, n, k;
        const uint8_t *p = mem + d->rva + at;
        if (d->size - at < 8)
            return pe_fail(err,
                           "base relocations: a block header at offset 0x%X is cut off by "
                           "the end of the directory (0x%X bytes)",
                           (unsigned)at, (unsigned)d->size);
        page = pe_read32(p);
        block = pe_read32(p + 4);
        if (block < 8 || block % 2 != 0 || block > d->size - at)
            return pe_fail(err,
                           "base relocations: the block at offset 0x%X has a bad size 0x%X "
                           "(directory 0x%X bytes)",
                           (unsigned)at, (unsigned)block, (unsigned)d->size);
        if (page >= img->size_of_image)
            return pe_fail(err,
                           "base relocations: the block for page RVA 0x%X lies outside the "
                           "image (0x%X bytes)",
                           (unsigned)page, (unsigned)img->size_of_image);
        stats->blocks++;
        n = (block - 8) / 2;
        for (k = 0; k < n; k++) {
            uint16_t entry = pe_read16(p + 8 + 2 * k);
            unsigned type = entry >> 12;
            uint32_t rva = page + (entry & 0x0FFFu);
            stats->by_type[type]++;
            if (type == PE_REL_ABSOLUTE)
                continue;
            if (type == PE_REL_HIGHLOW ||
                (img->machine == PE_MACHINE_ARMNT &&
                 (type == PE_REL_ARM_MOV32 || type == PE_REL_THUMB_MOV32))) {
                if (fix_one(img, mem, type, rva, delta, stats, err) != 0)
                    return -1;
            } else if (type == PE_REL_ARM_MOV32 || type == PE_REL_THUMB_MOV32) {
                return pe_fail(err,
                               "relocation type %u (%s) at RVA 0x%X: a movw/movt pair, "
                               "which a machine 0x%04X image cannot hold (ARMv6T2 and "
                               "later)",
                               type, pe_reloc_type_name(type), (unsigned)rva,
                               (unsigned)img->machine);
            } else {
                return pe_fail(err,
                               "relocation type %u (%s) at RVA 0x%X is unknown to this "
                               "loader, which applies ABSOLUTE (0), HIGHLOW (3)%s",
                               type, pe_reloc_type_name(type), (unsigned)rva,
                               img->machine == PE_MACHINE_ARMNT
                                   ? ", ARM_MOV32 (5) and THUMB_MOV32 (7)"
                                   : " only");
            }
        }
        at += block;
    }
    return 0;
}

/* The text at rva: NUL-terminated within the image, at most limit bytes,
 * printable. NULL with *err otherwise. */
static const char *image_text(const struct pe_image *img, const uint8_t *mem, uint32_t rva,
                              size_t limit, const char *what, struct pe_error *err)
{
    size_t n;
    if (rva == 0 || rva >= img->size_of_image) {
        pe_fail(err, "%s: its name at 0x%X lies outside the image", what, (unsigned)rva);
        return NULL;
    }
    for (n = 0; rva + n < img->size_of_image && n <= limit; n++) {
        unsigned char c = mem[rva + n];
        if (c == '\0')
            return (const char *)mem + rva;
        if (c < 0x20 || c > 0x7E)
            break;
    }
    pe_fail(err, "%s: its name at 0x%X is not a short printable text", what, (unsigned)rva);
    return NULL;
}

int pe_imports(const struct pe_image *img, const uint8_t *mem, pe_import_fn fn, void *user,
               struct pe_error *err)
{
    const struct pe_directory *d = &img->directories[PE_DIR_IMPORT];
    uint32_t at;
    int count = 0;
    if (img->directory_count <= PE_DIR_IMPORT || d->rva == 0)
        return 0;
    for (at = d->rva;; at += 20) {
        uint32_t lookup, name_rva, iat, k;
        const char *dll;
        if (!in_image(img, at, 20))
            return pe_fail(err, "imports: the descriptor at 0x%X lies outside the image",
                           (unsigned)at);
        lookup = pe_read32(mem + at);
        name_rva = pe_read32(mem + at + 12);
        iat = pe_read32(mem + at + 16);
        if (lookup == 0 && name_rva == 0 && iat == 0)
            break;
        dll = image_text(img, mem, name_rva, 255, "an imported DLL", err);
        if (!dll)
            return -1;
        if (iat == 0)
            return pe_fail(err, "imports from %s: no import address table", dll);
        if (lookup == 0)
            lookup = iat;
        for (k = 0;; k++) {
            uint32_t entry, slot = iat + 4 * k;
            if (!in_image(img, lookup + 4 * k, 4) || !in_image(img, slot, 4))
                return pe_fail(err, "imports from %s: the table runs outside the image", dll);
            entry = pe_read32(mem + lookup + 4 * k);
            if (entry == 0)
                break;
            if (entry & 0x80000000u) {
                if (fn && fn(user, dll, NULL, entry & 0xFFFF, slot, err) != 0)
                    return -1;
            } else {
                const char *name;
                if (!in_image(img, entry, 2))
                    return pe_fail(err, "imports from %s: a name at 0x%X outside the image", dll,
                                   (unsigned)entry);
                name = image_text(img, mem, entry + 2, 255, "an imported function", err);
                if (!name)
                    return -1;
                if (fn && fn(user, dll, name, 0, slot, err) != 0)
                    return -1;
            }
            count++;
        }
    }
    return count;
}

static int is_identifier(const char *s)
{
    const char *p;
    for (p = s; *p; p++) {
        int c = (unsigned char)*p;
        if (!(c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
              (p != s && c >= '0' && c <= '9')))
            return 0;
    }
    return p != s;
}

int pe_exports(const struct pe_image *img, const uint8_t *mem, pe_export_fn fn, void *user,
               struct pe_error *err)
{
    const struct pe_directory *d = &img->directories[PE_DIR_EXPORT];
    uint32_t functions, names, ordinals, n_functions, n_names, k;
    if (img->directory_count <= PE_DIR_EXPORT || d->rva == 0)
        return 0;
    if (d->size < 40 || !in_image(img, d->rva, 40))
        return pe_fail(err,
                       "exports: the directory at 0x%X (0x%X bytes) is too small or outside "
                       "the image",
                       (unsigned)d->rva, (unsigned)d->size);
    n_functions = pe_read32(mem + d->rva + 20);
    n_names = pe_read32(mem + d->rva + 24);
    functions = pe_read32(mem + d->rva + 28);
    names = pe_read32(mem + d->rva + 32);
    ordinals = pe_read32(mem + d->rva + 36);
    if (n_functions > 0x10000 || n_names > n_functions ||
        !in_image(img, functions, 4ull * n_functions) || !in_image(img, names, 4ull * n_names) ||
        !in_image(img, ordinals, 2ull * n_names))
        return pe_fail(err,
                       "exports: %u functions and %u names, whose tables lie outside the "
                       "image",
                       (unsigned)n_functions, (unsigned)n_names);
    for (k = 0; k < n_names; k++) {
        uint32_t ordinal = pe_read16(mem + ordinals + 2 * k), rva;
        const struct pe_section *s;
        const char *name =
            image_text(img, mem, pe_read32(mem + names + 4 * k), 255, "an exported function", err);
        if (!name)
            return -1;
        if (!is_identifier(name))
            return pe_fail(err, "exports: the name \"%s\" is not a C identifier (decorated?)",
                           name);
        if (ordinal >= n_functions)
            return pe_fail(err, "exports: %s has ordinal index %u of %u", name, (unsigned)ordinal,
                           (unsigned)n_functions);
        rva = pe_read32(mem + functions + 4 * ordinal);
        if (rva >= d->rva && (uint64_t)rva < (uint64_t)d->rva + d->size)
            return pe_fail(err, "exports: %s is forwarded to another DLL", name);
        s = pe_section_at(img, rva & ~1u);
        if (!s || !(s->characteristics & PE_SCN_MEM_EXECUTE))
            return pe_fail(err, "exports: %s at 0x%X is not in executable code", name,
                           (unsigned)rva);
        if (fn && fn(user, name, rva, err) != 0)
            return -1;
    }
    return (int)n_names;
}

struct find_export {
    const char *name;
    uint32_t rva;
    int found;
};

static int match_export(void *user, const char *name, uint32_t rva, struct pe_error *err)
{
    struct find_export *f = (struct find_export *)user;
    (void)err;
    if (!f->found && strcmp(name, f->name) == 0) {
        f->rva = rva;
        f->found = 1;
    }
    return 0;
}

int pe_find_export(const struct pe_image *img, const uint8_t *mem, const char *name, uint32_t *rva,
                   struct pe_error *err)
{
    struct find_export f;
    f.name = name;
    f.rva = 0;
    f.found = 0;
    if (pe_exports(img, mem, match_export, &f, err) < 0)
        return -1;
    if (!f.found)
        return 1;
    *rva = img->machine == PE_MACHINE_ARMNT ? (f.rva | 1u) : f.rva;
    return 0;
}

/* The entry of the resource directory at offset at (from the start of the
 * resources) whose ID is id, any when id is 0: the offset it points at, with
 * the subdirectory bit kept; 0 when there is none, -1 when out of bounds. */
static int64_t resource_entry(const uint8_t *rsrc, uint32_t size, uint32_t at, uint32_t id)
{
    uint32_t named, ids, k;
    if ((uint64_t)at + 16 > size)
        return -1;
    named = pe_read16(rsrc + at + 12);
    ids = pe_read16(rsrc + at + 14);
    if ((uint64_t)at + 16 + 8ull * (named + ids) > size)
        return -1;
    for (k = named; k < named + ids; k++) {
        const uint8_t *e = rsrc + at + 16 + 8 * k;
        if (id == 0 || pe_read32(e) == id)
            return pe_read32(e + 4);
    }
    return 0;
}

/* One block of a VS_VERSIONINFO tree at mem[at..end). */
struct version_block {
    uint32_t end;        /* where the block ends */
    uint32_t value;      /* where its value starts */
    uint32_t value_size; /* in bytes */
    uint32_t children;   /* where its first child starts */
    char key[PE_VERSION_TEXT];
};

static uint32_t align4(uint32_t v)
{
    return (v + 3) & ~3u;
}

/* UTF-16 text at mem[at..end), up to its terminator or end, as ASCII into
 * out; returns the offset after the terminator, or 0 when there is none. (A
 * resource compiler may leave a value's terminator out: its block ends it.) */
static uint32_t version_text(const uint8_t *mem, uint32_t at, uint32_t end, char *out)
{
    size_t n = 0;
    out[0] = '\0';
    for (; at + 2 <= end; at += 2) {
        uint16_t c = pe_read16(mem + at);
        if (c == 0) {
            out[n] = '\0';
            return at + 2;
        }
        if (n + 1 < PE_VERSION_TEXT) {
            out[n++] = c >= 0x20 && c < 0x7F ? (char)c : '?';
            out[n] = '\0';
        }
    }
    return 0;
}

static int read_block(const uint8_t *mem, uint32_t at, uint32_t end, struct version_block *b)
{
    uint32_t length, value_length, after_key;
    if (at + 6 > end)
        return -1;
    length = pe_read16(mem + at);
    value_length = pe_read16(mem + at + 2);
    if (length < 6 || at + length > end)
        return -1;
    b->end = at + length;
    after_key = version_text(mem, at + 6, b->end, b->key);
    if (!after_key)
        return -1;
    b->value = align4(after_key);
    b->value_size = pe_read16(mem + at + 4) == 1 ? 2 * value_length : value_length;
    if (b->value > b->end || b->value_size > b->end - b->value)
        return -1;
    b->children = align4(b->value + b->value_size);
    return 0;
}

int pe_version_info(const struct pe_image *img, const uint8_t *mem, struct pe_version *v,
                    struct pe_error *err)
{
    const struct pe_directory *d = &img->directories[PE_DIR_RESOURCE];
    struct version_block info, group, table, string;
    uint32_t at, t, s, data_rva, data_size, k;
    int64_t e;
    memset(v, 0, sizeof *v);
    if (img->directory_count <= PE_DIR_RESOURCE || d->size == 0)
        return 0;
    /* type RT_VERSION (16), then the first name, then the first language */
    e = resource_entry(mem + d->rva, d->size, 0, 16);
    for (k = 0; k < 2 && e > 0 && (e & 0x80000000); k++)
        e = resource_entry(mem + d->rva, d->size, (uint32_t)(e & 0x7FFFFFFF), 0);
    if (e == 0 && k == 0)
        return 0;
    if (e <= 0 || (e & 0x80000000) || (uint64_t)e + 16 > d->size)
        return pe_fail(err, "the resource directory at 0x%X is malformed", (unsigned)d->rva);
    data_rva = pe_read32(mem + d->rva + e);
    data_size = pe_read32(mem + d->rva + e + 4);
    if (!in_image(img, data_rva, data_size) ||
        read_block(mem, data_rva, data_rva + data_size, &info) != 0 ||
        strcmp(info.key, "VS_VERSION_INFO") != 0 || info.value_size != 52 ||
        pe_read32(mem + info.value) != 0xFEEF04BDu)
        return pe_fail(err,
                       "the version resource (0x%X bytes at 0x%X) is no VS_VERSIONINFO with a "
                       "fixed part",
                       (unsigned)data_size, (unsigned)data_rva);
    /* Each version is two words, major and minor in the high and low half of
     * the first. */
    for (k = 0; k < 4; k++) {
        uint32_t half = 4 * (k / 2) + (k % 2 ? 0 : 2);
        v->file[k] = pe_read16(mem + info.value + 8 + half);
        v->product[k] = pe_read16(mem + info.value + 16 + half);
    }
    /* StringFileInfo, its first string table, and the strings of interest */
    for (at = info.children; at < info.end; at = align4(group.end)) {
        if (read_block(mem, at, info.end, &group) != 0)
            return pe_fail(err, "the version resource's block at 0x%X is malformed", (unsigned)at);
        if (strcmp(group.key, "StringFileInfo") != 0 || group.children >= group.end)
            continue;
        t = group.children;
        if (read_block(mem, t, group.end, &table) != 0)
            return pe_fail(err, "the version resource's string table at 0x%X is malformed",
                           (unsigned)t);
        for (s = table.children; s < table.end; s = align4(string.end)) {
            char *out = NULL, ignored[PE_VERSION_TEXT];
            if (read_block(mem, s, table.end, &string) != 0)
                return pe_fail(err, "the version resource's string at 0x%X is malformed",
                               (unsigned)s);
            if (strcmp(string.key, "FileVersion") == 0)
                out = v->file_version;
            else if (strcmp(string.key, "ProductVersion") == 0)
                out = v->product_version;
            else if (strcmp(string.key, "FileDescription") == 0)
                out = v->file_description;
            else if (strcmp(string.key, "ProductName") == 0)
                out = v->product_name;
            version_text(mem, string.value, string.end, out ? out : ignored);
        }
    }
    return 1;
}

int pe_read_names(const char *path, struct pe_names *names, struct pe_error *err)
{
    char line[256];
    FILE *f = fopen(path, "r");
    names->count = 0;
    if (!f)
        return pe_fail(err, "cannot open the list of names %s", path);
    while (fgets(line, sizeof line, f)) {
        size_t n = strlen(line);
        while (n > 0 && (line[n - 1] == '\n' || line[n - 1] == '\r' || line[n - 1] == ' '))
            line[--n] = '\0';
        if (!is_identifier(line))
            continue;
        if (n >= PE_NAME_MAX || names->count == PE_NAMES_MAX) {
            fclose(f);
            return pe_fail(err, "%s: more or longer names than %d of %d characters", path,
                           PE_NAMES_MAX, PE_NAME_MAX - 1);
        }
        memcpy(names->name[names->count], line, n + 1);
        names->list[names->count] = names->name[names->count];
        names->count++;
    }
    fclose(f);
    if (names->count == 0)
        return pe_fail(err, "%s lists no names", path);
    return 0;
}

void pe_match_begin(struct pe_export_match *m, const char *const *list, unsigned list_count)
{
    memset(m, 0, sizeof *m);
    m->list = list;
    m->list_count = list_count < PE_NAMES_MAX ? list_count : PE_NAMES_MAX;
}

int pe_match_listed(const struct pe_export_match *m, const char *name)
{
    unsigned i;
    for (i = 0; i < m->list_count; i++) {
        if (strcmp(m->list[i], name) == 0)
            return (int)i;
    }
    return -1;
}

int pe_match_export(struct pe_export_match *m, const char *name)
{
    int i = pe_match_listed(m, name);
    if (i < 0) {
        m->extra++;
        return 0;
    }
    if (m->seen[i] < 255)
        m->seen[i]++;
    return 1;
}

int pe_match_exact(const struct pe_export_match *m, unsigned *missing, unsigned *doubled)
{
    unsigned i, lacking = 0, twice = 0;
    for (i = 0; i < m->list_count; i++) {
        lacking += m->seen[i] == 0;
        twice += m->seen[i] > 1;
    }
    if (missing)
        *missing = lacking;
    if (doubled)
        *doubled = twice;
    return lacking == 0 && twice == 0 && m->extra == 0;
}

/* No DLL of ours comes near this: a larger file is not one. */
#define PE_MAX_FILE_SIZE (64u << 20)

uint8_t *pe_read_file(const char *path, size_t *size, struct pe_error *err)
{
    FILE *f = fopen(path, "rb");
    uint8_t *data = NULL;
    size_t used = 0, room = 0;
    if (!f) {
        pe_fail(err, "cannot open %s", path);
        return NULL;
    }
    for (;;) {
        size_t n;
        if (used == room) {
            uint8_t *more;
            if (room >= PE_MAX_FILE_SIZE) {
                pe_fail(err, "%s is larger than %u MiB: no DLL of ours", path,
                        PE_MAX_FILE_SIZE >> 20);
                free(data);
                fclose(f);
                return NULL;
            }
            room = room ? room * 2 : 256u << 10;
            more = (uint8_t *)realloc(data, room);
            if (!more) {
                pe_fail(err, "out of memory reading %s", path);
                free(data);
                fclose(f);
                return NULL;
            }
            data = more;
        }
        n = fread(data + used, 1, room - used, f);
        used += n;
        if (n == 0)
            break;
    }
    if (ferror(f)) {
        pe_fail(err, "cannot read %s", path);
        free(data);
        fclose(f);
        return NULL;
    }
    fclose(f);
    *size = used;
    return data;
}
