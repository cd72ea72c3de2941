# tqcal.dll for Windows CE on ARM (cmake/toolchains/arm-wince.cmake): the
# engine's objects linked into an ELF image at the DLL's address
# (cmake/tqcal-wince.ld), with every relocation record kept, then written as
# a PE image by tools/pe/elf2pe.py, with the version of include/tqcal.h in its
# version resource. The image links against nothing at all:
# the engine brings its own memcpy, memset and memcmp
# (engine/exports/freestanding.cpp) and double arithmetic
# (engine/math/binary64.cpp), and an unresolved name fails the link.
set(tqcal_ce_script ${PROJECT_SOURCE_DIR}/cmake/tqcal-wince.ld)
set(tqcal_ce_writer ${PROJECT_SOURCE_DIR}/tools/pe/elf2pe.py)
set(tqcal_ce_free ${PROJECT_SOURCE_DIR}/engine/exports/freestanding.cpp)
set(tqcal_ce_dir ${PROJECT_BINARY_DIR}/bin)

# Absolute addresses stay absolute (the base relocations move them); no
# unwind tables; the engine's own C library routines and DLL entry point.
set_target_properties(tqcal_objects PROPERTIES POSITION_INDEPENDENT_CODE OFF
                                               INTERPROCEDURAL_OPTIMIZATION ON)
target_compile_definitions(tqcal_objects PRIVATE TQCAL_FREESTANDING TQCAL_DLL_OWN_ENTRY)
# Optimized for size (the engine's own integer division helpers serve the
# calls that brings), except the double arithmetic, which every operation
# of a soft-float build runs through.
set(tqcal_ce_code_options -Os -fno-unwind-tables -fno-asynchronous-unwind-tables)
target_compile_options(tqcal_objects PRIVATE ${tqcal_ce_code_options})
set_property(SOURCE ${PROJECT_SOURCE_DIR}/engine/math/binary64.cpp APPEND PROPERTY
             COMPILE_OPTIONS -O2)
# Machine code, not link-time code: the double helpers are called only once
# code is generated, and the C library routines must not be recognised as
# loops that call themselves.
set_property(SOURCE ${TQCAL_NO_LTO_SOURCES} APPEND PROPERTY COMPILE_OPTIONS -fno-lto)
set_property(SOURCE ${tqcal_ce_free} APPEND PROPERTY COMPILE_OPTIONS ${TQCAL_FREESTANDING_OPTIONS})

# The exports and the entry point are the roots the link keeps.
list(TRANSFORM TQCAL_EXPORTS PREPEND "LINKER:--undefined=" OUTPUT_VARIABLE tqcal_ce_roots)
add_executable(tqcal_ce_image $<TARGET_OBJECTS:tqcal_objects>)
set_target_properties(tqcal_ce_image PROPERTIES
  LINKER_LANGUAGE C
  OUTPUT_NAME tqcal
  SUFFIX .elf
  INTERPROCEDURAL_OPTIMIZATION ON
  LINK_DEPENDS ${tqcal_ce_script})
target_link_options(tqcal_ce_image PRIVATE -nostdlib -static ${tqcal_ce_code_options}
                    LINKER:--emit-relocs LINKER:--build-id=none LINKER:-T,${tqcal_ce_script}
                    ${tqcal_ce_roots})
# The check of the linker flag in the top file links a program, which this
# target cannot do without a C library; the flag itself works.
if(TQCAL_WERROR)
  target_link_options(tqcal_ce_image PRIVATE LINKER:--fatal-warnings)
endif()

find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_custom_command(
  OUTPUT ${tqcal_ce_dir}/tqcal.dll ${tqcal_ce_dir}/tqcal.def
  COMMAND ${CMAKE_COMMAND} -E make_directory ${tqcal_ce_dir}
  COMMAND Python3::Interpreter ${tqcal_ce_writer} --exports ${TQCAL_EXPORTS_FILE}
          --version ${PROJECT_VERSION} --description ${TQCAL_FILE_DESCRIPTION}
          $<TARGET_FILE:tqcal_ce_image> ${tqcal_ce_dir}/tqcal.dll
  COMMAND ${CMAKE_COMMAND} -E copy ${TQCAL_MODULE_DEFINITION} ${tqcal_ce_dir}/tqcal.def
  DEPENDS tqcal_ce_image ${tqcal_ce_writer} ${TQCAL_EXPORTS_FILE}
  VERBATIM)
# The DLL is the library target of this build.
add_custom_target(tqcal ALL DEPENDS ${tqcal_ce_dir}/tqcal.dll ${tqcal_ce_dir}/tqcal.def)
