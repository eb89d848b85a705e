// How hard the long reliability runs push: IXOR_RELIABILITY_SCALE=N runs
// N tenths of the full counts (kills, changes); unset or invalid means 1,
// which keeps a CI run near a minute; 10 gives the full counts.
#ifndef IXOR_RELIABILITY_SCALE_H
#define IXOR_RELIABILITY_SCALE_H

#include <cstdlib>
#include <string>

namespace ixor_test {

inline int reliability_count(int full)
{
    const char *text = std::getenv("IXOR_RELIABILITY_SCALE");
    long scale = text ? std::strtol(text, nullptr, 10) : 1;
    if (scale < 1 || scale > 1000) {
        scale = 1;
    }
    return static_cast<int>(full * scale / 10 > 0 ? full * scale / 10 : 1);
}

}  // namespace ixor_test

#endif
