// Child processes on Windows: the test program started again.
#include "ixor_test_support.h"
#include "win_text.h"

#include <windows.h>

#include <stdexcept>

namespace ixor_test {

struct Child::Impl {
    HANDLE process = nullptr;
    bool killed = false;
};

namespace {

std::wstring self_path()
{
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0)
            throw std::runtime_error("cannot find the test program's path");
        if (n < buf.size()) {
            buf.resize(n);
            return buf;
        }
        buf.resize(buf.size() * 2);
    }
}

// Quotes one argument so CommandLineToArgvW gives it back unchanged:
// backslashes double only where they precede a quote.
std::wstring quote(const std::wstring &arg)
{
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos)
        return arg;
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out.push_back(c);
    }
    out.append(backslashes * 2, L'\\');
    out.push_back(L'"');
    return out;
}

// NTSTATUS-style codes (access violation and the like) mean a crash.
int exit_status(DWORD code)
{
    return code >= 0xC0000000u ? -1 : static_cast<int>(code);
}

}  // namespace

Child Child::start(const std::string &mode, const std::vector<std::string> &args)
{
    const std::wstring exe = self_path();
    std::wstring cmd = quote(exe) + L" --child " + quote(os::to_wide(mode));
    for (const auto &a : args)
        cmd += L" " + quote(os::to_wide(a));

    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &si, &pi))
        throw std::runtime_error("cannot start child mode " + mode);
    CloseHandle(pi.hThread);
    Child child;
    child.impl_ = new Impl;
    child.impl_->process = pi.hProcess;
    return child;
}

Child::~Child()
{
    if (!impl_)
        return;
    if (running())
        kill();
    CloseHandle(impl_->process);
    delete impl_;
}

int Child::wait()
{
    WaitForSingleObject(impl_->process, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(impl_->process, &code);
    return impl_->killed ? -1 : exit_status(code);
}

void Child::kill()
{
    if (!running())
        return;
    TerminateProcess(impl_->process, 1);
    impl_->killed = true;
    WaitForSingleObject(impl_->process, INFINITE);
}

bool Child::running()
{
    return WaitForSingleObject(impl_->process, 0) == WAIT_TIMEOUT;
}

}  // namespace ixor_test
