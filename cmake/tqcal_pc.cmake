# Writes tqcal.pc at install time, when the prefix is known (cmake --install
# --prefix sets CMAKE_INSTALL_PREFIX for this script): the folders under the
# prefix as ${prefix}/lib, or as given when absolute. The library needs
# nothing but the C library and only the shared library is installed, so
# there is no Libs.private.
set(TQCAL_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
foreach(dir LIBDIR INCLUDEDIR)
  if(NOT IS_ABSOLUTE "${TQCAL_PC_${dir}}")
    set(TQCAL_PC_${dir} "\${prefix}/${TQCAL_PC_${dir}}")
  endif()
endforeach()
configure_file("${TQCAL_PC_TEMPLATE}" "${TQCAL_PC_OUTPUT}" @ONLY)
