/* See libintl.h: untranslated lookups. */
#include "libintl.h"

#include <stddef.h>

static char current_domain[] = "messages";

char *gettext(const char *msgid) { return (char *) msgid; }
char *dgettext(const char *domain, const char *msgid) { (void) domain; return (char *) msgid; }
char *dcgettext(const char *domain, const char *msgid, int category)
{
	(void) domain;
	(void) category;
	return (char *) msgid;
}
char *ngettext(const char *msgid, const char *plural, unsigned long n)
{
	return (char *) (n == 1 ? msgid : plural);
}
char *dngettext(const char *domain, const char *msgid, const char *plural, unsigned long n)
{
	(void) domain;
	return ngettext(msgid, plural, n);
}
char *dcngettext(const char *domain, const char *msgid, const char *plural, unsigned long n,
                 int category)
{
	(void) domain;
	(void) category;
	return ngettext(msgid, plural, n);
}
char *textdomain(const char *domain) { return domain != NULL ? (char *) domain : current_domain; }
char *bindtextdomain(const char *domain, const char *dirname) { (void) domain; return (char *) dirname; }
char *bind_textdomain_codeset(const char *domain, const char *codeset)
{
	(void) domain;
	return (char *) codeset;
}
