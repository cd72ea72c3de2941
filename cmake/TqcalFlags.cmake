# Compiler flags and sources of the engine, shared by the library build and
# the fuzz project (fuzz/CMakeLists.txt) so the two cannot drift apart.
# Include it after project(): it looks at the target processor.
#
#   TQCAL_ROOT_DIR         the repository
#   TQCAL_ENGINE_SOURCES   every engine source file
#   TQCAL_WARNING_FLAGS    warnings for all of the project's code
#   TQCAL_FP_FLAGS         the floating-point contract, for all code that
#                          computes or checks engine values
#   TQCAL_ENGINE_FLAGS     what the engine itself may use of C++
#   TQCAL_ARM_SOFT_FLOAT   ON for 32-bit ARM without a floating-point unit,
#                          where the engine defines the compiler's double
#                          helpers itself (engine/math/binary64.cpp)
#   TQCAL_OWN_SOFT_FLOAT_HELPERS  ON when the library defines those helpers
#   TQCAL_NO_LTO_SOURCES   engine sources to compile without link-time
#                          optimization
#   TQCAL_FREESTANDING_OPTIONS  how engine/exports/freestanding.cpp (the C
#                          library routines of a build without one) is
#                          compiled, in the DLL and in its test
get_filename_component(TQCAL_ROOT_DIR ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)

set(TQCAL_WARNING_FLAGS -Wall -Wextra)

# Every operation rounds to double exactly as written: no fused multiply-add,
# no fast-math.
set(TQCAL_FP_FLAGS -ffp-contract=off -fno-fast-math)

# No exceptions, no RTTI: the library must need no C++ runtime.
set(TQCAL_ENGINE_FLAGS -fno-exceptions -fno-rtti)

# Run as a script (cmake -P cmake/TqcalFlags.cmake) it prints the flags
# above, for the one build made without CMake: web/build.sh, with emcc.
if(CMAKE_SCRIPT_MODE_FILE)
  execute_process(COMMAND ${CMAKE_COMMAND} -E echo
                          ${TQCAL_WARNING_FLAGS} ${TQCAL_FP_FLAGS} ${TQCAL_ENGINE_FLAGS})
  return()
endif()

file(GLOB_RECURSE TQCAL_ENGINE_SOURCES CONFIGURE_DEPENDS ${TQCAL_ROOT_DIR}/engine/*.cpp)

# The engine's own memcpy, memset and memcmp must stay loops: machine code,
# not link-time code, and without the loop pattern recognition that would
# turn each loop back into a call of the very routine it implements.
set(TQCAL_FREESTANDING_OPTIONS -fno-lto -ffreestanding -fno-tree-loop-distribute-patterns)

# The x87 unit of 32-bit x86 carries wider intermediates that change last
# bits, so there the arithmetic goes to SSE2 (the engine refuses to compile
# otherwise).
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(i[3-6]86|x86|X86)$" OR
   (CMAKE_SIZEOF_VOID_P EQUAL 4 AND CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$"))
  list(APPEND TQCAL_FP_FLAGS -msse2 -mfpmath=sse)
endif()

# A soft-float ARM build calls helpers for every double operation; the
# engine brings its own (engine/math/binary64.cpp). The compiler emits those
# calls after link-time optimization, when definitions inside link-time
# code may already have been dropped, so that file is compiled to plain
# machine code.
include(CheckCXXSourceCompiles)
check_cxx_source_compiles("
#if !(defined(__ARM_EABI__) && defined(__SOFTFP__))
#error hardware floating point
#endif
int main() { return 0; }" TQCAL_ARM_SOFT_FLOAT)
# TQCAL_SOFT_FLOAT_HELPERS=OFF leaves the compiler's helpers in, to measure
# what the engine's cost (bench/soft_float_cost.sh); such a library rounds
# some results differently (the layer tests' cosine of 0.000913...° fails).
option(TQCAL_SOFT_FLOAT_HELPERS "On soft-float ARM, the engine's own double helpers" ON)
set(TQCAL_NO_LTO_SOURCES "")
set(TQCAL_OWN_SOFT_FLOAT_HELPERS OFF)
if(TQCAL_ARM_SOFT_FLOAT)
  set(TQCAL_NO_LTO_SOURCES ${TQCAL_ROOT_DIR}/engine/math/binary64.cpp)
  if(TQCAL_SOFT_FLOAT_HELPERS)
    set(TQCAL_OWN_SOFT_FLOAT_HELPERS ON)
  else()
    set_property(SOURCE ${TQCAL_ROOT_DIR}/engine/math/binary64.cpp APPEND PROPERTY
                 COMPILE_DEFINITIONS TQCAL_COMPILER_SOFT_FLOAT_HELPERS)
  endif()
endif()
