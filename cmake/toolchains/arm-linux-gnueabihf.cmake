# 32-bit ARM Linux (hard float) with Debian's cross compiler; programs run
# under qemu-arm with the cross toolchain's sysroot as their root.
#   cmake -S . -B build-armhf --toolchain cmake/toolchains/arm-linux-gnueabihf.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)

set(TQCAL_TARGET_TRIPLE arm-linux-gnueabihf)
set(TQCAL_TARGET_SYSROOT /usr/${TQCAL_TARGET_TRIPLE})
set(CMAKE_C_COMPILER ${TQCAL_TARGET_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${TQCAL_TARGET_TRIPLE}-g++)

set(CMAKE_FIND_ROOT_PATH ${TQCAL_TARGET_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(TQCAL_QEMU_ARM qemu-arm REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${TQCAL_QEMU_ARM} -L ${TQCAL_TARGET_SYSROOT})
