// Runs a fuzz target once on every file of the folders it is given, so
// that the committed corpus is an ordinary test wherever the tests run: a
// broken invariant aborts the program.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "ixor_test_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

int main(int argc, char **argv)
{
    std::vector<std::filesystem::path> inputs;
    for (int i = 1; i < argc; ++i) {
        for (const auto &entry :
             std::filesystem::directory_iterator(std::filesystem::u8path(argv[i])))
            inputs.push_back(entry.path());
    }
    std::sort(inputs.begin(), inputs.end());
    for (const std::filesystem::path &input : inputs) {
        const std::string bytes = ixor_test::read_file(input.u8string());
        std::printf("%s\n", input.filename().u8string().c_str());
        std::fflush(stdout);
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
    }
    std::printf("%zu inputs kept every invariant\n", inputs.size());
    return inputs.empty() ? 1 : 0;
}
