// main() of every test program: a child mode when started as one, else the
// tests.
#include <gmock/gmock.h>

#include "ixor_test_support.h"

int main(int argc, char **argv)
{
    if (argc > 1 && std::string(argv[1]) == "--child")
        return ixor_test::run_child_mode(ixor::os::program_args(argc, argv));
    testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
