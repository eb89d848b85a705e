// The dotted-address check and the host-name rules on any text: no read
// past the text, and answers that keep to the documented character rules.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_scratch.h"
#include "ixor_ipc_internal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using ixor_fuzz::fail;
    ixor_fuzz::agent();
    const std::string text(reinterpret_cast<const char *>(data),
                           strnlen(reinterpret_cast<const char *>(data), size));
    // An exact-size heap copy, so a read past the terminator is caught.
    std::vector<char> copy(text.c_str(), text.c_str() + text.size() + 1);
    // Four numbers 0..255 between dots, with the blanks and signs strtol
    // takes: no letter and no other punctuation.
    if (ixor_check_ip_format(copy.data()) &&
        text.find_first_not_of("0123456789.+- \t\n\v\f\r") != std::string::npos) {
        fail("an address with foreign characters passed");
    }
    const bool name =
        !text.empty() && text.size() <= 66 && text.front() != '-' && text.back() != '-' &&
        text.find_first_not_of("abcdefghijklmnopqrstuvwxyz"
                               "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-._") == std::string::npos;
    if (ixor_check_host_name(copy.data()) != name) {
        fail("the host-name rules gave the other answer");
    }
    if (text != copy.data()) {
        fail("a check changed its argument");
    }
    return 0;
}
