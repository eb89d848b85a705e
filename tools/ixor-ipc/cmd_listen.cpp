// listen: a loopback upstream for trying the road out.
#include <cstdlib>

#include "commands.h"
#include "os.h"

namespace {

int run_listen(const Invocation &inv)
{
    const int seconds = inv.args.empty() ? 60 : std::atoi(inv.args[0].c_str());
    if (seconds <= 0) {
        return usage_error("listen: SECONDS must be a positive number");
    }
    ixor::os::LoopbackListener listener;
    if (!listener.listening()) {
        return fail("listen failed: cannot listen on 127.0.0.1");
    }
    int status =
        print_result(inv, std::to_string(listener.port()), {{"port", int(listener.port())}});
    listener.serve(seconds);
    return status;
}

}  // namespace

const Command listen_command = {
    "listen",
    "[SECONDS]",
    "Listen on 127.0.0.1 as a stand-in upstream",
    "Prints the port the system picked, then accepts and closes connections for\n"
    "SECONDS (default 60). The agent root is not touched.\n",
    0,
    1,
    run_listen};
