/* Preloaded under the open-race tests: every file whose name holds
 * "open-race" is taken when created and gone when opened, as when another
 * process keeps creating and removing it between the two calls. For a name
 * holding "save-race-once" only the first exclusive create finds the name
 * taken; one holding "lock-race-twice" meets the whole race twice. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <string.h>

typedef int (*openat_fn)(int, const char *, int, ...);

static int raced(const char *name, int exclusive)
{
    static int saves, creates, opens;
    if (strstr(name, "open-race"))
        return 1;
    if (strstr(name, "save-race-once"))
        return exclusive && saves++ < 1;
    if (strstr(name, "lock-race-twice"))
        return exclusive ? creates++ < 2 : opens++ < 2;
    return 0;
}

static int racing_openat(const char *real, int dir, const char *name, int flags, mode_t mode)
{
    const int exclusive = (flags & O_CREAT) && (flags & O_EXCL);
    if (raced(name, exclusive)) {
        errno = exclusive ? EEXIST : ENOENT;
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
