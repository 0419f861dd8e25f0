/* iconv for the Windows build of GMime: glib's own converter (which uses the system's code
 * pages) under the POSIX names, so GMime needs no separate iconv library. */
#ifndef TOLVANE_ICONV_H
#define TOLVANE_ICONV_H

#include <glib.h>

typedef GIConv iconv_t;

#define iconv_open(tocode, fromcode) g_iconv_open((tocode), (fromcode))
#define iconv(cd, inbuf, inleft, outbuf, outleft) \
    g_iconv((cd), (inbuf), (inleft), (outbuf), (outleft))
#define iconv_close(cd) g_iconv_close(cd)

#endif
