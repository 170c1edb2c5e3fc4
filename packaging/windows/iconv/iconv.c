/* iconv over Windows' code-page conversion, for freexl (see iconv.h).
 * Part of tarvio, GPL-3.0-or-later. */
#include "iconv.h"
#include "localcharset.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

/* UTF-16 LE is Windows' own wide text, which needs no conversion; the
 * number is the one Windows gives it. */
#define UTF16LE_PAGE 1200

struct converter {
    UINT from;
    UINT to;
};

static int code_page_of(const char *name, UINT *page) {
    if (_stricmp(name, "UTF-8") == 0 || _stricmp(name, "UTF8") == 0)
        *page = CP_UTF8;
    else if (_stricmp(name, "UTF-16LE") == 0)
        *page = UTF16LE_PAGE;
    else if (_stricmp(name, "ASCII") == 0)
        *page = 20127;
    else if (_stricmp(name, "MacRoman") == 0)
        *page = 10000;
    else if (_strnicmp(name, "CP", 2) == 0 && name[2] >= '0' && name[2] <= '9') {
        char *end = NULL;
        const unsigned long number = strtoul(name + 2, &end, 10);
        if (*end != '\0' || number == 0 || number > 65535)
            return 0;
        *page = (UINT)number;
    } else
        return 0;
    return *page == UTF16LE_PAGE || IsValidCodePage(*page);
}

iconv_t iconv_open(const char *tocode, const char *fromcode) {
    struct converter pages;
    struct converter *made;
    if (!tocode || !fromcode || !code_page_of(tocode, &pages.to) ||
        !code_page_of(fromcode, &pages.from)) {
        errno = EINVAL;
        return (iconv_t)-1;
    }
    made = malloc(sizeof *made);
    if (!made) {
        errno = ENOMEM;
        return (iconv_t)-1;
    }
    *made = pages;
    return made;
}

int iconv_close(iconv_t cd) {
    if (cd == (iconv_t)-1 || !cd) {
        errno = EBADF;
        return -1;
    }
    free(cd);
    return 0;
}

/* The input as wide text, in a buffer to free; NULL with errno set. */
static wchar_t *to_wide(UINT page, const char *in, size_t size, int *length) {
    wchar_t *wide;
    if (size > (size_t)INT_MAX / 2) {
        errno = E2BIG;
        return NULL;
    }
    if (page == UTF16LE_PAGE) {
        if (size % 2 != 0) {
            errno = EINVAL;
            return NULL;
        }
        *length = (int)(size / 2);
        wide = malloc(size + sizeof(wchar_t));
        if (wide)
            memcpy(wide, in, size);
    } else {
        *length = size == 0 ? 0
                            : MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, in, (int)size, NULL, 0);
        if (size != 0 && *length == 0) {
            errno = EILSEQ;
            return NULL;
        }
        wide = malloc(((size_t)*length + 1) * sizeof(wchar_t));
        if (wide && *length > 0)
            MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, in, (int)size, wide, *length);
    }
    if (!wide)
        errno = ENOMEM;
    return wide;
}

size_t iconv(iconv_t cd, char **inbuf, size_t *inbytesleft, char **outbuf, size_t *outbytesleft) {
    const struct converter *pages = cd;
    wchar_t *wide;
    int length = 0;
    size_t bytes;
    if (cd == (iconv_t)-1 || !cd) {
        errno = EBADF;
        return (size_t)-1;
    }
    /* No input: a reset of the shift state, which none of these pages has. */
    if (!inbuf || !*inbuf || !inbytesleft)
        return 0;
    wide = to_wide(pages->from, *inbuf, *inbytesleft, &length);
    if (!wide)
        return (size_t)-1;
    if (pages->to == UTF16LE_PAGE) {
        bytes = (size_t)length * 2;
        if (bytes > *outbytesleft) {
            free(wide);
            errno = E2BIG;
            return (size_t)-1;
        }
        memcpy(*outbuf, wide, bytes);
    } else if (length == 0) {
        bytes = 0;
    } else {
        /* Nothing is ever written as a stand-in character: a character
         * the output's page lacks, or half of a surrogate pair, fails. */
        BOOL defaulted = FALSE;
        const DWORD flags = pages->to == CP_UTF8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
        BOOL *lossy = pages->to == CP_UTF8 ? NULL : &defaulted;
        const int needed = WideCharToMultiByte(pages->to, flags, wide, length, NULL, 0, NULL, lossy);
        if (needed <= 0 || defaulted) {
            free(wide);
            errno = EILSEQ;
            return (size_t)-1;
        }
        if ((size_t)needed > *outbytesleft) {
            free(wide);
            errno = E2BIG;
            return (size_t)-1;
        }
        WideCharToMultiByte(pages->to, flags, wide, length, *outbuf, needed, NULL, NULL);
        bytes = (size_t)needed;
    }
    free(wide);
    *inbuf += *inbytesleft;
    *inbytesleft = 0;
    *outbuf += bytes;
    *outbytesleft -= bytes;
    return 0;
}

const char *locale_charset(void) {
    static char name[16];
    snprintf(name, sizeof name, "CP%u", GetACP());
    return name;
}
