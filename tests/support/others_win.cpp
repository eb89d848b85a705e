// What other accounts and programs do to the agent's files, on Windows:
// the tests cannot make another account, so available() says no and the
// tests that need it skip; a reader that holds a file without delete
// sharing is a Windows thing.
#include "ixor_test_support.h"
#include "text_win.h"

#include <windows.h>

namespace ixor_test {

bool OtherUser::available() { return false; }
OtherUser::OtherUser(const Body &) {}
OtherUser::~OtherUser() = default;
bool OtherUser::wait_ready() { return false; }
int OtherUser::wait() { return -1; }
int read_lock(const std::string &) { return -1; }

HeldOpen::HeldOpen(const std::string &path, int ms)
{
    const HANDLE file = CreateFileW(ixor::os::widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        closer_ = std::thread([file, ms] {
            Sleep(static_cast<DWORD>(ms));
            CloseHandle(file);
        });
}

HeldOpen::~HeldOpen()
{
    if (closer_.joinable())
        closer_.join();
}

}  // namespace ixor_test
