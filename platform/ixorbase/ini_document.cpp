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

}  // namespace

IniDocument IniDocument::parse(std::string_view text)
{
    IniDocument doc;
    Section *current = nullptr;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        doc.parse_line(line, current);
    }
    return doc;
}

// Malformed lines are skipped, among them lines holding a NUL or a CR
// that is not the line end, so that every parsed document can be saved.
// Keys after a section line with an empty name belong to no section.
void IniDocument::parse_line(std::string_view line, Section *&current)
{
    line = trim_front(line);
    if (line.empty() || line.front() == ';' || line.front() == '#' ||
        holds_any(line, std::string_view("\r\0", 2)))
        return;
    if (line.front() == '[') {
        const auto close = line.find(']');
        if (close == std::string_view::npos)
            return;
        const std::string_view name = line.substr(1, close - 1);
        current = name.empty() ? nullptr : &section_for(std::string(name));
        return;
    }
    const auto eq = line.find('=');
    const std::string_view key = trim(line.substr(0, eq));
    if (!current || eq == std::string_view::npos || key.empty())
        return;
    set(current->name, std::string(key), std::string(line.substr(eq + 1)));
}

std::string IniDocument::serialize() const
{
    std::string text;
    for (const Section &section : sections_) {
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
    return std::all_of(sections_.begin(), sections_.end(), [](const Section &section) {
        return writable_section_name(section.name) &&
               std::all_of(section.entries.begin(), section.entries.end(), [](const Entry &e) {
                   return writable_key(e.key) && writable_value(e.value);
               });
    });
}

const std::string *IniDocument::get(const std::string &section, const std::string &key) const
{
    const Section *found = find(section);
    if (!found)
        return nullptr;
    const auto entry = found->index.find(key);
    return entry == found->index.end() ? nullptr : &entry->second->value;
}

void IniDocument::set(const std::string &section, const std::string &key, std::string value)
{
    Section &target = section_for(section);
    const auto entry = target.index.find(key);
    if (entry != target.index.end()) {
        entry->second->value = std::move(value);
        return;
    }
    target.entries.push_back(Entry{key, std::move(value)});
    target.index.emplace(key, std::prev(target.entries.end()));
}

bool IniDocument::unset(const std::string &section, const std::string &key)
{
    Section *found = find(section);
    if (!found)
        return false;
    const auto entry = found->index.find(key);
    if (entry == found->index.end())
        return false;
    found->entries.erase(entry->second);
    found->index.erase(entry);
    return true;
}

bool IniDocument::remove_section(const std::string &section)
{
    const auto found = index_.find(section);
    if (found == index_.end())
        return false;
    sections_.erase(found->second);
    index_.erase(found);
    return true;
}

bool IniDocument::has_section(const std::string &section) const
{
    return find(section) != nullptr;
}

std::vector<std::string> IniDocument::section_names() const
{
    std::vector<std::string> names;
    names.reserve(sections_.size());
    for (const Section &section : sections_)
        names.push_back(section.name);
    return names;
}

IniDocument::Section &IniDocument::section_for(const std::string &name)
{
    if (Section *found = find(name))
        return *found;
    sections_.push_back(Section{name, {}, {}});
    index_.emplace(name, std::prev(sections_.end()));
    return sections_.back();
}

IniDocument::Section *IniDocument::find(const std::string &name)
{
    const auto found = index_.find(name);
    return found == index_.end() ? nullptr : &*found->second;
}

const IniDocument::Section *IniDocument::find(const std::string &name) const
{
    const auto found = index_.find(name);
    return found == index_.end() ? nullptr : &*found->second;
}

}  // namespace ixorbase
