# 32-bit x86 Linux with Debian's cross compiler; programs run under
# qemu-i386 with the cross toolchain's sysroot as their root. The engine's
# flags select SSE2 arithmetic for this processor (see TqcalFlags.cmake).
#   cmake -S . -B build-i686 --toolchain cmake/toolchains/i686-linux-gnu.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(TQCAL_TARGET_TRIPLE i686-linux-gnu)
set(TQCAL_TARGET_SYSROOT /usr/${TQCAL_TARGET_TRIPLE})
set(CMAKE_C_COMPILER ${TQCAL_TARGET_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${TQCAL_TARGET_TRIPLE}-g++)

set(CMAKE_FIND_ROOT_PATH ${TQCAL_TARGET_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(TQCAL_QEMU_I386 qemu-i386 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${TQCAL_QEMU_I386} -L ${TQCAL_TARGET_SYSROOT})
