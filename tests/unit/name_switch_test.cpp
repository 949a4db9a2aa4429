// The decisions of changeName / changeNameBack and their shared sending
// routine, with fake messenger, window system and registry.
#include <gtest/gtest.h>

#include "names/name_switch.h"
#include "tests/fakes/fake_name_switch.h"
#include "tests/fakes/fake_settings.h"

namespace sonarel::testing {
namespace {

const std::wstring kPath = L"Software\\Verdalt\\Quorvex2\\ann@example.test\\Preferences\\QuickTexts\\QuickText09";
const std::wstring kListening = L"/name Ann I'm listening to: (!WAT)";

class NameSwitchTest : public ::testing::Test {
protected:
    FakeSettings settings{{L"CurrentName", L"1"}, {L"CurrentTag", L"I'm listening to:"}};
    FakeMessenger messenger;
    FakeWindowSystem windows;
    FakeRegistry registry;
    NameSwitch names{settings, messenger, windows, registry};

    void conversationInFront(WindowHandle window) {
        windows.foreground = window;
        windows.classes[window] = L"IMWindowClass";
    }
    std::optional<std::wstring> message() const {
        auto value = registry.value(kPath, L"Message");
        if (!value) return std::nullopt;
        return std::get<std::wstring>(*value);
    }
};


TEST_F(NameSwitchTest, ConversationInFrontTakesTheKeysAndNothingElseMoves) {
    conversationInFront(42);
    messenger.recorded = {{7, L"Debug.Window"}};
    names.changeName();
    EXPECT_EQ(message(), kListening);
    EXPECT_EQ(windows.log, (std::vector<std::string>{"press in 42"}));
    EXPECT_EQ(windows.foregroundAttempts, 0);
    EXPECT_TRUE(messenger.openedWith.empty());
}

TEST_F(NameSwitchTest, ForegroundClassMustMatchExactly) {
    for (const wchar_t* className : {L"imwindowclass", L"IMWindowClass2", L"", L" IMWindowClass"}) {
        FakeWindowSystem others;
        others.classes = {{5, className}};
        others.foreground = 5;
        NameSwitch switcher{settings, messenger, others, registry};
        messenger.recorded = {{7, L"Debug.Window"}};
        switcher.changeName();
        EXPECT_EQ(others.log, (std::vector<std::string>{"press in 7", "hide 7"})) << className;
    }
}

TEST_F(NameSwitchTest, RecordedCommandConversationIsBroughtToFrontPressedAndHidden) {
    messenger.recorded = {{3, L"bob@example.test"}, {4, L"x", true}, {7, L"Debug.Window"}, {8, L"Debug.Window"}};
    names.changeNameBack();
    EXPECT_EQ(message(), L"/name Ann");
    // The first match is used; a window whose contact cannot be read is skipped.
    EXPECT_EQ(windows.log, (std::vector<std::string>{"press in 7", "hide 7"}));
    EXPECT_TRUE(messenger.openedWith.empty());
}

TEST_F(NameSwitchTest, ContactComparisonIsExact) {
    messenger.recorded = {{3, L"debug.window"}, {4, L"Debug.Window "}};
    names.changeName();
    EXPECT_EQ(messenger.openedWith, std::vector<std::wstring>{L"Debug.Window"});
}

TEST_F(NameSwitchTest, WithoutACommandConversationOneIsOpenedAndHiddenWithoutPressing) {
    for (bool listFails : {false, true}) {
        FakeMessenger fresh;
        fresh.conversationsFail = listFails;
        FakeWindowSystem screen;
        NameSwitch switcher{settings, fresh, screen, registry};
        switcher.changeName();
        EXPECT_EQ(fresh.openedWith, std::vector<std::wstring>{L"Debug.Window"});
        EXPECT_EQ(screen.foreground, 900u) << "brought to the front";
        EXPECT_EQ(screen.log, (std::vector<std::string>{"hide 900"}));
    }
}

TEST_F(NameSwitchTest, FailedOpeningEndsTheRoutine) {
    for (auto opening : {FakeMessenger::Opening::fails, FakeMessenger::Opening::givesNothing}) {
        FakeMessenger fresh;
        fresh.opening = opening;
        FakeWindowSystem screen;
        NameSwitch switcher{settings, fresh, screen, registry};
        switcher.changeName();
        EXPECT_TRUE(screen.log.empty());
        EXPECT_EQ(screen.foregroundAttempts, 0);
    }
}

// Until a command has been composed there is nothing to send.
TEST_F(NameSwitchTest, NothingIsStoredOrPressedBeforeTheFirstComposition) {
    FakeSettings unset;
    NameSwitch switcher{unset, messenger, windows, registry};
    conversationInFront(42);
    switcher.changeName();
    switcher.changeNameBack();
    EXPECT_TRUE(registry.writes.empty());
    EXPECT_TRUE(windows.log.empty());
    EXPECT_TRUE(messenger.openedWith.empty());
    EXPECT_EQ(switcher.commandText(), std::nullopt);
}

TEST_F(NameSwitchTest, WithoutANewCompositionThePreviousCommandIsSentAgain) {
    conversationInFront(42);
    names.changeName();
    settings.WriteSetting(L"CurrentName", L"0");
    names.changeNameBack();
    EXPECT_EQ(message(), kListening);
    EXPECT_EQ(windows.log, (std::vector<std::string>{"press in 42", "press in 42"}));

    settings.WriteSetting(L"CurrentName", L"1");
    messenger.friendlyNameFails = true;  // nothing composed, the last command stands
    names.changeNameBack();
    EXPECT_EQ(message(), kListening);
}

// Keys pressed while another window is in front would reach that window.
TEST_F(NameSwitchTest, ConversationThatCannotComeToTheFrontIsHiddenWithoutKeys) {
    messenger.recorded = {{7, L"Debug.Window"}};
    windows.refusesForeground = {7};
    names.changeName();
    EXPECT_EQ(windows.log, (std::vector<std::string>{"hide 7"}));
    EXPECT_EQ(windows.foregroundAttempts, BringToFrontLimit{}.attempts);
}

TEST_F(NameSwitchTest, BringToFrontStopsAtItsTimeLimit) {
    messenger.recorded = {{7, L"Debug.Window"}};
    windows.refusesForeground = {7};
    NameSwitch quick{settings, messenger, windows, registry, BringToFrontLimit{1000000, std::chrono::milliseconds(0)}};
    quick.changeName();
    EXPECT_EQ(windows.foregroundAttempts, 1);
    EXPECT_EQ(windows.log, (std::vector<std::string>{"hide 7"}));
}

TEST_F(NameSwitchTest, UnreadableHandleOfTheCommandConversationPressesNothing) {
    FakeConversationSetup setup{7, L"Debug.Window"};
    setup.handleFails = true;
    messenger.recorded = {setup};
    names.changeName();
    EXPECT_TRUE(windows.log.empty());
    EXPECT_TRUE(messenger.openedWith.empty());
}

TEST(QuickTextKeyPath, SigninNameIsUsedOnlyWhenItNamesOneKey) {
    EXPECT_EQ(quickTextKeyPath(L"ann@example.test"), kPath);
    EXPECT_EQ(quickTextKeyPath(L""), std::nullopt);
    EXPECT_EQ(quickTextKeyPath(L"ann\\..\\bob"), std::nullopt);
    EXPECT_EQ(quickTextKeyPath(L"\\"), std::nullopt);
}

TEST_F(NameSwitchTest, UnusableSigninNameWritesNothingButStillPresses) {
    struct Case {
        const wchar_t* signin;
        bool fails;
    };
    for (Case c : {Case{L"", false}, Case{L"ann\\x", false}, Case{L"ann", true}}) {
        FakeMessenger user;
        user.signinName = c.signin;
        user.signinNameFails = c.fails;
        FakeRegistry store;
        FakeWindowSystem screen;
        screen.foreground = 42;
        screen.classes[42] = L"IMWindowClass";
        NameSwitch switcher{settings, user, screen, store};
        switcher.changeName();
        EXPECT_TRUE(store.writes.empty()) << c.signin;
        EXPECT_EQ(screen.log, (std::vector<std::string>{"press in 42"}));
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

TEST_F(NameSwitchTest, EveryPathIsBuiltWithAFreshSigninName) {
    names.changeName();  // AutoSend absent: read, write, then the message
    EXPECT_EQ(messenger.signinReads, 3);
    EXPECT_EQ(registry.writes, (std::vector<std::wstring>{kPath + L"|AutoSend", kPath + L"|Message"}));
}

}  // namespace
}  // namespace sonarel::testing
