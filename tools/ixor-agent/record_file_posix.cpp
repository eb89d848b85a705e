// Identity and trust of record files and folders on POSIX.
#include "records.h"

#include <sys/stat.h>
#include <unistd.h>

const char *const program_suffix = "";

std::string file_identity(const std::string &path)
{
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return "";
    }
    // A save renames a new file over the old one, so the inode changes; the
    // times catch a writer that rewrites in place.
    return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino) + ":" +
           std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec) + ":" +
           std::to_string(st.st_ctim.tv_sec) + "." + std::to_string(st.st_ctim.tv_nsec) + ":" +
           std::to_string(st.st_size);
}

std::string trust_problem(const std::string &path)
{
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) {
        return path + " cannot be examined";
    }
    if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        return path + " is neither a regular file nor a folder";
    }
    if (st.st_uid != geteuid()) {
        return path + " belongs to uid " + std::to_string(st.st_uid) + ", not to the agent's " +
               std::to_string(geteuid());
    }
    if (st.st_mode & (S_IWGRP | S_IWOTH)) {
        return path + " can be written by other users";
    }
    return "";
}

bool absolute_path(const std::string &path) { return !path.empty() && path[0] == '/'; }
