// Child-mode registry and the main() shared by every test program.
#include "ixor_test_support.h"
#include "support_os.h"

#include <gmock/gmock.h>

#include <cstdio>
#include <map>

namespace ixor_test {
namespace {

// A function-local map: registrations run during static initialisation of
// other files, in an order nobody controls.
std::map<std::string, ChildMain> &child_modes()
{
    static std::map<std::string, ChildMain> modes;
    return modes;
}

int run_child_mode(const std::vector<std::string> &args)
{
    if (args.size() < 3) {
        std::fprintf(stderr, "--child needs a mode name\n");
        return 2;
    }
    auto it = child_modes().find(args[2]);
    if (it == child_modes().end()) {
        std::fprintf(stderr, "unknown child mode %s\n", args[2].c_str());
        return 2;
    }
    return it->second(std::vector<std::string>(args.begin() + 3, args.end()));
}

}  // namespace

bool register_child_mode(const char *name, ChildMain fn)
{
    return child_modes().emplace(name, fn).second;
}

}  // namespace ixor_test

int main(int argc, char **argv)
{
    if (argc > 1 && std::string(argv[1]) == "--child")
        return ixor_test::run_child_mode(ixor_test::os::program_args(argc, argv));
    testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
