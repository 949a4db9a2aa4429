// sonarel-soak: many poll ticks driven directly through the whole chain
// (the plug-in's watcher and form, the stand-in messenger and host), with a
// title change every 10 ticks so that switches and restores keep running.
// Checks that nothing the process holds grows and that every switch and
// restore reached the host; then a title scrolls for 1,000 ticks, which
// must switch once.
//   sonarel-soak.exe [--ticks N]      (default 100000)
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "bench/process_counters.h"
#include "common/one_shot_timer.h"
#include "tests/wine/names/direct_chain.h"

namespace {

using namespace sonarel;
using namespace sonarel::testing;

constexpr long long kTicksPerTitle = 10;
constexpr long long kScrollTicks = 1000;

long long ticksAsked(int argc, wchar_t** argv) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::wcscmp(argv[i], L"--ticks") == 0) return std::max(100LL, std::wcstoll(argv[i + 1], nullptr, 10));
    return 100000;
}

// Playing and stopped titles in turn: a new playing title switches, the
// stopped one restores.
std::wstring titleFor(long long change) {
    std::wstring song = std::to_wstring(change / 2 + 1) + L". Artist - Song - Winamp";
    return change % 2 == 0 ? song : song + L" [Stopped]";
}

std::vector<long long> sample(const std::vector<bench::Counter>& counters) {
    // A quiet moment: the timers that the last switch scheduled have run.
    waitUntil([] { return pendingOneShots() == 0; }, 1s);
    std::vector<long long> values;
    for (const auto& counter : counters) values.push_back(counter.read());
    return values;
}

std::string figure(long long value, const std::string& name) {
    if (name.find("bytes") != std::string::npos || name.find("memory") != std::string::npos) {
        char text[32];
        std::snprintf(text, sizeof(text), "%.1f KiB", static_cast<double>(value) / 1024.0);
        return text;
    }
    return std::to_string(value);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const long long ticks = ticksAsked(argc, argv);
    const long long tenth = ticks / 10;
    ComApartment apartment;
    DirectChain chain;
    std::vector<bench::Counter> counters = bench::processCounters();

    std::printf("## Soak: %lld ticks, a title change every %lld ticks\n\n", ticks, kTicksPerTitle);
    std::printf("| counter | counted by | counts under this system |\n|---|---|---|\n");
    for (const auto& c : counters)
        std::printf("| %s | %s | %s |\n", c.name.c_str(), c.means.c_str(),
                    c.counts ? "yes" : "NO: reports no change when probed, shown but not judged");

    if (!chain.openCommandConversation(titleFor(0))) {
        std::printf("\nThe command conversation was not opened.\n");
        return 2;
    }
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);

    long long late = 0;
    long long titleChanges = 1;
    std::vector<long long> first, last;
    for (long long tick = 1; tick <= ticks; ++tick) {
        if (tick % kTicksPerTitle == 0) chain.player.show(titleFor(titleChanges++));
        keepUserPresent();
        if (!chain.tickAndDeliver()) ++late;
        chain.host.forgetSent();
        if (tick == tenth) first = sample(counters);
    }
    // The player scrolls one song's title in the taskbar, a character a tick.
    const std::wstring scrolling = L"99. Ann Lee - A Long Morning In The Hills - Winamp";
    long long decisionsBefore = chain.decisions, restoresBefore = chain.names.restores;
    for (long long tick = 0; tick < kScrollTicks; ++tick) {
        size_t at = static_cast<size_t>(tick) % (scrolling.size() + 1);
        chain.player.show(tick == 0 ? scrolling : scrolling.substr(at) + L" *** " + scrolling);
        keepUserPresent();
        if (!chain.tickAndDeliver()) ++late;
        chain.host.forgetSent();
    }
    // Decisions, not calls: a decision that waits for the user is asked again on every tick.
    long long scrollSwitches = chain.decisions - decisionsBefore;
    long long scrollRestores = chain.names.restores - restoresBefore;
    last = sample(counters);
    QueryPerformanceCounter(&end);
    double seconds = double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);

    bool met = true;
    std::printf("\n| counter | after the first tenth | at the end | growth | allowed | result |\n");
    std::printf("|---|---|---|---|---|---|\n");
    for (size_t i = 0; i < counters.size(); ++i) {
        const auto& c = counters[i];
        long long growth = last[i] - first[i];
        bool ok = growth <= c.slack;
        if (c.counts) met = met && ok;
        std::printf("| %s | %s | %s | %s | %s | %s |\n", c.name.c_str(), figure(first[i], c.name).c_str(),
                    figure(last[i], c.name).c_str(), figure(growth, c.name).c_str(), figure(c.slack, c.name).c_str(),
                    !c.counts ? "not judged" : ok ? "met" : "NOT MET");
    }

    long long expected = chain.names.calls() - chain.names.unsent;
    long long sent = chain.host.sentCount();
    bool scrollOnce = scrollSwitches == 1 && scrollRestores == 0;
    bool nothingLost = sent == expected && late == 0 && chain.player.strayHotKeys() == 0 && scrollOnce;
    met = met && nothingLost;
    std::printf("\n| sends | value |\n|---|---|\n");
    std::printf("| ticks | %lld in %.1f s (%.0f us per tick) |\n", ticks, seconds, seconds * 1e6 / double(ticks));
    std::printf("| switches (changeName) | %lld |\n", chain.names.switches);
    std::printf("| restores (changeNameBack) | %lld |\n", chain.names.restores);
    std::printf("| calls that pressed no key (the conversation had to open) | %lld |\n", chain.names.unsent);
    std::printf("| texts the host received | %lld of %lld expected: %s |\n", sent, expected,
                sent == expected ? "none lost" : "LOST SOME");
    std::printf("| a title scrolling for %lld ticks: decisions, restores | %lld, %lld: %s |\n", kScrollTicks,
                scrollSwitches, scrollRestores, scrollOnce ? "one switch" : "NOT ONE SWITCH");
    std::printf("| ticks whose texts came late (> 5 s) | %lld |\n", late);
    std::printf("| hot keys that reached another window | %d |\n", chain.player.strayHotKeys());
    std::printf("| display name at the end | %ls |\n", chain.messenger.friendlyName().c_str());
    std::printf("\nSoak: %s\n", met ? "met" : "NOT MET");
    return met ? 0 : 1;
}
