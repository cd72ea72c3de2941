/* Stand-in C library header of a Windows CE SDK (see stdio.h here). */
#ifndef TQCAL_WINCE_SDK_STDLIB_H
#define TQCAL_WINCE_SDK_STDLIB_H
#include <stddef.h>
#define EXIT_SUCCESS 0
#define EXIT_FAILURE 1
void exit(int status);
long atol(const char *s);
long strtol(const char *s, char **end, int base);
unsigned long strtoul(const char *s, char **end, int base);
double strtod(const char *s, char **end);
void *malloc(size_t n);
void free(void *p);
#endif
