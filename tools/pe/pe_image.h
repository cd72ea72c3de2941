/*
 * pe_image.h - reading, checking and laying out a 32-bit ARM Windows DLL
 * (PE32): the Windows CE kind (machine ARM 0x01C0 or THUMB 0x01C2,
 * subsystem WINDOWS_CE_GUI) and the Windows RT kind (machine ARMNT 0x01C4).
 *
 * Plain C99 with no system calls: every field is read byte by byte as little
 * endian, so that the reader works on any build machine (tqcal_pe_check) as
 * well as inside the loader (pe_load.h), which maps what this file lays out.
 * Every offset, size and address is checked against the file or the image
 * before it is used; a problem is an error text, never a crash.
 */
#ifndef TQCAL_PE_IMAGE_H
#define TQCAL_PE_IMAGE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
    PE_MACHINE_ARM = 0x01C0,   /* ARM code (Windows CE) */
    PE_MACHINE_THUMB = 0x01C2, /* ARM code with Thumb interworking (Windows CE "ARMV4I") */
    PE_MACHINE_ARMNT = 0x01C4  /* Thumb-2, hard float (Windows RT / Windows on ARM32) */
};

enum {
    PE_SUBSYSTEM_WINDOWS_GUI = 2,
    PE_SUBSYSTEM_WINDOWS_CUI = 3,
    PE_SUBSYSTEM_WINDOWS_CE_GUI = 9
};

/* File header characteristics. */
enum {
    PE_FILE_RELOCS_STRIPPED = 0x0001,
    PE_FILE_EXECUTABLE_IMAGE = 0x0002,
    PE_FILE_32BIT_MACHINE = 0x0100,
    PE_FILE_DLL = 0x2000
};

/* Section characteristics. */
#define PE_SCN_CNT_CODE 0x00000020u
#define PE_SCN_CNT_UNINITIALIZED_DATA 0x00000080u
#define PE_SCN_MEM_DISCARDABLE 0x02000000u
#define PE_SCN_MEM_SHARED 0x10000000u
#define PE_SCN_MEM_EXECUTE 0x20000000u
#define PE_SCN_MEM_READ 0x40000000u
#define PE_SCN_MEM_WRITE 0x80000000u

/* Data directories. */
enum {
    PE_DIR_EXPORT = 0,
    PE_DIR_IMPORT = 1,
    PE_DIR_RESOURCE = 2,
    PE_DIR_EXCEPTION = 3,
    PE_DIR_SECURITY = 4, /* a file offset, not an address */
    PE_DIR_BASERELOC = 5,
    PE_DIR_DEBUG = 6,
    PE_DIR_ARCHITECTURE = 7,
    PE_DIR_GLOBALPTR = 8,
    PE_DIR_TLS = 9,
    PE_DIR_LOAD_CONFIG = 10,
    PE_DIR_BOUND_IMPORT = 11,
    PE_DIR_IAT = 12,
    PE_DIR_DELAY_IMPORT = 13,
    PE_DIR_CLR = 14,
    PE_DIR_RESERVED = 15,
    PE_DIR_COUNT = 16
};

/* Base relocation types. */
enum {
    PE_REL_ABSOLUTE = 0,    /* padding */
    PE_REL_HIGHLOW = 3,     /* a 32-bit address */
    PE_REL_ARM_MOV32 = 5,   /* an ARM movw/movt pair */
    PE_REL_THUMB_MOV32 = 7, /* a Thumb-2 movw/movt pair */
    PE_REL_TYPES = 16
};

/* Where the header fields lie, named as the PE/COFF format names them. The
 * file header's offsets count from the "PE\0\0" signature (nt_offset). */
enum {
    PE_NT_Machine = 4,
    PE_NT_NumberOfSections = 6,
    PE_NT_TimeDateStamp = 8,
    PE_NT_PointerToSymbolTable = 12,
    PE_NT_NumberOfSymbols = 16,
    PE_NT_SizeOfOptionalHeader = 20,
    PE_NT_Characteristics = 22,
    PE_NT_OptionalHeader = 24 /* where the optional header starts */
};

/* The optional header's, from its start; PE32+ differs only where noted. */
enum {
    PE_OPT_Magic = 0,
    PE_OPT_MajorLinkerVersion = 2,
    PE_OPT_MinorLinkerVersion = 3,
    PE_OPT_AddressOfEntryPoint = 16,
    PE_OPT_ImageBase = 28,
    PE_OPT_ImageBase_PE32PLUS = 24,
    PE_OPT_SectionAlignment = 32,
    PE_OPT_FileAlignment = 36,
    PE_OPT_MajorOperatingSystemVersion = 40,
    PE_OPT_MinorOperatingSystemVersion = 42,
    PE_OPT_MajorImageVersion = 44,
    PE_OPT_MinorImageVersion = 46,
    PE_OPT_MajorSubsystemVersion = 48,
    PE_OPT_MinorSubsystemVersion = 50,
    PE_OPT_SizeOfImage = 56,
    PE_OPT_SizeOfHeaders = 60,
    PE_OPT_CheckSum = 64,
    PE_OPT_Subsystem = 68,
    PE_OPT_DllCharacteristics = 70,
    PE_OPT_NumberOfRvaAndSizes = 92,
    PE_OPT_NumberOfRvaAndSizes_PE32PLUS = 108,
    PE_OPT_DataDirectory = 96, /* 8 bytes each: VirtualAddress, Size */
    PE_OPT_DataDirectory_PE32PLUS = 112
};

/* A section header's, from its start. */
enum {
    PE_SH_VirtualSize = 8,
    PE_SH_VirtualAddress = 12,
    PE_SH_SizeOfRawData = 16,
    PE_SH_PointerToRawData = 20,
    PE_SH_Characteristics = 36,
    PE_SH_SIZE = 40
};

#define PE_MAX_SECTIONS 96
#define PE_ERROR_SIZE 320

/* The reason an operation failed: one line of text. */
struct pe_error {
    char text[PE_ERROR_SIZE];
};

struct pe_section {
    char name[24];            /* the name, terminated (a long one from the string table) */
    uint32_t virtual_address; /* RVA */
    uint32_t virtual_size;    /* the size in memory (the raw size where 0) */
    uint32_t raw_offset;      /* file offset of its bytes */
    uint32_t raw_size;        /* bytes in the file */
    uint32_t characteristics; /* PE_SCN_* */
};

struct pe_directory {
    uint32_t rva; /* a file offset for PE_DIR_SECURITY */
    uint32_t size;
};

/* What pe_parse reads from the headers. The image refers to the file bytes
 * it was parsed from; they must outlive it. */
struct pe_image {
    const uint8_t *file;
    size_t file_size;
    uint32_t nt_offset; /* "PE\0\0" */
    int pe32plus;       /* a 64-bit image: read for its facts, never loaded */
    uint16_t machine;
    uint16_t characteristics;
    uint32_t time_date_stamp;
    uint16_t linker_major, linker_minor;
    uint16_t os_major, os_minor;
    uint16_t image_major, image_minor; /* the image's own version */
    uint16_t subsystem_major, subsystem_minor;
    uint16_t subsystem;
    uint16_t dll_characteristics;
    uint32_t entry_rva;  /* 0: no entry point */
    uint32_t image_base; /* the preferred base (its low half in a PE32+ image) */
    uint32_t section_alignment;
    uint32_t file_alignment;
    uint32_t size_of_image;
    uint32_t size_of_headers;
    uint32_t checksum;        /* as the header says: 0 when none was computed */
    uint32_t checksum_offset; /* where it lies in the file */
    unsigned section_count;
    struct pe_section sections[PE_MAX_SECTIONS];
    unsigned directory_count; /* NumberOfRvaAndSizes (at most 16) */
    struct pe_directory directories[PE_DIR_COUNT];
};

/* Reads and checks the headers of the PE32 file in file[0..size) (a PE32+
 * file too, for the checker's facts; pe_check_loadable refuses it): the DOS
 * and NT signatures, the optional header of a PE32 image, the section table,
 * every section's place in the file and in the image, every directory's
 * place in the image (the certificate table's in the file). Any machine is
 * read (the checker reports it); pe_check_loadable judges it. Returns 0, or
 * -1 with the reason in *err. */
int pe_parse(struct pe_image *img, const uint8_t *file, size_t size, struct pe_error *err);

/* What a loader of Windows CE or Windows RT ARM DLLs accepts: machine ARM,
 * THUMB or ARMNT; subsystem WINDOWS_CE_GUI for the first two, WINDOWS_GUI or
 * WINDOWS_CUI for ARMNT; a DLL, an executable image, not stripped of its
 * relocations, with base relocations; no TLS, delay-load, bound-import, CLR,
 * global-pointer or architecture directory; an entry point (if any) in
 * executable code. Returns 0, or -1 with the first reason in *err. */
int pe_check_loadable(const struct pe_image *img, struct pe_error *err);

/* The checks of pe_check_loadable that a tool reports one by one, each
 * written once here. 1 when machine is ARM, THUMB or ARMNT. */
int pe_arm_windows_machine(uint16_t machine);
/* 1 when the subsystem is the one the machine's Windows runs: WINDOWS_CE_GUI
 * for ARM and THUMB, WINDOWS_GUI or WINDOWS_CUI for any other machine. */
int pe_subsystem_fits(const struct pe_image *img);
/* 1 when the file header's characteristics say a DLL, an executable image,
 * its relocations kept: an image a loader can move. */
int pe_movable_dll(uint16_t characteristics);
/* 1 when the image has base relocations (a directory of some size), without
 * which it cannot move. */
int pe_has_base_relocations(const struct pe_image *img);
/* 1 when the image has the data directory (its address or size not 0). */
int pe_has_directory(const struct pe_image *img, unsigned directory);
/* The executable section holding the entry point, or NULL (also when the
 * image has no entry point). */
const struct pe_section *pe_entry_section(const struct pe_image *img);

/* A short description of a machine: "ARMNT (Thumb-2, hard float: the
 * Windows RT / Windows on ARM32 class)", or "unknown". */
const char *pe_machine_name(uint16_t machine);
/* "WINDOWS_CE_GUI" and so on, or "unknown". */
const char *pe_subsystem_name(uint16_t subsystem);
/* "export", "base relocation" and so on, or "unknown". */
const char *pe_directory_name(unsigned directory);
/* "HIGHLOW" and so on, or "unknown". */
const char *pe_reloc_type_name(unsigned type);

/* 1 when the image's exported functions use the hard-float variant of the
 * procedure call standard (doubles in VFP registers): ARMNT. */
int pe_hard_float(const struct pe_image *img);

/* The section holding rva, or NULL. */
const struct pe_section *pe_section_at(const struct pe_image *img, uint32_t rva);

/* Lays the image out in mem (size_of_image bytes, which the caller has
 * zeroed): the headers at 0, each section at its address. */
void pe_layout(const struct pe_image *img, uint8_t *mem);

/* What pe_relocate counted. */
struct pe_reloc_stats {
    unsigned blocks;
    unsigned by_type[PE_REL_TYPES];        /* entries of each type, ABSOLUTE included */
    unsigned targets_outside;              /* fixed addresses not inside the image */
    uint32_t first_target_outside_rva;     /* where the first of those is */
    unsigned per_section[PE_MAX_SECTIONS]; /* fixups in each section */
};

/* Applies the base relocations of the laid-out image mem so that it works
 * at new_base (at img->image_base, nothing changes but everything is still
 * checked). Refuses a block or fixup outside the image, a type it does not
 * know or that does not belong to the machine (HIGHLOW and ABSOLUTE for
 * Windows CE; ARM_MOV32 and THUMB_MOV32 besides for ARMNT), a movw/movt
 * pair that is not one. stats may be NULL. Returns 0, or -1 with *err. */
int pe_relocate(const struct pe_image *img, uint8_t *mem, uint32_t new_base,
                struct pe_reloc_stats *stats, struct pe_error *err);

/* One imported function: called for each by pe_imports. name is NULL for an
 * import by ordinal. iat_rva is where its address goes. Return 0 to go on,
 * -1 to stop (with *err set). */
typedef int (*pe_import_fn)(void *user, const char *dll, const char *name, uint32_t ordinal,
                            uint32_t iat_rva, struct pe_error *err);

/* Walks the import directory of the laid-out image mem. Returns the count
 * of imported functions, or -1 with *err (bad bounds, or the callback's). */
int pe_imports(const struct pe_image *img, const uint8_t *mem, pe_import_fn fn, void *user,
               struct pe_error *err);

/* One exported name: called for each by pe_exports. rva is the address of
 * the function (its low bit set for Thumb code). */
typedef int (*pe_export_fn)(void *user, const char *name, uint32_t rva, struct pe_error *err);

/* Walks the names of the export directory of mem; every name must be a
 * C identifier and its function must lie in executable code (a forwarder is
 * refused). Returns the count of names, or -1 with *err. */
int pe_exports(const struct pe_image *img, const uint8_t *mem, pe_export_fn fn, void *user,
               struct pe_error *err);

/* The address (RVA) of the function exported as name; for ARMNT the Thumb
 * bit is set. Returns 0 when found, 1 when the DLL has no such export, -1
 * with *err when the directory is bad. */
int pe_find_export(const struct pe_image *img, const uint8_t *mem, const char *name, uint32_t *rva,
                   struct pe_error *err);

/* A list of exported names, as engine/exports/exports.txt holds them: one
 * C identifier a line; other lines (comments, blank lines) are skipped. */
#define PE_NAME_MAX 64
#define PE_NAMES_MAX 64
struct pe_names {
    unsigned count;
    char name[PE_NAMES_MAX][PE_NAME_MAX];
    const char *list[PE_NAMES_MAX]; /* list[i] is name[i], for pe_match_begin */
};
/* Reads the list at path. Returns 0, or -1 with *err. */
int pe_read_names(const char *path, struct pe_names *names, struct pe_error *err);

/* A DLL's exported names held to a list of the names it must export, and
 * no others: pe_match_begin, pe_match_export for each exported name, then
 * pe_match_exact. */
struct pe_export_match {
    const char *const *list;
    unsigned list_count;              /* at most PE_NAMES_MAX */
    unsigned char seen[PE_NAMES_MAX]; /* how often each listed name was exported */
    unsigned extra;                   /* exported names the list lacks */
};
/* Starts a comparison with list[0..list_count): nothing exported yet. */
void pe_match_begin(struct pe_export_match *m, const char *const *list, unsigned list_count);
/* Notes one exported name. Returns 1 when the list has it, 0 when not. */
int pe_match_export(struct pe_export_match *m, const char *name);
/* The index in the list of name, or -1 when the list lacks it. */
int pe_match_listed(const struct pe_export_match *m, const char *name);
/* After the last exported name: the count of listed names never exported
 * into *missing, of those exported more than once into *doubled (either may
 * be NULL). Returns 1 when the exports were exactly the list, each once. */
int pe_match_exact(const struct pe_export_match *m, unsigned *missing, unsigned *doubled);

/* What a version resource (RT_VERSION, VS_VERSIONINFO) says: the numbers
 * of its fixed part, and the strings of its first string table, as ASCII
 * ('?' for any other character; "" when absent). */
#define PE_VERSION_TEXT 64
struct pe_version {
    uint16_t file[4];    /* FileVersion: major, minor, build, revision */
    uint16_t product[4]; /* ProductVersion */
    char file_version[PE_VERSION_TEXT];
    char product_version[PE_VERSION_TEXT];
    char file_description[PE_VERSION_TEXT];
    char product_name[PE_VERSION_TEXT];
};

/* Reads the version resource of the laid-out image mem: type 16, its first
 * name and language. Returns 1 with *v filled, 0 when the image has none,
 * -1 with *err when the resource directory or the resource is malformed. */
int pe_version_info(const struct pe_image *img, const uint8_t *mem, struct pe_version *v,
                    struct pe_error *err);

/* The PE checksum of the file img was parsed from: its 16-bit words summed
 * with end-around carry, the checksum field counted as 0, plus the file's
 * length. */
uint32_t pe_checksum(const struct pe_image *img);

/* Little-endian reads and writes, for the loader and the tools. */
uint16_t pe_read16(const uint8_t *p);
uint32_t pe_read32(const uint8_t *p);
void pe_write32(uint8_t *p, uint32_t v);

/* The whole file at path, in memory the caller frees, its length in *size;
 * NULL with *err set when it cannot be read (or is larger than any DLL of
 * ours). */
uint8_t *pe_read_file(const char *path, size_t *size, struct pe_error *err);

/* Sets *err to the formatted text and returns -1. */
int pe_fail(struct pe_error *err, const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

#ifdef __cplusplus
}
#endif

#endif /* TQCAL_PE_IMAGE_H */
