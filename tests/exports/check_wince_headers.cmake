# The public headers and the conformance replayer as the compilers of Windows
# CE SDKs see them (Visual C++ 2008 and older: _MSC_VER 1500, no <stdint.h>,
# a 16-bit wchar_t), with clang in its MSVC-compatible mode:
#
#   cmake -DSOURCE_DIR=<repository> -DWORK_DIR=<scratch folder> -P check_wince_headers.cmake
#
# The include folders are clang's own headers and the processor-neutral
# mingw-w64 C headers, each without <stdint.h> and <inttypes.h>; the 32-bit
# x86 target is only there for mingw-w64's <stdarg.h>, which has no ARM
# branch for an MSVC-style compiler. Checked: tests/exports/header_check.c as
# C89, header_wince_check.cpp as C++ (a display cell is wchar_t), and
# conformance/replay.c as C89 with the compiler's extensions.
foreach(var SOURCE_DIR WORK_DIR)
  if(NOT ${var})
    message(FATAL_ERROR "check_wince_headers: -D${var}=... is required")
  endif()
endforeach()
find_program(CLANG clang REQUIRED)
execute_process(COMMAND ${CLANG} -print-resource-dir OUTPUT_VARIABLE resource
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
set(mingw /usr/share/mingw-w64/include)
if(NOT EXISTS ${mingw}/stdio.h)
  message(FATAL_ERROR "check_wince_headers: no mingw-w64 headers in ${mingw}")
endif()

# An SDK without <stdint.h>: links to every other header.
file(REMOVE_RECURSE ${WORK_DIR})
set(folders "")
foreach(origin ${resource}/include ${mingw})
  get_filename_component(name ${origin} NAME)
  set(folder ${WORK_DIR}/sdk-${name})
  file(MAKE_DIRECTORY ${folder})
  file(GLOB headers RELATIVE ${origin} ${origin}/*)
  list(REMOVE_ITEM headers stdint.h inttypes.h)
  foreach(header ${headers})
    file(CREATE_LINK ${origin}/${header} ${folder}/${header} SYMBOLIC)
  endforeach()
  list(APPEND folders -isystem ${folder})
endforeach()

set(common --target=i686-pc-windows-msvc -fms-compatibility -fms-extensions -fmsc-version=1500
    -D_WIN32_WCE=0x500 -nostdinc ${folders} -I${SOURCE_DIR}/include -I${SOURCE_DIR}/conformance
    -Wall -Wextra -Werror -fsyntax-only)
# Each check: the source and its compiler options, separated by spaces.
set(checks "tests/exports/header_check.c -x c -std=c89 -pedantic"
           "tests/exports/header_wince_check.cpp -x c++ -std=c++98"
           "conformance/replay.c -x c -std=gnu89 -Wno-long-long")
foreach(check ${checks})
  separate_arguments(check UNIX_COMMAND "${check}")
  list(POP_FRONT check source)
  execute_process(COMMAND ${CLANG} ${common} ${check} ${SOURCE_DIR}/${source}
                  RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${source} does not compile as a Windows CE compiler sees it:\n${out}${err}")
  endif()
  message(STATUS "${source}: compiles with _MSC_VER 1500 and no <stdint.h>")
endforeach()
