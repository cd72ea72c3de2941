# Fails when LIBRARY imports any of the elementary functions the engine
# brings itself: every target must compute the same bits.
execute_process(COMMAND nm -D --undefined-only ${LIBRARY}
                OUTPUT_VARIABLE nm_out RESULT_VARIABLE nm_rc)
if(NOT nm_rc EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REPLACE "\n" ";" lines "${nm_out}")
set(forbidden sin cos tan asin acos atan exp log log10 pow)
set(found "")
foreach(line IN LISTS lines)
  # "                 U pow@GLIBC_2.29"
  if(line MATCHES "^ *[Uw] +([^@ ]+)")
    list(FIND forbidden "${CMAKE_MATCH_1}" at)
    if(NOT at EQUAL -1)
      list(APPEND found ${CMAKE_MATCH_1})
    endif()
  endif()
endforeach()
if(found)
  message(FATAL_ERROR "the library imports platform math functions: ${found}")
endif()
message(STATUS "no platform elementary functions imported")
