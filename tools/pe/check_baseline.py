#!/usr/bin/env python3
"""Checks that the Windows CE DLL's code runs on every ARMv4T processor.

    check_baseline.py --objdump arm-linux-gnueabi-objdump tqcal.elf [tqcal.dll]

The DLL's .text is the linked image's .text byte for byte (checked first when
the DLL is named), so the image's disassembly, which knows from the link's
mapping symbols where code and literal data lie, is the DLL's. (An object
file is checked the same way.) Every instruction must be one of
ARMv4T's ARM instructions: no Thumb code at all, no VFP, no coprocessor
instruction, nothing from ARMv5 and later (CLZ, BLX, LDRD/STRD, PLD, the
DSP multiplies, LDREX, MOVW/MOVT, REV, the extends ...). A list of what is
allowed rather than of what is not: an instruction this program does not
know is a failure, not a pass. Thumb code is found by its mapping symbols
($t, which objdump lists only with --special-syms) and by the width of each
instruction. Prints the count of instructions checked and exits 0, or names
each offending instruction and exits 1.
"""
import argparse
import re
import subprocess
import sys

import elf2pe  # its readers of the ELF image and of the PE file it writes

COND = r"(?:eq|ne|cs|hs|cc|lo|mi|pl|vs|vc|hi|ls|ge|lt|gt|le|al)?"
ARMV4T = re.compile(
    r"^(?:"
    r"(?:and|eor|sub|rsb|add|adc|sbc|rsc|orr|mov|bic|mvn|lsl|lsr|asr|ror|rrx"
    r"|mul|mla|umull|umlal|smull|smlal)s?" + COND +
    r"|(?:tst|teq|cmp|cmn)" + COND +
    r"|(?:ldr|str)(?:b|h|sb|sh|bt|t)?" + COND +
    r"|(?:ldm|stm)(?:ia|ib|da|db|fd|ed|fa|ea)?" + COND +
    r"|(?:push|pop)" + COND +
    r"|(?:b|bl|bx)" + COND +
    r"|swpb?" + COND +
    r"|nop|\.word|\.short|\.byte"
    r")$")
INSTRUCTION = re.compile(r"^\s*([0-9a-f]+):\t([0-9a-f ]+)\t(\S+)")
DATA = (".word", ".short", ".byte")


def text_section(path, elf):
    """The bytes of the .text section of an ELF image, or of a PE file."""
    data = open(path, "rb").read()
    if elf:
        try:
            image = elf2pe.Elf(data)
        except elf2pe.Refused as e:
            sys.exit("check_baseline: %s: %s" % (path, e))
        section = image.section(".text")
        if section:
            return image.contents(section)
    else:
        for section in elf2pe.pe_sections(data):
            if section["name"] == ".text":
                return data[section["offset"]:section["offset"] + section["virtual_size"]]
    sys.exit("check_baseline: %s has no .text section" % path)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--objdump", default="arm-linux-gnueabi-objdump")
    parser.add_argument("elf")
    parser.add_argument("dll", nargs="?")
    args = parser.parse_args()
    if args.dll and text_section(args.elf, True) != text_section(args.dll, False):
        print("check_baseline: the code of %s is not that of %s" % (args.dll, args.elf))
        return 1
    symbols = subprocess.run([args.objdump, "-t", "--special-syms", args.elf], check=True,
                             capture_output=True, text=True).stdout
    thumb_symbols = re.findall(r"^([0-9a-f]+) .*\s\$t(?:\.\S*)?$", symbols, re.M)
    listing = subprocess.run([args.objdump, "-d", "-j", ".text", args.elf], check=True,
                             capture_output=True, text=True).stdout
    checked = 0
    bad = []
    for line in listing.splitlines():
        match = INSTRUCTION.match(line)
        if not match:
            continue
        checked += 1
        # ARM instructions are one 8-digit word; Thumb ones one or two halfwords.
        if match.group(3) not in DATA and len(match.group(2).split()[0]) == 4:
            bad.append("Thumb code: " + line.strip())
        elif not ARMV4T.match(match.group(3)):
            bad.append("above ARMv4T: " + line.strip())
    for line in bad[:40]:
        print(line)
    if thumb_symbols:
        print("check_baseline: %s contains Thumb code (from offset 0x%s)" % (args.elf, thumb_symbols[0]))
    if bad or thumb_symbols or checked == 0:
        print("check_baseline: %d of %d instructions are not ARMv4T ARM instructions"
              % (len(bad), checked))
        return 1
    print("check_baseline: %d instructions, all ARMv4T ARM code (no Thumb, VFP or "
          "coprocessor instructions)" % checked)
    return 0


if __name__ == "__main__":
    sys.exit(main())
