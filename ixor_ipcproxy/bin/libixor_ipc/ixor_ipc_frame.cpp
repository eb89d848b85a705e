#include "ixor_ipc_frame.h"

#include <string.h>

#include "ixor_ipc_log.h"
#include "ixoraux.h"

static void compose_paths(ixor_frame *frame, const char *relative, int form)
{
    ixor_str_snprintf(frame->path, IXOR_PATH_MAX, "%s/%s", frame->home, relative);
    if (form & IXOR_FRAME_LOCK_OF_PATH) {
        ixor_str_snprintf(frame->lock_path, IXOR_PATH_MAX, "%s.lock", frame->path);
    } else {
        ixor_str_snprintf(frame->lock_path, IXOR_PATH_MAX, "%s/%s.lock", frame->home, relative);
    }
}

static int take_lock(ixor_frame *frame)
{
    if (ixor_flock_init(frame->lock_path, &frame->lock) == 0 &&
        ixor_flock_acquire(frame->lock) == 0) {
        return 0;
    }
    ixor_flock_destroy(frame->lock);
    frame->lock = NULL;
    IXOR_LOG_WARN("flock file failed %s\n", frame->lock_path);
    return -1;
}

static ixor_ini *load(const ixor_frame *frame, int form)
{
    if ((form & IXOR_FRAME_CREATE) && ixor_path_is_exist_u(frame->path) == 0) {
        return ixor_ini_file_load(NULL);
    }
    return ixor_ini_file_load(frame->path);
}

ixor_frame_status ixor_frame_open(ixor_frame *frame, const char *relative, int form)
{
    memset(frame, 0, sizeof *frame);
    if (get_apphome_path_main(frame->home, IXOR_PATH_MAX) != 0) {
        return IXOR_FRAME_NO_HOME;
    }
    compose_paths(frame, relative, form);
    if (!(form & IXOR_FRAME_CREATE) && ixor_path_is_exist_u(frame->path) == 0) {
        return IXOR_FRAME_ABSENT;
    }
    if (take_lock(frame) != 0) {
        return IXOR_FRAME_NO_LOCK;
    }
    frame->ini = load(frame, form);
    if (frame->ini == NULL) {
        IXOR_LOG_WARN("ixor_ini_file_load failed\n");
        return IXOR_FRAME_NO_LOAD;
    }
    return IXOR_FRAME_OK;
}

ixor_frame_status ixor_frame_open_lookup(ixor_frame *frame, const char *relative)
{
    ixor_frame_status status = ixor_frame_open(frame, relative, IXOR_FRAME_READ);
    if (status == IXOR_FRAME_NO_HOME) {
        IXOR_LOG_INFO("ixor_apphome.ini not exists.\n");
    } else if (status == IXOR_FRAME_ABSENT) {
        IXOR_LOG_WARN("config not exists!\n");
    }
    return status;
}

int ixor_frame_save(ixor_frame *frame, int flag)
{
    if (ixor_ini_file_save(frame->ini, frame->path, flag) != 0) {
        IXOR_LOG_ERROR("ixor_ini_file_save failed\n");
        return -1;
    }
    return 0;
}

void ixor_frame_unlock(ixor_frame *frame)
{
    ixor_flock_release(frame->lock);
    ixor_flock_destroy(frame->lock);
    frame->lock = NULL;
}

void ixor_frame_close(ixor_frame *frame)
{
    ixor_ini_file_free(frame->ini);
    frame->ini = NULL;
    ixor_frame_unlock(frame);
}

void ixor_copy_text_out(char *out, int size, const char *text)
{
    if (text != NULL && size > 0) {
        ixor_str_snprintf(out, (uint64_t)(int64_t)size, "%s", text);
    }
}
