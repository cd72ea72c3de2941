# Runs the replayer over the self-test record and checks its exit status,
# closing line and report: cmake -DREPLAY=... -DVECTORS=... -DEXPECT_RC=...
#                    -DEXPECT_LINE=... [-DEXPECT_OUTPUT=regex;regex...] -P check_replay.cmake
execute_process(COMMAND ${REPLAY} ${VECTORS}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
string(REGEX MATCH "conformance: [0-9]+ passed, [0-9]+ failed\n$" last "${out}")
if(NOT rc STREQUAL EXPECT_RC OR NOT last STREQUAL "${EXPECT_LINE}\n")
  message(FATAL_ERROR "replay: exit status ${rc} (expected ${EXPECT_RC}), "
                      "closing line '${last}' (expected '${EXPECT_LINE}')\n${out}${err}")
endif()
foreach(pattern IN LISTS EXPECT_OUTPUT)
  if(NOT out MATCHES "${pattern}")
    message(FATAL_ERROR "replay: the output does not match '${pattern}'\n${out}${err}")
  endif()
endforeach()
