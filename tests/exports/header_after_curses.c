/* A curses host includes its screen library first; with the short names
 * switched off, the checks of a host that uses those names itself must
 * compile after the real curses header too. */
#include <curses.h>

#include "header_prefixed_only.c"
