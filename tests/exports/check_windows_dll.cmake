# Checks a DLL that cannot run on the build machine from its headers alone,
# read with READOBJ (llvm-readobj):
#   cmake -DLIBRARY=tqcal.dll -DREADOBJ=llvm-readobj -DMACHINE=0x1C4
#         -DEXPECTED=engine/exports/exports.txt [-DFORBIDDEN="sin;cos"]
#         -P check_windows_dll.cmake
# - the machine type is MACHINE (0x1C4: 32-bit ARM, Thumb-2);
# - the export table holds exactly the names of EXPECTED, no more, no fewer;
# - every imported DLL is a system DLL, and no imported function is one of
#   FORBIDDEN (default: every math function, since the engine brings its
#   own elementary functions, square root and remainder);
# - nothing runs at load time: no constructor or TLS section, since a DLL
#   linked without a C runtime would never run them.
# Prints the machine, the exports and every imported function.
if(NOT FORBIDDEN)
  set(FORBIDDEN sin cos tan asin acos atan exp log log10 pow sqrt fmod fabs floor ceil)
endif()
include(${CMAKE_CURRENT_LIST_DIR}/../tool_lines.cmake)
tqcal_tool_lines(lines ${LIBRARY} COMMAND ${READOBJ} --file-headers --sections --coff-exports
                 --coff-imports ${LIBRARY})
set(machine "")
set(exports "")
set(dlls "")
set(imports "")
set(sections "")
set(block "")
set(dll "")
foreach(line IN LISTS lines)
  if(line MATCHES "^  Machine: ([^ ]+) \\((0x[0-9A-Fa-f]+)\\)")
    set(machine "${CMAKE_MATCH_2}")
    set(machine_name "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^(Import|Export|  Section) {")
    set(block "${CMAKE_MATCH_1}")
  elseif(block STREQUAL "Export" AND line MATCHES "^  Name: ([^ ]+)$")
    list(APPEND exports ${CMAKE_MATCH_1})
  elseif(block STREQUAL "Import" AND line MATCHES "^  Name: ([^ ]+)$")
    set(dll ${CMAKE_MATCH_1})
    list(APPEND dlls ${dll})
  elseif(block STREQUAL "Import" AND line MATCHES "^  Symbol: ([^ ]+)")
    list(APPEND imports "${CMAKE_MATCH_1}")
    list(APPEND imports_shown "${dll}:${CMAKE_MATCH_1}")
  elseif(block STREQUAL "  Section" AND line MATCHES "^    Name: ([^ ]+)")
    list(APPEND sections ${CMAKE_MATCH_1})
  endif()
endforeach()

set(problems "")
string(TOUPPER "${machine}" machine_upper)
string(TOUPPER "${MACHINE}" expected_machine)
if(NOT machine_upper STREQUAL expected_machine)
  list(APPEND problems "machine type ${machine} (${machine_name}), not ${MACHINE}")
endif()

list(SORT exports)
file(STRINGS ${EXPECTED} expected REGEX "^[A-Za-z_][A-Za-z0-9_]*$")
list(SORT expected)
if(NOT exports STREQUAL expected)
  list(APPEND problems "exports differ\n  found:    ${exports}\n  expected: ${expected}")
endif()

set(system_dll "^([Kk][Ee][Rr][Nn][Ee][Ll]32|[Mm][Ss][Vv][Cc][Rr][Tt]|[Uu][Cc][Rr][Tt][Bb][Aa][Ss][Ee]|[Aa][Pp][Ii]-[Mm][Ss]-[Ww][Ii][Nn]-[A-Za-z0-9-]+)\\.[Dd][Ll][Ll]$")
foreach(name IN LISTS dlls)
  if(NOT name MATCHES "${system_dll}")
    list(APPEND problems "imports from ${name}, which is no system DLL")
  endif()
endforeach()
foreach(name IN LISTS imports)
  list(FIND FORBIDDEN "${name}" at)
  if(NOT at EQUAL -1)
    list(APPEND problems "imports the math function ${name}")
  endif()
endforeach()
foreach(name IN LISTS sections)
  if(name MATCHES "^\\.(ctors|dtors|tls|CRT)")
    list(APPEND problems "has a ${name} section: code that would run at load time")
  endif()
endforeach()

list(LENGTH exports export_count)
message(STATUS "machine ${machine} (${machine_name})")
message(STATUS "${export_count} exports: ${exports}")
message(STATUS "imports: ${imports_shown}")
if(problems)
  list(JOIN problems "\n" problems)
  message(FATAL_ERROR "${LIBRARY}:\n${problems}")
endif()
