#include "ixor_ipc_log.h"

#include <string.h>

#include "ixor_ipc_limits.h"

static const char FALLBACK_STAMP[] = "1970-01-01 00:00:00";

void ixor_log_autoinit(void)
{
    if (ixor_log_is_regestered() != 0) {
        return;
    }
    char autolog_dir[IXOR_PATH_MAX];
    char process_path[IXOR_PATH_MAX];
    char log_dir[IXOR_PATH_MAX];
    memset(autolog_dir, 0, sizeof autolog_dir);
    memset(process_path, 0, sizeof process_path);
    ixor_process_get_path(ixor_os_process_id(), process_path, IXOR_PATH_MAX);
    memset(log_dir, 0, sizeof log_dir);
    const char *process_name = ixor_log_basename(process_path);
    if (ixor_log_dir(log_dir, IXOR_PATH_MAX) != NULL) {
        ixor_str_snprintf(autolog_dir, IXOR_PATH_MAX, "%s/%s/%s/", log_dir,
                          "/Trelmox/IXOR3_LOG/ixor_default_autolog/", process_name);
    } else {
        ixor_str_snprintf(autolog_dir, IXOR_PATH_MAX, "%s/%s/",
                          "@/../var/logs/ixor_default_autolog/", process_name);
    }
    ixor_autolog_init(autolog_dir, 5);
}

int32_t ixor_log_timestamp_of(char *buf, uint32_t size, const struct tm *local)
{
    if (buf == NULL || size == 0) {
        return 0;
    }
    if (local != NULL) {
        return ixor_str_snprintf(buf, size, "%d-%02d-%02d %02d:%02d:%02d", local->tm_year + 1900,
                                 local->tm_mon + 1, local->tm_mday, local->tm_hour, local->tm_min,
                                 local->tm_sec);
    }
    /* The fallback is copied raw: whole with its NUL when it fits, else cut
     * without a terminator (the statement's buffer is cleared beforehand). */
    if (size > sizeof FALLBACK_STAMP) {
        memcpy(buf, FALLBACK_STAMP, sizeof FALLBACK_STAMP);
        return (int32_t)sizeof FALLBACK_STAMP;
    }
    memcpy(buf, FALLBACK_STAMP, size - 1);
    return (int32_t)(size - 1);
}

int32_t ixor_log_timestamp(char *buf, uint32_t size)
{
    if (buf == NULL || size == 0) {
        return 0;
    }
    struct tm local;
    memset(&local, 0, sizeof local);
    return ixor_log_timestamp_of(buf, size, ixor_os_localtime(&local) == 0 ? &local : NULL);
}

const char *ixor_log_basename(const char *path)
{
    const char *sep = strrchr(path, IXOR_OS_PATH_SEP);
    return sep != NULL ? sep + 1 : path;
}

int ixor_log_prepare(int level, char *stamp, uint32_t size)
{
    ixor_log_autoinit();
    memset(stamp, 0, size);
    ixor_log_timestamp(stamp, size);
    return level == IXOR_LEVEL_ERROR || ixor_log_level_get() >= level;
}
