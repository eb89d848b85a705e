// Children on Windows: CreateProcess into the agent's kill-on-close job
// object, with an inheritable stop event of their own.
#include "child.h"

#include "os.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>

struct ChildProcess::Impl {
    HANDLE process = nullptr;
    HANDLE stop_event = nullptr;
    DWORD pid = 0;
    std::optional<ChildExit> exit;
};

namespace {

const UINT killed_code = 0xC000013A;

// Closing the last handle, as the agent's end does however it ends, kills
// every child.
HANDLE agent_job()
{
    static const HANDLE job = [] {
        HANDLE h = CreateJobObjectW(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (h) {
            SetInformationJobObject(h, JobObjectExtendedLimitInformation, &limits, sizeof limits);
        }
        return h;
    }();
    return job;
}

// The quoting that CommandLineToArgvW and the C runtime undo.
std::wstring quote(const std::wstring &arg)
{
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) {
        return arg;
    }
    std::wstring out = L"\"";
    size_t slashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++slashes;
            continue;
        }
        out.append(c == L'"' ? slashes * 2 + 1 : slashes, L'\\');
        out += c;
        slashes = 0;
    }
    out.append(slashes * 2, L'\\');
    return out + L"\"";
}

std::wstring command_line(const Program &program)
{
    std::wstring line = quote(ixor::os::widen(program.path));
    for (const std::string &arg : program.args) {
        line += L" " + quote(ixor::os::widen(arg));
    }
    return line;
}

std::string last_error_text() { return "Windows error " + std::to_string(GetLastError()); }

// Only this child's event is inheritable while it is created, so no child
// gets another one's.
bool create_suspended(const Program &program, HANDLE event, PROCESS_INFORMATION &pi)
{
    std::wstring line = command_line(program);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    SetHandleInformation(event, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    const std::string value = std::to_string(reinterpret_cast<std::uintptr_t>(event));
    ixor::os::set_env("IXOR_STOP_EVENT", value.c_str());
    const BOOL ok =
        CreateProcessW(ixor::os::widen(program.path).c_str(), line.data(), nullptr, nullptr, TRUE,
                       CREATE_SUSPENDED | CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &si, &pi);
    ixor::os::set_env("IXOR_STOP_EVENT", nullptr);
    SetHandleInformation(event, HANDLE_FLAG_INHERIT, 0);
    return ok != FALSE;
}

// NTSTATUS-style codes mean it was killed or crashed.
std::string exit_text(DWORD code)
{
    if (code < 0xC0000000u) {
        return "exit status " + std::to_string(code);
    }
    char hex[16];
    std::snprintf(hex, sizeof hex, "%lx", static_cast<unsigned long>(code));
    return std::string("ended with status 0x") + hex;
}

}  // namespace

std::unique_ptr<ChildProcess> ChildProcess::start(const Program &program, std::string &error)
{
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    PROCESS_INFORMATION pi{};
    if (!event || !create_suspended(program, event, pi)) {
        error = last_error_text();
        if (event) {
            CloseHandle(event);
        }
        return nullptr;
    }
    if (!agent_job() || !AssignProcessToJobObject(agent_job(), pi.hProcess)) {
        error = "cannot put it into the agent's job object: " + last_error_text();
        TerminateProcess(pi.hProcess, killed_code);
    }
    ResumeThread(pi.hThread);
    CloseHandle(pi.hThread);
    std::unique_ptr<ChildProcess> child(
        new ChildProcess(new Impl{pi.hProcess, event, pi.dwProcessId, std::nullopt}));
    return error.empty() ? std::move(child) : nullptr;
}

ChildProcess::~ChildProcess()
{
    kill();
    CloseHandle(impl_->process);
    CloseHandle(impl_->stop_event);
    delete impl_;
}

int ChildProcess::pid() const { return static_cast<int>(impl_->pid); }

std::optional<ChildExit> ChildProcess::poll()
{
    DWORD code = 0;
    if (!impl_->exit && WaitForSingleObject(impl_->process, 0) == WAIT_OBJECT_0 &&
        GetExitCodeProcess(impl_->process, &code)) {
        impl_->exit = ChildExit{code == 0, exit_text(code)};
    }
    return impl_->exit;
}

void ChildProcess::request_stop() { SetEvent(impl_->stop_event); }

void ChildProcess::kill()
{
    if (!poll()) {
        TerminateProcess(impl_->process, killed_code);
        WaitForSingleObject(impl_->process, INFINITE);
        poll();
    }
}
