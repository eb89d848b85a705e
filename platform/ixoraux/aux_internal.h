// What the files of libixoraux share: where things lie below the
// application home, and handles that give themselves back.
#ifndef IXORAUX_INTERNAL_H
#define IXORAUX_INTERNAL_H

#include "ixorbase.h"

#include <memory>
#include <optional>
#include <string>

namespace ixoraux {

// "<application home>/config/<rel>"; nothing when the home is unknown.
std::optional<std::string> config_path(const std::string &rel);

// Creates the directories above a file, so a first save or lock finds them.
bool make_parent_dirs(const std::string &path);

struct IniFree {
    void operator()(ixor_ini *ini) const { ixor_ini_file_free(ini); }
};
using IniPtr = std::unique_ptr<ixor_ini, IniFree>;

// The lock file "<file>.lock" beside a configuration file, held for the
// object's lifetime. Every process that writes the file takes the same one.
class FileLock {
public:
    explicit FileLock(const std::string &file)
    {
        const std::string path = file + ".lock";
        held_ = make_parent_dirs(path) && ixor_flock_init(path.c_str(), &lock_) == 0 &&
                ixor_flock_acquire(lock_) == 0;
    }
    ~FileLock()
    {
        if (held_)
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

}  // namespace ixoraux

#endif
