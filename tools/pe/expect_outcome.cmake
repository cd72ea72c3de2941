# One run of a program on an input made for it: a bad input must be refused
# with a clear message and a given exit status, never a crash; an edge input
# (EXPECT_RC 0) must be accepted.
#   cmake [-DPREPARE=command;args...] -DRUN=program;args... [-DDLL_ENV=path]
#         -DEXPECT=regex -DEXPECT_RC=1 -P expect_outcome.cmake
# PREPARE, when given, makes the input first (a damaged copy of the DLL by
# tqcal_pe_patch, an object by the assembler). DLL_ENV, when given (even
# empty), is TQCAL_PE_DLL for the program: empty leaves it unset. EXPECT
# must match what the program printed.
if(DEFINED PREPARE)
  execute_process(COMMAND ${PREPARE} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    string(JOIN " " shown ${PREPARE})
    message(FATAL_ERROR "cannot make the input: ${shown}\n${out}${err}")
  endif()
endif()
if(DEFINED DLL_ENV)
  if(DLL_ENV STREQUAL "")
    unset(ENV{TQCAL_PE_DLL})
  else()
    set(ENV{TQCAL_PE_DLL} "${DLL_ENV}")
  endif()
endif()
execute_process(COMMAND ${RUN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
string(JOIN " " shown ${RUN})
message(STATUS "${shown}\nexit status: ${rc}\nstandard output:\n${out}standard error:\n${err}")
# A signal (a crash) is a text here, or a status above 128 from a shell.
if(NOT rc MATCHES "^[0-9]+$" OR rc GREATER 125)
  message(FATAL_ERROR "crashed (${rc})")
endif()
if(rc EQUAL 0 AND NOT EXPECT_RC EQUAL 0)
  message(FATAL_ERROR "accepted the bad input")
endif()
if(NOT rc EQUAL EXPECT_RC)
  message(FATAL_ERROR "exit status ${rc}, not ${EXPECT_RC}")
endif()
if(NOT "${out}${err}" MATCHES "${EXPECT}")
  message(FATAL_ERROR "the output does not say what it should (${EXPECT})")
endif()
