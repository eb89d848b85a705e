// A small JSON writer: objects and arrays built member by member.
#ifndef IXOR_IPC_JSON_WRITER_H
#define IXOR_IPC_JSON_WRITER_H

#include <string>

std::string json_string(const std::string &text);  // quoted and escaped

class JsonArray {
public:
    JsonArray &add_raw(const std::string &json);
    JsonArray &add(const std::string &text) { return add_raw(json_string(text)); }
    std::string str() const { return "[" + body_ + "]"; }

private:
    std::string body_;
};

class JsonObject {
public:
    JsonObject &add_raw(const std::string &key, const std::string &json);
    JsonObject &add(const std::string &key, const std::string &text)
    {
        return add_raw(key, json_string(text));
    }
    JsonObject &add(const std::string &key, const char *text) { return add(key, std::string(text)); }
    JsonObject &add(const std::string &key, long long number)
    {
        return add_raw(key, std::to_string(number));
    }
    JsonObject &add(const std::string &key, int number) { return add(key, static_cast<long long>(number)); }
    JsonObject &add(const std::string &key, bool flag) { return add_raw(key, flag ? "true" : "false"); }
    JsonObject &add_null(const std::string &key) { return add_raw(key, "null"); }
    std::string str() const { return "{" + body_ + "}"; }

private:
    std::string body_;
};

#endif
