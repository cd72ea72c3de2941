# The public headers and the conformance replayer as the compilers of Windows
# CE SDKs see them (Visual C++ 2008 and older: _MSC_VER 1500, no <stdint.h>,
# a 16-bit wchar_t), with clang in its MSVC-compatible mode:
#
#   cmake -DSOURCE_DIR=<repository> -DWORK_DIR=<scratch folder> -P check_wince_headers.cmake
#
# The include folders: the C library of tests/exports/wince_sdk (the C89
# library, declared as far as the checked files use it) and clang's own
# headers (stddef.h and the like), without <stdint.h> and <inttypes.h>.
# Checked: tests/exports/header_check.c as C89, header_wince_check.cpp as
# C++98 (a display cell is wchar_t), and conformance/replay.c as C89 with
# 64-bit integers, as those compilers have them.
foreach(var SOURCE_DIR WORK_DIR)
  if(NOT ${var})
    message(FATAL_ERROR "check_wince_headers: -D${var}=... is required")
  endif()
endforeach()
find_program(CLANG clang REQUIRED)
execute_process(COMMAND ${CLANG} -print-resource-dir OUTPUT_VARIABLE resource
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
# The compiler's own headers without <stdint.h>: links to the others.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR}/compiler)
file(GLOB headers RELATIVE ${resource}/include ${resource}/include/*)
list(REMOVE_ITEM headers stdint.h inttypes.h)
foreach(header ${headers})
  file(CREATE_LINK ${resource}/include/${header} ${WORK_DIR}/compiler/${header} SYMBOLIC)
endforeach()
set(folders -isystem ${SOURCE_DIR}/tests/exports/wince_sdk -isystem ${WORK_DIR}/compiler)

set(common --target=arm-pc-windows-msvc -fms-compatibility -fms-extensions -fmsc-version=1500
    -D_WIN32_WCE=0x500 -nostdinc ${folders} -I${SOURCE_DIR}/include -I${SOURCE_DIR}/conformance
    -Wall -Wextra -Werror -fsyntax-only)
# Each check: the source and its compiler options, separated by spaces. The
# replayer is C89 with what those compilers add to it: 64-bit integers
# (__int64, long long) and string literals longer than C89's 509 bytes.
set(checks "tests/exports/header_check.c -x c -std=c89 -pedantic"
           "tests/exports/header_wince_check.cpp -x c++ -std=c++98"
           "conformance/replay.c -x c -std=c89 -pedantic -Wno-long-long -Wno-language-extension-token -Wno-overlength-strings")
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
