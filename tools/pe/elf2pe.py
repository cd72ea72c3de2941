#!/usr/bin/env python3
"""Writes tqcal.dll for Windows CE on ARM from the engine's linked ELF image.

No linker at hand writes a PE image for this processor class, so the engine
is linked as a 32-bit ARM ELF file at the DLL's preferred address
(cmake/tqcal-wince.ld, with --emit-relocs), and this program copies its
sections into a PE32 DLL section for section:

  .text   code                         read, execute
  .rdata  constant tables              read
  .data   .data and .bss               read, write
  .edata  the export directory         read
  .rsrc   the version resource         read
  .reloc  base relocations             read, discardable

Each absolute address in the image (an R_ARM_ABS32 record of the link) becomes
a HIGHLOW base relocation, so that the device's loader can move the DLL; the
PC-relative records need nothing. Anything else is refused with a message and
exit status 1: a record type that a loader could not redo, a name the link
left unresolved (it would be an import: the DLL imports nothing), an
allocated section with no place above (static constructors, thread-local
data), a missing export.

The version (tqcal.h's TQCAL_VERSION_MAJOR, _MINOR and _PATCH, which the
build passes as --version) goes into the image version fields and into a
version resource (RT_VERSION: VS_VERSIONINFO with the file and product
version, and the strings a file's properties show, the description among
them as the build passes it, --description).

    elf2pe.py --exports engine/exports/exports.txt --version 1.0.0 \
        --description "tqcal calculator engine" tqcal.elf tqcal.dll
"""
import argparse
import struct
import sys

# What the image says about itself. THUMB (0x01C2) is the machine type of
# the ARM images with interworking that the CE loaders of the ARMV4I class
# take: the code is ARM code that returns with BX, so a Thumb caller works.
MACHINE_THUMB = 0x01C2
SUBSYSTEM_WINDOWS_CE_GUI = 9
CE_VERSION = (4, 20)  # the first CE release whose loader takes ARMV4I images
DLL_NAME = b"tqcal.dll"
SECTION_ALIGNMENT = 0x1000
FILE_ALIGNMENT = 0x200
IMAGE_BASE_SYMBOL = "__ImageBase"

SCN_CODE = 0x00000020
SCN_INITIALIZED_DATA = 0x00000040
SCN_DISCARDABLE = 0x02000000
SCN_EXECUTE = 0x20000000
SCN_READ = 0x40000000
SCN_WRITE = 0x80000000

FILE_EXECUTABLE_IMAGE = 0x0002
FILE_LINE_NUMS_STRIPPED = 0x0004
FILE_LOCAL_SYMS_STRIPPED = 0x0008
FILE_32BIT_MACHINE = 0x0100
FILE_DLL = 0x2000

# The COFF file header (after "PE\0\0") and a section header, as the writer
# packs them and pe_sections unpacks them.
COFF_HEADER = "<HHIIIHH"
SECTION_HEADER = "<8sIIIIIIHHI"
SECTION_HEADER_SIZE = struct.calcsize(SECTION_HEADER)

DIRECTORY_EXPORT = 0
DIRECTORY_RESOURCE = 2
DIRECTORY_BASERELOC = 5
REL_BASED_ABSOLUTE = 0
REL_BASED_HIGHLOW = 3

# ELF
SHT_SYMTAB, SHT_RELA, SHT_NOBITS, SHT_REL = 2, 4, 8, 9
SHF_WRITE, SHF_ALLOC, SHF_EXECINSTR, SHF_TLS = 0x1, 0x2, 0x4, 0x400
SHN_UNDEF, SHN_ABS = 0, 0xFFF1
STB_GLOBAL, STT_FUNC = 1, 2
EM_ARM, ET_EXEC = 40, 2
R_ARM_ABS32 = 2
R_ARM_TARGET1 = 38
# Records whose value depends only on distances inside the image.
R_ARM_PC_RELATIVE = {0: "NONE", 1: "PC24", 3: "REL32", 28: "CALL", 29: "JUMP24",
                     40: "V4BX", 42: "PREL31"}

# ELF section name -> (PE section, characteristics), in image order.
PE_SECTIONS = [
    (".text", [".text"], SCN_CODE | SCN_EXECUTE | SCN_READ),
    (".rdata", [".rdata"], SCN_INITIALIZED_DATA | SCN_READ),
    (".data", [".data", ".bss"], SCN_INITIALIZED_DATA | SCN_READ | SCN_WRITE),
]


class Refused(Exception):
    pass


def align(value, alignment):
    return (value + alignment - 1) // alignment * alignment


class Elf:
    """The parts of a 32-bit little-endian ARM ELF executable the writer reads."""

    def __init__(self, data):
        self.data = data
        if data[:4] != b"\x7fELF" or data[4] != 1 or data[5] != 1:
            raise Refused("not a 32-bit little-endian ELF file")
        (e_type, e_machine, _, self.entry, _, shoff, _, _, _, _,
         shentsize, shnum, shstrndx) = struct.unpack_from("<HHIIIIIHHHHHH", data, 16)
        if e_type != ET_EXEC or e_machine != EM_ARM:
            raise Refused("not a linked ARM image (ELF type %d, machine %d)" % (e_type, e_machine))
        self.sections = []
        for i in range(shnum):
            fields = struct.unpack_from("<IIIIIIIIII", data, shoff + i * shentsize)
            self.sections.append(dict(zip(
                ("name", "type", "flags", "addr", "offset", "size", "link", "info",
                 "addralign", "entsize"), fields)))
        names = self.sections[shstrndx]
        for s in self.sections:
            s["name"] = self.string(names, s["name"])
        self.symbols = []
        for s in self.sections:
            if s["type"] == SHT_SYMTAB:
                strings = self.sections[s["link"]]
                for off in range(s["offset"], s["offset"] + s["size"], 16):
                    name, value, size, info, _, shndx = struct.unpack_from("<IIIBBH", data, off)
                    self.symbols.append({"name": self.string(strings, name), "value": value,
                                         "bind": info >> 4, "type": info & 15, "shndx": shndx})

    def string(self, section, offset):
        start = section["offset"] + offset
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def contents(self, section):
        if section["type"] == SHT_NOBITS:
            return b""
        return self.data[section["offset"]:section["offset"] + section["size"]]

    def symbol(self, name):
        found = [s for s in self.symbols if s["name"] == name and s["shndx"] != SHN_UNDEF]
        return found[0] if found else None

    def section(self, name):
        found = [s for s in self.sections if s["name"] == name]
        return found[0] if found else None


def pe_sections(data):
    """The section table of a PE file: for each section, its name and its
    virtual size, address, size in the file and file offset."""
    pe, = struct.unpack_from("<I", data, 0x3C)
    _, count, _, _, _, optional, _ = struct.unpack_from(COFF_HEADER, data, pe + 4)
    table = pe + 4 + struct.calcsize(COFF_HEADER) + optional
    sections = []
    for i in range(count):
        fields = struct.unpack_from(SECTION_HEADER, data, table + SECTION_HEADER_SIZE * i)
        sections.append(dict(zip(("name", "virtual_size", "rva", "raw_size", "offset"),
                                 (fields[0].rstrip(b"\0").decode("ascii"),) + fields[1:5])))
    return sections


def image_sections(elf, base):
    """The PE sections made of the ELF's allocated sections: name, rva,
    virtual size, bytes, characteristics."""
    allocated = [s for s in elf.sections if s["flags"] & SHF_ALLOC and s["size"] > 0]
    known = {name for _, parts, _ in PE_SECTIONS for name in parts}
    for s in allocated:
        if s["name"] not in known:
            raise Refused("section %s has no place in the DLL (static constructors, "
                          "thread-local data or an unexpected input)" % s["name"])
        if s["flags"] & SHF_TLS:
            raise Refused("section %s holds thread-local data" % s["name"])
    result = []
    for pe_name, parts, characteristics in PE_SECTIONS:
        members = [s for s in allocated if s["name"] in parts]
        if not members:
            continue
        start = members[0]["addr"]
        if start % SECTION_ALIGNMENT or start < base + SECTION_ALIGNMENT:
            raise Refused("section %s starts at %#x, not on a page of the image" % (pe_name, start))
        raw = bytearray()
        for s in members:  # in address order, .bss last
            if s["type"] != SHT_NOBITS:
                raw += bytes(s["addr"] - start - len(raw)) + elf.contents(s)
        end = max(s["addr"] + s["size"] for s in members)
        writable = any(s["flags"] & SHF_WRITE for s in members)
        executable = any(s["flags"] & SHF_EXECINSTR for s in members)
        if writable != bool(characteristics & SCN_WRITE) or executable != bool(characteristics & SCN_EXECUTE):
            raise Refused("section %s has unexpected permissions" % pe_name)
        result.append([pe_name, start - base, end - start, bytes(raw), characteristics])
    for previous, following in zip(result, result[1:]):
        if previous[1] + previous[2] > following[1]:
            raise Refused("sections %s and %s overlap" % (previous[0], following[0]))
    return result


def absolute_addresses(elf, base, size):
    """The RVAs of the image's absolute addresses, from the link's records."""
    rvas = []
    for rel in elf.sections:
        if rel["type"] == SHT_RELA:
            raise Refused("relocation section %s has addends (RELA)" % rel["name"])
        if rel["type"] != SHT_REL or not elf.sections[rel["info"]]["flags"] & SHF_ALLOC:
            continue
        target = elf.sections[rel["info"]]
        for off in range(rel["offset"], rel["offset"] + rel["size"], 8):
            where, info = struct.unpack_from("<II", elf.data, off)
            kind, index = info & 0xFF, info >> 8
            symbol = elf.symbols[index] if index else None
            at = "%s+%#x" % (target["name"], where - target["addr"])
            if symbol is not None and symbol["shndx"] == SHN_UNDEF and kind != 40:
                raise Refused("%s refers to %s, which the link left unresolved (the DLL "
                              "imports nothing)" % (at, symbol["name"] or "a symbol"))
            if kind in R_ARM_PC_RELATIVE:
                continue
            if kind not in (R_ARM_ABS32, R_ARM_TARGET1):
                raise Refused("%s: relocation type %d cannot be redone by a loader" % (at, kind))
            if symbol is not None and symbol["shndx"] == SHN_ABS:
                continue  # a constant, not an address
            if where % 4 or not base <= where < base + size - 3:
                raise Refused("%s: absolute address outside the image or unaligned" % at)
            rvas.append(where - base)
    return sorted(set(rvas))


def export_directory(rva, names, functions):
    """The export directory at rva: names sorted for a loader's binary search,
    ordinals 1 to n in that order."""
    order = sorted(names, key=lambda n: n.encode("ascii"))
    count = len(order)
    functions_at = rva + 40
    names_at = functions_at + 4 * count
    ordinals_at = names_at + 4 * count
    strings_at = ordinals_at + 2 * count
    strings = bytearray(DLL_NAME + b"\0")
    name_rvas = []
    for name in order:
        name_rvas.append(strings_at + len(strings))
        strings += name.encode("ascii") + b"\0"
    header = struct.pack("<IIHHIIIIIII", 0, 0, 0, 0, strings_at, 1, count, count,
                         functions_at, names_at, ordinals_at)
    body = b"".join(struct.pack("<I", functions[n]) for n in order)
    body += b"".join(struct.pack("<I", r) for r in name_rvas)
    body += b"".join(struct.pack("<H", i) for i in range(count))
    return header + body + bytes(strings)


# The version resource: US English, Unicode strings.
RT_VERSION = 16
VS_VERSION_INFO = 1
LANGUAGE = 0x0409
CODE_PAGE = 1200
# The names the resource gives besides the description and the version: the
# DLL's, and its name without the extension.
NAME_STRINGS = (("InternalName", DLL_NAME.decode("ascii").rsplit(".", 1)[0]),
                ("OriginalFilename", DLL_NAME.decode("ascii")),
                ("ProductName", DLL_NAME.decode("ascii").rsplit(".", 1)[0]))


def version_block(key, value=b"", text=False, children=()):
    """One block of a VS_VERSIONINFO tree: length, value length (characters
    for text), type, the key in UTF-16, the value and the children, each
    starting on a 4-byte boundary."""
    body = struct.pack("<HHH", 0, len(value) // 2 if text else len(value), 1 if text else 0)
    body += (key + "\0").encode("utf-16-le")
    body += bytes(-len(body) % 4) + value
    for child in children:
        body += bytes(-len(body) % 4) + child
    return struct.pack("<H", len(body)) + body[2:]


def version_resource(rva, version, description):
    """The resource directory at rva with one resource, the version: type
    RT_VERSION, name 1, language US English."""
    major, minor, patch = version
    text = "%d.%d.%d" % version
    fixed = struct.pack("<13I", 0xFEEF04BD, 0x00010000, major << 16 | minor, patch << 16,
                        major << 16 | minor, patch << 16, 0x3F, 0, 0x4, 2, 0, 0, 0)
    strings = [version_block(key, (value + "\0").encode("utf-16-le"), True)
               for key, value in (("FileDescription", description),) + NAME_STRINGS +
               (("FileVersion", text), ("ProductVersion", text))]
    info = version_block("VS_VERSION_INFO", fixed, children=[
        version_block("StringFileInfo", text=True, children=[
            version_block("%04X%04X" % (LANGUAGE, CODE_PAGE), text=True, children=strings)]),
        version_block("VarFileInfo", text=True, children=[
            version_block("Translation", struct.pack("<HH", LANGUAGE, CODE_PAGE))])])

    def directory(entry_id, target):
        return struct.pack("<IIHHHHII", 0, 0, 0, 0, 0, 1, entry_id, target)
    table = directory(RT_VERSION, 0x80000000 | 24)    # the types, at 0
    table += directory(VS_VERSION_INFO, 0x80000000 | 48)  # the names, at 24
    table += directory(LANGUAGE, 72)                  # the languages, at 48
    table += struct.pack("<IIII", rva + 88, len(info), 0, 0)  # the data entry, at 72
    return table + bytes(88 - len(table)) + info


def base_relocations(rvas):
    """Blocks of HIGHLOW entries, one block per page, each a multiple of 4 bytes."""
    out = bytearray()
    pages = {}
    for rva in rvas:
        pages.setdefault(rva & ~0xFFF, []).append(rva & 0xFFF)
    for page in sorted(pages):
        entries = [REL_BASED_HIGHLOW << 12 | offset for offset in pages[page]]
        if len(entries) % 2:
            entries.append(REL_BASED_ABSOLUTE << 12)
        out += struct.pack("<II", page, 8 + 2 * len(entries))
        out += b"".join(struct.pack("<H", e) for e in entries)
    return bytes(out)


def checksum(image, field_offset):
    """The PE checksum: the file's 16-bit words added with end-around carry
    (the checksum field still 0), plus the file's length."""
    assert struct.unpack_from("<I", image, field_offset)[0] == 0
    total = 0
    padded = image + (b"\0" if len(image) % 2 else b"")
    for (word,) in struct.iter_unpack("<H", padded):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    return (total & 0xFFFF) + len(image)


def write_dll(elf, exports, version, description):
    base_symbol = elf.symbol(IMAGE_BASE_SYMBOL)
    if base_symbol is None:
        raise Refused("the image has no %s (link with cmake/tqcal-wince.ld)" % IMAGE_BASE_SYMBOL)
    base = base_symbol["value"]
    sections = image_sections(elf, base)
    text = sections[0]
    if text[0] != ".text":
        raise Refused("the image has no code")

    def code_rva(address, what):
        if not text[1] <= address - base < text[1] + text[2]:
            raise Refused("%s at %#x is not in the code" % (what, address))
        if address & 3:
            raise Refused("%s at %#x is not ARM code" % (what, address))
        return address - base

    functions = {}
    for name in exports:
        symbol = elf.symbol(name)
        if symbol is None or symbol["bind"] != STB_GLOBAL or symbol["type"] != STT_FUNC:
            raise Refused("export %s is not a function of the image" % name)
        functions[name] = code_rva(symbol["value"], "export " + name)
    entry = code_rva(elf.entry, "the entry point")

    end = sections[-1][1] + sections[-1][2]
    edata_rva = align(end, SECTION_ALIGNMENT)
    edata = export_directory(edata_rva, exports, functions)
    sections.append([".edata", edata_rva, len(edata), edata, SCN_INITIALIZED_DATA | SCN_READ])
    rvas = absolute_addresses(elf, base, edata_rva)
    rsrc_rva = align(edata_rva + len(edata), SECTION_ALIGNMENT)
    rsrc = version_resource(rsrc_rva, version, description)
    sections.append([".rsrc", rsrc_rva, len(rsrc), rsrc, SCN_INITIALIZED_DATA | SCN_READ])
    reloc_rva = align(rsrc_rva + len(rsrc), SECTION_ALIGNMENT)
    reloc = base_relocations(rvas)
    sections.append([".reloc", reloc_rva, len(reloc), reloc,
                     SCN_INITIALIZED_DATA | SCN_READ | SCN_DISCARDABLE])
    image_size = align(reloc_rva + len(reloc), SECTION_ALIGNMENT)

    directories = [(0, 0)] * 16
    directories[DIRECTORY_EXPORT] = (edata_rva, len(edata))
    directories[DIRECTORY_RESOURCE] = (rsrc_rva, len(rsrc))
    directories[DIRECTORY_BASERELOC] = (reloc_rva, len(reloc))
    return pe_file(sections, base, entry, image_size, directories, version), len(rvas)


def pe_file(sections, base, entry, image_size, directories, version):
    """The DLL's bytes: the headers, then each section's bytes [name, RVA,
    virtual size, bytes, characteristics] in the file, the checksum set."""
    pe_offset = 0x40
    optional_size = 224
    headers = align(pe_offset + 4 + struct.calcsize(COFF_HEADER) + optional_size
                    + SECTION_HEADER_SIZE * len(sections), FILE_ALIGNMENT)
    file_offset = headers
    table = bytearray()
    body = bytearray()
    code_size = data_size = 0
    for name, rva, virtual_size, raw, characteristics in sections:
        raw_size = align(len(raw), FILE_ALIGNMENT)
        pointer = file_offset if raw_size else 0
        table += struct.pack(SECTION_HEADER, name.encode("ascii"), virtual_size, rva, raw_size,
                             pointer, 0, 0, 0, 0, characteristics)
        body += raw + bytes(raw_size - len(raw))
        file_offset += raw_size
        if characteristics & SCN_CODE:
            code_size += raw_size
        else:
            data_size += raw_size

    data_rva = sections[1][1] if len(sections) > 1 else 0
    optional = struct.pack(
        "<HBBIIIIIIIIIHHHHHHIIIIHHIIIIII",
        0x10B, 1, 0, code_size, data_size, 0, entry, sections[0][1], data_rva, base,
        SECTION_ALIGNMENT, FILE_ALIGNMENT, CE_VERSION[0], CE_VERSION[1], version[0], version[1],
        CE_VERSION[0], CE_VERSION[1], 0, image_size, headers, 0,
        SUBSYSTEM_WINDOWS_CE_GUI, 0, 0x10000, 0x1000, 0x100000, 0x1000, 0, 16)
    optional += b"".join(struct.pack("<II", *d) for d in directories)
    assert len(optional) == optional_size
    characteristics = (FILE_EXECUTABLE_IMAGE | FILE_LINE_NUMS_STRIPPED | FILE_LOCAL_SYMS_STRIPPED
                       | FILE_32BIT_MACHINE | FILE_DLL)
    coff = struct.pack(COFF_HEADER, MACHINE_THUMB, len(sections), 0, 0, 0, optional_size,
                       characteristics)
    dos = bytearray(pe_offset)
    dos[0:2] = b"MZ"
    struct.pack_into("<I", dos, 0x3C, pe_offset)
    head = bytes(dos) + b"PE\0\0" + coff + optional + bytes(table)
    image = bytearray(head + bytes(headers - len(head)) + bytes(body))
    checksum_offset = pe_offset + 4 + 20 + 64
    struct.pack_into("<I", image, checksum_offset, checksum(bytes(image), checksum_offset))
    return bytes(image)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--exports", required=True,
                        help="the exported names, one a line (# starts a comment)")
    parser.add_argument("--version", required=True,
                        help="the DLL's version, MAJOR.MINOR.PATCH (tqcal.h's)")
    parser.add_argument("--description", required=True,
                        help="what the version resource says the file is")
    parser.add_argument("elf", help="the linked image")
    parser.add_argument("dll", help="the DLL to write")
    args = parser.parse_args()
    with open(args.exports, encoding="ascii") as f:
        exports = [line.strip() for line in f if line.strip() and not line.startswith("#")]
    try:
        version = tuple(int(part) for part in args.version.split("."))
        if len(version) != 3 or not all(0 <= part <= 0xFFFF for part in version):
            raise ValueError("version %s is not MAJOR.MINOR.PATCH" % args.version)
    except ValueError as e:
        parser.error(str(e))
    try:
        with open(args.elf, "rb") as f:
            elf = Elf(f.read())
        image, relocations = write_dll(elf, exports, version, args.description)
    except (Refused, struct.error, IndexError, ValueError) as e:
        print("elf2pe: %s: %s" % (args.elf, e), file=sys.stderr)
        return 1
    with open(args.dll, "wb") as f:
        f.write(image)
    print("elf2pe: %s: %d bytes, %d exports, %d base relocations" %
          (args.dll, len(image), len(exports), relocations))
    return 0


if __name__ == "__main__":
    sys.exit(main())
