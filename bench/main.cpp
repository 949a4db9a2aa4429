// make bench: the plug-in's own cost against the floor of the system calls
// it must make, and the facts of the built DLL.
#include <cstdio>
#include <functional>
#include <string>

#include "bench/dll_facts.h"
#include "bench/latency_bench.h"
#include "bench/server_bench.h"
#include "bench/switch_bench.h"
#include "bench/tick_bench.h"
#include "tests/wine/support/wine_test_support.h"

// With a section's name as its argument ("tick", "switch", "latency",
// "server" or "dll") it runs that section only.
int main(int argc, char** argv) {
    using namespace sonarel;
    ComApartment apartment;
    std::string only = argc > 1 ? argv[1] : "";
    auto section = [&](const char* name, const char* title, const std::function<void()>& run) {
        if (!only.empty() && only != name) return;
        std::printf("\n## %s\n\n", title);
        run();
    };
    section("tick", "Poll tick", [] { bench::benchmarkTicks(1.3); });
    section("switch", "One name switch", [] { bench::benchmarkSwitch(150); });
    section("latency", "Latency of the display name", [] { bench::benchmarkLatency(5); });
    section("server", "When the server refuses, paces or delays names", [] { bench::benchmarkServer(2); });
    section("dll", "Built DLL", [] { bench::reportDllFacts(testing::pluginPath(), 256); });
    return 0;
}
