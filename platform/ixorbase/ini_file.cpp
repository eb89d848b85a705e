// The ixor_ini_file_* exports that touch files: a document loaded from a
// file, saved to one, and given back.
#include "ini_handle.h"
#include "c_boundary.h"
#include "ixorbase.h"
#include "os.h"

#include <cstdint>
#include <new>
#include <optional>
#include <string>

namespace {

// Larger files are refused rather than read into memory, and never saved.
constexpr std::uint64_t max_file_size = 64ull << 20;

}  // namespace

ixor_ini *ixor_ini_file_load(const char *path) noexcept
{
    return ixor::guarded<ixor_ini *>(nullptr, [&]() -> ixor_ini * {
        if (!path)
            return new ixor_ini{};
        std::optional<std::string> text = ixor::os::read_file(path, max_file_size);
        if (!text)
            return nullptr;
        return new ixor_ini{ixorbase::IniDocument::parse(std::move(*text))};
    });
}

// Refuses documents that would not load back the same, rather than
// escaping them, and documents larger than a load reads; a non-zero flag
// also makes the rename itself durable.
int ixor_ini_file_save(ixor_ini *ini, const char *path, int flag) noexcept
{
    return ixor::guarded(-1, [&] {
        if (!ini || !path || !ini->doc.serializable())
            return -1;
        const std::string text = ini->doc.serialize();
        if (text.size() > max_file_size)
            return -1;
        return ixor::os::write_file_atomic(path, text, flag != 0) ? 0 : -1;
    });
}

void ixor_ini_file_free(ixor_ini *ini) noexcept
{
    ixor::guarded([&] { delete ini; });
}
