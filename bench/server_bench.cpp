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

// A song plays; its name holds a link, which the server refuses, and with
// `songEveryMs` a new song follows that often: the name commands in the
// `forMs` from the first.
void refusedName(Row& row, double forMs, double songEveryMs) {
    Chain chain;
    chain.messenger.refuseLinks(true);
    SettingsStore().WriteSetting(keys::CurrentTag, L"on www.radio.test");
    Commands commands(chain);
    if (!firstSongSent(chain, commands, row)) return;
    double first = commands.last();
    for (int song = 2; nowMs() < first + forMs; ++song) {
        lookAfterTheUser(std::min(songEveryMs > 0 ? songEveryMs : forMs, first + forMs - nowMs()));
        if (songEveryMs > 0) chain.player.show(std::to_wstring(song) + L". Song - Winamp");
    }
    row.samples.push_back(static_cast<double>(commands.between(first, first + forMs)));
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

// A slow server shows a name 2.5 s after its command; the player stops or
// pauses `afterMs` after the listening command: from then until the plain
// name shows with nothing in flight, and it is still right `stillRightMs`
// later.
void plainWhileTheNameIsInFlight(Row& row, const wchar_t* title, double afterMs, double stillRightMs) {
    Chain chain;
    chain.messenger.showNamesAfter(standin::slowServerDelay);
    Commands commands(chain);
    if (!firstSongSent(chain, commands, row)) return;
    pumpMessagesFor(std::chrono::milliseconds(static_cast<long long>(commands.last() + afterMs - nowMs())));
    double stop = nowMs();
    chain.player.show(title);
    auto right = [&] { return chain.messenger.friendlyName() == kPlainName && chain.messenger.namesInFlight() == 0; };
    if (!waitUntil(right, 15s)) {
        ++row.wrong;
        return;
    }
    row.samples.push_back(nowMs() - stop);
    lookAfterTheUser(stillRightMs);
    if (!right()) ++row.wrong;
}

// Every name holds a link, so the server refuses them all; the command
// conversation takes 400 ms to come forward; the player pauses and plays
// every second for a minute: the most name commands in any minute.
void pauseAndPlayAgainstARefusingServer(Row& row) {
    Chain chain(ChainOptions{.currentNameMode = false});
    SettingsStore settings;
    settings.WriteSetting(keys::CustomName, L"1");
    settings.WriteSetting(keys::CustomNameNotPl, L"Ann of www.radio.test");
    settings.WriteSetting(keys::CustomNamePl, L"Ann of www.radio.test");
    settings.WriteSetting(keys::CustomTagPl, L"listening");
    chain.messenger.refuseLinks(true);
    chain.messenger.leaveInputUnread(400ms);
    Commands commands(chain);
    if (!firstSongSent(chain, commands, row)) return;
    double first = commands.last();
    for (int second = 1; nowMs() < first + oneMinuteMs; ++second) {
        lookAfterTheUser(1000);
        chain.player.show(second % 2 ? L"1. Song A - Winamp [Paused]" : L"1. Song A - Winamp");
    }
    row.samples.push_back(static_cast<double>(commands.mostInAMinute()));
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
    Row pauseInFlight{"a pause 1 s after the listening command, server 2.5 s late: right name after, ms (and 30 s "
                      "later)",
                      8000, " ms", {}};
    Row songsRefused{"a refused name, a new song every 3 s for 5 minutes: name commands", 4, "", {}};
    Row pauseAndPlay{"pause and play every second for a minute, server refusing everything, the conversation 400 ms "
                     "slow to come forward: name commands in any minute",
                     5, "", {}};
    for (int r = 0; r < repetitions; ++r) {
        onNewApartmentThread([&] { refusedName(refused, oneMinuteMs, 0); });
        onNewApartmentThread([&] { pausesAgainstAPacedServer(paced); });
        onNewApartmentThread([&] {
            plainWhileTheNameIsInFlight(inFlight, L"1. Song A - Winamp [Stopped]", 1200, 10000);
        });
        onNewApartmentThread([&] {
            plainWhileTheNameIsInFlight(pauseInFlight, L"1. Song A - Winamp [Paused]", 1000, 30000);
        });
        onNewApartmentThread([&] { pauseAndPlayAgainstARefusingServer(pauseAndPlay); });
    }
    // Five minutes each: once.
    onNewApartmentThread([&] { refusedName(songsRefused, 5 * oneMinuteMs, 3000); });
    onNewApartmentThread([&] { quickTextBack(quickText, 3 * repetitions); });

    std::printf("| the server refuses, paces or delays names | median | worst | goal | result |\n");
    std::printf("|---|---|---|---|---|\n");
    for (const Row* row : {&refused, &paced, &quickText, &inFlight, &pauseInFlight, &songsRefused, &pauseAndPlay})
        print(*row);
    std::printf("\n(%d repetitions, each with a freshly started plug-in; the quick text %d times in one run)\n",
                repetitions, 3 * repetitions);
}

}  // namespace sonarel::bench
