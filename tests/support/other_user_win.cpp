// Another local account on Windows: the tests cannot make one, so
// available() says no and the tests that need it skip.
#include "ixor_test_support.h"

namespace ixor_test {

bool OtherUser::available() { return false; }
OtherUser::OtherUser(const Body &) {}
OtherUser::~OtherUser() = default;
bool OtherUser::wait_ready() { return false; }
int OtherUser::wait() { return -1; }
int read_lock(const std::string &) { return -1; }

}  // namespace ixor_test
