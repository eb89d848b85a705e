// The dotted-address check and the host-name rules on any text: no read
// past the text, and answers that keep to the documented character rules.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_scratch.h"
#include "ixor_ipc_internal.h"

namespace {

bool name_char(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           c == '-' || c == '.' || c == '_';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using ixor_fuzz::fail;
    ixor_fuzz::scratch_dir();
    // An exact-size heap copy, so a read past the terminator is caught.
    const std::string text(reinterpret_cast<const char *>(data),
                           strnlen(reinterpret_cast<const char *>(data), size));
    char *copy = new char[text.size() + 1];
    std::memcpy(copy, text.c_str(), text.size() + 1);

    if (ixor_check_ip_format(copy)) {
        // Four numbers 0..255 between dots, with the blanks and signs
        // strtol takes: no letter and no other punctuation.
        if (text.find_first_not_of("0123456789.+- \t\n\v\f\r") != std::string::npos) {
            fail("an address with foreign characters passed");
        }
    }
    bool expected_name = !text.empty() && text.size() <= 66 && text.front() != '-' &&
                         text.back() != '-';
    for (char c : text) {
        expected_name = expected_name && name_char(c);
    }
    if (ixor_check_host_name(copy) != expected_name) {
        fail("the host-name rules gave the other answer");
    }
    if (std::strcmp(copy, text.c_str()) != 0) {
        fail("a check changed its argument");
    }
    delete[] copy;
    return 0;
}
