// An INI document in memory: sections in the order they first appeared,
// keys in insertion order, parsed from and written to text. No file I/O.
//
// Loading indexes only the section lines; a section's keys are parsed the
// first time the section is used, so reading one section of a large file
// costs little more than finding its line.
#ifndef IXORBASE_INI_DOCUMENT_H
#define IXORBASE_INI_DOCUMENT_H

#include <deque>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

namespace ixorbase {

class IniDocument {
public:
    IniDocument() = default;
    IniDocument(IniDocument &&) = default;
    IniDocument &operator=(IniDocument &&) = default;
    IniDocument(const IniDocument &) = delete;
    IniDocument &operator=(const IniDocument &) = delete;

    // Never fails: lines that cannot be understood are skipped.
    static IniDocument parse(std::string text);
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
    // Sections by place, in document order; a section added later takes a
    // place past the current count. Neither call allocates.
    size_t section_places() const { return sections_.size(); }
    // The name of the section at the place; null once it was removed.
    const std::string *section_at(size_t place) const;

private:
    struct Entry {
        std::string key;
        std::string value;
    };
    struct Section {
        std::string name;
        std::list<Entry> entries;   // a list keeps each value in place
        std::string_view unparsed;  // body lines not read into entries yet
        bool removed = false;
    };

    Section &section_for(std::string_view name);
    Section *find(std::string_view name) const;
    void attach(Section &section, std::string_view body);
    static void materialize(Section &section);

    // The loaded text, which unparsed bodies point into.
    std::unique_ptr<const std::string> text_;
    // A deque keeps sections in place, so the index may view their names.
    mutable std::deque<Section> sections_;
    std::unordered_map<std::string_view, size_t> index_;
};

}  // namespace ixorbase

#endif
