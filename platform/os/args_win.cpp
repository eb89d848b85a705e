// The command line on Windows: the narrow argv is in the ANSI code page, so
// the arguments come from the wide command line.
#include "os.h"
#include "text_win.h"

#include <windows.h>
#include <shellapi.h>

namespace ixor::os {

std::vector<std::string> program_args(int, char **)
{
    int count = 0;
    wchar_t **wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 0; wide && i < count; ++i)
        args.push_back(narrow(wide[i]));
    LocalFree(wide);
    return args;
}

}  // namespace ixor::os
