# The engine's folders are layers, each including only its own and those
# below it:
#   math <- numeric <- context <- entry <- eval <- exports
# (context holds the block's layout and key groups that entry and eval
# share; math and numeric never see it.) The public headers of include/ sit
# where what they call puts them: tqcal.h and tqcal_block.h declare and
# read the block only, below every layer; tqcal_host.h presses keys through
# the exports, so only the exports may include it. Fails on any include
# that points upward, or on an include/ header not placed here, naming the
# file and the line.
#   cmake -DENGINE=<repository>/engine -P layers.cmake
set(layers math numeric context entry eval exports)
set(public_layer_tqcal.h math)
set(public_layer_tqcal_block.h math)
set(public_layer_tqcal_host.h exports)
set(upward "")
foreach(layer IN LISTS layers)
  list(FIND layers ${layer} rank)
  file(GLOB files ${ENGINE}/${layer}/*.h ${ENGINE}/${layer}/*.cpp)
  foreach(file IN LISTS files)
    file(STRINGS ${file} includes REGEX "^#include \"([a-z_]+/|tqcal[a-z_]*\\.h\")")
    file(RELATIVE_PATH name ${ENGINE} ${file})
    foreach(line IN LISTS includes)
      if(line MATCHES "^#include \"(tqcal[a-z_]*\\.h)\"")
        set(target "${public_layer_${CMAKE_MATCH_1}}")
        if(NOT target)
          string(APPEND upward "\n  engine/${name}: ${line} (a public header this test does not place)")
          continue()
        endif()
      else()
        string(REGEX REPLACE "^#include \"([a-z_]+)/.*" "\\1" target "${line}")
      endif()
      list(FIND layers ${target} target_rank)
      if(target_rank GREATER rank)
        string(APPEND upward "\n  engine/${name}: ${line}")
      endif()
    endforeach()
  endforeach()
endforeach()
if(upward)
  message(FATAL_ERROR "includes that point to a higher layer:${upward}")
endif()
message(STATUS "every include points to the same layer or one below")
