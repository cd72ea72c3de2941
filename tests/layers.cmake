# The engine's folders are layers, each including only its own and those
# below it:
#   math <- numeric <- context <- entry <- eval <- exports
# (context holds the block's layout and key groups that entry and eval
# share; math and numeric never see it.) Fails on any include that points
# upward, naming the file and the line.
#   cmake -DENGINE=<repository>/engine -P layers.cmake
set(layers math numeric context entry eval exports)
set(upward "")
foreach(layer IN LISTS layers)
  list(FIND layers ${layer} rank)
  file(GLOB files ${ENGINE}/${layer}/*.h ${ENGINE}/${layer}/*.cpp)
  foreach(file IN LISTS files)
    file(STRINGS ${file} includes REGEX "^#include \"[a-z_]+/")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^#include \"([a-z_]+)/.*" "\\1" target "${line}")
      list(FIND layers ${target} target_rank)
      if(target_rank GREATER rank)
        file(RELATIVE_PATH name ${ENGINE} ${file})
        string(APPEND upward "\n  engine/${name}: ${line}")
      endif()
    endforeach()
  endforeach()
endforeach()
if(upward)
  message(FATAL_ERROR "includes that point to a higher layer:${upward}")
endif()
message(STATUS "every include points to the same layer or one below")
