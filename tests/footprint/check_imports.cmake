# Fails when the undefined dynamic symbols of LIBRARY include an allocator:
# the C allocator, operator new or delete, or a C library routine that
# returns memory it allocated. NM is the toolchain's nm (nm when not given).
if(NOT NM)
  set(NM nm)
endif()
include(${CMAKE_CURRENT_LIST_DIR}/../tool_lines.cmake)
tqcal_tool_lines(lines "the symbols of ${LIBRARY}" COMMAND ${NM} -D --undefined-only ${LIBRARY})
set(bad "")
foreach(line IN LISTS lines)
  if(line MATCHES "[ \t]([^ \t@]+)(@[^ ]*)?$")
    set(name ${CMAKE_MATCH_1})
    if(name MATCHES "^(malloc|calloc|realloc|reallocarray|free|aligned_alloc|posix_memalign)$" OR
       name MATCHES "^(memalign|valloc|pvalloc|strdup|strndup|wcsdup|newlocale|duplocale)$" OR
       name MATCHES "^_Z(nw|na|dl|da)")
      list(APPEND bad ${name})
    endif()
  endif()
endforeach()
if(bad)
  message(FATAL_ERROR "the library imports allocators: ${bad}")
endif()
message(STATUS "no allocator among the imports of ${LIBRARY}")
