// Thread slots on Windows: fiber-local storage, whose callback the system
// runs with the value when a thread ends.
#include "os.h"

#include <windows.h>

namespace ixor::os {
namespace {

void NTAPI delete_value(void *value) { delete static_cast<ThreadValue *>(value); }

}  // namespace

ThreadSlot::ThreadSlot()
{
    const DWORD index = FlsAlloc(delete_value);
    valid_ = index != FLS_OUT_OF_INDEXES;
    key_ = valid_ ? index : 0;
}

ThreadSlot::~ThreadSlot()
{
    if (valid_)
        FlsFree(static_cast<DWORD>(key_));
}

ThreadValue *ThreadSlot::get() const
{
    return valid_ ? static_cast<ThreadValue *>(FlsGetValue(static_cast<DWORD>(key_))) : nullptr;
}

bool ThreadSlot::set(ThreadValue *value)
{
    return valid_ && FlsSetValue(static_cast<DWORD>(key_), value) != 0;
}

}  // namespace ixor::os
