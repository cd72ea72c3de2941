# 32-bit ARM Linux without a floating-point unit: ARMv5TE, soft-float EABI,
# with Debian's cross compiler; programs run under qemu-arm with the cross
# toolchain's sysroot as their root. Every double operation is a call into a
# helper; the engine brings its own (engine/math), so that this target
# rounds as the hardware of the others does.
#   cmake -S . -B build-armel --toolchain cmake/toolchains/arm-linux-gnueabi.cmake
set(CMAKE_SYSTEM_PROCESSOR arm)
set(TQCAL_TARGET_TRIPLE arm-linux-gnueabi)
set(TQCAL_QEMU qemu-arm)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
set(CMAKE_C_FLAGS_INIT "-march=armv5te -mfloat-abi=soft")
set(CMAKE_CXX_FLAGS_INIT "-march=armv5te -mfloat-abi=soft")
