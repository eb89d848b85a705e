// Any file loads; saving it and loading the save gives the same sections,
// and a second save is byte for byte the first.
#include <cstdint>
#include <string>

#include "fuzz_scratch.h"
#include "ixorbase_handles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using ixor_fuzz::fail;
    const std::string input = ixor_fuzz::agent().root() + "/input.eni";
    const std::string first = input + ".first";
    const std::string second = input + ".second";
    ixor_test::write_file(input, std::string(reinterpret_cast<const char *>(data), size));
    const ixorbase::IniPtr loaded(ixor_ini_file_load(input.c_str()));
    if (!loaded || ixor_ini_file_save(loaded.get(), first.c_str(), 0) != 0) {
        fail("a small regular file did not load, or its document did not save");
    }
    const ixorbase::IniPtr reloaded(ixor_ini_file_load(first.c_str()));
    if (!reloaded || ixor_test::sections_in(first) != ixor_test::sections_in(input)) {
        fail("the saved file loads to other sections");
    }
    if (ixor_ini_file_save(reloaded.get(), second.c_str(), 1) != 0 ||
        ixor_test::read_file(first) != ixor_test::read_file(second)) {
        fail("saving the reloaded document changed the text");
    }
    return 0;
}
