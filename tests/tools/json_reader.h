// Reads back the one-line JSON documents the tool prints.
#ifndef IXOR_TEST_JSON_READER_H
#define IXOR_TEST_JSON_READER_H

#include <string>
#include <utility>
#include <vector>

namespace ixor_test {

struct Json {
    enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
    bool flag = false;
    long long number = 0;  // the tool prints integers only
    std::string text;
    std::vector<Json> items;
    std::vector<std::pair<std::string, Json>> members;

    // The member of that name; throws when absent.
    const Json &operator[](const std::string &key) const;
    const Json &operator[](size_t index) const { return items.at(index); }
};

// Parses compact JSON followed by one line end; throws on anything else.
Json parse_json(const std::string &text);

}  // namespace ixor_test

#endif
