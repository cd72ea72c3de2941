# 32-bit ARM Windows (ARMv7, Thumb-2, tqcal.dll) with Debian's clang and lld.
#   cmake -S . -B build-arm-windows -DTQCAL_BUILD_TESTS=OFF \
#         --toolchain cmake/toolchains/armv7-w64-windows.cmake
#   cmake --build build-arm-windows --target tqcal
#
# Debian has no C runtime for this processor, only the processor-neutral
# mingw-w64 headers (mingw-w64-common) and, for the C++ headers the engine
# includes (templates and constants only: the engine uses nothing of the C++
# runtime), those of the x86-64 mingw-w64 compiler. The engine needs nothing
# of a runtime but a few functions of the system's msvcrt.dll, so the DLL is
# linked without one: against an import library made here from
# armv7-w64-windows-msvcrt.def, with the engine's own entry point that only
# says yes (engine/exports/dll_entry.cpp: the engine has no static
# constructors and no per-process set-up; the stage checks that).
# Programs (tests, the replayer) need a C runtime and are not built: the
# library cannot run here, and a device team builds the replayer with its
# own compiler (see conformance/README.md).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ARM)

set(TQCAL_TARGET_TRIPLE armv7-w64-windows-gnu)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${TQCAL_TARGET_TRIPLE})
set(CMAKE_CXX_COMPILER_TARGET ${TQCAL_TARGET_TRIPLE})
find_program(CMAKE_AR llvm-ar REQUIRED)
find_program(CMAKE_RANLIB llvm-ranlib REQUIRED)
find_program(CMAKE_RC_COMPILER llvm-rc)
# The version resource as a COFF object for the target (lld's MinGW driver
# takes no .res file).
find_program(TQCAL_LLVM_WINDRES NAMES llvm-windres llvm-windres-14 REQUIRED)
set(TQCAL_WINDRES ${TQCAL_LLVM_WINDRES} --target=${TQCAL_TARGET_TRIPLE})
find_program(TQCAL_DLLTOOL llvm-dlltool REQUIRED)
find_program(TQCAL_READOBJ llvm-readobj REQUIRED)

set(TQCAL_MINGW_INCLUDE /usr/share/mingw-w64/include)
file(GLOB TQCAL_MINGW_CXX_INCLUDE /usr/lib/gcc/x86_64-w64-mingw32/*-posix/include/c++)
list(GET TQCAL_MINGW_CXX_INCLUDE 0 TQCAL_MINGW_CXX_INCLUDE)
if(NOT EXISTS ${TQCAL_MINGW_INCLUDE}/stdlib.h OR NOT EXISTS ${TQCAL_MINGW_CXX_INCLUDE}/cmath)
  message(FATAL_ERROR "armv7-w64-windows: the mingw-w64 headers are missing "
                      "(bash scripts/setup.sh installs them)")
endif()
set(CMAKE_C_FLAGS_INIT "-isystem ${TQCAL_MINGW_INCLUDE}")
set(CMAKE_CXX_FLAGS_INIT "-DTQCAL_DLL_OWN_ENTRY -nostdinc++ -isystem ${TQCAL_MINGW_CXX_INCLUDE} \
-isystem ${TQCAL_MINGW_CXX_INCLUDE}/x86_64-w64-mingw32 -isystem ${TQCAL_MINGW_INCLUDE}")

# The import library of msvcrt.dll, made once per build folder.
set(TQCAL_MSVCRT_IMPLIB ${CMAKE_BINARY_DIR}/msvcrt-arm/libmsvcrt.a)
if(NOT EXISTS ${TQCAL_MSVCRT_IMPLIB})
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/msvcrt-arm)
  execute_process(COMMAND ${TQCAL_DLLTOOL} -m arm -d ${CMAKE_CURRENT_LIST_DIR}/armv7-w64-windows-msvcrt.def
                          -l ${TQCAL_MSVCRT_IMPLIB}
                  RESULT_VARIABLE tqcal_dlltool_rc)
  if(NOT tqcal_dlltool_rc EQUAL 0)
    message(FATAL_ERROR "armv7-w64-windows: llvm-dlltool could not make ${TQCAL_MSVCRT_IMPLIB}")
  endif()
endif()
# No start files, no default libraries: msvcrt.dll alone. The linker's
# warnings are errors, and with TQCAL_WERROR the compiler driver's too.
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-fuse-ld=lld -nostdlib -Wl,--fatal-warnings")
if(TQCAL_WERROR)
  string(APPEND CMAKE_SHARED_LINKER_FLAGS_INIT " -Werror")
endif()
set(CMAKE_C_STANDARD_LIBRARIES ${TQCAL_MSVCRT_IMPLIB} CACHE STRING "Libraries every C module links")
set(CMAKE_CXX_STANDARD_LIBRARIES ${TQCAL_MSVCRT_IMPLIB} CACHE STRING "Libraries every C++ module links")
# The compiler checks build a static library: an executable needs a runtime.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

set(CMAKE_FIND_ROOT_PATH /usr/share/mingw-w64)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
