/* The iconv that freexl is built with for Windows: a small layer over
 * Windows' own code-page conversion (MultiByteToWideChar and
 * WideCharToMultiByte), where a Linux build has the C library's.
 * scripts/build-windows builds it into libiconv.a before freexl.
 * Part of tarvio, GPL-3.0-or-later. */
#ifndef TARVIO_ICONV_H
#define TARVIO_ICONV_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef void *iconv_t;

/* Code pages by the names freexl asks for: "UTF-8", "UTF-16LE", "ASCII",
 * "MacRoman" and "CPnnn". (iconv_t)-1 with errno EINVAL for any other, or
 * for a code page that this Windows cannot convert. */
iconv_t iconv_open(const char *tocode, const char *fromcode);

/* Converts the whole input at once: freexl hands over whole strings. With
 * errno EILSEQ when the input is not valid in its code page or the output's
 * cannot hold a character, E2BIG when the output does not fit; nothing is
 * consumed then. */
size_t iconv(iconv_t cd, char **inbuf, size_t *inbytesleft, char **outbuf, size_t *outbytesleft);

int iconv_close(iconv_t cd);

#ifdef __cplusplus
}
#endif

#endif
