# Windows CE on ARM: tqcal.dll for a handheld (ARMv4T ARM code with
# interworking returns, soft float, no C library, no imports).
#   cmake -S . -B build-wince --toolchain cmake/toolchains/arm-wince.cmake
#   cmake --build build-wince        # build-wince/bin/tqcal.dll and tqcal.def
#
# No compiler or linker at hand writes code for the CE loader, so Debian's
# compiler for 32-bit ARM Linux without a floating-point unit compiles the
# engine for the handheld's processor class, the link makes an ELF image at
# the DLL's preferred address, and tools/pe/elf2pe.py writes the PE image
# from it (cmake/TqcalWinCE.cmake). The ARM EABI of that compiler and the
# calling standard of the CE compilers agree on all 17 exports (see
# docs/integrating.md, "Windows CE"): arguments in r0 to r3 and then on the
# stack, doubles in core registers, results in r0 or r0:r1.
#
# ARMv4T: every ARM processor that runs Windows CE (ARM920T and later,
# XScale, ARM926). Nothing in the engine asks for more: no count-leading-
# zeros instruction (the binary64 code reads a nibble table there) and, without
# the doubleword loads and stores of ARMv5TE, no instruction that needs the
# 8-byte stack alignment the EABI promises and a CE caller does not.
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(TQCAL_WINCE ON)
set(TQCAL_TARGET_TRIPLE arm-linux-gnueabi)
set(CMAKE_C_COMPILER ${TQCAL_TARGET_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${TQCAL_TARGET_TRIPLE}-g++)
find_program(TQCAL_OBJDUMP ${TQCAL_TARGET_TRIPLE}-objdump)
set(CMAKE_C_FLAGS_INIT "-marm -march=armv4t -mfloat-abi=soft -fno-pic")
set(CMAKE_CXX_FLAGS_INIT "-marm -march=armv4t -mfloat-abi=soft -fno-pic")
# The DLL is the only thing built: no tests, programs or install rules (the
# tests run against it through tools/pe's loader in an armel build).
set(TQCAL_BUILD_TESTS OFF CACHE BOOL "")
set(TQCAL_BUILD_HOST OFF CACHE BOOL "")
set(TQCAL_INSTALL OFF CACHE BOOL "")
# The compiler checks build a static library: an executable needs a C library.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
