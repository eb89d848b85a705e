// The path of a running program, cut to the caller's buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ixorbase.h"
#include "os.h"

namespace {

// The whole path names this test program; a shorter buffer gets the path
// cut to fit with its terminator, and the bytes after the bound stay as
// they were.
TEST(ProcessPath, CutToTheBufferAndNothingWrittenBeyond)
{
    const int pid = ixor::os::current_pid();
    char whole[4096];
    ASSERT_EQ(ixor_process_get_path(pid, whole, sizeof whole), 0);
    const std::string path = whole;
    EXPECT_NE(path.find("ixorbase_tests"), std::string::npos) << path;
    EXPECT_EQ(ixor_path_is_exist_u(whole), 1);
    const int length = static_cast<int>(path.size());
    for (const int size : {1, 2, 8, length, length + 1}) {
        SCOPED_TRACE(size);
        char buf[sizeof whole + 8];
        std::memset(buf, '#', sizeof buf);
        ASSERT_EQ(ixor_process_get_path(pid, buf, size), 0);
        EXPECT_EQ(std::string(buf), path.substr(0, size_t(size) - 1));
        EXPECT_EQ(std::string(buf + size, 8), std::string(8, '#'));
    }
}

TEST(ProcessPath, RefusesNoBufferNoRoomAndNoProcess)
{
    char buf[16] = "keep";
    EXPECT_EQ(ixor_process_get_path(ixor::os::current_pid(), nullptr, sizeof buf), -1);
    EXPECT_EQ(ixor_process_get_path(ixor::os::current_pid(), buf, 0), -1);
    EXPECT_EQ(ixor_process_get_path(-1, buf, sizeof buf), -1);
    EXPECT_STREQ(buf, "keep");
}

}  // namespace
