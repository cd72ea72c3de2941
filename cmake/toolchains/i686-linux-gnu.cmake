# 32-bit x86 Linux with Debian's cross compiler; programs run under
# qemu-i386 with the cross toolchain's sysroot as their root. The engine's
# flags select SSE2 arithmetic for this processor (see TqcalFlags.cmake).
#   cmake -S . -B build-i686 --toolchain cmake/toolchains/i686-linux-gnu.cmake
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TQCAL_TARGET_TRIPLE i686-linux-gnu)
set(TQCAL_QEMU qemu-i386)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
