# 64-bit Windows with mingw-w64 (the -posix variants, whose C++ library has
# std::thread and friends for GoogleTest); programs run under wine.
#   cmake -S . -B build-windows --toolchain cmake/toolchains/x86_64-w64-mingw32.cmake
# Wine keeps its state in WINEPREFIX: the one set when configuring, or
# wine/ in the build folder.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(TQCAL_TARGET_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TQCAL_TARGET_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TQCAL_TARGET_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TQCAL_TARGET_TRIPLE}-windres)
set(TQCAL_WINDRES ${CMAKE_RC_COMPILER})  # the version resource as a COFF object

set(CMAKE_FIND_ROOT_PATH /usr/${TQCAL_TARGET_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs carry their C++ runtime inside, so that they run without the
# toolchain's DLLs on wine's path. The library itself needs none.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# Debian's wine launcher looks for a 32-bit wine first; the 64-bit loader
# is called directly.
find_program(TQCAL_WINE NAMES wine64 wine PATHS /usr/lib/wine REQUIRED)
if(DEFINED ENV{WINEPREFIX})
  set(TQCAL_WINEPREFIX $ENV{WINEPREFIX})
else()
  set(TQCAL_WINEPREFIX ${CMAKE_BINARY_DIR}/wine)
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR
    /usr/bin/env WINEDEBUG=-all WINEPREFIX=${TQCAL_WINEPREFIX} ${TQCAL_WINE})
