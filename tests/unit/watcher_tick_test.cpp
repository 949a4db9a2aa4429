// The tick's on/off gate, reader choice and restore step, driven with fake
// window look-ups and a recording name switcher.
#include <functional>

#include "tests/unit/watcher_fixture.h"

namespace sonarel::testing {
namespace {

using TickTest = WatcherFixture;

class GateTest : public TickTest, public ::testing::WithParamInterface<const wchar_t*> {};

TEST_P(GateTest, AnythingButExactlyOneEndsTheTickAfterTheSettingsRead) {
    settings.WriteSetting(keys::onOff, GetParam());
    windows.open(playerClass::winamp2);
    windows.winamp2Text = L"1. Song - Winamp";
    watcher.pollTick();  // the first tick off finds no listening name that may show
    settings.reads = 0;

    watcher.pollTick();

    EXPECT_TRUE(windows.lookups.empty());
    EXPECT_EQ(windows.winamp2Reads, 0);
    EXPECT_TRUE(names.calls.empty());
    EXPECT_EQ(settings.reads, 1);
}

INSTANTIATE_TEST_SUITE_P(OnOff, GateTest,
                         ::testing::Values(L"0", L"", L" 1", L"1 ", L"on", L"11", L"true"));

TEST_F(TickTest, ReaderChoiceFollowsWhichPlayerWindowIsFound) {
    struct Case {
        WindowHandle studio, winamp2;
        int winamp3Reads, winamp2Reads;
    };
    const Case cases[] = {
        {0x100, 0, 1, 0},
        {0x100, 0x200, 1, 0},         // both open: only Winamp 3 is read
        {0, 0x200, 0, 1},
        {0, 0, 0, 0},
        {0x80000010, 0x200, 0, 1},    // top bit set counts as not found
        {0x80000010, 0x80000020, 0, 0},
        {0, 0xFFFFFFFF, 0, 0},
    };
    for (const Case& c : cases) {
        FakePlayerWindows fresh;
        if (c.studio) fresh.open(playerClass::winamp3, c.studio);
        if (c.winamp2) fresh.open(playerClass::winamp2, c.winamp2);
        fresh.winamp3Text = L"Song";
        fresh.winamp2Text = L"Song";
        Watcher w(settings, fresh, names);
        w.pollTick();
        EXPECT_EQ(fresh.winamp3Reads, c.winamp3Reads) << std::hex << c.studio << " " << c.winamp2;
        EXPECT_EQ(fresh.winamp2Reads, c.winamp2Reads) << std::hex << c.studio << " " << c.winamp2;
    }
}

TEST_F(TickTest, RestoreStepTable) {
    struct Case {
        const wchar_t* winamp2Showing;
        WindowHandle winamp2;
        const wchar_t* winamp3Showing;
        WindowHandle studio;
        Calls calls;
        const wchar_t* winamp2After;
        const wchar_t* winamp3After;
    };
    const Case cases[] = {
        {L"1", 0, L"1", 0, {kRestore}, L"0", L"1"},          // Winamp 2 is served first
        {L"1", 0, L"", 0x100, {kRestore}, L"0", L""},
        {L"1", 0x200, L"1", 0, {kRestore}, L"1", L"0"},
        {L"", 0, L"1", 0, {kRestore}, L"", L"0"},
        {L"0", 0x200, L"1", 0, {kRestore}, L"0", L"0"},
        {L"1", 0x200, L"1", 0x100, {}, L"1", L"1"},
        {L"0", 0, L"0", 0, {}, L"0", L"0"},
        {L"", 0, L"", 0, {}, L"", L""},
        {L"1", 0x80000001, L"", 0, {}, L"1", L""},            // top bit set: present here
        {L"", 0, L"1", 0x80000001, {}, L"", L"1"},
    };
    for (const Case& c : cases) {
        FakePlayerWindows fresh;
        if (c.studio) fresh.open(playerClass::winamp3, c.studio);
        if (c.winamp2) fresh.open(playerClass::winamp2, c.winamp2);
        RecordingSwitcher recorder;
        Watcher w(settings, fresh, recorder);
        // Titles already seen, so the readers switch nothing.
        w.state().winamp2Showing = c.winamp2Showing;
        w.state().winamp3Showing = c.winamp3Showing;
        w.pollTick();
        SCOPED_TRACE(::testing::Message() << std::hex << c.winamp2 << " " << c.studio);
        EXPECT_EQ(recorder.calls, c.calls);
        EXPECT_EQ(w.state().winamp2Showing, c.winamp2After);
        EXPECT_EQ(w.state().winamp3Showing, c.winamp3After);
    }
}

TEST_F(TickTest, BothFlagsSetAndBothWindowsGoneRestoreOnTwoConsecutiveTicks) {
    state.winamp2Showing = L"1";
    state.winamp3Showing = L"1";

    watcher.pollTick();
    EXPECT_EQ(names.take(), Calls{kRestore});
    EXPECT_EQ(state.winamp2Showing, L"0");
    EXPECT_EQ(state.winamp3Showing, L"1");

    watcher.pollTick();
    EXPECT_EQ(names.take(), Calls{kRestore});
    EXPECT_EQ(state.winamp3Showing, L"0");

    watcher.pollTick();
    EXPECT_TRUE(names.calls.empty());
}

TEST_F(TickTest, FlagIsClearedBeforeTheRestoreRuns) {
    state.winamp2Showing = L"1";
    std::wstring flagDuringCall;
    names.during = [&] { flagDuringCall = state.winamp2Showing; };
    watcher.pollTick();
    EXPECT_EQ(flagDuringCall, L"0");
}

TEST_F(TickTest, FlagIsSetOnlyAfterTheSwitchReturns) {
    windows.open(playerClass::winamp3);
    windows.winamp3Text = L"Song";
    std::wstring flagDuringCall = L"unset";
    names.during = [&] { flagDuringCall = state.winamp3Showing; };
    watcher.pollTick();
    EXPECT_EQ(flagDuringCall, L"");
    EXPECT_EQ(state.winamp3Showing, L"1");
}

TEST_F(TickTest, ReaderCallsComeBeforeTheRestoreInOneTick) {
    // Winamp 3 plays a new title while Winamp 2, last shown, has closed.
    windows.open(playerClass::winamp3);
    windows.winamp3Text = L"New";
    state.winamp2Showing = L"1";
    watcher.pollTick();
    EXPECT_EQ(names.take(), (Calls{kSwitch, kRestore}));
}

TEST_F(TickTest, TickArrivingDuringANameSwitchDoesNothing) {
    windows.open(playerClass::winamp3);
    windows.winamp3Text = L"Song";
    int nested = 0;
    names.during = [&] {
        ++nested;
        windows.winamp3Text = L"Other";
        watcher.pollTick();  // as if the switch let a timer message through
    };
    watcher.pollTick();
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(names.take(), Calls{kSwitch});
    EXPECT_EQ(state.winamp3Title, L"Song");

    names.during = nullptr;
    watcher.pollTick();  // the next tick sees the change
    EXPECT_EQ(names.take(), Calls{kSwitch});
}

// Off means the plain name: the watch switched off while the listening
// name may show puts the plain name back, once, and retries it while off;
// on again, a song that plays shows the listening name at once.
TEST_F(TickTest, OffPutsThePlainNameBackAndOnAgainShowsTheSong) {
    windows.open(playerClass::winamp2);
    windows.winamp2Text = L"Song";
    auto turn = [&](const wchar_t* onOff) { settings.WriteSetting(keys::onOff, onOff); };
    struct Step {
        const char* what;
        std::function<void()> act;
        Calls calls;
    };
    const Step steps[] = {
        {"a song plays", [] {}, {kSwitch}},
        {"off while it shows: one restore", [&] { turn(L"0"); }, {kRestore}},
        {"off: quiet", [] {}, {}},
        {"on again while the song plays", [&] { turn(L"1"); }, {kSwitch}},
        {"off, and the restore fails",
         [&] {
             turn(L"0");
             names.outcome = SendOutcome::notInFront;
         },
         {kRestore}},
        {"retried while off", [] {}, {kRestore}},
        {"sent", [&] { names.outcome = SendOutcome::sent; }, {kRestore}},
        {"then quiet", [] {}, {}},
        {"on again with the player closed", [&] {
             turn(L"1");
             windows.close(playerClass::winamp2);
         }, {}},
        {"off with nothing showing", [&] { turn(L"0"); }, {}},
        {"on, and a song whose switch fails", [&] {
             turn(L"1");
             windows.open(playerClass::winamp2);
             names.outcome = SendOutcome::notInFront;
         }, {kSwitch}},
        {"off: the switch is dropped for the restore", [&] { turn(L"0"); }, {kRestore}},
        {"the restore alone is retried", [&] { names.outcome = SendOutcome::sent; }, {kRestore}},
        {"on again", [&] { turn(L"1"); }, {kSwitch}},
        {"a listening name recorded and showing, flags clear", [&] {
             state.winamp2Showing = L"0";
             names.leftBehind = LeftBehind::yes;
             turn(L"0");
         }, {kRestore}},
    };
    for (const Step& step : steps) {
        step.act();
        watcher.pollTick();
        EXPECT_EQ(names.take(), step.calls) << step.what;
    }
    EXPECT_EQ(state.winamp2Showing, L"0");
}

// New choices saved, or a name given up that shows after all: the next tick
// decides again as if the title had just changed, and with no song playing
// puts the plain name (which sends nothing where it shows already).
TEST_F(TickTest, DecidingAgainActsAsANewTitle) {
    struct Case {
        const char* what;
        std::function<void(FakePlayerWindows&)> player;
        const wchar_t* onOff;
        Calls calls;
    };
    const Case cases[] = {
        {"a song plays", [](FakePlayerWindows& w) { w.open(playerClass::winamp2); w.winamp2Text = L"Song"; }, L"1",
         {kSwitch}},
        {"paused", [](FakePlayerWindows& w) { w.open(playerClass::winamp2); w.winamp2Text = L"Song [Paused]"; }, L"1",
         {kRestore}},
        {"Winamp 3 plays", [](FakePlayerWindows& w) { w.open(playerClass::winamp3); w.winamp3Text = L"Song"; }, L"1",
         {kSwitch}},
        {"no player", [](FakePlayerWindows&) {}, L"1", {kRestore}},
        {"the watch off, nothing showing", [](FakePlayerWindows& w) { w.open(playerClass::winamp2); w.winamp2Text = L"Song"; },
         L"0", {}},
    };
    for (const Case& c : cases) {
        FakePlayerWindows player;
        c.player(player);
        RecordingSwitcher recorder;
        settings.WriteSetting(keys::onOff, c.onOff);
        Watcher w(settings, player, recorder);
        w.pollTick();
        w.pollTick();
        recorder.take();
        w.decideAgain();
        w.pollTick();
        EXPECT_EQ(recorder.take(), c.calls) << c.what;
        w.pollTick();
        EXPECT_TRUE(recorder.take().empty()) << c.what << ": once";
    }
}

// A process that ended while a song played may have left the listening
// name behind: when no song plays by the second tick, it is put back.
TEST_F(TickTest, RepairAtStartTable) {
    struct Case {
        const char* what;
        std::function<void(FakePlayerWindows&)> player;
        std::vector<LeftBehind> answers;  // what each look finds
        std::vector<Calls> ticks;
        int looks;
    };
    auto none = [](FakePlayerWindows&) {};
    const Case cases[] = {
        {"no player, left behind", none, {LeftBehind::yes}, {{}, {kRestore}, {}, {}}, 1},
        {"no player, nothing left", none, {LeftBehind::no}, {{}, {}, {}, {}}, 1},
        {"a stopped player restores at its first title",
         [](FakePlayerWindows& w) {
             w.open(playerClass::winamp2);
             w.winamp2Text = L"Song [Stopped]";
         },
         {LeftBehind::yes}, {{kRestore}, {}, {}}, 0},
        {"a song plays",
         [](FakePlayerWindows& w) {
             w.open(playerClass::winamp2);
             w.winamp2Text = L"Song";
         },
         {LeftBehind::yes}, {{kSwitch}, {}, {}}, 0},
        {"a player without a title", [](FakePlayerWindows& w) { w.open(playerClass::winamp3); },
         {LeftBehind::yes}, {{}, {kRestore}}, 1},
        {"the messenger cannot tell: looked at again after ten seconds", none,
         {LeftBehind::cannotTell, LeftBehind::yes}, {{}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {kRestore}}, 2},
    };
    for (const Case& c : cases) {
        FakePlayerWindows player;
        c.player(player);
        RecordingSwitcher recorder;
        WatchClock::time_point clock{};
        Watcher w(settings, player, recorder, [&] { return clock; });
        for (size_t i = 0; i < c.ticks.size(); ++i) {
            recorder.leftBehind = c.answers[std::min<size_t>(recorder.leftBehindLooks, c.answers.size() - 1)];
            w.pollTick();
            clock += std::chrono::seconds(1);
            EXPECT_EQ(recorder.take(), c.ticks[i]) << c.what << ", tick " << i + 1;
        }
        EXPECT_EQ(recorder.leftBehindLooks, c.looks) << c.what;
        // A process that ended while it held a user's quick text gives it back
        // at the first tick, whatever the ticks decide.
        EXPECT_EQ(recorder.everyQuickTextGivenBack, 1) << c.what;
    }
}

// A decision whose hot key was not pressed is tried again on the ticks that
// decide nothing themselves, until it is sent.
TEST_F(TickTest, EveryUnsentOutcomeKeepsTheDecisionPending) {
    const SendOutcome unsent[] = {SendOutcome::displayNameUnreadable, SendOutcome::notStored,
                                  SendOutcome::quickTextNotKept, SendOutcome::recordNotStored,
                                  SendOutcome::conversationOpened, SendOutcome::conversationUnreadable,
                                  SendOutcome::notInFront, SendOutcome::keysRefused,
                                  SendOutcome::lastKeysUnread, SendOutcome::messengerUnavailable, SendOutcome::userAway,
                                  SendOutcome::userTyping, SendOutcome::keyHeld,
                                  SendOutcome::mouseButtonHeld, SendOutcome::menuOpen,
                                  SendOutcome::windowMovedOrSized, SendOutcome::mouseCaptured,
                                  SendOutcome::fullScreenInFront, SendOutcome::otherNameOnItsWay,
                                  SendOutcome::retryNotDue};
    for (SendOutcome outcome : unsent) {
        RecordingSwitcher recorder;
        FakePlayerWindows player;
        player.open(playerClass::winamp2);
        player.winamp2Text = L"Song";
        Watcher w(settings, player, recorder, [this] { return now; });
        recorder.outcome = outcome;
        w.pollTick();
        w.pollTick();
        recorder.outcome = SendOutcome::sent;
        w.pollTick();
        w.pollTick();
        EXPECT_EQ(recorder.take(), (Calls{kSwitch, kSwitch, kSwitch})) << static_cast<int>(outcome);
        EXPECT_FALSE(w.pending());
    }
    for (SendOutcome done : {SendOutcome::sent, SendOutcome::onItsWay, SendOutcome::alreadyShows, SendOutcome::noModeChosen,
                             SendOutcome::notListeningNameEmpty, SendOutcome::plainNameEmpty}) {
        names.outcome = done;
        windows.open(playerClass::winamp3);
        windows.winamp3Text = L"Song " + std::to_wstring(static_cast<int>(done));
        watcher.pollTick();
        watcher.pollTick();
        EXPECT_EQ(names.take(), Calls{kSwitch});
        EXPECT_FALSE(watcher.pending());
    }
}

TEST_F(TickTest, PendingDecisionIsReplacedBoundedAndDropped) {
    using What = FlightNews::What;
    windows.open(playerClass::winamp2);
    names.outcome = SendOutcome::notInFront;
    auto tickAfter = [&](int seconds, const wchar_t* title = nullptr) {
        now += std::chrono::seconds(seconds);
        if (title) windows.winamp2Text = title;
        watcher.pollTick();
    };
    struct Step {
        const char* what;
        std::function<void()> act;
        Calls calls;
    };
    const Step steps[] = {
        {"a song: the switch fails", [&] { tickAfter(1, L"Song"); }, {kSwitch}},
        {"retried on the next tick", [&] { tickAfter(1); }, {kSwitch}},
        {"a pause replaces it: one call", [&] { tickAfter(1, L"Song [Paused]"); }, {kRestore}},
        {"retry 2", [&] { tickAfter(1); }, {kRestore}},
        {"retry 3", [&] { tickAfter(1); }, {kRestore}},
        {"retry 4", [&] { tickAfter(1); }, {kRestore}},
        {"retry 5", [&] { tickAfter(1); }, {kRestore}},
        {"after five failures: slow", [&] { tickAfter(1); }, {}},
        {"still within ten seconds", [&] { tickAfter(8); }, {}},
        {"ten seconds after the last", [&] { tickAfter(1); }, {kRestore}},
        {"slow again", [&] { tickAfter(9); }, {}},
        {"a new decision counts afresh", [&] { tickAfter(1, L"Next"); }, {kSwitch}},
        {"retried on the next tick", [&] { tickAfter(1); }, {kSwitch}},
        {"switched off: the switch gives way to the restore",
         [&] {
             settings.WriteSetting(keys::onOff, L"0");
             names.outcome = SendOutcome::sent;
             tickAfter(1);
         },
         {kRestore}},
        {"on again: the song shows again",
         [&] {
             settings.WriteSetting(keys::onOff, L"1");
             tickAfter(1);
         },
         {kSwitch}},
        {"a conversation that opens is used at once",
         [&] {
             names.outcome = SendOutcome::conversationOpened;
             tickAfter(1, L"Third");
             names.outcome = SendOutcome::sent;
             watcher.commandConversationReady();
         },
         {kSwitch, kSwitch}},
        {"nothing left for the next tick", [&] { tickAfter(1); }, {}},
        {"an opening is answered even when retries are slow",
         [&] {
             names.outcome = SendOutcome::conversationOpened;
             tickAfter(1, L"Slow");
             for (int i = 0; i < 4; ++i) tickAfter(1);
             tickAfter(10);
             watcher.commandConversationReady();
             watcher.commandConversationReady();  // its own opening waits for a tick
         },
         {kSwitch, kSwitch, kSwitch, kSwitch, kSwitch, kSwitch, kSwitch}},
        {"a decision waiting for something else is not",
         [&] {
             names.outcome = SendOutcome::notInFront;
             tickAfter(1, L"Fourth");
             watcher.commandConversationReady();
         },
         {kSwitch}},
        {"four failures, then the user types: every tick",
         [&] {
             for (int i = 0; i < 3; ++i) tickAfter(1);
             names.outcome = SendOutcome::userTyping;
             for (int i = 0; i < 3; ++i) tickAfter(1);
         },
         {kSwitch, kSwitch, kSwitch, kSwitch, kSwitch, kSwitch}},
        {"a held key and a full-screen program wait alike",
         [&] {
             names.outcome = SendOutcome::keyHeld;
             for (int i = 0; i < 3; ++i) tickAfter(1);
             names.outcome = SendOutcome::fullScreenInFront;
             for (int i = 0; i < 3; ++i) tickAfter(1);
         },
         {kSwitch, kSwitch, kSwitch, kSwitch, kSwitch, kSwitch}},
        {"waits counted no failure: the fifth one slows it",
         [&] {
             names.outcome = SendOutcome::notInFront;
             tickAfter(1);
             tickAfter(1);
         },
         {kSwitch}},
        {"away: tried on every tick, no failure",
         [&] {
             names.outcome = SendOutcome::userAway;
             tickAfter(1, L"Sixth");
             for (int i = 0; i < 6; ++i) tickAfter(1);
         },
         {kSwitch, kSwitch, kSwitch, kSwitch, kSwitch, kSwitch, kSwitch}},
        {"sent: followed while it is on its way, not sent again",
         [&] {
             names.outcome = SendOutcome::sent;
             names.flightEnds = What::underWay;
             tickAfter(1, L"Seventh");
             tickAfter(1);
             tickAfter(1);
         },
         {kSwitch}},
        {"given up as unconfirmed: the decision goes again at once, and waits while its name's wait holds",
         [&] {
             names.flightEnds = What::unconfirmed;
             names.outcome = SendOutcome::retryNotDue;
             tickAfter(1);
             tickAfter(1);
             tickAfter(1);
         },
         {kSwitch, kSwitch, kSwitch}},
        {"due again: sent, and once it shows, done",
         [&] {
             names.outcome = SendOutcome::sent;
             names.flightEnds = What::shown;
             tickAfter(1);
             tickAfter(1);
             tickAfter(1);
         },
         {kSwitch}},
        {"a decision that waits for another name on its way goes the tick that name is through",
         [&] {
             names.flightEnds = What::underWay;
             tickAfter(61, L"Eighth");  // on its way
             names.outcome = SendOutcome::otherNameOnItsWay;
             tickAfter(1, L"Eighth [Paused]");
             tickAfter(1);  // not asked again while the first is on its way
             names.flightEnds = What::shown;
             names.outcome = SendOutcome::sent;
             tickAfter(1);
         },
         {kSwitch, kRestore, kRestore}},
        {"lost keys count as failures: the fifth slows it",
         [&] {
             names.flightEnds = What::lost;
             tickAfter(61, L"Ninth");
             for (int i = 0; i < 5; ++i) tickAfter(1);  // each loss sends again at once, but the fifth
         },
         {kSwitch, kSwitch, kSwitch, kSwitch, kSwitch}},
        {"a decision that first waits is sent once the user stops",
         [&] {
             names.flightEnds = What::shown;
             names.outcome = SendOutcome::userTyping;
             tickAfter(10, L"Tenth");
             tickAfter(1);
             names.outcome = SendOutcome::sent;
             tickAfter(1);
             tickAfter(1);
         },
         {kSwitch, kSwitch, kSwitch}},
        {"while names go unconfirmed, five a minute: the latest decision goes when the minute allows",
         [&] {
             names.flightEnds = What::unconfirmed;
             tickAfter(61, L"Eleventh");  // the first of five within the minute after the next one unconfirmed
             for (const wchar_t* title : {L"A [Paused]", L"A", L"B [Paused]", L"B", L"C [Paused]", L"C"})
                 tickAfter(2, title);
         },
         {kSwitch, kRestore, kSwitch, kRestore, kSwitch}},
        {"held back until the minute allows, then only the latest",
         [&] {
             tickAfter(47);  // 59 s after the first of the five
             ASSERT_TRUE(names.take().empty());
             tickAfter(1);
         },
         {kSwitch}},
        {"a whole minute of names that show lifts the limit",
         [&] {
             names.flightEnds = What::shown;
             tickAfter(61);
             for (const wchar_t* title : {L"D [Paused]", L"D", L"E [Paused]", L"E", L"F [Paused]", L"F"})
                 tickAfter(2, title);
         },
         {kRestore, kSwitch, kRestore, kSwitch, kRestore, kSwitch}},
        {"every pause refused, each resume showing: five a minute",
         [&] {
             tickAfter(61);
             for (const wchar_t* title : {L"J", L"K", L"L", L"M"}) {
                 names.flightEnds = What::shown;  // the resume before it showed
                 tickAfter(2, (std::wstring(title) + L" [Paused]").c_str());
                 names.flightEnds = What::unconfirmed;  // the pause is refused
                 tickAfter(2, title);
             }
         },
         {kRestore, kSwitch, kRestore, kSwitch, kRestore}},
        {"however long an attempt takes, each unconfirmed end counts: pause and play every second",
         [&] {
             names.flightEnds = What::shown;
             tickAfter(61);  // the latest decision goes, and shows
             tickAfter(61);
             ASSERT_EQ(names.take(), Calls{kSwitch});
             names.flightEnds = What::unconfirmed;
             for (int second = 0; second < 60; ++second)
                 tickAfter(1, second % 2 ? L"N" : L"N [Paused]");
         },
         {kRestore, kSwitch, kRestore, kSwitch, kRestore}},
    };
    for (const Step& step : steps) {
        step.act();
        EXPECT_EQ(names.take(), step.calls) << step.what;
    }
}

// The trace says why the name changed or waits, one line at a time: a wait
// once per reason, and nothing on a tick that decides nothing.
TEST_F(TickTest, TraceLinesFollowDecisionsAndAttempts) {
    std::vector<std::wstring> lines;
    Watcher traced(settings, windows, names, [this] { return now; },
                   [&](std::wstring_view line) { lines.emplace_back(line); });
    windows.open(playerClass::winamp2);
    windows.winamp2Text = L"Song";
    auto tick = [&](SendOutcome outcome) {
        names.outcome = outcome;
        traced.pollTick();
    };
    using What = FlightNews::What;
    const std::wstring listening = L"Ann I'm listening to: (!WAT)";
    tick(SendOutcome::userTyping);
    tick(SendOutcome::userTyping);
    tick(SendOutcome::keyHeld);
    names.flightEnds = What::underWay;
    tick(SendOutcome::sent);
    tick(SendOutcome::sent);  // on its way: nothing to say
    names.news = {{What::unconfirmed, false, listening, std::chrono::seconds{60}}};
    tick(SendOutcome::retryNotDue);
    tick(SendOutcome::retryNotDue);  // the same wait: no line
    names.news = {{What::shownLate, false, listening}};
    tick(SendOutcome::alreadyShows);
    windows.winamp2Text = L"Song [Stopped]";
    tick(SendOutcome::notInFront);
    names.news = {{What::lost, true, L"Ann"}};
    tick(SendOutcome::otherNameOnItsWay);
    names.news = {{What::otherAccount}};
    tick(SendOutcome::alreadyShows);
    EXPECT_EQ(lines, (std::vector<std::wstring>{
                         L"Sonarel: switch to the listening name\n",
                         L"Sonarel: listening name waits: the user is typing\n",
                         L"Sonarel: listening name waits: a key is held down\n",
                         L"Sonarel: listening name sent\n",
                         L"Sonarel: listening name \"Ann I'm listening to: (!WAT)\" not confirmed; next try in 60 s\n",
                         L"Sonarel: listening name waits: it did not show when last sent; its next try is not due\n",
                         L"Sonarel: \"Ann I'm listening to: (!WAT)\", given up, shows after all\n",
                         L"Sonarel: switch to the listening name\n",
                         L"Sonarel: listening name already shows\n",
                         L"Sonarel: switch to the plain name\n",
                         L"Sonarel: plain name pending: the conversation could not come to the front\n",
                         L"Sonarel: plain name \"Ann\": its keys did not reach the command conversation; pressed again\n",
                         L"Sonarel: plain name waits: another name is on its way\n",
                         L"Sonarel: another account signed in: the name is decided afresh\n",
                         L"Sonarel: switch to the plain name\n",
                         L"Sonarel: plain name already shows\n",
                     }));
}

}  // namespace
}  // namespace sonarel::testing
