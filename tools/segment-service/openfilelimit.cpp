#include "openfilelimit.h"

#ifndef _WIN32
#include <sys/resource.h>
#endif

size_t RaiseOpenFileLimit() {
#ifndef _WIN32
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
#endif
    return OpenFileLimit();
}

size_t OpenFileLimit() {
#ifdef _WIN32
    return 0;
#else
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return 0;
    return size_t(limit.rlim_cur);
#endif
}
