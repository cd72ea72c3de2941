# Fails when LIBRARY needs anything beyond the C library and the math
# library: no C++ runtime, no compiler support library, no atomic helpers,
# and not one function of the platform's math library, imported or linked
# in (the engine computes every function itself, so that every target
# computes the same bits). FORMAT is ELF (the NEEDED entries and the symbol
# tables, read with NM) or PE (the DLLs of the import table, system DLLs
# only, and the names imported from them; a static math library would show
# in the symbol table). With SOFT_FLOAT set, the library must carry the
# engine's own double helpers and none of the compiler's.
include(${CMAKE_CURRENT_LIST_DIR}/../tool_lines.cmake)
tqcal_tool_lines(lines "the headers of ${LIBRARY}" COMMAND ${OBJDUMP} -p ${LIBRARY})
set(needed "")
set(imported "")
foreach(line IN LISTS lines)
  if(FORMAT STREQUAL "PE" AND line MATCHES "DLL Name: ([^ \t\r]+)")
    list(APPEND needed ${CMAKE_MATCH_1})
  elseif(FORMAT STREQUAL "PE" AND line MATCHES "^\t[0-9a-fA-F]+\t +[0-9]+ +([A-Za-z_][A-Za-z0-9_@]*)")
    list(APPEND imported ${CMAKE_MATCH_1})
  elseif(NOT FORMAT STREQUAL "PE" AND line MATCHES "^ *NEEDED +([^ ]+)$")
    list(APPEND needed ${CMAKE_MATCH_1})
  endif()
endforeach()
if(FORMAT STREQUAL "PE")
  set(allowed "^([Kk][Ee][Rr][Nn][Ee][Ll]32|[Mm][Ss][Vv][Cc][Rr][Tt]|[Uu][Cc][Rr][Tt][Bb][Aa][Ss][Ee]|[Aa][Pp][Ii]-[Mm][Ss]-[Ww][Ii][Nn]-[A-Za-z0-9-]+)\\.[Dd][Ll][Ll]$")
else()
  set(allowed "^lib(c|m)\\.so\\.[0-9]+$")
endif()
set(bad "")
foreach(name IN LISTS needed)
  if(NOT name MATCHES "${allowed}")
    list(APPEND bad ${name})
  endif()
endforeach()

# Every symbol, defined or not ("U fmod@GLIBC_2.2.5" -> U fmod).
tqcal_tool_lines(all_lines "the symbols of ${LIBRARY}" QUIET COMMAND ${NM} ${LIBRARY})
set(symbols "")
foreach(line IN LISTS all_lines)
  if(line MATCHES "^[0-9a-fA-F]* *([A-Za-z]) +([^ @]+)")
    list(APPEND symbols "${CMAKE_MATCH_1} ${CMAKE_MATCH_2}")
  endif()
endforeach()

if(NOT FORMAT STREQUAL "PE")
  # A name of the C++ runtime or an atomic helper left undefined would need
  # a library at load time.
  tqcal_tool_lines(undef_lines "the symbols of ${LIBRARY}" COMMAND ${NM} -D --undefined-only ${LIBRARY})
  foreach(line IN LISTS undef_lines)
    if(line MATCHES "[Uw] +([^ ]+)$")
      set(sym ${CMAKE_MATCH_1})
      if(sym MATCHES "@(GLIBCXX|CXXABI)_|^_Z|^__cxa_|^__gxx_|^__sync_|^__atomic_|^__aeabi_" AND
         NOT sym MATCHES "^__cxa_finalize@GLIBC_")
        list(APPEND bad ${sym})
      endif()
    endif()
  endforeach()
endif()

# No function of the math library, by any of its names (float and long
# double forms included).
set(math_name "^(a?(sin|cos|tan)h?|atan2|exp(2|10|m1)?|log(2|10|1p|b)?|pow|sqrt|cbrt|fmod|remainder|remquo|hypot|floor|ceil|trunc|l?l?round|l?l?rint|nearbyint|modf|frexp|ldexp|scalbl?n|fabs|copysign|fmin|fmax|fdim|fma|nextafter|nexttoward|erfc?|[lt]gamma|ilogb)[fl]?$")
set(math_found "")
foreach(entry IN LISTS symbols imported)
  string(REGEX REPLACE "^[A-Za-z] " "" name "${entry}")
  string(REGEX REPLACE "^_+" "" name "${name}")
  if(name MATCHES "${math_name}")
    list(APPEND math_found ${entry})
  endif()
endforeach()
if(math_found)
  list(REMOVE_DUPLICATES math_found)
  list(APPEND bad "math functions: ${math_found}")
endif()

# Soft-float ARM: the engine's double helpers are defined here, and none of
# the compiler's support library came along: each of its objects that holds
# double helpers also defines them under their GNU names (__adddf3 beside
# __aeabi_dadd), which the engine never defines.
if(SOFT_FLOAT)
  foreach(helper dadd dsub drsub dmul ddiv dcmpeq dcmplt dcmple dcmpge dcmpgt dcmpun
                 cdcmpeq cdcmple cdrcmple i2d ui2d l2d ul2d f2d d2iz d2uiz d2lz d2ulz)
    list(FIND symbols "t __aeabi_${helper}" at)
    if(at EQUAL -1)
      list(APPEND bad "no local __aeabi_${helper}")
    endif()
  endforeach()
  foreach(entry IN LISTS symbols)
    if(entry MATCHES "^[A-Za-z] __((add|sub|mul|div|neg)df3|(eq|ne|lt|le|gt|ge|cmp|unord)df2|fix(uns)?df[sd]i|float(un)?[sd]idf|extendsfdf2|truncdfsf2)$")
      list(APPEND bad "the compiler's helper __${CMAKE_MATCH_1}")
    endif()
  endforeach()
endif()

if(bad)
  message(FATAL_ERROR "${LIBRARY} needs more than the C and math libraries: ${bad}\n(needed: ${needed})")
endif()
message(STATUS "needed: ${needed}")
