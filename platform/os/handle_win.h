// What the Windows files of the seam share: handles that close themselves
// and the one way a regular file is opened.
#ifndef IXOR_OS_HANDLE_WIN_H
#define IXOR_OS_HANDLE_WIN_H

#include <windows.h>

#include <string>

namespace ixor::os {

class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle()
    {
        if (valid())
            CloseHandle(h_);
    }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    HANDLE release()
    {
        const HANDLE h = h_;
        h_ = INVALID_HANDLE_VALUE;
        return h;
    }
    // Closes now and reports the result, which a write may depend on.
    bool close() { return CloseHandle(release()) != 0; }

private:
    HANDLE h_;
};

inline constexpr DWORD share_all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Opens a file with CreateFileW's access, disposition, sharing and, for a
// file it creates, security; never through a reparse point; anything but a
// regular file on disk is refused (INVALID_HANDLE_VALUE).
HANDLE open_regular(const std::string &path, DWORD access, DWORD disposition, DWORD share,
                    PSECURITY_DESCRIPTOR security = nullptr);

}  // namespace ixor::os

#endif
