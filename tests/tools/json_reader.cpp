#include "json_reader.h"

#include <cstdlib>
#include <stdexcept>

namespace ixor_test {
namespace {

// The tool writes no blanks and escapes only quotes, backslashes and
// control characters, so anything else is a fault of its output.
struct Reader {
    const std::string &s;
    size_t pos = 0;

    [[noreturn]] void fault() const
    {
        throw std::runtime_error("bad JSON at " + std::to_string(pos) + ": " + s);
    }

    bool take(const std::string &word)
    {
        const bool found = s.compare(pos, word.size(), word) == 0;
        pos += found ? word.size() : 0;
        return found;
    }

    void expect(const char *word)
    {
        if (!take(word))
            fault();
    }

    // Whether another item comes before the closing bracket.
    bool more(const char *close, bool first)
    {
        if (take(close))
            return false;
        if (!first)
            expect(",");
        return true;
    }

    std::string string()
    {
        std::string out;
        while (!take("\"")) {
            const unsigned char c = pos < s.size() ? static_cast<unsigned char>(s[pos++]) : 0;
            if (c < 0x20)
                fault();
            if (c != '\\') {
                out += static_cast<char>(c);
            } else if (take("\"") || take("\\")) {
                out += s[pos - 1];
            } else {
                expect("u");
                out += static_cast<char>(std::stoi(s.substr(pos, 4), nullptr, 16));
                pos += 4;
            }
        }
        return out;
    }

    Json value()
    {
        Json v;
        if (take("{")) {
            v.kind = Json::Object;
            for (bool first = true; more("}", first); first = false) {
                expect("\"");
                std::string key = string();
                expect(":");
                v.members.emplace_back(key, value());
            }
        } else if (take("[")) {
            v.kind = Json::Array;
            for (bool first = true; more("]", first); first = false)
                v.items.push_back(value());
        } else if (take("\"")) {
            v.kind = Json::String;
            v.text = string();
        } else if (take("true") || take("false")) {
            v.kind = Json::Bool;
            v.flag = s.compare(pos - 4, 4, "true") == 0;
        } else if (!take("null")) {
            if (pos >= s.size() || (s[pos] != '-' && (s[pos] < '0' || s[pos] > '9')))
                fault();
            char *end = nullptr;
            v.kind = Json::Number;
            v.number = std::strtoll(s.c_str() + pos, &end, 10);
            pos = static_cast<size_t>(end - s.c_str());
        }
        return v;
    }
};

}  // namespace

const Json &Json::operator[](const std::string &key) const
{
    for (const auto &member : members)
        if (member.first == key)
            return member.second;
    throw std::runtime_error("JSON member " + key + " missing");
}

Json parse_json(const std::string &text)
{
    Reader reader{text};
    Json value = reader.value();
    if (!reader.take("\n") || reader.pos != text.size())
        reader.fault();
    return value;
}

}  // namespace ixor_test
