/* What the Windows build of GMime finds in MinGW-w64's C library. */
#define HAVE__TIMEZONE 1
