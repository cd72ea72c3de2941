# The report of a passing replay ends with the line the kit's README gives as
# the pass for this kind of library: its table "What the last line must
# read" has a row for a library that computes with the platform's
# arithmetic and one for a library with its own (the replayer's report says
# which it is), each with the line for the default soak (100000) and the
# whole soak (1000000). With another soak count only "0 failed" is checked.
# Every other pass line the README quotes must be one of the table's.
#
#   cmake -DREPORT=<report file> -DREADME=conformance/README.md -DSOAK=<count> \
#         -P check_documented_line.cmake
file(READ "${REPORT}" report)
string(REPLACE "\r" "" report "${report}")
string(REGEX MATCH "[^\n]*\n?$" last "${report}")
string(STRIP "${last}" last)
if(report MATCHES "the library carries its own binary64 arithmetic")
  set(kind "its own")
else()
  set(kind "the platform's")
endif()
file(STRINGS "${README}" rows REGEX "^\\| ${kind} ")
set(pass "`(conformance: [0-9]+ passed, 0 failed)`")
if(NOT rows MATCHES "${pass} \\| ${pass} \\|")
  message(FATAL_ERROR "${README} has no row for a library with ${kind} arithmetic")
endif()
set(expected "")
if(SOAK STREQUAL "100000")
  set(expected "${CMAKE_MATCH_1}")
elseif(SOAK STREQUAL "1000000")
  set(expected "${CMAKE_MATCH_2}")
endif()
# Every pass line the README quotes elsewhere (however its text is wrapped)
# is one of the table's, so that none can go stale beside it.
file(READ "${README}" text)
string(REGEX REPLACE "[ \n]+" " " text "${text}")
string(REGEX MATCHALL "conformance: [0-9]+ passed, 0 failed" quoted "${text}")
file(STRINGS "${README}" table REGEX "^\\| (the platform's|its own) ")
foreach(line IN LISTS quoted)
  string(FIND "${table}" "`${line}`" at)
  if(at LESS 0)
    message(FATAL_ERROR "${README} quotes '${line}', which is not in its table of pass lines")
  endif()
endforeach()
if((expected AND NOT last STREQUAL expected) OR NOT last MATCHES "^conformance: [0-9]+ passed, 0 failed$")
  string(SUBSTRING "${report}" 0 6000 start)
  message(FATAL_ERROR "the replay (library with ${kind} arithmetic, soak ${SOAK}) ends with\n"
                      "    ${last}\nnot the line ${README} gives as its pass:\n    ${expected}\n"
                      "The report begins:\n${start}")
endif()
message(STATUS "${last}: the documented pass for a library with ${kind} arithmetic")
