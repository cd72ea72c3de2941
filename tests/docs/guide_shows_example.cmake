# cmake -DGUIDE=docs/integrating.md -DEXAMPLE=docs/examples/x.c -P this file
# Fails unless the guide shows the example whole, as a C code block.
file(READ "${GUIDE}" guide)
file(READ "${EXAMPLE}" example)
string(FIND "${guide}" "```c\n${example}```\n" at)
if(at EQUAL -1)
  message(FATAL_ERROR "${GUIDE} does not show ${EXAMPLE} as it is; copy the file into its code block")
endif()
