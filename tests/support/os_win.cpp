// Child processes, files and rights on Windows.
#include "ixor_test_support.h"
#include "os.h"
#include "text_win.h"

#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace ixor_test {

struct Child::Impl {
    HANDLE process = nullptr;
    HANDLE stop_event = nullptr;
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

// Only the standard handles and the stop event go to the child: a
// listener of the test kept open in a child would take connections that the
// test means to be refused.
class InheritedHandles {
public:
    explicit InheritedHandles(std::vector<HANDLE> handles) : handles_(std::move(handles))
    {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        storage_.resize(size);
        list_ = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
        InitializeProcThreadAttributeList(list_, 1, 0, &size);
        UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_.data(),
                                  handles_.size() * sizeof(HANDLE), nullptr, nullptr);
    }
    ~InheritedHandles() { DeleteProcThreadAttributeList(list_); }
    LPPROC_THREAD_ATTRIBUTE_LIST list() const { return list_; }

private:
    std::vector<HANDLE> handles_;
    std::vector<char> storage_;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

}  // namespace

Child::Impl *Child::spawn(const std::string &exe, const std::vector<std::string> &args,
                          const std::string &out_path, const std::string &err_path)
{
    const std::wstring wide_exe = ixor::os::widen(exe);
    std::wstring cmd = quote(wide_exe);
    for (const auto &arg : args)
        cmd += L" " + quote(ixor::os::widen(arg));
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE stop_event = CreateEventW(&inherit, TRUE, FALSE, nullptr);
    STARTUPINFOEXW si{};
    si.StartupInfo.cb = sizeof si;
    std::vector<HANDLE> handles{stop_event};
    const bool io = !out_path.empty();
    if (io) {
        si.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
        si.StartupInfo.hStdInput = INVALID_HANDLE_VALUE;
        si.StartupInfo.hStdOutput = open_output(out_path);
        si.StartupInfo.hStdError = open_output(err_path);
        handles.insert(handles.end(), {si.StartupInfo.hStdOutput, si.StartupInfo.hStdError});
    }
    const InheritedHandles inherited(handles);
    si.lpAttributeList = inherited.list();
    // The tests start children from one thread, so the variable set for
    // this start reaches this child only.
    const std::string event_text = std::to_string(reinterpret_cast<std::uintptr_t>(stop_event));
    ixor::os::set_env("IXOR_STOP_EVENT", event_text.c_str());
    PROCESS_INFORMATION pi{};
    const BOOL started =
        CreateProcessW(wide_exe.c_str(), cmd.data(), nullptr, nullptr, TRUE,
                       EXTENDED_STARTUPINFO_PRESENT, nullptr, nullptr, &si.StartupInfo, &pi);
    ixor::os::set_env("IXOR_STOP_EVENT", nullptr);
    if (io) {
        CloseHandle(si.StartupInfo.hStdOutput);
        CloseHandle(si.StartupInfo.hStdError);
    }
    if (!started) {
        CloseHandle(stop_event);
        throw std::runtime_error("cannot start " + exe);
    }
    CloseHandle(pi.hThread);
    return new Impl{pi.hProcess, stop_event};
}

Child::~Child()
{
    if (impl_) {
        kill();
        CloseHandle(impl_->process);
        CloseHandle(impl_->stop_event);
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

void Child::terminate() { SetEvent(impl_->stop_event); }

bool Child::running() { return WaitForSingleObject(impl_->process, 0) == WAIT_TIMEOUT; }

bool kill_process(int pid)
{
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (!process)
        return false;
    const bool killed = TerminateProcess(process, STATUS_CONTROL_C_EXIT) != 0;
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
    return killed;
}

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
