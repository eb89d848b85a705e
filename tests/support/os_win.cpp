// Child processes, files and rights on Windows.
#include "ixor_test_support.h"
#include "os.h"
#include "text_win.h"

#include <winsock2.h>
#include <windows.h>

#include <stdexcept>

namespace ixor_test {

struct Child::Impl {
    HANDLE process = nullptr;
};

namespace {

// The tests' arguments hold no quote and end in no backslash (paths are
// written with '/'), so plain quotes give them back unchanged.
std::wstring quote(const std::wstring &arg) { return L"\"" + arg + L"\""; }

HANDLE open_output(const std::string &path)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE file = CreateFileW(ixor::os::widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                              &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot create " + path);
    return file;
}

}  // namespace

Child::Impl *Child::spawn(const std::string &exe, const std::vector<std::string> &args,
                          const std::string &out_path, const std::string &err_path)
{
    const std::wstring wide_exe = ixor::os::widen(exe);
    std::wstring cmd = quote(wide_exe);
    for (const auto &arg : args)
        cmd += L" " + quote(ixor::os::widen(arg));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    const bool io = !out_path.empty();
    if (io) {
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = INVALID_HANDLE_VALUE;
        si.hStdOutput = open_output(out_path);
        si.hStdError = open_output(err_path);
    }
    PROCESS_INFORMATION pi{};
    const BOOL started = CreateProcessW(wide_exe.c_str(), cmd.data(), nullptr, nullptr, io, 0,
                                        nullptr, nullptr, &si, &pi);
    if (io) {
        CloseHandle(si.hStdOutput);
        CloseHandle(si.hStdError);
    }
    if (!started)
        throw std::runtime_error("cannot start " + exe);
    CloseHandle(pi.hThread);
    return new Impl{pi.hProcess};
}

Child::~Child()
{
    if (impl_) {
        kill();
        CloseHandle(impl_->process);
    }
    delete impl_;
}

// NTSTATUS-style codes (access violation, a kill) mean no normal exit.
int Child::wait()
{
    WaitForSingleObject(impl_->process, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(impl_->process, &code);
    return code >= 0xC0000000u ? -1 : static_cast<int>(code);
}

void Child::kill()
{
    if (running()) {
        TerminateProcess(impl_->process, STATUS_CONTROL_C_EXIT);
        WaitForSingleObject(impl_->process, INFINITE);
    }
}

bool Child::running() { return WaitForSingleObject(impl_->process, 0) == WAIT_TIMEOUT; }

// Permission bits, links and FIFOs are POSIX things; the tests that need
// them skip here.
int set_umask(int) { return -1; }

int mode_of(const std::string &) { return -1; }

bool make_symlink(const std::string &, const std::string &) { return false; }

bool make_fifo(const std::string &) { return false; }

bool process_starts_are_costly() { return true; }

// Sockets are started already: by the listener whose queue this fills.
ixor::os::SocketHandle connect_nowait(uint16_t port)
{
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET)
        return ixor::os::no_socket;
    u_long on = 1;
    ::ioctlsocket(s, FIONBIO, &on);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::connect(s, reinterpret_cast<const sockaddr *>(&addr), sizeof addr);
    return static_cast<ixor::os::SocketHandle>(s);
}

}  // namespace ixor_test
