// Any file loads; saving it and loading the save gives the same sections,
// and a second save is byte for byte the first.
#include <cstdint>
#include <string>

#include "fuzz_scratch.h"
#include "registration_model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace ixor_fuzz;
    const std::string input = scratch_dir() + "/input.eni";
    const std::string first = scratch_dir() + "/first.eni";
    const std::string second = scratch_dir() + "/second.eni";
    write_bytes(input, std::string(reinterpret_cast<const char *>(data), size));
    ixor_ini *loaded = ixor_ini_file_load(input.c_str());
    if (loaded == nullptr) {
        fail("a small regular file did not load");
    }
    if (ixor_ini_file_save(loaded, first.c_str(), 0) != 0) {
        fail("a loaded document was refused on save");
    }
    ixor_ini_file_free(loaded);
    ixor_ini *reloaded = ixor_ini_file_load(first.c_str());
    if (reloaded == nullptr ||
        ixor_test::section_names(first) != ixor_test::section_names(input)) {
        fail("the saved file loads to other sections");
    }
    if (ixor_ini_file_save(reloaded, second.c_str(), 1) != 0 ||
        ixor_test::file_text(first) != ixor_test::file_text(second)) {
        fail("saving the reloaded document changed the text");
    }
    ixor_ini_file_free(reloaded);
    return 0;
}
