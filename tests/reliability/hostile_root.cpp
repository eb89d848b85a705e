#include "hostile_root.h"

#include <cstring>
#include <map>
#include <vector>

#include "ixor_ipc.h"
#include "ixoraux.h"

namespace ixor_test {
namespace {

std::string printable(const std::string &text)
{
    std::string out;
    for (unsigned char c : text.substr(0, 80)) {
        out += c >= 0x20 && c < 0x7f ? std::string(1, static_cast<char>(c))
                                     : "\\x" + std::to_string(c);
    }
    return text.size() > 80 ? out + "...(" + std::to_string(text.size()) + " bytes)" : out;
}

// Every section's registration, to compare the ones a call must not touch.
std::map<std::string, std::string> snapshot(const std::string &path)
{
    std::map<std::string, std::string> all;
    ixor_ini *ini = ixor_ini_file_load(path.c_str());
    for (const std::string &name : section_names(path).value_or(std::vector<std::string>{})) {
        all[name] = registration_of(ini, name);
    }
    ixor_ini_file_free(ini);
    return all;
}

}  // namespace

void HostileRoot::SetUp()
{
    agent.register_product("G");
    agent.register_product("B");
    ASSERT_EQ((Change{"G", "100", "127.0.0.1", "9", "1"}.call()), 0);
    ASSERT_EQ((Change{"B", "30", "127.0.0.2", "80", std::nullopt}.call()), 0);
}

std::optional<std::string> HostileRoot::stored_text() const
{
    if (!file_exists(agent.registrations())) {
        return std::nullopt;
    }
    return read_file(agent.registrations());
}

void HostileRoot::attempt_change(const Change &change)
{
    SCOPED_TRACE("change " + printable(change.code) + " / " + printable(change.priority) +
                 " / " + printable(change.addr) + " / " + printable(change.port) + " / " +
                 (change.uid ? printable(*change.uid) : "null"));
    add_product_register(change.code.c_str());
    const bool registered = is_product_register(change.code.c_str()) == 1;
    const std::optional<std::string> before = stored_text();
    const auto others = snapshot(agent.registrations());
    const std::optional<std::string> expected =
        expected_after_change(before, change, registered, scratch.file("model.eni"));
    const int rc = change.call();
    EXPECT_EQ(rc, expected ? 0 : -1);
    EXPECT_EQ(stored_text(), expected ? expected : before);
    if (rc == 0) {
        // What was stored reads back whole, whatever bytes it holds.
        std::vector<char> addr(change.addr.size() + 1, 'x');
        int port = -1;
        ASSERT_EQ(ixor_get_ipcproxy_addrport(change.code.c_str(), addr.data(),
                                             static_cast<int>(addr.size()), &port, nullptr),
                  0);
        EXPECT_EQ(std::string(addr.data()), change.addr);
        EXPECT_EQ(port, std::atoi(change.port.c_str()));
    }
    std::set<std::string> allowed = hand_written;
    if (change.code != "HVK") {
        allowed.insert(change.code);
    }
    expect_only_sections(allowed);
    expect_untouched(others, change.code);
}

void HostileRoot::attempt_remove(const std::string &code)
{
    SCOPED_TRACE("remove " + printable(code));
    const std::optional<std::string> before = stored_text();
    const auto others = snapshot(agent.registrations());
    const std::optional<std::string> expected =
        expected_after_remove(before, code, scratch.file("model.eni"));
    EXPECT_EQ(ixor_remove_product_config(code.c_str()), expected ? 0 : -1);
    EXPECT_EQ(stored_text(), expected ? expected : before);
    expect_only_sections(hand_written);
    expect_untouched(others, code);
}

void HostileRoot::lookup_bounded(const std::string &code)
{
    const std::string stored = ini_value(agent.registrations(), code.c_str(), "addr");
    for (int size : {1, 2, 7, 260}) {
        std::vector<char> addr(static_cast<size_t>(size), '#');
        int port = -1;
        int uid = -1;
        if (ixor_get_ipcproxy_addrport(code.c_str(), addr.data(), size, &port, &uid) != 0) {
            continue;
        }
        if (stored == "<absent>") {
            EXPECT_EQ(std::string(addr.begin(), addr.end()), std::string(addr.size(), '#'));
            continue;
        }
        ASSERT_NE(std::memchr(addr.data(), '\0', addr.size()), nullptr) << "size " << size;
        EXPECT_EQ(std::string(addr.data()), stored.substr(0, addr.size() - 1)) << "size " << size;
    }
}

void HostileRoot::expect_only_sections(const std::set<std::string> &allowed)
{
    auto sections = section_names(agent.registrations());
    ASSERT_TRUE(sections.has_value()) << "the registration file no longer loads";
    for (const std::string &name : *sections) {
        EXPECT_TRUE(name == "G" || name == "B" || allowed.count(name) != 0)
            << "unexpected section " << printable(name);
        if (name == "HVK") {
            EXPECT_TRUE(hand_written.count("HVK") != 0) << "a forged HVK section";
        }
    }
}

void HostileRoot::expect_untouched(const std::map<std::string, std::string> &before,
                                   const std::string &code)
{
    const auto after = snapshot(agent.registrations());
    for (const auto &[name, registration] : before) {
        if (name != code) {
            auto found = after.find(name);
            EXPECT_EQ(found == after.end() ? "<gone>" : found->second, registration)
                << "section " << printable(name);
        }
    }
}

}  // namespace ixor_test
