// Splitting text into the pieces between separators, and measuring it.
#include <gtest/gtest.h>

#include "ixorbase.h"

using Pieces = std::vector<std::string>;

namespace {

Pieces split(const char *text, const char *sep)
{
    int count = -1;
    char **pieces = ixor_str_split(text, sep, &count);
    if (!pieces)
        return {"<null>", std::to_string(count)};
    EXPECT_EQ(pieces[count], nullptr);
    return Pieces(pieces, pieces + count);
}

// Every separator cuts, so empty pieces stay, and nothing is trimmed.
TEST(StrSplit, EverySeparatorCutsAndNothingIsTrimmed)
{
    const std::tuple<const char *, const char *, Pieces> cases[] = {
        {"a;b;c", ";", {"a", "b", "c"}},
        {"a;;b", ";", {"a", "", "b"}},
        {"a;", ";", {"a", ""}},
        {";a", ";", {"", "a"}},
        {" a ; b ", ";", {" a ", " b "}},
        {"10.0.0.1", ";", {"10.0.0.1"}},
        {"a::b:c::", "::", {"a", "b:c", ""}},
        {"abc", "", {"abc"}},
        {"", ";", {}},
        {nullptr, ";", {"<null>", "0"}},
        {"a;b", nullptr, {"<null>", "0"}}};
    for (const auto &[text, sep, pieces] : cases)
        EXPECT_EQ(split(text, sep), pieces) << (text ? text : "null");
    EXPECT_EQ(ixor_str_snprintf(nullptr, 0, "%s", "text"), 4) << "without a buffer, only measures";
}

}  // namespace
