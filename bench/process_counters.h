#pragma once
// What a process holds of the system, read by several means: the system's
// own counters where they count, and our own where they do not (some are
// stubs that report 0 under Wine). Each counter is probed at start: a
// resource of its kind is taken and given back, and the counter must move.
#include <functional>
#include <string>
#include <vector>

namespace sonarel::bench {

struct Counter {
    std::string name;
    std::string means;           // how it is counted
    std::function<long long()> read;
    long long slack = 0;         // growth allowed over a long run
    bool counts = true;          // moved when probed
};

// The counters used by the soak, each probed; a counter that does not
// count is replaced by our own means where there is one.
std::vector<Counter> processCounters();

}  // namespace sonarel::bench
