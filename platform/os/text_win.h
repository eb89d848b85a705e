// UTF-8 and UTF-16 for the W functions of Windows (text_win.cpp): the seam
// speaks UTF-8, the system UTF-16. Windows only.
#ifndef IXOR_OS_TEXT_WIN_H
#define IXOR_OS_TEXT_WIN_H

#include <string>
#include <string_view>

namespace ixor::os {

// "" for invalid UTF-8.
std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);

}  // namespace ixor::os

#endif
