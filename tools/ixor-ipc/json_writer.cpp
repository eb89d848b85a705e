#include "json_writer.h"

#include <cstdio>

std::string json_string(const std::string &text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

JsonArray &JsonArray::add_raw(const std::string &json)
{
    body_ += (body_.empty() ? "" : ",") + json;
    return *this;
}

JsonObject &JsonObject::add_raw(const std::string &key, const std::string &json)
{
    body_ += (body_.empty() ? "" : ",") + json_string(key) + ":" + json;
    return *this;
}
