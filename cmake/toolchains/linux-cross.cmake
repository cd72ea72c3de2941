# What the Linux cross toolchain files share: Debian's cross compiler for
# TQCAL_TARGET_TRIPLE, its sysroot as the only place to find libraries and
# headers, and programs run under the qemu user emulator TQCAL_QEMU with that
# sysroot as their root. The including file sets both names and the
# processor.
set(CMAKE_SYSTEM_NAME Linux)

set(TQCAL_TARGET_SYSROOT /usr/${TQCAL_TARGET_TRIPLE})
set(CMAKE_C_COMPILER ${TQCAL_TARGET_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${TQCAL_TARGET_TRIPLE}-g++)

set(CMAKE_FIND_ROOT_PATH ${TQCAL_TARGET_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# TQCAL_QEMU_CPU (-DTQCAL_QEMU_CPU=pxa270) picks the processor qemu emulates
# (qemu's -cpu); by default qemu's own choice, its most capable one.
find_program(TQCAL_QEMU_PROGRAM ${TQCAL_QEMU} REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${TQCAL_QEMU_PROGRAM} -L ${TQCAL_TARGET_SYSROOT})
if(TQCAL_QEMU_CPU)
  list(APPEND CMAKE_CROSSCOMPILING_EMULATOR -cpu ${TQCAL_QEMU_CPU})
endif()
