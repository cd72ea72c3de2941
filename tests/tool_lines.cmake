# tqcal_tool_lines(VAR WHAT [QUIET] COMMAND command args...): runs the
# command (nm, objdump, llvm-readobj on a library) and sets VAR to its
# output as a list, one line an item. A command that fails stops the script
# with "cannot read WHAT". QUIET drops what the command says on standard
# error. For the scripts that check a built library: include() this file.
function(tqcal_tool_lines var what)
  cmake_parse_arguments(PARSE_ARGV 2 arg "QUIET" "" "COMMAND")
  set(quiet "")
  if(arg_QUIET)
    set(quiet ERROR_QUIET)
  endif()
  execute_process(COMMAND ${arg_COMMAND} OUTPUT_VARIABLE out RESULT_VARIABLE rc ${quiet})
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cannot read ${what}")
  endif()
  string(REPLACE "\n" ";" lines "${out}")
  set(${var} "${lines}" PARENT_SCOPE)
endfunction()
