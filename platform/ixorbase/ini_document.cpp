// Parsing, lookup and writing of INI documents.
#include "ini_document.h"

#include <algorithm>

namespace ixorbase {
namespace {

constexpr std::string_view blanks = " \t";

std::string_view trim_front(std::string_view text)
{
    const auto start = text.find_first_not_of(blanks);
    return start == std::string_view::npos ? std::string_view() : text.substr(start);
}

std::string_view trim(std::string_view text)
{
    text = trim_front(text);
    return text.substr(0, text.find_last_not_of(blanks) + 1);
}

bool holds_any(std::string_view text, std::string_view chars)
{
    return text.find_first_of(chars) != std::string_view::npos;
}

// What a section line "[name]" gives back: no line breaks, and the first
// "]" ends the name.
bool writable_section_name(std::string_view name)
{
    return !name.empty() && !holds_any(name, std::string_view("\r\n]\0", 4));
}

// What a key line gives back: the key is trimmed, ends at the first "=",
// and must not read as a section or comment line.
bool writable_key(std::string_view key)
{
    return !key.empty() && trim(key) == key && !holds_any(key, std::string_view("=\r\n\0", 4)) &&
           key.find_first_of("[;#") != 0;
}

bool writable_value(std::string_view value)
{
    return !holds_any(value, std::string_view("\r\n\0", 3));
}

// Cuts the next line off the text, without leading blanks; a CR before
// its LF is dropped.
std::string_view next_line(std::string_view &text)
{
    const auto end = text.find('\n');
    std::string_view line = text.substr(0, end);
    // The rest keeps pointing into the text even when empty: section bodies
    // are measured by it.
    text = text.substr(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return trim_front(line);
}

// Lines holding a NUL or any other CR are malformed and skipped, so that
// every parsed document can be saved.
bool well_formed(std::string_view line)
{
    return std::none_of(line.begin(), line.end(), [](char c) { return c == '\r' || c == '\0'; });
}

// The name of a section line, or false when the line is no section line.
bool section_line(std::string_view line, std::string_view &name)
{
    if (line.empty() || line.front() != '[' || !well_formed(line))
        return false;
    const auto close = line.find(']');
    if (close == std::string_view::npos)
        return false;
    name = line.substr(1, close - 1);
    return true;
}

}  // namespace

IniDocument IniDocument::parse(std::string text)
{
    IniDocument doc;
    doc.text_ = std::make_unique<const std::string>(std::move(text));
    std::string_view rest(*doc.text_);
    // A registration takes some 50 bytes: room for the index up front.
    doc.index_.reserve(rest.size() / 48);
    Section *current = nullptr;
    const char *body = rest.data();
    while (!rest.empty()) {
        const char *line_start = rest.data();
        std::string_view name;
        if (!section_line(next_line(rest), name))
            continue;
        if (current)
            doc.attach(*current, std::string_view(body, size_t(line_start - body)));
        // Keys after a section line with an empty name belong to no section.
        current = name.empty() ? nullptr : &doc.section_for(name);
        body = rest.data();
    }
    if (current)
        doc.attach(*current, std::string_view(body, size_t(rest.data() - body)));
    return doc;
}

// A section named again later in the file gathers the keys of both.
void IniDocument::attach(Section &section, std::string_view body)
{
    if (section.unparsed.data() == nullptr && section.entries.empty()) {
        section.unparsed = body;
        return;
    }
    materialize(section);
    section.unparsed = body;
    materialize(section);
}

void IniDocument::materialize(Section &section)
{
    std::string_view rest = section.unparsed;
    section.unparsed = std::string_view();
    while (!rest.empty()) {
        const std::string_view line = next_line(rest);
        // A "[" line here is a section line without its "]": malformed.
        if (line.empty() || line.front() == ';' || line.front() == '#' || line.front() == '[' ||
            !well_formed(line))
            continue;
        const auto eq = line.find('=');
        const std::string_view key = trim(line.substr(0, eq));
        if (eq == std::string_view::npos || key.empty())
            continue;
        const std::string_view value = line.substr(eq + 1);
        auto found = std::find_if(section.entries.begin(), section.entries.end(),
                                  [key](const Entry &e) { return e.key == key; });
        if (found != section.entries.end())
            found->value.assign(value);
        else
            section.entries.push_back(Entry{std::string(key), std::string(value)});
    }
}

std::string IniDocument::serialize() const
{
    std::string text;
    for (Section &section : sections_) {
        if (section.removed)
            continue;
        materialize(section);
        if (!text.empty())
            text += '\n';
        text += '[' + section.name + "]\n";
        for (const Entry &entry : section.entries)
            text += entry.key + '=' + entry.value + '\n';
    }
    return text;
}

bool IniDocument::serializable() const
{
    return std::all_of(sections_.begin(), sections_.end(), [](Section &section) {
        materialize(section);
        return section.removed ||
               (writable_section_name(section.name) &&
                std::all_of(section.entries.begin(), section.entries.end(), [](const Entry &e) {
                    return writable_key(e.key) && writable_value(e.value);
                }));
    });
}

const std::string *IniDocument::get(const std::string &section, const std::string &key) const
{
    const Section *found = find(section);
    if (!found)
        return nullptr;
    for (const Entry &entry : found->entries) {
        if (entry.key == key)
            return &entry.value;
    }
    return nullptr;
}

void IniDocument::set(const std::string &section, const std::string &key, std::string value)
{
    Section &target = section_for(section);
    materialize(target);
    for (Entry &entry : target.entries) {
        if (entry.key == key) {
            entry.value = std::move(value);
            return;
        }
    }
    target.entries.push_back(Entry{key, std::move(value)});
}

bool IniDocument::unset(const std::string &section, const std::string &key)
{
    Section *found = find(section);
    if (!found)
        return false;
    auto entry = std::find_if(found->entries.begin(), found->entries.end(),
                              [&key](const Entry &e) { return e.key == key; });
    if (entry == found->entries.end())
        return false;
    found->entries.erase(entry);
    return true;
}

// A removed section stays in place, marked, so the others keep theirs.
bool IniDocument::remove_section(const std::string &section)
{
    const auto found = index_.find(section);
    if (found == index_.end())
        return false;
    Section &gone = sections_[found->second];
    index_.erase(found);
    gone.removed = true;
    gone.entries.clear();
    gone.unparsed = std::string_view();
    return true;
}

bool IniDocument::has_section(const std::string &section) const
{
    return index_.count(section) != 0;
}

const std::string *IniDocument::section_at(size_t place) const
{
    const Section &section = sections_[place];
    return section.removed ? nullptr : &section.name;
}

IniDocument::Section &IniDocument::section_for(std::string_view name)
{
    const auto found = index_.find(name);
    if (found != index_.end())
        return sections_[found->second];
    sections_.push_back(Section{std::string(name), {}, {}, false});
    index_.emplace(sections_.back().name, sections_.size() - 1);
    return sections_.back();
}

IniDocument::Section *IniDocument::find(std::string_view name) const
{
    const auto found = index_.find(name);
    if (found == index_.end())
        return nullptr;
    Section &section = sections_[found->second];
    materialize(section);
    return &section;
}

}  // namespace ixorbase
