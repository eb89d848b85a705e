// The exports' text arguments against a temporary agent root. Input: NUL-
// separated fields "op", code, priority, addr, port and optionally uid.
// Every change and removal must leave exactly the file the model predicts,
// the winner G untouched and first, and no "HVK" section.
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "fuzz_scratch.h"
#include "ixor_ipc.h"
#include "ixoraux.h"
#include "registration_model.h"

namespace {

using ixor_fuzz::fail;
using ixor_test::Change;

std::string home() { return ixor_fuzz::scratch_dir() + "/root/home"; }
std::string registrations() { return home() + "/config/ixor_ipcproxy/ixor_ipcproxy_pre.eni"; }

// G wins every selection (priority 100, first section, one address), so no
// fuzzed address list ever reaches the probe.
void fresh_root()
{
    std::remove(registrations().c_str());
    std::remove((home() + "/config/product_register.eni").c_str());
    if (add_product_register("G") != 0 ||
        Change{"G", "100", "127.0.0.1", "9", "1"}.call() != 0) {
        fail("the fuzz root could not be set up");
    }
}

bool set_up()
{
    const std::string root = ixor_fuzz::scratch_dir() + "/root";
    setenv("IXOR_ROOT_DIR", root.c_str(), 1);
    std::filesystem::create_directories(home() + "/config/ixor_ipcproxy");
    ixor_fuzz::write_bytes(root + "/ixor_apphome.ini", "[apphome]\npath=home\n");
    ixor_fuzz::write_bytes(home() + "/config/ixor_ipcproxy/ipc_proxy.eni",
                           "[process]\nname=ipc_proxy\ncommand=ipc_proxy --serve\n");
    fresh_root();
    return true;
}

void check_file(const std::string &code)
{
    auto sections = ixor_test::section_names(registrations());
    if (!sections) {
        fail("the registration file no longer loads");
    }
    if (sections->empty() || sections->front() != "G") {
        fail("G lost its place");
    }
    for (const std::string &name : *sections) {
        if (name == "HVK") {
            fail("an HVK section appeared");
        }
        if (name != "G" && name != code && !is_product_register(name.c_str())) {
            fail("a section of no registered product appeared");
        }
    }
    if (sections->size() > 300) {
        fresh_root();  // keeps every run's file small
    }
}

void check_lookup(const std::string &code)
{
    for (int size : {1, 5, 300}) {
        std::vector<char> addr(static_cast<size_t>(size), '#');
        int port = 0;
        int uid = 0;
        if (ixor_get_ipcproxy_addrport(code.c_str(), addr.data(), size, &port, &uid) == 0 &&
            addr.back() != '#' && std::memchr(addr.data(), '\0', addr.size()) == nullptr) {
            fail("a lookup left its buffer unterminated");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool ready = set_up();
    (void)ready;
    std::vector<std::string> f(1);
    for (size_t i = 0; i < size; i++) {
        if (data[i] == 0) {
            f.emplace_back();
        } else {
            f.back() += static_cast<char>(data[i]);
        }
    }
    if (f.size() < 5 || f[1] == "G") {
        return -1;  // not an input of this target
    }
    const Change change{f[1], f[2], f[3], f[4],
                        f.size() > 5 ? std::optional<std::string>(f[5]) : std::nullopt};
    // HVK registered would stop every apply step of the run after it.
    if (change.code != "HVK") {
        add_product_register(change.code.c_str());
    }
    const bool registered = is_product_register(change.code.c_str()) == 1;
    const std::string scratch = ixor_fuzz::scratch_dir() + "/model.eni";
    const std::optional<std::string> before = ixor_test::file_text(registrations());
    const bool remove = !f[0].empty() && f[0][0] == 'r';
    const auto expected =
        remove ? ixor_test::expected_after_remove(before, change.code, scratch)
               : ixor_test::expected_after_change(before, change, registered, scratch);
    const int rc = remove ? ixor_remove_product_config(change.code.c_str()) : change.call();
    if (rc != (expected ? 0 : -1) ||
        ixor_test::file_text(registrations()) != (expected ? expected : before)) {
        fail(remove ? "a removal did other than the model" : "a change did other than the model");
    }
    check_lookup(change.code);
    check_file(change.code);
    return 0;
}
