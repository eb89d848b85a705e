/* Preloaded under the file-fault tests, which give each fault a file name
 * of its own:
 * - "open-race": taken when created and gone when opened, for ever, as when
 *   another process keeps creating and removing it between the two calls;
 * - "save-race-once": the first exclusive create finds the name taken;
 * - "lock-race-twice": that whole race twice, then the calls go through;
 * - "read-only": on a read-only file system, so no open may write.
 * With IXOR_FAIL_FSYNC set, no file reaches the disk. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>

typedef int (*openat_fn)(int, const char *, int, ...);
typedef int (*fsync_fn)(int);

/* The error an open of the name meets, or 0. */
static int fault(const char *name, int flags)
{
    static int saves, creates, opens;
    const int exclusive = (flags & O_CREAT) && (flags & O_EXCL);
    const int race = exclusive ? EEXIST : ENOENT;
    if (strstr(name, "open-race"))
        return race;
    if (strstr(name, "save-race-once"))
        return exclusive && saves++ < 1 ? EEXIST : 0;
    if (strstr(name, "lock-race-twice"))
        return (exclusive ? creates++ : opens++) < 2 ? race : 0;
    if (strstr(name, "read-only"))
        return (flags & O_ACCMODE) != O_RDONLY || (flags & O_CREAT) ? EROFS : 0;
    return 0;
}

static int faulty_openat(const char *real, int dir, const char *name, int flags, mode_t mode)
{
    const int error = fault(name, flags);
    if (error) {
        errno = error;
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
    return faulty_openat("openat", dir, name, flags, mode);
}

int openat64(int dir, const char *name, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = (flags & O_CREAT) ? va_arg(args, mode_t) : 0;
    va_end(args);
    return faulty_openat("openat64", dir, name, flags, mode);
}

int fsync(int fd)
{
    if (getenv("IXOR_FAIL_FSYNC")) {
        errno = EIO;
        return -1;
    }
    return ((fsync_fn)dlsym(RTLD_NEXT, "fsync"))(fd);
}
