// The real plug-in created by ProgID with its own timer, a player window,
// and the stand-in messenger with its server switched to refuse, pace or
// delay names. Each repetition starts the plug-in afresh on a new thread.
#include "bench/server_bench.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench/measure.h"
#include "settings/settings_store.h"
#include "tests/wine/names/chain_support.h"
#include "tests/wine/support/plugin_environment.h"

namespace sonarel::bench {
namespace {

using namespace sonarel::testing;

constexpr double oneMinuteMs = 60000;

double nowMs() { return nowMicroseconds() / 1000; }

// The name commands the host carried out, with when.
class Commands {
public:
    explicit Commands(Chain& chain) {
        chain.host.onSent = [this](const standin::SentText&) { at_.push_back(nowMs()); };
    }
    size_t count() const { return at_.size(); }
    double last() const { return at_.empty() ? 0 : at_.back(); }
    size_t between(double from, double to) const {
        return std::count_if(at_.begin(), at_.end(), [&](double t) { return t >= from && t < to; });
    }
    // The most in any minute, each minute starting at a command.
    size_t mostInAMinute() const {
        size_t most = 0;
        for (double from : at_) most = std::max(most, between(from, from + oneMinuteMs));
        return most;
    }

private:
    std::vector<double> at_;
};

struct Row {
    const char* name;
    double goal;
    const char* unit;
    std::vector<double> samples;
    int wrong = 0;  // repetitions that went wrong otherwise (see the row)
};

void print(const Row& row) {
    Timing t = summarize(row.samples);
    double worst = row.samples.empty() ? 0 : *std::max_element(row.samples.begin(), row.samples.end());
    bool met = !row.samples.empty() && row.wrong == 0 && worst <= row.goal;
    std::printf("| %-100s | %6.0f | %6.0f | %6.0f%s | %s |\n", row.name, t.median, worst, row.goal, row.unit,
                met ? "met" : row.wrong ? "NOT MET (wrong in some repetitions)" : "NOT MET");
}

void lookAfterTheUser(double forMs) {
    double end = nowMs() + forMs;
    while (nowMs() < end) {
        keepUserPresent();  // a minute without input would be the user away
        pumpMessagesFor(std::chrono::milliseconds(static_cast<long long>(std::min(1000.0, end - nowMs()))));
    }
}

// Starts the plug-in and plays a song: false, with the row told, when no
// name command followed.
bool firstSongSent(Chain& chain, const Commands& commands, Row& row) {
    chain.startPlugin();
    chain.player.show(L"1. Song A - Winamp");
    if (waitUntil([&] { return commands.count() > 0; }, 5s)) return true;
    ++row.wrong;
    return false;
}

// A song plays; its name holds a link, which the server refuses: the name
// commands in the minute from the first.
void refusedForAMinute(Row& row) {
    Chain chain;
    chain.messenger.refuseLinks(true);
    SettingsStore().WriteSetting(keys::CurrentTag, L"on www.radio.test");
    Commands commands(chain);
    if (!firstSongSent(chain, commands, row)) return;
    double first = commands.last();
    lookAfterTheUser(first + oneMinuteMs - nowMs());
    row.samples.push_back(static_cast<double>(commands.between(first, first + oneMinuteMs)));
}

// Eight pauses and resumes 2 s apart, with a server that refuses a change
// less than 10 s after the last: the most name commands in any minute, and
// the listening name in the end.
void pausesAgainstAPacedServer(Row& row) {
    Chain chain;
    chain.messenger.paceChanges(true);
    Commands commands(chain);
    chain.startPlugin();
    chain.player.show(L"1. Song A - Winamp");
    if (!waitUntil([&] { return chain.messenger.friendlyName() == kListeningName; }, 5s)) {
        ++row.wrong;
        return;
    }
    for (int i = 0; i < 8; ++i) {
        chain.player.show(L"1. Song A - Winamp [Paused]");
        lookAfterTheUser(2000);
        chain.player.show(L"1. Song A - Winamp");
        lookAfterTheUser(2000);
    }
    lookAfterTheUser(oneMinuteMs);
    row.samples.push_back(static_cast<double>(commands.mostInAMinute()));
    if (chain.messenger.friendlyName() != kListeningName) ++row.wrong;
}

// The user keeps a text of their own on Alt+0: from the listening name
// showing until the entry holds the user's text again. The user sets the
// plain name by hand before each song, so that each song sends.
void quickTextBack(Row& row, int repetitions) {
    Chain chain;
    const std::wstring signin = chain.messenger.signinName();
    standin::putQuickText(signin, L"brb, 5 min");
    const standin::QuickTextEntry users = standin::readQuickText(signin);
    chain.startPlugin();
    for (int i = 0; i < repetitions; ++i) {
        keepUserPresent();
        chain.messenger.setFriendlyName(kPlainName);
        chain.player.show(std::to_wstring(i + 1) + L". Song - Winamp");
        if (!waitUntil([&] { return chain.messenger.friendlyName() == kListeningName; }, 5s)) {
            ++row.wrong;
            continue;
        }
        double shown = nowMs();
        if (!waitUntil([&] { return standin::readQuickText(signin) == users; }, 10s)) ++row.wrong;
        else row.samples.push_back(nowMs() - shown);
    }
}

// A slow server shows a name 2.5 s after its command; the player stops
// 1.2 s after the listening command: from the stop until the plain name
// shows with nothing in flight, and it is still right 10 s later.
void stopWhileTheNameIsInFlight(Row& row) {
    Chain chain;
    chain.messenger.showNamesAfter(standin::slowServerDelay);
    Commands commands(chain);
    if (!firstSongSent(chain, commands, row)) return;
    pumpMessagesFor(std::chrono::milliseconds(static_cast<long long>(commands.last() + 1200 - nowMs())));
    double stop = nowMs();
    chain.player.show(L"1. Song A - Winamp [Stopped]");
    auto right = [&] { return chain.messenger.friendlyName() == kPlainName && chain.messenger.namesInFlight() == 0; };
    if (!waitUntil(right, 15s)) {
        ++row.wrong;
        return;
    }
    row.samples.push_back(nowMs() - stop);
    pumpMessagesFor(10s);
    if (!right()) ++row.wrong;
}

}  // namespace

void benchmarkServer(int repetitions) {
    RegisteredPlugin registered;
    Row refused{"name commands in a minute while the server refuses every name", 3, "", {}};
    Row paced{"name commands in any minute, eight pauses and resumes 2 s apart, the server refusing changes less "
              "than 10 s apart",
              5, "", {}};
    Row quickText{"the user's quick text back after the name shows, ms", 2100, " ms", {}};
    Row inFlight{"a stop 1.2 s after the listening command, slow server: right name after, ms (and 10 s later)",
                 8000, " ms", {}};
    for (int r = 0; r < repetitions; ++r) {
        onNewApartmentThread([&] { refusedForAMinute(refused); });
        onNewApartmentThread([&] { pausesAgainstAPacedServer(paced); });
        onNewApartmentThread([&] { stopWhileTheNameIsInFlight(inFlight); });
    }
    onNewApartmentThread([&] { quickTextBack(quickText, 3 * repetitions); });

    std::printf("| the server refuses, paces or delays names | median | worst | goal | result |\n");
    std::printf("|---|---|---|---|---|\n");
    for (const Row* row : {&refused, &paced, &quickText, &inFlight}) print(*row);
    std::printf("\n(%d repetitions, each with a freshly started plug-in; the quick text %d times in one run)\n",
                repetitions, 3 * repetitions);
}

}  // namespace sonarel::bench
