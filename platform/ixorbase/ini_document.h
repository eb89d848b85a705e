// An INI document in memory: sections in the order they first appeared,
// keys in insertion order, parsed from and written to text. No file I/O.
#ifndef IXORBASE_INI_DOCUMENT_H
#define IXORBASE_INI_DOCUMENT_H

#include <list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ixorbase {

class IniDocument {
public:
    IniDocument() = default;
    IniDocument(IniDocument &&) = default;
    IniDocument &operator=(IniDocument &&) = default;
    IniDocument(const IniDocument &) = delete;
    IniDocument &operator=(const IniDocument &) = delete;

    // Never fails: lines that cannot be understood are skipped.
    static IniDocument parse(std::string_view text);
    std::string serialize() const;
    // True when serialize() yields text that parses back to this document.
    bool serializable() const;

    // Null when absent. The string stays in place until this key is set or
    // unset, its section removed or the document destroyed.
    const std::string *get(const std::string &section, const std::string &key) const;
    void set(const std::string &section, const std::string &key, std::string value);
    bool unset(const std::string &section, const std::string &key);
    bool remove_section(const std::string &section);
    bool has_section(const std::string &section) const;
    // Section names in document order.
    std::vector<std::string> section_names() const;

private:
    struct Entry {
        std::string key;
        std::string value;
    };
    struct Section {
        std::string name;
        std::list<Entry> entries;
        std::unordered_map<std::string, std::list<Entry>::iterator> index;
    };

    Section &section_for(const std::string &name);
    Section *find(const std::string &name);
    const Section *find(const std::string &name) const;
    void parse_line(std::string_view line, Section *&current);

    std::list<Section> sections_;
    std::unordered_map<std::string, std::list<Section>::iterator> index_;
};

}  // namespace ixorbase

#endif
