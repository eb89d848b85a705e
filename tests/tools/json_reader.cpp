#include "json_reader.h"

#include <cstdlib>
#include <stdexcept>

namespace ixor_test {
namespace {

class Reader {
public:
    explicit Reader(const std::string &text) : s_(text) {}

    Json document()
    {
        Json value = any();
        skip_blanks();
        if (pos_ != s_.size())
            fault("text after the document");
        return value;
    }

private:
    [[noreturn]] void fault(const std::string &what) const
    {
        throw std::runtime_error("JSON " + what + " at " + std::to_string(pos_) + ": " + s_);
    }

    void skip_blanks()
    {
        while (pos_ < s_.size() && std::string(" \t\r\n").find(s_[pos_]) != std::string::npos)
            ++pos_;
    }

    bool take(char c)
    {
        skip_blanks();
        if (pos_ < s_.size() && s_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    void expect(char c)
    {
        if (!take(c))
            fault(std::string("expected '") + c + "'");
    }

    bool word(const char *w)
    {
        const std::string text(w);
        if (s_.compare(pos_, text.size(), text) != 0)
            return false;
        pos_ += text.size();
        return true;
    }

    Json any()
    {
        skip_blanks();
        Json value;
        if (take('{'))
            return object();
        if (take('['))
            return array();
        if (pos_ < s_.size() && s_[pos_] == '"') {
            value.kind = Json::String;
            value.text = string();
        } else if (word("true")) {
            value.kind = Json::Bool;
            value.flag = true;
        } else if (word("false")) {
            value.kind = Json::Bool;
        } else if (!word("null")) {
            value.kind = Json::Number;
            value.number = number();
        }
        return value;
    }

    long long number()
    {
        const char *start = s_.c_str() + pos_;
        char *end = nullptr;
        long long n = std::strtoll(start, &end, 10);
        if (end == start || *start == '+' || *start == ' ')
            fault("bad value");
        pos_ += static_cast<size_t>(end - start);
        return n;
    }

    std::string string()
    {
        ++pos_;
        std::string out;
        while (pos_ < s_.size() && s_[pos_] != '"') {
            const unsigned char c = static_cast<unsigned char>(s_[pos_++]);
            if (c < 0x20)
                fault("raw control character");
            out += c == '\\' ? escape() : static_cast<char>(c);
        }
        if (pos_++ >= s_.size())
            fault("unterminated string");
        return out;
    }

    char escape()
    {
        if (pos_ >= s_.size())
            fault("bad escape");
        const char c = s_[pos_++];
        if (c == 'u' && pos_ + 4 <= s_.size()) {
            const long code = std::strtol(s_.substr(pos_, 4).c_str(), nullptr, 16);
            pos_ += 4;
            return static_cast<char>(code);  // the tool escapes control characters only
        }
        const std::string plain = "\"\\/", named = "bfnrt", meant = "\b\f\n\r\t";
        if (plain.find(c) != std::string::npos)
            return c;
        if (named.find(c) == std::string::npos)
            fault("bad escape");
        return meant[named.find(c)];
    }

    Json array()
    {
        Json value;
        value.kind = Json::Array;
        if (take(']'))
            return value;
        do
            value.items.push_back(any());
        while (take(','));
        expect(']');
        return value;
    }

    Json object()
    {
        Json value;
        value.kind = Json::Object;
        if (take('}'))
            return value;
        do {
            skip_blanks();
            if (pos_ >= s_.size() || s_[pos_] != '"')
                fault("expected a key");
            std::string key = string();
            expect(':');
            value.members.emplace_back(key, any());
        } while (take(','));
        expect('}');
        return value;
    }

    const std::string &s_;
    size_t pos_ = 0;
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
    return Reader(text).document();
}

}  // namespace ixor_test
