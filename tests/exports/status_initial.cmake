# The initial status word is written in the public header from the bits it
# stands for, so that it reads as what it means:
#   cmake -DHEADER=<repository>/include/tqcal.h -P status_initial.cmake
file(STRINGS ${HEADER} definition REGEX "^#define TQCAL_STATUS_INITIAL ")
if(NOT definition MATCHES "TQCAL_ST_SHOWN" OR NOT definition MATCHES "TQCAL_RES_OK" OR
   definition MATCHES "0x|[0-9][0-9]")
  message(FATAL_ERROR "TQCAL_STATUS_INITIAL is not built from named bits:\n  ${definition}")
endif()
message(STATUS "${definition}")
