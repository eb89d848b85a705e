/* Preloaded under one test: every file whose name holds "open-race" is
 * taken when created and gone when opened, as when another process keeps
 * creating and removing it between the two calls. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <string.h>

typedef int (*openat_fn)(int, const char *, int, ...);

static int racing_openat(const char *real, int dir, const char *name, int flags, mode_t mode)
{
    if (strstr(name, "open-race")) {
        errno = (flags & O_CREAT) && (flags & O_EXCL) ? EEXIST : ENOENT;
        return -1;
    }
    const openat_fn next = (openat_fn)dlsym(RTLD_NEXT, real);
    return next(dir, name, flags, mode);
}

int openat(int dir, const char *name, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = (flags & O_CREAT) ? va_arg(args, mode_t) : 0;
    va_end(args);
    return racing_openat("openat", dir, name, flags, mode);
}

int openat64(int dir, const char *name, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = (flags & O_CREAT) ? va_arg(args, mode_t) : 0;
    va_end(args);
    return racing_openat("openat64", dir, name, flags, mode);
}
