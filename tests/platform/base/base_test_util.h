// Small helpers shared by the tests of libixorbase.
#ifndef IXORBASE_BASE_TEST_UTIL_H
#define IXORBASE_BASE_TEST_UTIL_H

#include "ixor_test_support.h"
#include "ixorbase_handles.h"

#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace base_test {

using Ini = ixorbase::IniPtr;
using ixor_test::read_file;
using ixor_test::TempDir;
using ixor_test::write_file;
using Clock = std::chrono::steady_clock;

inline Ini load(const std::string &path)
{
    return Ini(ixor_ini_file_load(path.c_str()));
}

// Writes the text to a file and loads it.
inline Ini load_text(const TempDir &dir, const std::string &text)
{
    write_file(dir.file("in.ini"), text);
    return load(dir.file("in.ini"));
}

inline std::string get_or(ixor_ini *ini, const char *section, const char *key)
{
    const char *value = ixor_ini_file_get(ini, section, key);
    return value ? value : "<absent>";
}

// Section names in the order ixor_ini_file_foreach visits them.
inline std::vector<std::string> sections_of(ixor_ini *ini)
{
    std::vector<std::string> names;
    ixor_ini_file_foreach(ini, &names, [](ixor_ini *, const char *section, void *user) {
        static_cast<std::vector<std::string> *>(user)->push_back(section);
        return 0;
    });
    return names;
}

inline std::set<std::string> entries_of(const std::string &dir)
{
    std::set<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(std::filesystem::u8path(dir)))
        names.insert(entry.path().filename().u8string());
    return names;
}

// Polls for a file that another process creates; false after the timeout.
inline bool wait_for_file(const std::string &path, std::chrono::seconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (!ixor_test::file_exists(path)) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

inline double seconds_since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace base_test

#endif
