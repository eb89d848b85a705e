// The dotted-address check and the host-name rules on any text: no read
// past the text, and answers that keep to the character rules.
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
    // The host-name rules judge characters one by one and the two ends
    // alone: an accepted name stays accepted reversed, each of its characters
    // but '-' is a name of its own, and no name is longer than 66.
    if (ixor_check_host_name(copy.data())) {
        const std::string reversed(text.rbegin(), text.rend());
        bool parts = text.size() <= 66 && ixor_check_host_name(reversed.c_str());
        for (const char c : text)
            parts = parts && (c == '-' || ixor_check_host_name(std::string(1, c).c_str()));
        if (!parts)
            fail("an accepted host name broke the character rules");
    }
    if (text != copy.data()) {
        fail("a check changed its argument");
    }
    return 0;
}
