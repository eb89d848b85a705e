// What the Windows files of the seam share: handles that close themselves,
// the one way a regular file is opened and what may be used as found.
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

// What a refusal leaves as the last error: neither a missing file nor a
// denied access, which callers take for other things.
inline constexpr DWORD refused_error = ERROR_INVALID_OWNER;

// Whether the folder or file the handle holds (opened with READ_CONTROL,
// a folder with WRITE_DAC too where the caller has it) may be used as
// found (trust_win.cpp): its owner is SYSTEM, the Administrators,
// TrustedInstaller or the calling account. A folder of the caller's that
// other accounts may write is narrowed first. Refusals are reported and
// leave refused_error.
bool usable_folder(HANDLE folder, const std::string &path);
bool usable_file(HANDLE file, const std::string &path);

// Opens a file with CreateFileW's access, disposition, sharing and, for a
// file it creates, security; never through a reparse point; anything but a
// usable regular file on disk is refused (INVALID_HANDLE_VALUE).
HANDLE open_regular(const std::string &path, DWORD access, DWORD disposition, DWORD share,
                    PSECURITY_DESCRIPTOR security = nullptr);

}  // namespace ixor::os

#endif
