# One bad-input test: a program must refuse with a clear message and a given
# exit status, never crash.
#   cmake [-DEMULATOR=qemu-arm;-L;...] [-DPATCH=tqcal_pe_patch -DGOOD=tqcal.dll
#         -DCASE=name -DBAD=copy.dll] -DRUN=program;args... [-DDLL_ENV=path]
#         -DEXPECT=regex -DEXPECT_RC=1 -P expect_refusal.cmake
# With CASE, the damaged copy BAD is made from GOOD first (tqcal_pe_patch).
# DLL_ENV, when given (even empty), is TQCAL_PE_DLL for the program: empty
# leaves it unset. EXPECT must match what the program printed.
if(DEFINED CASE)
  execute_process(COMMAND ${EMULATOR} ${PATCH} ${GOOD} ${BAD} ${CASE}
                  RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cannot make the '${CASE}' copy of ${GOOD}: ${err}")
  endif()
endif()
if(DEFINED DLL_ENV)
  if(DLL_ENV STREQUAL "")
    unset(ENV{TQCAL_PE_DLL})
  else()
    set(ENV{TQCAL_PE_DLL} "${DLL_ENV}")
  endif()
endif()
execute_process(COMMAND ${EMULATOR} ${RUN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
string(JOIN " " shown ${RUN})
message(STATUS "${shown}\nexit status: ${rc}\nstandard output:\n${out}standard error:\n${err}")
# A signal (a crash) is a text here, or a status above 128 from a shell.
if(NOT rc MATCHES "^[0-9]+$" OR rc GREATER 125)
  message(FATAL_ERROR "crashed (${rc}) instead of refusing")
endif()
if(rc EQUAL 0)
  message(FATAL_ERROR "accepted the bad input")
endif()
if(NOT rc EQUAL EXPECT_RC)
  message(FATAL_ERROR "exit status ${rc}, not ${EXPECT_RC}")
endif()
if(NOT "${out}${err}" MATCHES "${EXPECT}")
  message(FATAL_ERROR "the message does not say what it should (${EXPECT})")
endif()
