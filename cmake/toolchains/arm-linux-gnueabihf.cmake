# 32-bit ARM Linux (hard float) with Debian's cross compiler; programs run
# under qemu-arm with the cross toolchain's sysroot as their root.
#   cmake -S . -B build-armhf --toolchain cmake/toolchains/arm-linux-gnueabihf.cmake
set(CMAKE_SYSTEM_PROCESSOR arm)
set(TQCAL_TARGET_TRIPLE arm-linux-gnueabihf)
set(TQCAL_QEMU qemu-arm)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
