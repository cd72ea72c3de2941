/* A stand-in for the C library headers of a Windows CE SDK, for checking
 * that the headers and the replayer need no more than such an SDK has: the
 * C89 library, no <stdint.h>. Declares only what the checked files use. */
#ifndef TQCAL_WINCE_SDK_STDIO_H
#define TQCAL_WINCE_SDK_STDIO_H
#include <stddef.h>
typedef struct tqcal_wince_sdk_file FILE;
extern FILE *stdin, *stdout, *stderr;
#define EOF (-1)
FILE *fopen(const char *name, const char *mode);
int fclose(FILE *f);
char *fgets(char *s, int n, FILE *f);
int feof(FILE *f);
int ferror(FILE *f);
int fflush(FILE *f);
int fputs(const char *s, FILE *f);
int puts(const char *s);
int putchar(int c);
int printf(const char *format, ...);
int fprintf(FILE *f, const char *format, ...);
int sprintf(char *s, const char *format, ...);
#endif
