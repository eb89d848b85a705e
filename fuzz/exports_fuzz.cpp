// The exports' text arguments on a real agent root. Input: NUL-separated
// fields "op", code, priority, addr, port and optionally uid. Each call
// must keep to what it promises, whatever the texts: no model of the file,
// only the documented results, the lookup and the sections on disk. An op
// "f" puts the rest of the input in place of the files the exports read, as
// a hand edit would.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <sstream>

#include "fuzz_scratch.h"
#include "ixor_ipc.h"

namespace {

using ixor_fuzz::fail;
using Names = std::vector<std::string>;

std::string registrations() { return ixor_fuzz::agent().registrations(); }

long long number(const std::string &text) { return std::strtoll(text.c_str(), nullptr, 10); }

// G wins every selection (priority 100, first section, one address), so no
// fuzzed address list ever reaches the probe. Starting afresh keeps the
// files small.
void fresh_root()
{
    std::remove(registrations().c_str());
    std::remove((ixor_fuzz::agent().home() + "/config/product_register.eni").c_str());
    ixor_fuzz::agent().register_product("G");
    if (ixor_change_ipcproxy_addrport("G", "100", "127.0.0.1", "9", "1") != 0) {
        fail("the fuzz root could not be set up");
    }
}

// A change that was taken reads back through the lookup, with a port in
// the documented range.
void check_taken(const Names &f, const char *uid)
{
    std::vector<char> addr(f[3].size() + 1, '\0');
    int port = -1;
    int got_uid = -1;
    const long long want_uid = uid ? std::clamp<long long>(number(uid), INT_MIN, INT_MAX) : 0;
    if (ixor_get_ipcproxy_addrport(f[1].c_str(), addr.data(), static_cast<int>(addr.size()), &port,
                                   &got_uid) != 0 ||
        addr.data() != f[3] || port != number(f[4]) || port < 1 || port > 65534 ||
        got_uid != want_uid) {
        fail("a change that was taken does not read back through the lookup");
    }
}

// The file still loads with G first; a removal left no section of its
// code, and no section appeared that no call named.
void check_sections(const Names &before, const std::string &code, bool remove)
{
    const Names after = ixor_test::sections_in(registrations());
    if (after.empty() || after.front() != "G" ||
        (remove && std::count(after.begin(), after.end(), code))) {
        fail("the file no longer loads, G lost its place, or a removal left its section");
    }
    for (const std::string &name : after) {
        if (name != code && !std::count(before.begin(), before.end(), name)) {
            fail("a section appeared that no call named");
        }
    }
    if (after.size() > 300) {
        fresh_root();
    }
}

// Every export reads the edited files into exact-size buffers (a write past
// them is caught) and keeps to its result; the root is set up afresh after.
void check_hand_edited(std::string text)
{
    std::replace(text.begin(), text.end(), ';', ',');  // no address list reaches the probe
    for (const char *file : {"ixor_ipcproxy_pre.eni", "connect.ini", "server_port.ini"}) {
        ixor_test::write_file(ixor_fuzz::agent().ipc(file), text);
    }
    for (const size_t size : {1, 7, 64}) {
        std::vector<char> addr(size);
        int port = 0;
        int uid = 0;
        if (ixor_get_ipcproxy_addrport("G", addr.data(), int(size), &port, &uid) != 0 ||
            ixor_get_ipcproxy_connectaddr(addr.data(), int(size), &port) != 0) {
            fail("a lookup on a hand-edited file failed");
        }
    }
    if (ixor_get_ipcproxy_localport() < 0 || regenerate_ipc_proxy_conf_restart() != 0 ||
        ixor_change_ipcproxy_addrport("G", "100", "127.0.0.1", "9", "1") != 0) {
        fail("an export failed on a hand-edited file");
    }
    fresh_root();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    [[maybe_unused]] static const bool ready = (fresh_root(), true);
    const std::string raw(reinterpret_cast<const char *>(data), size);
    const size_t op_end = raw.find('\0');
    if (raw.rfind("f", 0) == 0 && op_end != std::string::npos) {
        check_hand_edited(raw.substr(op_end + 1));
        return 0;
    }
    std::istringstream input(raw);
    Names f;
    for (std::string field; std::getline(input, field, '\0');) {
        f.push_back(field);
    }
    if (f.size() < 5 || f[1] == "G") {
        return -1;  // not an input of this target
    }
    const std::string &code = f[1];
    const char *uid = f.size() > 5 ? f[5].c_str() : nullptr;
    // HVK registered would stop every apply step of the run after it.
    if (code != "HVK") {
        ixor_fuzz::agent().register_product(code);
    }
    const std::string before = ixor_test::read_file(registrations());
    const Names sections = ixor_test::sections_in(registrations());
    const bool remove = f[0].rfind('r', 0) == 0;
    const int rc = remove ? ixor_remove_product_config(code.c_str())
                          : ixor_change_ipcproxy_addrport(code.c_str(), f[2].c_str(), f[3].c_str(),
                                                          f[4].c_str(), uid);
    // With a home and a file that loads, a removal has no cause to fail;
    // a failed change leaves the file byte for byte.
    if ((remove ? rc != 0 : rc != 0 && rc != -1) ||
        (rc != 0 && ixor_test::read_file(registrations()) != before)) {
        fail("a result other than documented, or a failed change touched the file");
    }
    if (!remove && rc == 0) {
        check_taken(f, uid);
    }
    check_sections(sections, code, remove);
    return 0;
}
