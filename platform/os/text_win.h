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

// The long-path form of a file or folder path ("\\?\C:\...", or
// "\\?\UNC\server\..."), which no Windows call cuts at MAX_PATH (260
// UTF-16 units): so a home near the library's 260-byte bound still takes
// the temporary names of its saves. The form is taken literally, so the path
// is made absolute and its "/", "." and ".." resolved first. "" for invalid
// UTF-8.
std::wstring wide_path(std::string_view utf8);

}  // namespace ixor::os

#endif
