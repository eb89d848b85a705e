// The C interface of the platform libraries: every export runs its body
// through guarded(), so that an exception (running out of memory, mostly)
// becomes the export's failure result instead of crossing into C. Running
// out of memory is also said the C way (os.h).
#ifndef IXOR_C_BOUNDARY_H
#define IXOR_C_BOUNDARY_H

#include <new>

#include "os.h"

namespace ixor {

template <class Result, class Body> Result guarded(Result failure, Body &&body) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc &) {
        os::say_out_of_memory();
    } catch (...) {
    }
    return failure;
}

template <class Body> void guarded(Body &&body) noexcept
{
    try {
        body();
    } catch (const std::bad_alloc &) {
        os::say_out_of_memory();
    } catch (...) {
    }
}

}  // namespace ixor

#endif
