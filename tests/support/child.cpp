// Moving a child handle; the rest lives in the per-system files.
#include "ixor_test_support.h"

#include <utility>

namespace ixor_test {

Child::Child(Child &&other) noexcept : impl_(other.impl_)
{
    other.impl_ = nullptr;
}

// The old child goes with `other`, whose destructor ends it.
Child &Child::operator=(Child &&other) noexcept
{
    std::swap(impl_, other.impl_);
    return *this;
}

}  // namespace ixor_test
