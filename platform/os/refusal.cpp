// Refusals of what the seam finds on disk, said once each to the sink that
// the platform library installs: its log.
#include "os.h"

namespace ixor::os {
namespace {

RefusalSink sink = nullptr;

}  // namespace

void set_refusal_sink(RefusalSink to) { sink = to; }

// A refusal met while the sink writes (the log file itself refused) is not
// reported again.
void report(const std::string &line)
{
    static thread_local bool reporting = false;
    if (!sink || reporting)
        return;
    const std::string whole = line + "\n";
    reporting = true;
    sink(whole.c_str());
    reporting = false;
}

}  // namespace ixor::os
