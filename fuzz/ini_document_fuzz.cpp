// Any text parses; what it parses to saves and parses back the same.
#include <cstdint>
#include <string>

#include "fuzz_scratch.h"
#include "ini_document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    const ixorbase::IniDocument doc = ixorbase::IniDocument::parse(text);
    // Loading skips what could not be written again, so every parsed
    // document is writable.
    if (!doc.serializable()) {
        ixor_fuzz::fail("a parsed document is not serializable");
    }
    const std::string once = doc.serialize();
    const ixorbase::IniDocument again = ixorbase::IniDocument::parse(once);
    if (again.serialize() != once || again.section_names() != doc.section_names()) {
        ixor_fuzz::fail("parse -> serialize -> parse is not stable");
    }
    return 0;
}
