// The decisions of changeName / changeNameBack and their shared sending
// routine, with fake messenger, window system and registry.
#include <gtest/gtest.h>

#include <functional>

#include "names/name_switch.h"
#include "settings/name_record.h"
#include "tests/fakes/fake_name_switch.h"
#include "tests/fakes/fake_settings.h"

namespace sonarel::testing {
namespace {

const std::wstring kPath = L"Software\\Verdalt\\Quorvex2\\ann@example.test\\Preferences\\QuickTexts\\QuickText09";
const std::wstring kListening = L"/name Ann I'm listening to: (!WAT)";

// The command conversation 7 is recorded unless a test says otherwise.
class NameSwitchTest : public ::testing::Test {
protected:
    NameSwitchTest() { messenger.recorded = {{7, L"Debug.Window"}}; }

    FakeSettings settings{{L"CurrentName", L"1"}, {L"CurrentTag", L"I'm listening to:"}};
    FakeMessenger messenger;
    FakeWindowSystem windows;
    FakeRegistry registry;
    NameSwitch names{settings, messenger, windows, registry};

    // A conversation of the user's with a contact is in front.
    void conversationInFront(WindowHandle window) { windows.foreground = window; }
    // The host sends the name: it shows, and the next look ends the send.
    static FlightNews::What shows(NameSwitch& switcher, FakeMessenger& user, const std::wstring& name) {
        user.friendlyName = name;
        return switcher.followNameOnItsWay().what;
    }
    std::optional<std::wstring> message() const {
        auto value = registry.value(kPath, L"Message");
        if (!value) return std::nullopt;
        return std::get<std::wstring>(*value);
    }
};


// Whatever is in front, a conversation of the user's included, the keys go
// to the command conversation: the host would send the user's draft with
// the quick text. The window in front gets the keyboard back.
TEST_F(NameSwitchTest, TheKeysGoToTheCommandConversationWhateverIsInFront) {
    messenger.recorded = {{42, L"bob@example.test"}, {7, L"Debug.Window"}};
    for (WindowHandle front : {WindowHandle{42}, WindowHandle{5}, WindowHandle{0}}) {
        FakeWindowSystem screen;
        screen.foreground = front;
        NameSwitch switcher{settings, messenger, screen, registry};
        messenger.friendlyName = L"Ann";
        EXPECT_EQ(switcher.changeName(), SendOutcome::sent) << front;
        EXPECT_EQ(message(), kListening) << front;
        EXPECT_EQ(screen.log, (std::vector<std::string>{"press in 7", "hide 7"})) << front;
        EXPECT_EQ(screen.foreground, front);
        EXPECT_TRUE(messenger.openedWith.empty());

        EXPECT_EQ(shows(switcher, messenger, kListening.substr(6)), FlightNews::What::shown) << front;
        screen.refusesKeys = true;  // the window system takes fewer keys
        EXPECT_EQ(switcher.changeNameBack(), SendOutcome::keysRefused);
    }
}

TEST_F(NameSwitchTest, RecordedCommandConversationIsBroughtToFrontPressedAndHidden) {
    messenger.recorded = {{3, L"bob@example.test"}, {4, L"x", true}, {7, L"Debug.Window"}, {8, L"Debug.Window"}};
    messenger.friendlyName = kListening.substr(6);
    EXPECT_EQ(names.changeNameBack(), SendOutcome::sent);
    EXPECT_EQ(message(), L"/name Ann");
    // The first match is used; a window whose contact cannot be read is skipped.
    EXPECT_EQ(windows.log, (std::vector<std::string>{"press in 7", "hide 7"}));
    EXPECT_TRUE(messenger.openedWith.empty());
    // While the conversation has not read those keys, the next switch
    // touches nothing, though the plain name shows already; the hide still
    // waiting runs before the next send begins.
    messenger.friendlyName = L"Ann";
    windows.log.clear();
    windows.keysFate = KeysFate::unread;
    EXPECT_EQ(names.followNameOnItsWay().what, FlightNews::What::underWay);
    EXPECT_EQ(names.changeName(), SendOutcome::otherNameOnItsWay);
    EXPECT_TRUE(windows.log.empty());
    EXPECT_EQ(message(), L"/name Ann");
    windows.keysFate = KeysFate::read;
    EXPECT_EQ(names.followNameOnItsWay().what, FlightNews::What::shown);
    windows.keysUnread = true;  // the window system still waits for other keys
    EXPECT_EQ(names.changeName(), SendOutcome::lastKeysUnread);
    EXPECT_TRUE(windows.log.empty());
    windows.keysUnread = false;
    EXPECT_EQ(names.changeName(), SendOutcome::sent);
    EXPECT_EQ(windows.log, (std::vector<std::string>{"finish hides", "press in 7", "hide 7"}));
}

TEST_F(NameSwitchTest, ContactComparisonIsExact) {
    messenger.recorded = {{3, L"debug.window"}, {4, L"Debug.Window "}};
    names.changeName();
    EXPECT_EQ(messenger.openedWith, std::vector<std::wstring>{L"Debug.Window"});
}

// The opened conversation is recorded at once, so the next call finds it
// even when the messenger never reports it (a window that was open already).
TEST_F(NameSwitchTest, WithoutACommandConversationOneIsOpenedRecordedAndHiddenWithoutPressing) {
    for (bool listFails : {false, true}) {
        FakeMessenger fresh;
        fresh.conversationsFail = listFails;
        FakeWindowSystem screen;
        NameSwitch switcher{settings, fresh, screen, registry};
        EXPECT_EQ(switcher.changeName(), SendOutcome::conversationOpened);
        EXPECT_EQ(fresh.openedWith, std::vector<std::wstring>{L"Debug.Window"});
        EXPECT_EQ(screen.foregroundAttempts, 1) << "brought to the front";
        EXPECT_EQ(screen.log, (std::vector<std::string>{"hide 900"}));
        EXPECT_EQ(screen.foreground, 1u) << "and the window in front before has it back";
        ASSERT_EQ(fresh.recorded.size(), 1u);
        EXPECT_EQ(fresh.recorded[0].hWnd, 900u);
        if (listFails) continue;  // the record cannot be read

        fresh.friendlyName = kListening.substr(6);
        EXPECT_EQ(switcher.changeNameBack(), SendOutcome::sent);
        EXPECT_EQ(fresh.openedWith.size(), 1u) << "not opened again";
        EXPECT_EQ(screen.log, (std::vector<std::string>{"hide 900", "finish hides", "press in 900", "hide 900"}));
    }
}

TEST_F(NameSwitchTest, FailedOpeningEndsTheRoutine) {
    for (auto opening : {FakeMessenger::Opening::fails, FakeMessenger::Opening::givesNothing}) {
        FakeMessenger fresh;
        fresh.opening = opening;
        FakeWindowSystem screen;
        NameSwitch switcher{settings, fresh, screen, registry};
        std::vector<std::wstring> lines;
        switcher.traceTo([&](std::wstring_view line) { lines.emplace_back(line); });
        EXPECT_EQ(switcher.changeName(), SendOutcome::messengerUnavailable);
        EXPECT_EQ(switcher.changeName(), SendOutcome::messengerUnavailable);
        EXPECT_TRUE(screen.log.empty());
        EXPECT_EQ(screen.foregroundAttempts, 0);
        // A failure stepped past is traced once while it lasts.
        EXPECT_EQ(lines, std::vector<std::wstring>(opening == FakeMessenger::Opening::fails, L"Sonarel: opening the command conversation failed\n"));
    }
}

// Until a command has been composed there is nothing to send.
TEST_F(NameSwitchTest, NothingIsStoredOrPressedBeforeTheFirstComposition) {
    FakeSettings unset;
    NameSwitch switcher{unset, messenger, windows, registry};
    conversationInFront(42);
    EXPECT_EQ(switcher.changeName(), SendOutcome::noModeChosen);
    EXPECT_EQ(switcher.changeNameBack(), SendOutcome::noModeChosen);
    EXPECT_TRUE(registry.writes.empty());
    EXPECT_TRUE(windows.log.empty());
    EXPECT_TRUE(messenger.openedWith.empty());
    EXPECT_EQ(switcher.commandText(), std::nullopt);
}

// A restore never sends the listening command, nor a switch the plain one:
// only what was composed in the call is stored and sent.
TEST_F(NameSwitchTest, OnlyTheCommandComposedInTheCallIsStoredAndSent) {
    conversationInFront(42);
    names.changeName();
    windows.log.clear();
    registry.writes.clear();
    struct Case {
        const char* what;
        std::function<void()> prepare;
        SendOutcome outcome;
    };
    const Case cases[] = {
        {"no mode", [&] { settings.WriteSetting(L"CurrentName", L"0"); }, SendOutcome::noModeChosen},
        {"unreadable name", [&] { messenger.friendlyNameFails = true; }, SendOutcome::displayNameUnreadable},
        {"empty name", [&] { messenger.friendlyName = L""; }, SendOutcome::displayNameUnreadable},
        {"name behind a NUL", [&] { messenger.friendlyName = std::wstring(L"\0Ann", 4); }, SendOutcome::displayNameUnreadable},
    };
    for (const Case& c : cases) {
        FakeMessenger fresh = messenger;
        c.prepare();
        EXPECT_EQ(names.changeNameBack(), c.outcome) << c.what;
        EXPECT_EQ(message(), kListening) << c.what;
        EXPECT_TRUE(registry.writes.empty()) << c.what;
        EXPECT_TRUE(windows.log.empty()) << c.what;
        messenger = fresh;
        settings.WriteSetting(L"CurrentName", L"1");
    }
    messenger.friendlyName = std::wstring(L"Ann I'm listening to: (!WAT)\0junk", 33);
    EXPECT_EQ(names.followNameOnItsWay().what, FlightNews::What::shown) << "the name counts up to its NUL";
    EXPECT_EQ(names.changeNameBack(), SendOutcome::sent);
    EXPECT_EQ(message(), L"/name Ann") << "the name counts up to its NUL";
}

// Keys pressed while another window is in front would reach that window.
TEST_F(NameSwitchTest, ConversationThatCannotComeToTheFrontIsHiddenWithoutKeys) {
    messenger.recorded = {{7, L"Debug.Window"}};
    windows.refusesForeground = {7};
    EXPECT_EQ(names.changeName(), SendOutcome::notInFront);
    EXPECT_EQ(windows.log, (std::vector<std::string>{"claim input", "hide 7"}));
    EXPECT_GE(windows.foregroundAttempts, 1);
    EXPECT_LE(windows.foregroundAttempts, BringToFrontLimit{}.attempts);

    // The user brings another window forward while the entry is written.
    FakeWindowSystem screen;
    registry.onWrite = [&] { screen.foreground = 42; };
    NameSwitch switcher{settings, messenger, screen, registry};
    EXPECT_EQ(switcher.changeName(), SendOutcome::notInFront);
    EXPECT_EQ(screen.log, (std::vector<std::string>{"hide 7"}));
}

// A busy thread takes the activation only when it is free again: the switch
// waits for it rather than asking again meanwhile, and one busy still after
// the wait is asked again on a later tick.
TEST_F(NameSwitchTest, BusyConversationComesToTheFrontWhenItsThreadAnswers) {
    messenger.recorded = {{7, L"Debug.Window"}};
    windows.activationTakenWhenAnswering = true;
    EXPECT_EQ(names.changeName(), SendOutcome::sent);
    EXPECT_EQ(windows.foregroundAttempts, 1);

    FakeWindowSystem busy;
    busy.threadBusy = true;
    NameSwitch switcher{settings, messenger, busy, registry};
    EXPECT_EQ(switcher.changeName(), SendOutcome::notInFront);
    EXPECT_EQ(busy.foregroundAttempts, 0);
    EXPECT_EQ(busy.log, (std::vector<std::string>{"hide 7"}));
}

TEST_F(NameSwitchTest, BringToFrontStopsAtItsTimeLimit) {
    messenger.recorded = {{7, L"Debug.Window"}};
    windows.refusesForeground = {7};
    NameSwitch quick{settings, messenger, windows, registry, BringToFrontLimit{1000000, std::chrono::milliseconds(0)}};
    quick.changeName();
    EXPECT_EQ(windows.foregroundAttempts, 2) << "once, and once more after claiming the last input";
    EXPECT_EQ(windows.log, (std::vector<std::string>{"claim input", "hide 7"}));
}

// While the user is at work or away nothing is stored, pressed, opened or
// brought forward; a full-screen program keeps the foreground. A foreground
// lock gives way to input of our own. The entry is written only by the
// attempt that presses the keys.
TEST_F(NameSwitchTest, TheUserAtWorkOrAwayIsNeverInterrupted) {
    struct Case {
        const char* what;
        UserActivity activity;
        bool fullScreen;
        bool recorded;
        SendOutcome outcome;
        std::vector<std::string> log;
        bool beginsOnceInFront = false;  // as the conversation comes to the front
    };
    const Case cases[] = {
        {"away", UserActivity::away, false, true, SendOutcome::userAway, {}},
        {"away, nothing open", UserActivity::away, false, false, SendOutcome::userAway, {}},
        {"typing", UserActivity::typing, false, true, SendOutcome::userTyping, {}},
        {"key held", UserActivity::keyHeld, false, false, SendOutcome::keyHeld, {}},
        {"mouse button held", UserActivity::mouseButtonHeld, false, true, SendOutcome::mouseButtonHeld, {}},
        {"menu open", UserActivity::menuOpen, false, true, SendOutcome::menuOpen, {}},
        {"window moved", UserActivity::movingOrSizing, false, true, SendOutcome::windowMovedOrSized, {}},
        {"mouse captured", UserActivity::mouseCaptured, false, true, SendOutcome::mouseCaptured, {}},
        {"full screen", UserActivity::idle, true, true, SendOutcome::fullScreenInFront, {}},
        {"full screen, nothing open", UserActivity::idle, true, false, SendOutcome::fullScreenInFront, {}},
        {"foreground locked", UserActivity::idle, false, true, SendOutcome::sent,
         {"claim input", "press in 7", "hide 7"}},
        {"typing begun meanwhile", UserActivity::typing, false, true, SendOutcome::userTyping,
         {"claim input", "hide 7"}, true},
        {"Shift held meanwhile", UserActivity::keyHeld, false, true, SendOutcome::keyHeld, {"claim input", "hide 7"},
         true},
    };
    for (const Case& c : cases) {
        FakeMessenger user;
        if (c.recorded) user.recorded = {{7, L"Debug.Window"}};
        FakeRegistry store;
        FakeWindowSystem screen;
        screen.activity = c.beginsOnceInFront ? UserActivity::idle : c.activity;
        if (c.beginsOnceInFront) screen.activityWhenInFront = {{7, c.activity}};
        screen.fullScreen = c.fullScreen;
        screen.refusesForeground = {7};
        screen.lockedUntilInput = true;
        NameSwitch switcher{settings, user, screen, store};
        EXPECT_EQ(switcher.changeName(), c.outcome) << c.what;
        EXPECT_EQ(screen.log, c.log) << c.what;
        EXPECT_EQ(screen.foregroundAttempts > 0, c.outcome == SendOutcome::sent || c.beginsOnceInFront) << c.what;
        EXPECT_TRUE(user.openedWith.empty()) << c.what;
        EXPECT_EQ(store.writes.empty(), c.outcome != SendOutcome::sent) << c.what << ": stored only when pressed";
    }
}

// A recorded command conversation whose window is gone is dropped, and the
// search goes on. One whose handle cannot be read is kept, and the decision
// waits for it: opening it again would hand back the same window, which the
// messenger does not report again.
TEST_F(NameSwitchTest, GoneCommandConversationsAreDroppedAndUnreadableOnesKept) {
    FakeConversationSetup unreadable{7, L"Debug.Window"};
    unreadable.handleFails = true;
    const FakeConversationSetup gone{6, L"Debug.Window"};
    struct Case {
        std::vector<FakeConversationSetup> recorded;
        std::vector<size_t> forgotten;
        SendOutcome outcome;
        std::vector<std::string> log;
    };
    const Case cases[] = {
        {{unreadable}, {}, SendOutcome::conversationUnreadable, {}},
        {{gone}, {0}, SendOutcome::conversationOpened, {"hide 900"}},
        {{gone, {3, L"bob"}, {8, L"Debug.Window"}}, {0}, SendOutcome::sent, {"press in 8", "hide 8"}},
        {{gone, {3, L"bob"}, unreadable, {8, L"Debug.Window"}}, {0}, SendOutcome::conversationUnreadable, {}},
    };
    for (const Case& c : cases) {
        FakeMessenger fresh;
        fresh.recorded = c.recorded;
        FakeWindowSystem screen;
        screen.gone = {6};
        NameSwitch switcher{settings, fresh, screen, registry};
        EXPECT_EQ(switcher.changeName(), c.outcome);
        EXPECT_EQ(fresh.forgotten, c.forgotten);
        EXPECT_EQ(screen.log, c.log);
        EXPECT_EQ(fresh.openedWith.size(), c.outcome == SendOutcome::conversationOpened ? 1u : 0u);
    }
    // One that cannot be read five times in a row counts as gone.
    FakeMessenger stuck;
    stuck.recorded = {unreadable};
    NameSwitch switcher{settings, stuck, windows, registry};
    for (int read = 1; read < unreadableReadsBeforeForgetting; ++read)
        EXPECT_EQ(switcher.changeName(), SendOutcome::conversationUnreadable) << read;
    EXPECT_EQ(switcher.changeName(), SendOutcome::conversationOpened);
    EXPECT_EQ(stuck.forgotten, std::vector<size_t>{0});
}

// The name a listening name replaced is recorded when it is sent, and a
// restore gives back exactly that; a name the user set by hand is left
// alone, and nothing is sent that already shows.
TEST_F(NameSwitchTest, TheReplacedNameIsRememberedAndGivenBackExactly) {
    conversationInFront(42);
    const std::wstring longName = L"Ann " + std::wstring(106, L'e');
    const std::wstring shortListening = L"Ann " + std::wstring(99, L'e') + L"\u2026 I'm listening to: (!WAT)";
    struct Step {
        const char* what;
        std::function<void()> act;
        bool listening;
        SendOutcome outcome;
        std::optional<std::wstring> sent;  // the name the host makes the display name
        std::optional<std::wstring> recordedPlain;
    };
    auto show = [&](std::wstring name) { return [&, name] { messenger.friendlyName = name; }; };
    const Step steps[] = {
        {"an empty tag: the whole name",
         [&] {
             settings.WriteSetting(L"CurrentTag", L"");
             messenger.friendlyName = L"Ann Lee";
         },
         true, SendOutcome::sent,
         L"Ann Lee  (!WAT)", L"Ann Lee"},
        {"the next song", [] {}, true, SendOutcome::alreadyShows, std::nullopt, L"Ann Lee"},
        {"the messenger shows it with one blank: still ours, not grown",
         show(L"Ann Lee (!WAT)"), true, SendOutcome::alreadyShows, std::nullopt, L"Ann Lee"},
        {"a stop", [] {}, false, SendOutcome::sent, L"Ann Lee", std::nullopt},
        {"a stop again", [] {}, false, SendOutcome::alreadyShows, std::nullopt, std::nullopt},
        {"a long name is shortened",
         [&] {
             settings.WriteSetting(L"CurrentTag", L"I'm listening to:");
             messenger.friendlyName = longName;
         },
         true, SendOutcome::sent, shortListening, longName},
        {"and comes back whole", [] {}, false, SendOutcome::sent, longName, std::nullopt},
        {"a song", [] {}, true, SendOutcome::sent, shortListening, longName},
        {"the user sets a name by hand", show(L"Ann (away)"), false, SendOutcome::alreadyShows, std::nullopt,
         std::nullopt},
        {"a song", [] {}, true, SendOutcome::sent, L"Ann (away) I'm listening to: (!WAT)", L"Ann (away)"},
        {"the same user in other letters: the same record", [&] { messenger.signinName = L"Ann@Example.TEST"; },
         false, SendOutcome::sent, L"Ann (away)", std::nullopt},
        {"a song", [] {}, true, SendOutcome::sent, L"Ann (away) I'm listening to: (!WAT)", L"Ann (away)"},
        {"another user signs in with that name", [&] { messenger.signinName = L"bob@example.test"; }, false,
         SendOutcome::sent, L"Ann (away)", std::nullopt},
    };
    for (const Step& step : steps) {
        step.act();
        registry.writes.clear();
        windows.log.clear();
        EXPECT_EQ(step.listening ? names.changeName() : names.changeNameBack(), step.outcome) << step.what;
        EXPECT_EQ(windows.log.empty(), !step.sent) << step.what;
        EXPECT_EQ(registry.writes.empty(), !step.sent) << step.what;
        if (step.sent) {
            auto path = quickTextKeyPath(messenger.signinName);
            EXPECT_EQ(std::get<std::wstring>(*registry.value(*path, L"Message")), L"/name " + *step.sent) << step.what;
            auto news = names.followNameOnItsWay().what;
            if (news == FlightNews::What::otherAccount) news = names.followNameOnItsWay().what;
            EXPECT_EQ(news, FlightNews::What::underWay) << step.what;
            EXPECT_EQ(shows(names, messenger, *step.sent), FlightNews::What::shown) << step.what;
        }
        auto record = readNameRecord(settings, messenger.signinName);
        EXPECT_EQ(record ? std::optional(record->plainName) : std::nullopt, step.recordedPlain) << step.what;
    }
    // Bob's plain name back does not clear the mark of Ann's listening name.
    EXPECT_TRUE(readNameRecord(settings, L"ann@example.test")) << "another account's mark stays";
}

// Without its record a listening name is not sent: the restore could not
// give back the name it replaced. A record is written whole or not at all.
TEST_F(NameSwitchTest, AListeningNameWhoseRecordCannotBeWrittenIsNotSent) {
    const std::wstring signin = L"ann@example.test";
    settings.refused = {nameRecordKey(signin)};
    EXPECT_EQ(names.changeName(), SendOutcome::recordNotStored);
    EXPECT_EQ(windows.log, std::vector<std::string>{"hide 7"}) << "no key";
    EXPECT_FALSE(readNameRecord(settings, signin));
    EXPECT_EQ(message(), std::nullopt) << "the entry untouched";

    settings.refused.clear();
    EXPECT_EQ(names.changeName(), SendOutcome::sent);
    EXPECT_EQ(shows(names, messenger, kListening.substr(6)), FlightNews::What::shown);
    const NameRecord whole{signin, L"Ann", kListening.substr(6)};
    EXPECT_EQ(readNameRecord(settings, signin), whole);
    settings.WriteSetting(L"CurrentTag", L"now playing");
    settings.refused = {nameRecordKey(signin)};
    windows.log.clear();
    EXPECT_EQ(names.changeName(), SendOutcome::recordNotStored);
    EXPECT_EQ(readNameRecord(settings, signin), whole) << "the old record stays whole";
    EXPECT_EQ(windows.log, (std::vector<std::string>{"finish hides", "hide 7"})) << "no key";
}

// Names are compared as a messenger shows them: blanks at either end and
// runs of blanks inside do not count, letter case does. An empty name is
// never asked for.
TEST_F(NameSwitchTest, WhatShowsAlreadyAndWhatIsEmptyIsNotSent) {
    struct Case {
        const char* what;
        std::wstring plain;  // custom-name mode's name for not listening
        std::wstring showing;
        SendOutcome outcome;
    };
    const Case cases[] = {
        {"a blank after the name", L"Ann ", L"Ann", SendOutcome::alreadyShows},
        {"two blanks inside", L"Ann  Lee", L"Ann Lee", SendOutcome::alreadyShows},
        {"letter case counts", L"Ann", L"ANN", SendOutcome::sent},
        {"empty", L"", L"Ann", SendOutcome::notListeningNameEmpty},
        {"only blanks", L"   ", L"Ann", SendOutcome::notListeningNameEmpty},
    };
    for (const Case& c : cases) {
        FakeSettings custom{{L"CustomName", L"1"}, {L"CustomNameNotPl", c.plain}};
        FakeRegistry store;
        FakeWindowSystem screen;
        messenger.friendlyName = c.showing;
        NameSwitch switcher{custom, messenger, screen, store};
        EXPECT_EQ(switcher.changeNameBack(), c.outcome) << c.what;
        EXPECT_EQ(store.writes.empty(), c.outcome != SendOutcome::sent) << c.what;
    }
    messenger.friendlyName = L" I'm listening to: (!WAT)";
    EXPECT_EQ(names.changeNameBack(), SendOutcome::plainNameEmpty) << "current-name mode, nothing before the tag";
}

// One name on its way at a time: a decision for it joins it, any other
// waits, and what shows is read only once it is through. A name that did
// not show waits 10 s, then 60 s, then 5 minutes, whichever decision asks
// for it; another name goes at once. Keys that never arrived cost no wait.
TEST_F(NameSwitchTest, OneNameOnItsWayAtATime) {
    using What = FlightNews::What;
    using std::chrono::seconds;
    WatchClock::time_point now{};
    NameSwitch timed{settings, messenger, windows, registry, {}, [&] { return now; }};
    auto look = [&] {
        now += seconds(1);
        return timed.followNameOnItsWay();
    };
    auto unconfirmed = [&] {
        look();
        look();
        return look();
    };
    const std::wstring listening = kListening.substr(6);
    const std::wstring signin = L"ann@example.test";

    EXPECT_EQ(timed.changeName(), SendOutcome::sent);
    EXPECT_EQ(timed.changeNameBack(), SendOutcome::otherNameOnItsWay) << "\"Ann\" shows, but the listening name may land";
    EXPECT_EQ(timed.changeName(), SendOutcome::onItsWay);
    EXPECT_EQ(message(), kListening);
    FlightNews given = unconfirmed();
    EXPECT_EQ(given.what, What::unconfirmed);
    EXPECT_EQ(given.name, listening);
    EXPECT_EQ(given.nextTry, seconds(10));
    EXPECT_EQ(message(), std::nullopt) << "the quick text given back";
    EXPECT_EQ(timed.changeName(), SendOutcome::retryNotDue);
    EXPECT_EQ(timed.changeNameBack(), SendOutcome::alreadyShows) << "read now that nothing is on its way";
    EXPECT_TRUE(readNameRecord(settings, signin)) << "a listening name given up may still land: the claim stays";
    messenger.friendlyName = listening;  // it lands late
    EXPECT_EQ(look().what, What::shownLate);
    EXPECT_EQ(timed.changeNameBack(), SendOutcome::sent);
    EXPECT_EQ(message(), L"/name Ann");
    EXPECT_EQ(look().what, What::underWay);
    EXPECT_EQ(shows(timed, messenger, L"Ann"), What::shown);
    EXPECT_FALSE(readNameRecord(settings, signin)) << "a plain name confirmed ends the claim";

    // A tag the messenger refuses: the same name waits longer each time.
    settings.WriteSetting(L"CurrentTag", L"on www.radio.test");
    std::vector<long long> waits;
    for (int send = 0; send < 4; ++send) {
        ASSERT_EQ(timed.changeName(), SendOutcome::sent) << send;
        FlightNews news = unconfirmed();
        ASSERT_EQ(news.what, What::unconfirmed) << send;
        waits.push_back(news.nextTry.count());
        now += news.nextTry - seconds(1);
        EXPECT_EQ(timed.changeName(), SendOutcome::retryNotDue) << send;
        EXPECT_EQ(timed.changeNameBack(), SendOutcome::alreadyShows) << send;
        now += seconds(1);
    }
    EXPECT_EQ(waits, (std::vector<long long>{10, 60, 300, 300}));
    settings.WriteSetting(L"CurrentTag", L"now playing");
    EXPECT_EQ(timed.changeName(), SendOutcome::sent) << "another name goes at once";

    // Keys that never reached the conversation: sent again at once.
    windows.keysFate = KeysFate::lost;
    EXPECT_EQ(look().what, What::lost);
    EXPECT_EQ(message(), std::nullopt);
    EXPECT_EQ(timed.changeName(), SendOutcome::sent);
    // Keys taken only in part may still be read: nothing else goes until
    // they are, and then the send counts as lost.
    EXPECT_EQ(look().what, What::lost);
    windows.refusesKeys = true;
    windows.keysFate = KeysFate::unread;
    EXPECT_EQ(timed.changeName(), SendOutcome::keysRefused);
    EXPECT_EQ(timed.changeNameBack(), SendOutcome::otherNameOnItsWay);
    EXPECT_EQ(look().what, What::underWay);
    EXPECT_EQ(message(), L"/name Ann now playing (!WAT)") << "lent while its keys may be read";
    windows.keysFate = KeysFate::read;
    EXPECT_EQ(look().what, What::lost);
    EXPECT_EQ(message(), std::nullopt);
}

// The hot key's entry is the user's: it is kept before the first write and
// given back exactly once the send is over, unless the user wrote to it
// since. A text the plug-in did not write is the user's, whatever it says.
TEST_F(NameSwitchTest, TheUsersQuickTextIsKeptAndGivenBack) {
    using Value = FakeRegistry::Value;
    using What = FlightNews::What;
    const RegistryValue odd{3, {1, 2, 3}};
    struct Case {
        const char* what;
        std::optional<Value> message, autoSend;
        std::function<void(FakeRegistry&)> meanwhile;  // after the send, before the name shows
        std::optional<Value> messageAfter, autoSendAfter;
    };
    auto nothing = [](FakeRegistry&) {};
    const Case cases[] = {
        {"no entry: removed again", std::nullopt, std::nullopt, nothing, std::nullopt, std::nullopt},
        {"the user's text", Value(L"brb, 5 min"), Value(0), nothing, Value(L"brb, 5 min"), Value(0)},
        {"a value of another type", Value(odd), Value(7), nothing, Value(odd), Value(7)},
        {"the user writes a text meanwhile: it stays", Value(L"hi"), std::nullopt,
         [](FakeRegistry& r) { r.values[{kPath, L"Message"}] = std::wstring(L"see you"); }, Value(L"see you"),
         Value(1)},
        {"a text of the user's that begins with \"/name \" is the user's", Value(L"/name Ann - in a meeting"),
         Value(1), nothing, Value(L"/name Ann - in a meeting"), Value(1)},
    };
    for (const Case& c : cases) {
        FakeRegistry store;
        if (c.message) store.values[{kPath, L"Message"}] = *c.message;
        if (c.autoSend) store.values[{kPath, L"AutoSend"}] = *c.autoSend;
        FakeSettings kept{{L"CurrentName", L"1"}, {L"CurrentTag", L"I'm listening to:"}};
        FakeMessenger user;
        user.recorded = {{7, L"Debug.Window"}};
        NameSwitch switcher{kept, user, windows, store};
        EXPECT_EQ(switcher.changeName(), SendOutcome::sent) << c.what;
        EXPECT_EQ(store.value(kPath, L"Message"), Value(kListening)) << c.what;
        c.meanwhile(store);
        EXPECT_EQ(shows(switcher, user, kListening.substr(6)), What::shown) << c.what;
        EXPECT_EQ(store.value(kPath, L"Message"), c.messageAfter) << c.what;
        EXPECT_EQ(store.value(kPath, L"AutoSend"), c.autoSendAfter) << c.what;
        EXPECT_FALSE(kept.holds(keptQuickTextKey(L"ann@example.test"))) << c.what;
    }
}

// A write that fails, or a process that ends, between the two writes or
// after them, still ends with the user's text on Alt+0.
TEST_F(NameSwitchTest, TheUsersQuickTextSurvivesFailedWritesAndEndedProcesses) {
    using What = FlightNews::What;
    const std::wstring signin = L"ann@example.test";
    registry.values[{kPath, L"Message"}] = std::wstring(L"brb");
    // The give-back fails: tried again on the next looks, never lost.
    EXPECT_EQ(names.changeName(), SendOutcome::sent);
    registry.unwritable = {L"Message"};
    EXPECT_EQ(shows(names, messenger, kListening.substr(6)), What::shown);
    EXPECT_EQ(message(), kListening);
    EXPECT_EQ(names.followNameOnItsWay().what, What::nothing);
    registry.unwritable.clear();
    EXPECT_EQ(names.followNameOnItsWay().what, What::nothing);
    EXPECT_EQ(message(), L"brb");
    // The command cannot be written: the user's text stays, and so does the loan's claim on nothing.
    registry.unwritable = {L"Message"};
    EXPECT_EQ(names.changeNameBack(), SendOutcome::notStored);
    EXPECT_EQ(message(), L"brb");
    EXPECT_FALSE(settings.holds(keptQuickTextKey(signin)));
    registry.unwritable.clear();

    // A process that ended: before its write, and after it.
    for (bool written : {false, true}) {
        KeptQuickText loan{textValue(L"brb"), std::nullopt, L"/name Ann"};
        settings.WriteSetting(keptQuickTextKey(signin), encodeKeptQuickText(loan));
        registry.values[{kPath, L"Message"}] = std::wstring(written ? L"/name Ann" : L"brb");
        NameSwitch started{settings, messenger, windows, registry};
        started.giveBackEveryQuickText();
        EXPECT_EQ(message(), L"brb") << written;
        EXPECT_FALSE(settings.holds(keptQuickTextKey(signin))) << written;
    }
}

// Another account signs in: the one that left gets its quick text back at
// once, and its name on its way is no longer followed.
TEST_F(NameSwitchTest, AnAccountThatLeavesGetsItsQuickTextBack) {
    using What = FlightNews::What;
    registry.values[{kPath, L"Message"}] = std::wstring(L"brb");
    EXPECT_EQ(names.followNameOnItsWay().what, What::nothing);
    EXPECT_EQ(names.changeName(), SendOutcome::sent);
    EXPECT_EQ(message(), kListening);
    messenger.signinName = L"";  // signed out: nothing to compare yet
    EXPECT_EQ(names.followNameOnItsWay().what, What::underWay);
    messenger.signinName = L"bob@example.test";
    messenger.friendlyName = L"Bob";
    FlightNews news = names.followNameOnItsWay();
    EXPECT_EQ(news.what, What::otherAccount);
    EXPECT_EQ(news.name, kListening.substr(6));
    EXPECT_EQ(message(), L"brb");
    EXPECT_FALSE(names.nameOnItsWay());
    EXPECT_EQ(names.followNameOnItsWay().what, What::nothing);
}

TEST_F(NameSwitchTest, ListeningNameLeftBehindTable) {
    const std::wstring listening = kListening.substr(6);
    struct Case {
        const char* what;
        const wchar_t* recordSent;
        std::wstring showing;
        const wchar_t* signin;
        bool messengerFails;
        LeftBehind answer;
    };
    const Case cases[] = {
        {"left behind", L"1", listening, L"ann@example.test", false, LeftBehind::yes},
        {"restored since", L"0", listening, L"ann@example.test", false, LeftBehind::no},
        {"changed by hand", L"1", L"Ann (away)", L"ann@example.test", false, LeftBehind::no},
        {"another user", L"1", listening, L"bob@example.test", false, LeftBehind::no},
        {"no messenger", L"1", listening, L"ann@example.test", true, LeftBehind::cannotTell},
        {"no messenger, nothing recorded", L"", listening, L"ann@example.test", true, LeftBehind::cannotTell},
        {"signed in in other letters", L"1", listening, L"ANN@example.test", false, LeftBehind::yes},
    };
    for (const Case& c : cases) {
        // The record as earlier versions kept it.
        FakeSettings store{{L"RecordSigninName", L"ann@example.test"}, {L"RecordPlainName", L"Ann"},
                           {L"RecordListeningName", listening}, {L"RecordListeningSent", c.recordSent}};
        FakeMessenger user;
        user.friendlyName = c.showing;
        user.signinName = c.signin;
        user.friendlyNameFails = user.signinNameFails = c.messengerFails;
        NameSwitch switcher{store, user, windows, registry};
        EXPECT_EQ(switcher.listeningNameLeftBehind(), c.answer) << c.what;
        // Written anew, one value per sign-in name, the answer is the same.
        if (*c.recordSent) {
            FakeSettings current;
            writeNameRecord(current, NameRecord{L"Ann@Example.test", L"Ann", listening});
            if (!isSet(c.recordSent)) markPlainNameBack(current, L"ann@example.test");
            NameSwitch anew{current, user, windows, registry};
            EXPECT_EQ(anew.listeningNameLeftBehind(), c.answer) << c.what << ", one value";
        }
    }
}

TEST(QuickTextKeyPath, SigninNameIsUsedOnlyWhenItNamesOneKey) {
    EXPECT_EQ(quickTextKeyPath(L"ann@example.test"), kPath);
    EXPECT_EQ(quickTextKeyPath(L""), std::nullopt);
    EXPECT_EQ(quickTextKeyPath(L"ann\\..\\bob"), std::nullopt);
    EXPECT_EQ(quickTextKeyPath(L"\\"), std::nullopt);
    EXPECT_EQ(quickTextKeyPath(std::wstring(L"ann@x\0y", 7)), std::nullopt);
    EXPECT_EQ(quickTextKeyPath(L"ann\tx"), std::nullopt);
    EXPECT_EQ(quickTextKeyPath(L"ann\x1fx"), std::nullopt);
    EXPECT_EQ(quickTextKeyPath(L"Zo\u00eb x"), L"Software\\Verdalt\\Quorvex2\\Zo\u00eb x\\Preferences\\QuickTexts\\QuickText09");
}

// The hot key would send whatever the entry held before: nothing is pressed.
TEST_F(NameSwitchTest, UnusableSigninNameWritesAndPressesNothing) {
    struct Case {
        std::wstring signin;
        bool fails;
    };
    for (const Case& c : {Case{L"", false}, Case{L"ann\\x", false}, Case{L"ann", true},
                          Case{std::wstring(L"ann@x\0y", 7), false}, Case{L"ann\nx", false}}) {
        FakeMessenger user;
        user.signinName = c.signin;
        user.signinNameFails = c.fails;
        FakeRegistry store;
        user.recorded = {{7, L"Debug.Window"}};
        FakeWindowSystem screen;
        NameSwitch switcher{settings, user, screen, store};
        EXPECT_EQ(switcher.changeName(), SendOutcome::notStored);
        EXPECT_TRUE(store.writes.empty());
        EXPECT_EQ(screen.log, std::vector<std::string>{"hide 7"}) << "no key";
    }
}

TEST_F(NameSwitchTest, AutoSendIsMarkedOnlyWhenItReadsAsZero) {
    using Value = FakeRegistry::Value;
    struct Case {
        std::optional<Value> before;
        Value after;
    };
    for (const Case& c : {Case{std::nullopt, 1}, Case{Value(0), 1}, Case{Value(L"1"), 1}, Case{Value(7), 7},
                          Case{Value(-1), -1}}) {
        FakeRegistry store;
        if (c.before) store.values[{kPath, L"AutoSend"}] = *c.before;
        NameSwitch switcher{settings, messenger, windows, store};
        switcher.changeName();
        EXPECT_EQ(store.value(kPath, L"AutoSend"), c.after);
        EXPECT_EQ(std::get<std::wstring>(*store.value(kPath, L"Message")), kListening);
    }
}

// The hot key would send the message stored before, or nothing: it is
// pressed only once the command and, where it had to be set, AutoSend are.
TEST_F(NameSwitchTest, NothingIsPressedUnlessTheEntryWasStored) {
    struct Case {
        const char* what;
        std::wstring unwritable;
        std::optional<std::int32_t> autoSend;
        SendOutcome outcome;
    };
    const Case cases[] = {
        {"message", L"Message", 1, SendOutcome::notStored},
        {"auto-send to be set", L"AutoSend", std::nullopt, SendOutcome::notStored},
        {"auto-send set already", L"AutoSend", 1, SendOutcome::sent},
    };
    for (const Case& c : cases) {
        FakeRegistry store;
        store.values[{kPath, L"Message"}] = std::wstring(L"/name Ann");
        if (c.autoSend) store.values[{kPath, L"AutoSend"}] = *c.autoSend;
        store.unwritable = {c.unwritable};
        FakeWindowSystem screen;
        NameSwitch switcher{settings, messenger, screen, store};
        EXPECT_EQ(switcher.changeName(), c.outcome) << c.what;
        EXPECT_EQ(screen.log.size() == 1, c.outcome == SendOutcome::notStored) << c.what << ": the hide alone";
    }
}

TEST_F(NameSwitchTest, EveryPathIsBuiltWithAFreshSigninName) {
    // The record's look-up, the quick text kept and the record written; then,
    // AutoSend absent: read, write, and the message.
    names.changeName();
    EXPECT_EQ(messenger.signinReads, 5);
    EXPECT_EQ(registry.writes, (std::vector<std::wstring>{kPath + L"|AutoSend", kPath + L"|Message"}));
}

}  // namespace
}  // namespace sonarel::testing
