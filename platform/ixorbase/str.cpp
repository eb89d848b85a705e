// Text formatting and splitting.
#include "c_boundary.h"
#include "ixorbase.h"
#include "os.h"

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The pieces of the last split of each thread, kept until its next split
// so that callers never free anything.
struct SplitResult : ixor::os::ThreadValue {
    std::vector<std::string> pieces;
    std::vector<char *> pointers;
};

// Null only when the system has no thread storage left.
SplitResult *split_result_of_this_thread()
{
    static ixor::os::ThreadSlot slot;
    if (auto *result = static_cast<SplitResult *>(slot.get()))
        return result;
    auto fresh = std::make_unique<SplitResult>();
    return slot.set(fresh.get()) ? fresh.release() : nullptr;
}

void split_into(std::string_view text, std::string_view sep, std::vector<std::string> &pieces)
{
    if (sep.empty()) {
        pieces.emplace_back(text);
        return;
    }
    for (;;) {
        const auto cut = text.find(sep);
        pieces.emplace_back(text.substr(0, cut));
        if (cut == std::string_view::npos)
            return;
        text.remove_prefix(cut + sep.size());
    }
}

// No output can be longer than INT_MAX, so a larger size (such as a
// negative int widened with its sign) means the same and keeps runtimes
// that compute the end of the buffer from wrapping around.
size_t bounded(uint64_t size)
{
    return static_cast<size_t>(std::min<uint64_t>(size, static_cast<uint64_t>(INT_MAX) + 1));
}

}  // namespace

int ixor_str_snprintf(char *buf, uint64_t size, const char *format, ...) noexcept
{
    if (!format)
        return -1;
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buf, buf ? bounded(size) : 0, format, args);
    va_end(args);
    return n;
}

// Every separator cuts, so empty pieces stay; nothing is trimmed. The
// array ends in a null pointer after the last piece.
char **ixor_str_split(const char *text, const char *sep, int *count) noexcept
{
    return ixor::guarded<char **>(nullptr, [&]() -> char ** {
        if (count)
            *count = 0;
        SplitResult *result = text && sep ? split_result_of_this_thread() : nullptr;
        if (!result)
            return nullptr;
        result->pieces.clear();
        result->pointers.clear();
        if (*text)
            split_into(text, sep, result->pieces);
        for (std::string &piece : result->pieces)
            result->pointers.push_back(piece.data());
        result->pointers.push_back(nullptr);
        if (count)
            *count = static_cast<int>(result->pieces.size());
        return result->pointers.data();
    });
}
