// The cost of one poll tick in each state, against the floor: the bare
// system calls that such a tick cannot avoid, timed in the same run.
#include "bench/tick_bench.h"

#include <optional>
#include <utility>

#include "bench/measure.h"
#include "common/win32.h"
#include "settings/settings_store.h"
#include "tests/wine/support/wine_test_support.h"
#include "watcher/watcher.h"
#include "watcher/win32_player_windows.h"

namespace sonarel::bench {
namespace {

// Counts the calls; each name sent shows by the next tick, as with a
// messenger that takes names at once.
class CountingSwitcher final : public NameSwitcher {
public:
    SendOutcome changeName() override {
        ++switches;
        return sendName(false);
    }
    SendOutcome changeNameBack() override {
        ++restores;
        return sendName(true);
    }
    LeftBehind listeningNameLeftBehind() override { return LeftBehind::no; }
    FlightNews followNameOnItsWay() override {
        if (!onItsWay_) return {};
        FlightNews news;
        news.what = FlightNews::What::shown;
        news.plain = *std::exchange(onItsWay_, std::nullopt);
        return news;
    }
    void giveBackEveryQuickText() override {}
    int switches = 0;
    int restores = 0;

private:
    SendOutcome sendName(bool plain) {
        onItsWay_ = plain;
        return SendOutcome::sent;
    }
    std::optional<bool> onItsWay_;  // whether the name on its way is the plain one
};

// One settings read, as bare as it can be.
void bareSettingsRead() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, SettingsStore::keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return;
    wchar_t data[64];
    DWORD type = 0, bytes = sizeof(data);
    RegQueryValueExW(key, L"onOff", nullptr, &type, reinterpret_cast<BYTE*>(data), &bytes);
    RegCloseKey(key);
}

HWND find(const char* className) { return FindWindowA(className, nullptr); }

void bareNoPlayer() {
    bareSettingsRead();
    find("studio");
    find("Winamp v1.x");
}

void bareWinamp2() {
    static char buffer[2048];
    bareSettingsRead();
    find("studio");
    find("Winamp v1.x");
    GetWindowTextA(find("Winamp v1.x"), buffer, sizeof(buffer));
    find("Winamp v1.x");
}

void bareWinamp3() {
    static char buffer[2048];
    bareSettingsRead();
    find("studio");
    HWND titled = GetParent(find("basewindow_rootwnd"));
    int length = GetWindowTextLengthA(titled);
    GetWindowTextA(titled, buffer, std::min(length + 1, 2048));
    find("Winamp v1.x");
    find("studio");
}

void send(testing::ChildProcess& player, const std::string& command) {
    player.sendLine(command);
    if (!player.waitForLine("ok")) throw std::runtime_error("player did not answer: " + command);
}

}  // namespace

void benchmarkTicks(double goal) {
    testing::CleanSettings clean;
    SettingsStore settings;
    Win32PlayerWindows windows;
    CountingSwitcher names;
    Watcher watcher(settings, windows, names);
    testing::ChildProcess player(testing::besideTestProgram(L"sonarel-player.exe"));

    std::printf("| tick state | ours, us median (p10-p90) | floor, us median (p10-p90) | ratio | goal <= %.1f |\n", goal);
    std::printf("|---|---|---|---|---|\n");

    settings.WriteSetting(keys::onOff, L"0");
    auto [off, offFloor] = measurePair([&] { watcher.pollTick(); }, bareSettingsRead);
    printRow("watch off", off, offFloor, goal);

    settings.WriteSetting(keys::onOff, L"1");
    auto [none, noneFloor] = measurePair([&] { watcher.pollTick(); }, bareNoPlayer);
    printRow("no player", none, noneFloor, goal);

    send(player, "open2");
    send(player, "title2 12. Artist - Title - Winamp");
    watcher.pollTick();  // the first tick switches; the rest see the same title
    int callsBefore = names.switches + names.restores;
    auto [w2, w2Floor] = measurePair([&] { watcher.pollTick(); }, bareWinamp2);
    int callsWhileMeasuring = names.switches + names.restores - callsBefore;
    printRow("Winamp 2, title unchanged", w2, w2Floor, goal);

    send(player, "close2");
    send(player, "open3");
    send(player, "title3 Artist - Title - Winamp3");
    watcher.pollTick();
    watcher.pollTick();
    callsBefore = names.switches + names.restores;
    auto [w3, w3Floor] = measurePair([&] { watcher.pollTick(); }, bareWinamp3);
    callsWhileMeasuring += names.switches + names.restores - callsBefore;
    printRow("Winamp 3, title unchanged", w3, w3Floor, goal);
    std::printf("\n(name switches or restores while measuring the unchanged titles: %d)\n", callsWhileMeasuring);
}

}  // namespace sonarel::bench
