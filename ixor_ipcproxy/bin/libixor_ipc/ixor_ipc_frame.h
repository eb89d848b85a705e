/* The locked frame around every configuration file: application home,
 * file and lock paths, lock, load; then save, free, release, destroy. */
#ifndef IXOR_IPC_FRAME_H
#define IXOR_IPC_FRAME_H

#include "ixor_ipc_limits.h"
#include "ixorbase.h"

typedef enum ixor_frame_status {
    IXOR_FRAME_OK = 0,
    IXOR_FRAME_NO_HOME, /* nothing taken; the caller logs its own line */
    IXOR_FRAME_ABSENT,  /* read form only; nothing taken, caller logs */
    IXOR_FRAME_NO_LOCK, /* logged; nothing held */
    IXOR_FRAME_NO_LOAD  /* logged; the lock is held until ixor_frame_close */
} ixor_frame_status;

enum {
    IXOR_FRAME_READ = 0,        /* the file must exist; tested before the lock */
    IXOR_FRAME_CREATE = 1,      /* an absent file loads as an empty document */
    IXOR_FRAME_LOCK_OF_PATH = 2 /* lock path composed from the file path */
};

typedef struct ixor_frame {
    char home[IXOR_PATH_MAX];
    char path[IXOR_PATH_MAX];
    char lock_path[IXOR_PATH_MAX];
    ixor_flock *lock;
    ixor_ini *ini;
} ixor_frame;

/* Runs the frame up to the loaded INI handle. After IXOR_FRAME_OK and
 * IXOR_FRAME_NO_LOAD the caller ends with ixor_frame_close. */
ixor_frame_status ixor_frame_open(ixor_frame *frame, const char *relative, int form);

/* The read form of the two lookups, which log a missing application home
 * at info and a missing file at warn. */
ixor_frame_status ixor_frame_open_lookup(ixor_frame *frame, const char *relative);

/* True when the frame holds the lock and ixor_frame_close is owed. */
static inline int ixor_frame_held(ixor_frame_status status)
{
    return status == IXOR_FRAME_OK || status == IXOR_FRAME_NO_LOAD;
}

/* Saves the loaded document; logs and returns -1 on failure. */
int ixor_frame_save(ixor_frame *frame, int flag);

/* Gives the lock up early, keeping the loaded document (before the apply step). */
void ixor_frame_unlock(ixor_frame *frame);

/* Frees the document, releases and destroys the lock, in that order. */
void ixor_frame_close(ixor_frame *frame);

/* Copies a stored text, when there is one, into a caller's buffer of the
 * given size; a size of 0 or less leaves the buffer alone. */
void ixor_copy_text_out(char *out, int size, const char *text);

#endif
