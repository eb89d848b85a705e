#include "tool_run.h"

#include <windows.h>

#include <stdexcept>

#include "ixor_test_support.h"
#include "win_text.h"

namespace ixor_test {
namespace {

std::wstring tool_path()
{
    std::wstring buf(32768, L'\0');
    DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0 || n >= buf.size())
        throw std::runtime_error("cannot find the test program's path");
    buf.resize(n);
    return buf.substr(0, buf.find_last_of(L"\\/") + 1) + os::to_wide(IXOR_IPC_TOOL_NAME);
}

// Quotes one argument so CommandLineToArgvW gives it back unchanged.
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

HANDLE open_output(const std::string &path)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE file = CreateFileW(os::to_wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot create " + path);
    return file;
}

// The C runtime writes LF as CRLF on text streams.
std::string lf(std::string text)
{
    std::string out;
    for (char c : text)
        if (c != '\r')
            out.push_back(c);
    return out;
}

}  // namespace

ToolRun run_tool(const std::string &io_dir, const std::vector<std::string> &args)
{
    const std::wstring exe = tool_path();
    std::wstring cmd = quote(exe);
    for (const auto &a : args)
        cmd += L" " + quote(os::to_wide(a));
    const std::string out = io_dir + "/out", err = io_dir + "/err";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = INVALID_HANDLE_VALUE;
    si.hStdOutput = open_output(out);
    si.hStdError = open_output(err);
    PROCESS_INFORMATION pi{};
    BOOL started = CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                  nullptr, &si, &pi);
    CloseHandle(si.hStdOutput);
    CloseHandle(si.hStdError);
    if (!started)
        throw std::runtime_error("cannot start the tool");
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return {code >= 0xC0000000u ? -1 : static_cast<int>(code), lf(read_file(out)),
            lf(read_file(err))};
}

}  // namespace ixor_test
