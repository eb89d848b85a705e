// Child processes on Windows: the test program started again, or a program
// beside it.
#include "ixor_test_support.h"
#include "win_text.h"

#include <windows.h>

#include <stdexcept>
#include <utility>

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

HANDLE open_output(const std::string &path)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE file = CreateFileW(os::to_wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot create " + path);
    return file;
}

// Starts exe with the words as its arguments; with io set, stdout and
// stderr go to the two files. Returns the process handle.
HANDLE spawn(const std::wstring &exe, const std::vector<std::string> &words,
             const std::pair<std::string, std::string> *io)
{
    std::wstring cmd = quote(exe);
    for (const auto &w : words)
        cmd += L" " + quote(os::to_wide(w));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (io) {
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = INVALID_HANDLE_VALUE;
        si.hStdOutput = open_output(io->first);
        si.hStdError = open_output(io->second);
    }
    PROCESS_INFORMATION pi{};
    const BOOL started = CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, io != nullptr,
                                        0, nullptr, nullptr, &si, &pi);
    if (io) {
        CloseHandle(si.hStdOutput);
        CloseHandle(si.hStdError);
    }
    if (!started)
        throw std::runtime_error("cannot start " + os::to_utf8(exe));
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

int reap(HANDLE process)
{
    WaitForSingleObject(process, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    return exit_status(code);
}

}  // namespace

int run_beside(const std::string &program, const std::vector<std::string> &args,
               const std::string &out_path, const std::string &err_path)
{
    const std::wstring self = self_path();
    const std::wstring exe = self.substr(0, self.find_last_of(L"\\/") + 1) + os::to_wide(program);
    const std::pair<std::string, std::string> io{out_path, err_path};
    const HANDLE process = spawn(exe, args, &io);
    const int status = reap(process);
    CloseHandle(process);
    return status;
}

Child Child::start(const std::string &mode, const std::vector<std::string> &args)
{
    std::vector<std::string> words{"--child", mode};
    words.insert(words.end(), args.begin(), args.end());
    Child child;
    child.impl_ = new Impl;
    child.impl_->process = spawn(self_path(), words, nullptr);
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
    const int status = reap(impl_->process);
    return impl_->killed ? -1 : status;
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
