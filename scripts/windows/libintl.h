/* Message catalogues are not used by the Windows build: every lookup answers the text it is
 * given, so glib links without GNU gettext. */
#ifndef TOLVANE_LIBINTL_H
#define TOLVANE_LIBINTL_H

#include <locale.h>

/* The category GNU gettext adds to the C library's on Windows. */
#ifndef LC_MESSAGES
#define LC_MESSAGES 1729
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* As GNU's: the answer is a format when the text given is one, so callers' formats are checked. */
#define TOLVANE_FORMAT_ARG(n) __attribute__((format_arg(n)))

char* gettext(const char* msgid) TOLVANE_FORMAT_ARG(1);
char* dgettext(const char* domain, const char* msgid) TOLVANE_FORMAT_ARG(2);
char* dcgettext(const char* domain, const char* msgid, int category) TOLVANE_FORMAT_ARG(2);
char* ngettext(const char* msgid, const char* plural, unsigned long n) TOLVANE_FORMAT_ARG(1)
    TOLVANE_FORMAT_ARG(2);
char* dngettext(const char* domain, const char* msgid, const char* plural, unsigned long n)
    TOLVANE_FORMAT_ARG(2) TOLVANE_FORMAT_ARG(3);
char* dcngettext(const char* domain, const char* msgid, const char* plural, unsigned long n,
                 int category) TOLVANE_FORMAT_ARG(2) TOLVANE_FORMAT_ARG(3);
char* textdomain(const char* domain);
char* bindtextdomain(const char* domain, const char* dirname);
char* bind_textdomain_codeset(const char* domain, const char* codeset);

#ifdef __cplusplus
}
#endif

#endif
