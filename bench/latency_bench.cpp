// The latency a user sees: the real plug-in created by ProgID, its own
// one-second timer, a player window, the stand-in messenger and host. Each
// repetition starts the plug-in afresh on a new thread, and each title
// change waits a varying time first, so that it falls at every phase of the
// timer.
#include "bench/latency_bench.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "bench/injected_input.h"
#include "bench/measure.h"
#include "settings/name_record.h"
#include "settings/settings_store.h"
#include "tests/wine/names/chain_support.h"
#include "tests/wine/support/plugin_environment.h"
#include "standins/support/user_input.h"
#include "standins/support/windows_answers.h"
#include "tests/wine/support/standin_player.h"

namespace sonarel::bench {
namespace {

using namespace sonarel::testing;

constexpr double oneTickMs = 1000;

struct Situation {
    const char* name;
    double goalMs;
    std::vector<double> samples;
    int missed = 0;
};

enum Index {
    firstSong, nextSong, pause, resume, stop, close, stopAfterClosed,
    foregroundLocked, typingStopped, fullScreenLeft, watchOff, repairAtStart, backFromAway, draftInFront, lostHotKey,
    busyConversation, sessionUnlocked, focusMoved, keysSwallowed, screenSaver, situations
};

class Run {
public:
    explicit Run(unsigned& seed) : seed_(seed) {
        chain.host.onSent = [this](const standin::SentText& sent) { sends_.push_back({nowMicroseconds(), sent.text}); };
    }

    // Changes what the player shows at a varying phase of the timer, and
    // returns the time until the host carried out the expected command:
    // from the change, or from when the user let the name go.
    std::optional<double> measure(const std::function<void()>& change, const std::wstring& expected,
                                  std::chrono::milliseconds deadline = 5s) {
        return measureFrom([&] {
            double start = nowMicroseconds();
            change();
            return start;
        }, expected, deadline);
    }
    std::optional<double> measureFrom(const std::function<double()>& change, const std::wstring& expected,
                                      std::chrono::milliseconds deadline = 5s) {
        seed_ = seed_ * 1103515245u + 12345u;
        pumpMessagesFor(std::chrono::milliseconds((seed_ >> 8) % 1000));
        size_t before = sends_.size();
        double start = change();
        if (sends_.size() > before) return std::nullopt;  // it did not wait
        if (!waitUntil([&] { return sends_.size() > before; }, deadline)) return std::nullopt;
        ++expectedSends;
        if (sends_[before].text != expected) ++wrongSends;
        return (sends_[before].at - start) / 1000.0;
    }
    // An untimed step that must also end in one send.
    void settle(const std::function<void()>& change, const std::wstring& expected) {
        measure(change, expected);
    }
    size_t sends() const { return sends_.size(); }
    // The measurement, unless a tick more brings a send that should not come
    // or one of the sends was wrong.
    std::optional<double> withNoSendBeyond(std::optional<double> ms) {
        pumpMessagesFor(1500ms);
        if (static_cast<int>(sends()) != expectedSends || wrongSends) return std::nullopt;
        return ms;
    }

    Chain chain;
    int expectedSends = 0;
    int wrongSends = 0;

private:
    struct Send {
        double at;
        std::wstring text;
    };
    unsigned& seed_;
    std::vector<Send> sends_;
};

void record(Situation& situation, std::optional<double> ms) {
    if (ms) situation.samples.push_back(*ms);
    else ++situation.missed;
}

// The user works in another program: with the foreground locked, typing
// across a stop, and watching a video in full screen across a song.
template <class Show>
void measureTheUserAtWork(Run& run, std::vector<Situation>& all, Show show) {
    StandInPlayer desk;
    desk.run("work");
    run.chain.messenger.lockForeground(true);
    waitForInputQuiet();
    record(all[foregroundLocked], run.measure(show(L"5. Song E - Winamp"), kListeningCommand));
    run.chain.messenger.lockForeground(false);
    record(all[typingStopped], run.measureFrom(
                                   [&] {
                                       double lastKey = 0;
                                       for (int key = 0; key < 5; ++key) {
                                           if (key == 2) show(L"5. Song E - Winamp [Stopped]")();
                                           lastKey = nowMicroseconds();
                                           typeKey('A');
                                           pumpMessagesFor(300ms);
                                       }
                                       return lastKey;
                                   },
                                   L"/name Ann"));
    desk.run("fullscreen");
    waitForInputQuiet();
    record(all[fullScreenLeft], run.measureFrom(
                                    [&] {
                                        show(L"6. Song F - Winamp")();
                                        run.chain.passTicks(2);
                                        double left = nowMicroseconds();
                                        desk.run("work");
                                        return left;
                                    },
                                    kListeningCommand));
}

// The user has a conversation with a contact in front, a draft in its box,
// and has stopped typing.
std::optional<double> measureWithADraftInFront(Run& run, const std::function<void()>& change) {
    auto& messenger = run.chain.messenger;
    HWND bob = messenger.openConversation(L"bob@example.test");
    SetForegroundWindow(bob);
    waitUntil([&] { return messenger.inputBoxHasFocus(bob); }, 2s);
    typeText(L"see you at");
    waitForInputQuiet();
    std::optional<double> ms = run.measure(change, kListeningCommand);
    bool untouched = messenger.draft(bob) == L"see you at" && messenger.messagesToContacts().empty();
    messenger.closeConversation(bob);
    if (!untouched) ++run.wrongSends;
    return ms;
}

// What the plug-in injected while the user was away.
struct AwayCount {
    long seenBefore = 0;  // while the user was there: shows that the hooks see injected input
    long injected = 0;
    size_t sends = 0;
    bool hooked = false;
};

// Lets the plug-in run until `ms` have passed since `start`.
void runUntil(DWORD start, DWORD ms) {
    DWORD spent = GetTickCount() - start;
    if (spent < ms) pumpMessagesFor(std::chrono::milliseconds(ms - spent));
}

// The user away: three minutes without any input of the user's, in which
// the player changes songs four times after the first minute, the last
// time to a stop; nothing may be injected, so that the screen saver and
// the lock come as set. The user then comes back, three times: from the
// end of the first input until the name follows. (While nothing is sent,
// a song after a stop finds the listening name showing still.)
AwayCount measureTheUserAway(unsigned& seed, Situation& back) {
    AwayCount count;
    onNewApartmentThread([&] {
        InjectedInputCounter counter;
        count.hooked = counter.hooked();
        Run run(seed);
        run.chain.startPlugin();
        auto& player = run.chain.player;
        run.settle([&] { player.show(L"1. Song A - Winamp"); }, kListeningCommand);
        long injectedBefore = counter.events();
        count.seenBefore = injectedBefore;
        size_t sendsBefore = run.sends();
        const DWORD start = GetTickCount();
        const wchar_t* changes[] = {L"2. Song B - Winamp", L"3. Song C - Winamp", L"4. Song D - Winamp",
                                    L"4. Song D - Winamp [Stopped]"};
        for (int i = 0; i < 4; ++i) {
            runUntil(start, 65000 + 25000 * i);
            player.show(changes[i]);
        }
        runUntil(start, 180000);
        count.injected = counter.events() - injectedBefore;
        count.sends = run.sends() - sendsBefore;
        auto userBack = [] {
            typeKey(VK_SHIFT);
            return nowMicroseconds();
        };
        record(back, run.measureFrom(userBack, L"/name Ann"));
        for (const wchar_t* title : {L"5. Song E - Winamp", L"5. Song E - Winamp [Stopped]"}) {
            const DWORD idleFrom = GetTickCount();
            runUntil(idleFrom, 61000);
            player.show(title);
            run.chain.passTicks(2);
            record(back, run.measureFrom(userBack, title[wcslen(title) - 1] == L']' ? L"/name Ann" : kListeningCommand));
        }
    });
    return count;
}

// A host that ended while a song played left the listening name and its
// record; the plug-in starts again with the player closed.
std::optional<double> measureRepairAtStart(unsigned& seed) {
    Run run(seed);
    run.chain.messenger.setFriendlyName(kListeningName);
    SettingsStore settings;
    writeNameRecord(settings, NameRecord{kSignin, kPlainName, kListeningName});
    return run.withNoSendBeyond(run.measure([&] { run.chain.startPlugin(); }, L"/name Ann"));
}

// A hot key the host lets pass without sending, on a plug-in of its own:
// in a run of many changes the limit of five names a minute, which a name
// that did not show turns on, would hold the retry back.
std::optional<double> measureLostHotKey(unsigned& seed) {
    Run run(seed);
    run.chain.startPlugin();
    run.settle([&] { run.chain.player.show(L"1. Song A - Winamp"); }, kListeningCommand);
    run.chain.host.dropNextHotKey();
    return run.withNoSendBeyond(
        run.measure([&] { run.chain.player.show(L"1. Song A - Winamp [Stopped]"); }, L"/name Ann", 16s));
}

// The messenger's conversations on a thread of their own, busy for 300 ms
// whenever one comes to the front, and the user's conversation in front
// with a draft: the keys that reached another window than the command
// conversation (the user's conversation, or the player's).
std::optional<double> measureBusyConversation(unsigned& seed) {
    Run run(seed);
    auto& messenger = run.chain.messenger;
    messenger.leaveInputUnread(300ms);
    run.chain.player.show(L"");
    run.chain.startPlugin();
    HWND bob = messenger.openConversation(L"bob@example.test");
    SetForegroundWindow(bob);
    waitUntil([&] { return messenger.inputBoxHasFocus(bob); }, 2s);
    typeText(L"see you at");
    waitForInputQuiet();
    if (!run.measure([&] { run.chain.player.show(L"1. Song A - Winamp"); }, kListeningCommand)) return std::nullopt;
    run.chain.passTicks(1);  // the keyboard back, and a tick more to catch a late key
    return double(messenger.messagesToContacts().size()) + run.chain.player.strayHotKeys() +
           (messenger.draft(bob) == L"see you at" ? 0 : 1);
}

// The session locked through Windows' answers while a stop comes; from the
// unlock until the plain name shows.
std::optional<double> measureSessionUnlocked(unsigned& seed) {
    Run run(seed);
    run.chain.startPlugin();
    standin::WindowsAnswers answers(L"SonarelPL.dll", standin::pictures::windows11Unlocked());
    run.settle([&] { run.chain.player.show(L"1. Song A - Winamp"); }, kListeningCommand);
    answers.show(standin::pictures::windows11Locked());
    run.chain.player.show(L"1. Song A - Winamp [Stopped]");
    run.chain.passTicks(2);
    return run.measureFrom(
        [&] {
            answers.show(standin::pictures::windows11Unlocked());
            return nowMicroseconds();
        },
        L"/name Ann");
}

// A contact's message arrives as the keys go out, and the messenger brings
// that contact's conversation, which holds the user's draft, forward before
// its thread reads them: until the plain name shows, which counts only when
// no key of ours reached that conversation and the contact got nothing.
std::optional<double> measureFocusMoved(unsigned& seed) {
    Run run(seed);
    auto& messenger = run.chain.messenger;
    run.chain.player.show(L"");
    run.chain.startPlugin();
    run.settle([&] { run.chain.player.show(L"1. Song A - Winamp"); }, kListeningCommand);
    HWND bob = messenger.openConversation(L"bob@example.test");
    SetForegroundWindow(bob);
    waitUntil([&] { return messenger.inputBoxHasFocus(bob); }, 2s);
    typeText(L"see you at");
    waitForInputQuiet();
    messenger.messageFromContactWhenCommandComesForward(bob);
    std::optional<double> ms = run.measure([&] { run.chain.player.show(L"1. Song A - Winamp [Paused]"); }, L"/name Ann", 10s);
    bool untouched = messenger.messagesFromContacts() == 1 && messenger.hotKeyKeysInUserConversations() == 0 &&
                     messenger.messagesToContacts().empty() && messenger.draft(bob) == L"see you at";
    return untouched ? ms : std::nullopt;
}

// Another program's hook swallows the plug-in's keys on their way, once:
// from when they went out until the user's program has the keyboard again
// (if only until they are pressed again). Half the time the user types a
// key at some moment meanwhile, which must reach that program once all is
// done, none the hidden conversation.
std::optional<double> measureKeysSwallowed(unsigned& seed, bool userTypes) {
    Run run(seed);
    run.chain.player.show(L"1. Song A - Winamp");
    UsersProgram program;
    program.bringToFront();
    run.chain.startPlugin();
    if (!waitUntil([&] { return run.chain.messenger.friendlyName() == kListeningName; }, 5s) ||
        !waitUntil([&] { return GetForegroundWindow() == program.window(); }, 3s))
        return std::nullopt;
    standin::WindowsAnswers answers(L"SonarelPL.dll", standin::pictures::keysSwallowed());
    waitForInputQuiet();
    const int taken = standin::WindowsAnswers::batchesTaken();
    run.chain.player.show(L"1. Song A - Winamp [Stopped]");
    if (!waitUntil([&] { return standin::WindowsAnswers::batchesTaken() > taken; }, 5s)) return std::nullopt;
    const DWORD swallowed = standin::WindowsAnswers::lastBatchTakenAt();
    answers.show(standin::pictures::windows10Active());
    int typed = 0;
    if (userTypes) {
        seed = seed * 1103515245u + 12345u;
        const DWORD at = (seed >> 8) % 2000;
        waitUntil([&] { return GetTickCount() - swallowed >= at; }, 3s);
        typeKey('A');
        typed = 1;
    }
    if (!waitUntil([&] { return program.activatedSince(swallowed).has_value(); }, 5s)) return std::nullopt;
    const double back = double(*program.activatedSince(swallowed) - swallowed);
    bool settled = waitUntil([&] {
        return run.chain.messenger.friendlyName() == kPlainName && GetForegroundWindow() == program.window() &&
               program.keys() == typed;
    }, 5s);
    return settled ? std::optional<double>(back) : std::nullopt;
}

// A one-minute screen saver: the user counts as away after 15 s. The player
// pauses 5 s after the user's last input (the plain name follows), and
// plays songs 16 s and 25 s after it; the plug-in's input events from 15 s
// on are counted, until the user comes back at 35 s and the listening name
// follows.
std::optional<double> measureScreenSaver(unsigned& seed) {
    std::optional<double> injected;
    onNewApartmentThread([&] {
        InjectedInputCounter counter;
        Run run(seed);
        run.chain.startPlugin();
        standin::WindowsAnswers answers(L"SonarelPL.dll", standin::pictures::screenSaverAfter(60));
        auto& player = run.chain.player;
        run.settle([&] { player.show(L"1. Song A - Winamp"); }, kListeningCommand);
        waitForInputQuiet();
        typeKey(VK_SHIFT);
        const DWORD lastKey = GetTickCount();
        runUntil(lastKey, 5000);
        size_t before = run.sends();
        player.show(L"1. Song A - Winamp [Paused]");
        bool followed = waitUntil([&] { return run.sends() > before; }, 5s);
        runUntil(lastKey, 15000);
        long from = counter.events();
        runUntil(lastKey, 16000);
        player.show(L"2. Song B - Winamp");
        runUntil(lastKey, 25000);
        player.show(L"3. Song C - Winamp");
        runUntil(lastKey, 35000);
        long after = counter.events() - from;
        before = run.sends();
        typeKey(VK_SHIFT);
        bool back = waitUntil([&] { return run.sends() > before; }, 5s);
        if (followed && back && counter.hooked()) injected = double(after);
    });
    return injected;
}

}  // namespace

void benchmarkLatency(int repetitions) {
    RegisteredPlugin registered;
    std::vector<Situation> all = {
        {"first song after start-up (opens the command conversation)", 2 * oneTickMs + 100, {}},
        {"next song, the name set by hand meanwhile", oneTickMs + 100, {}},
        {"pause", oneTickMs + 100, {}},
        {"resume", oneTickMs + 100, {}},
        {"stop", oneTickMs + 100, {}},
        {"close", oneTickMs + 100, {}},
        {"stop after the command conversation was closed", 2 * oneTickMs + 100, {}},
        {"another program in front, the foreground locked", 2 * oneTickMs + 100, {}},
        {"after the user stops typing, from the last key", 2 * oneTickMs + 100, {}},
        {"after a full-screen program leaves the front, from then", oneTickMs + 100, {}},
        {"watch switched off while a song plays", 2 * oneTickMs + 100, {}},
        {"repair at start, player closed (from the host's start)", 5 * oneTickMs + 100, {}},
        {"the user back after 60 s away, from the end of the first input", 2 * oneTickMs + 100, {}},
        {"the user's conversation in front, with a draft", oneTickMs + 150, {}},
        {"a lost hot key, until the name shows (looked for on three ticks, sent again 10 s later)",
         15 * oneTickMs + 100, {}},
        {"a busy conversation (its input unread for 300 ms), the user's conversation in front: keys in other "
         "windows (a count)",
         0, {}},
        {"the session unlocked, until the name shows", 2 * oneTickMs + 100, {}},
        {"the focus moved to the user's conversation before the keys are read, until the name shows (no key "
         "there, nothing to the contact)",
         8000, {}},
        {"keys swallowed on their way, until the user's window is back in front (no key of the user's lost)", 2500,
         {}},
        {"a one-minute screen saver: input injected after 15 s of idleness (a count)", 0, {}},
    };
    unsigned seed = 20261207;
    int extraSends = 0, wrongSends = 0;
    const std::wstring plain = L"/name Ann";
    for (int r = 0; r < repetitions; ++r) {
        onNewApartmentThread([&] {
            Run run(seed);
            run.chain.startPlugin();
            auto& player = run.chain.player;
            auto show = [&](const wchar_t* title) { return [&player, title] { player.show(title); }; };
            record(all[firstSong], run.measure(show(L"1. Song A - Winamp"), kListeningCommand));
            // A next song sends nothing while the listening name shows. The
            // user sets the name by hand once a whole tick saw the listening
            // name show: one that never showed would count as refused.
            run.chain.passTicks(2);
            run.chain.messenger.setFriendlyName(kPlainName);
            record(all[nextSong], run.measure(show(L"2. Song B - Winamp"), kListeningCommand));
            record(all[pause], run.measure(show(L"2. Song B - Winamp [Paused]"), plain));
            record(all[resume], run.measure(show(L"2. Song B - Winamp"), kListeningCommand));
            record(all[watchOff], run.measure([&] { run.chain.command(L"/xwinampoff"); }, plain));
            run.settle([&] { run.chain.command(L"/xwinampon"); }, kListeningCommand);
            record(all[stop], run.measure(show(L"2. Song B - Winamp [Stopped]"), plain));
            run.settle(show(L"3. Song C - Winamp"), kListeningCommand);
            record(all[close], run.measure([&] { player.close(); }, plain));
            run.settle(show(L"4. Song D - Winamp"), kListeningCommand);
            for (HWND conversation : run.chain.commandConversations()) run.chain.messenger.closeConversation(conversation);
            record(all[stopAfterClosed], run.measure(show(L"4. Song D - Winamp [Stopped]"), plain));
            record(all[draftInFront], measureWithADraftInFront(run, show(L"4. Song D - Winamp")));
            // The rows at work begin with a song that has a name to send.
            run.settle(show(L"4. Song D - Winamp [Stopped]"), plain);
            measureTheUserAtWork(run, all, show);
            pumpMessagesFor(1500ms);  // a tick more, to catch a send that should not come
            extraSends += static_cast<int>(run.sends()) - run.expectedSends;
            wrongSends += run.wrongSends;
        });
        onNewApartmentThread([&] { record(all[repairAtStart], measureRepairAtStart(seed)); });
        onNewApartmentThread([&] { record(all[lostHotKey], measureLostHotKey(seed)); });
        onNewApartmentThread([&] { record(all[busyConversation], measureBusyConversation(seed)); });
        onNewApartmentThread([&] { record(all[sessionUnlocked], measureSessionUnlocked(seed)); });
        onNewApartmentThread([&] { record(all[focusMoved], measureFocusMoved(seed)); });
        onNewApartmentThread([&] { record(all[keysSwallowed], measureKeysSwallowed(seed, r % 2 == 1)); });
    }
    record(all[screenSaver], measureScreenSaver(seed));

    AwayCount away = measureTheUserAway(seed, all[backFromAway]);

    std::printf("| from the title change to the display name | median, ms | worst, ms | goal, ms | result |\n");
    std::printf("|---|---|---|---|---|\n");
    for (const Situation& s : all) {
        Timing t = summarize(s.samples);
        double worst = s.samples.empty() ? 0 : *std::max_element(s.samples.begin(), s.samples.end());
        bool met = s.missed == 0 && !s.samples.empty() && worst <= s.goalMs;
        std::printf("| %-58s | %6.0f | %6.0f | %6.0f | %s |\n", s.name, t.median, worst, s.goalMs,
                    met ? "met" : s.missed ? "NOT MET (no send, or one too early)" : "NOT MET");
    }
    std::printf("\n(%d repetitions, each with a freshly started plug-in, the user's return 3; sends beyond one "
                "per change: %d; sends of the wrong name, or a draft touched: %d)\n",
                repetitions, extraSends, wrongSends);
    std::printf("\n| the user away for 3 minutes, four changes after the first minute | value | goal | result |\n");
    std::printf("|---|---|---|---|\n");
    bool counting = away.hooked && away.seenBefore > 0;
    std::printf("| input events injected before, the user at the desk (the hooks see them) | %ld | > 0 | %s |\n",
                away.seenBefore, counting ? "met" : "NOT MET: the hooks see nothing");
    std::printf("| input events the plug-in injected | %ld | 0 | %s |\n", away.injected,
                counting && away.injected == 0 ? "met" : "NOT MET");
    std::printf("| names sent | %zu | 0 | %s |\n", away.sends, away.sends == 0 ? "met" : "NOT MET");
}

}  // namespace sonarel::bench
