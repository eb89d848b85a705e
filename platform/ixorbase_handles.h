/* C++ owners of the base library's handles, for C++ callers: an INI handle
 * that frees itself and a lock file held for a scope. */
#ifndef IXORBASE_HANDLES_H
#define IXORBASE_HANDLES_H

#include <memory>
#include <string>

#include "ixorbase.h"

namespace ixorbase {

struct IniFree {
    void operator()(ixor_ini *ini) const { ixor_ini_file_free(ini); }
};
using IniPtr = std::unique_ptr<ixor_ini, IniFree>;

// The lock file "<file>.lock" beside a file, held for the object's
// lifetime: the lock that every writer of the file takes.
class FileLock {
public:
    explicit FileLock(const std::string &file)
    {
        const std::string path = file + ".lock";
        held_ = ixor_flock_init(path.c_str(), &lock_) == 0 && ixor_flock_acquire(lock_) == 0;
    }
    ~FileLock()
    {
        ixor_flock_release(lock_);
        ixor_flock_destroy(lock_);
    }
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;
    bool held() const { return held_; }

private:
    ixor_flock *lock_ = nullptr;
    bool held_ = false;
};

}  // namespace ixorbase

#endif
