// make bench: the plug-in's own cost against the floor of the system calls
// it must make, and the facts of the built DLL.
#include <cstdio>

#include "bench/dll_facts.h"
#include "bench/latency_bench.h"
#include "bench/switch_bench.h"
#include "bench/tick_bench.h"
#include "tests/wine/support/wine_test_support.h"

int main() {
    using namespace sonarel;
    ComApartment apartment;
    std::printf("## Poll tick\n\n");
    bench::benchmarkTicks(1.3);
    std::printf("\n## One name switch\n\n");
    bench::benchmarkSwitch(150);
    std::printf("\n## Latency of the display name\n\n");
    bench::benchmarkLatency(5);
    std::printf("\n## Built DLL\n\n");
    bench::reportDllFacts(testing::pluginPath(), 256);
    return 0;
}
