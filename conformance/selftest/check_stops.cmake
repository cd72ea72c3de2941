# The runs the replayer must stop: a record it cannot read (a field of every
# kind too long, empty or with a bad digit), a record file it cannot open, an
# argument it cannot take. Each must exit with status 2, say exactly what
# stopped it (file, line and reason) as the last line on standard error and
# in the report, and end the report with the closing line counting the run
# as one failure, which standard output repeats. The report lies in a folder
# with a space in its name, as a handheld's "My Documents" does.
#
#   cmake -DREPLAY=<conformance_replay> -DWORK_DIR=<scratch folder> -P check_stops.cmake
set(dir "${WORK_DIR}/My Documents")
set(record "${dir}/record.txt")
set(report "${dir}/report.txt")
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${dir}")
set(closing "conformance: 0 passed, 1 failed\n")
set(problems "")

# ends_with(TEXT SUFFIX OUT): OUT is true when TEXT ends with SUFFIX.
function(ends_with text suffix out)
  string(LENGTH "${text}" n)
  string(LENGTH "${suffix}" m)
  set(${out} FALSE PARENT_SCOPE)
  if(n GREATER_EQUAL m)
    math(EXPR start "${n} - ${m}")
    string(SUBSTRING "${text}" ${start} ${m} tail)
    if(tail STREQUAL suffix)
      set(${out} TRUE PARENT_SCOPE)
    endif()
  endif()
endfunction()

# stops(MESSAGE ARG...): the replayer with --report and ARGs stops with MESSAGE.
function(stops message)
  file(REMOVE "${report}")
  execute_process(COMMAND ${REPLAY} --report ${report} ${ARGN}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(text "(no report)")
  if(EXISTS "${report}")
    file(READ "${report}" text)
  endif()
  ends_with("${err}" "${message}\n" err_ok)
  ends_with("${text}" "${message}\n${closing}" report_ok)
  if(NOT rc STREQUAL "2" OR NOT err_ok OR NOT report_ok OR NOT out STREQUAL closing)
    set(problems "${problems}\nexpected status 2 and '${message}', got status ${rc}:\n"
                 "standard output: ${out}standard error: ${err}report: ${text}" PARENT_SCOPE)
  endif()
endfunction()

# bad_record(LINES MESSAGE): a record of the header and LINES (lines split
# by \n) stops at the last of them with MESSAGE.
function(bad_record lines message)
  file(WRITE "${record}" "tqcal-vectors 3\n${lines}\n")
  string(REGEX MATCHALL "\n" breaks "${lines}")
  list(LENGTH breaks n)
  math(EXPR at "${n} + 2")
  stops("${record}:${at}: ${message}" "${record}")
  set(problems "${problems}" PARENT_SCOPE)
endfunction()

# Hexadecimal fields (doubles, status words, hashes), 16 digits at most.
bad_record("P 13ff0000000000000 4024000000000000" "hexadecimal field too long")
bad_record("P  4024000000000000" "empty hexadecimal field")
bad_record("P 3ff000000000000g 4024000000000000" "bad hexadecimal digit")
# Decimal integers (widths, flags, return codes, key codes), 9 digits at most.
bad_record("D 3ff8000000000000 1000000014 1.5 _00 0 0" "integer field too long")
bad_record("D 3ff8000000000000  1.5 _00 0 0" "empty integer field")
bad_record("D 3ff8000000000000 1x 1.5 _00 0 0" "bad decimal digit")
bad_record("S 0 2\n2x 2. _00 0 O 3 0 0" "bad decimal digit")
# Texts: fewer than 31 characters, printable, '!' for the empty one.
bad_record("D 3ff8000000000000 14 1234567890123456789012345678901 _00 0 0" "text field too long")
bad_record("D 3ff8000000000000 14  _00 0 0" "empty text field")
bad_record("D 3ff8000000000000 14 1.\t5 _00 0 0" "bad character in a text field")
# Result states: one letter, O, E or F.
bad_record("S 0 2\n2 2. _00 0 OO 3 0 0" "result state too long")
bad_record("S 0 2\n2 2. _00 0  3 0 0" "empty result state")
bad_record("S 0 2\n2 2. _00 0 X 3 0 0" "bad result state")
# A soak block's digests: two hexadecimal digits for each of its 1000 sequences.
string(REPEAT "0" 2000 digests)
bad_record("H 0 0 0 ${digests}00" "bad sequence digests")
bad_record("H 0 0 0 " "bad sequence digests")
string(SUBSTRING "${digests}" 1 -1 digests)
bad_record("H 0 0 0 g${digests}" "bad hexadecimal digit")
# The record file missing, and a device's path pasted without its quotes.
stops("conformance: cannot open ${dir}/no vectors.txt" "${dir}/no vectors.txt")
stops("conformance_replay: cannot take 'Documents\\kit\\vectors.txt': the record is already '\\My' (quote a path that holds spaces)"
      "\\My" "Documents\\kit\\vectors.txt")

if(problems)
  message(FATAL_ERROR "${problems}")
endif()
