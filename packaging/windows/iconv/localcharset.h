/* libcharset's one function, which freexl includes on Windows: the name of
 * the system's ANSI code page ("CP936" on a Chinese Windows). Part of
 * tarvio, GPL-3.0-or-later. */
#ifndef TARVIO_LOCALCHARSET_H
#define TARVIO_LOCALCHARSET_H

#ifdef __cplusplus
extern "C" {
#endif

const char *locale_charset(void);

#ifdef __cplusplus
}
#endif

#endif
