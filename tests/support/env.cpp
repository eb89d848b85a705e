// Environment variables changed for one scope.
#include "ixor_test_support.h"
#include "support_os.h"

#include <cstdlib>

namespace ixor_test {

ScopedEnv::ScopedEnv(const char *name, const char *value) : name_(name)
{
    const char *old = std::getenv(name);
    had_old_ = old != nullptr;
    if (had_old_)
        old_ = old;
    if (value)
        os::set_env(name_, value);
    else
        os::unset_env(name_);
}

ScopedEnv::~ScopedEnv()
{
    if (had_old_)
        os::set_env(name_, old_);
    else
        os::unset_env(name_);
}

}  // namespace ixor_test
