// Thread slots on POSIX: a pthread key whose destructor deletes the value.
#include "os.h"

#include <pthread.h>

namespace ixor::os {
namespace {

void delete_value(void *value) { delete static_cast<ThreadValue *>(value); }

pthread_key_t key_of(unsigned long key) { return static_cast<pthread_key_t>(key); }

}  // namespace

ThreadSlot::ThreadSlot()
{
    pthread_key_t key;
    valid_ = pthread_key_create(&key, delete_value) == 0;
    key_ = valid_ ? static_cast<unsigned long>(key) : 0;
}

ThreadSlot::~ThreadSlot()
{
    if (valid_)
        pthread_key_delete(key_of(key_));
}

ThreadValue *ThreadSlot::get() const
{
    return valid_ ? static_cast<ThreadValue *>(pthread_getspecific(key_of(key_))) : nullptr;
}

bool ThreadSlot::set(ThreadValue *value)
{
    return valid_ && pthread_setspecific(key_of(key_), value) == 0;
}

}  // namespace ixor::os
