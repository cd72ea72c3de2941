# The stacks keep their invariant (tops in range, every slot above a top
# zero) in engine/context/stacks.* alone: no other engine file writes a top.
# Fails on any that does, naming the file and the line.
#   cmake -DENGINE=<repository>/engine -P stack_tops.cmake
file(GLOB_RECURSE files ${ENGINE}/*.h ${ENGINE}/*.cpp)
set(writes "")
foreach(file IN LISTS files)
  if(file MATCHES "/context/stacks\\.(h|cpp)$")
    continue()
  endif()
  file(STRINGS ${file} lines REGEX "(opdTop|optTop) *([-+*/]?=[^=]|\\+\\+|--)|(\\+\\+|--) *[A-Za-z_.>-]*(opdTop|optTop)")
  foreach(line IN LISTS lines)
    file(RELATIVE_PATH name ${ENGINE} ${file})
    string(APPEND writes "\n  engine/${name}: ${line}")
  endforeach()
endforeach()
if(writes)
  message(FATAL_ERROR "stack tops written outside engine/context/stacks.*:${writes}")
endif()
message(STATUS "only engine/context/stacks.* writes a stack top")
