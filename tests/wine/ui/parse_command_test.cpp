// "/xwinampoptions" and "/xwinampabout" on the real plug-in: modal calls
// that return when the window closes while the thread's messages flow, the
// owner rule, and commands that arrive while the window is open.
#include "tests/wine/ui/plugin_windows_fixture.h"

#include "settings/settings_store.h"

namespace sonarel::testing {
namespace {

HWND findOptions() { return findThreadWindow(optionsClass, L"Options"); }
HWND findAbout() { return findThreadWindow(aboutClass, L"About Sonarel Plugin"); }
// The last control of each window in tab order: "Save!!!" and "OK".
HWND lastControl(HWND window) { return childrenInOrder(window).back(); }
HWND optionsText3(HWND options) { return childrenInOrder(options).at(5); }

using ParseCommandWindowsTest = PluginWindowsTest;

TEST_F(ParseCommandWindowsTest, ReturnsOnlyAfterTheWindowClosesWhileTimersTick) {
    struct Case {
        const wchar_t* command;
        HWND (*find)();
        const wchar_t* sResultAfter;
    };
    const Case cases[] = {
        {L"/XWinampOptions", findOptions, L""},
        {L"/XWINAMPABOUT", findAbout, L"from the host"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        TickCounter timer;
        HWND window = nullptr;
        bool returned = false;
        int ticksAtOpen = 0;
        ModalScript script;
        script
            .waitFor("the window",
                     [&] {
                         window = c.find();
                         ticksAtOpen = timer.ticks();
                         return window != nullptr;
                     })
            .waitFor("the test's timer to tick on", [&] { return timer.ticks() >= ticksAtOpen + 3; })
            .then([&] {
                EXPECT_FALSE(returned);
                click(lastControl(window));
            });
        ParseCommandAnswer answer = command(c.command, L"from the host");
        returned = true;
        script.expectFinished();
        EXPECT_TRUE(answer.recognised);
        EXPECT_EQ(answer.sResult, c.sResultAfter);
        EXPECT_FALSE(IsWindow(window));
    }
}

TEST_F(ParseCommandWindowsTest, AnotherProgramsActiveWindowIsNoOwner) {
    TestWindow host;
    SetActiveWindow(host.handle());
    ASSERT_EQ(GetActiveWindow(), host.handle());
    HWND about = nullptr;
    ModalScript script;
    script.waitFor("the About window", [&] { return (about = findAbout()) != nullptr; }).then([&] {
        EXPECT_EQ(GetWindow(about, GW_OWNER), nullptr);
        EXPECT_TRUE(IsWindowEnabled(host.handle()));
        click(lastControl(about));
    });
    command(L"/xwinampabout");
    script.expectFinished();
}

TEST_F(ParseCommandWindowsTest, TheSameCommandWhileTheWindowIsOpenBringsItToTheFront) {
    struct Case {
        const wchar_t* command;
        HWND (*find)();
        bool minimised;  // the Options window comes up minimised once saved
        const wchar_t* sResultOfTheSecondCall;
    };
    const Case cases[] = {
        {L"/xwinampoptions", findOptions, false, L""},
        {L"/xwinampoptions", findOptions, true, L""},
        {L"/xwinampabout", findAbout, false, L"second"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.command << (c.minimised ? " minimised" : ""));
        CleanSettings cleanStore;
        if (c.minimised) writeStoredOptions({{L"CurrentName", L"1"}, {L"CustomName", L"0"}});
        TestWindow other;
        HWND window = nullptr;
        ModalScript script;
        script.waitFor("the window", [&] { return (window = c.find()) != nullptr; })
            .then([&] {
                EXPECT_EQ(IsIconic(window) != FALSE, c.minimised);
                other.raise();
                ParseCommandAnswer second = command(c.command, L"second");
                // Back at once, with the window still open.
                EXPECT_EQ(second.hr, S_OK);
                EXPECT_TRUE(second.recognised);
                EXPECT_EQ(second.sResult, c.sResultOfTheSecondCall);
                EXPECT_TRUE(IsWindow(window));
                EXPECT_EQ(threadWindows(classOf(window)).size(), 1u) << "no second window";
                EXPECT_FALSE(IsIconic(window));
                EXPECT_TRUE(isAbove(window, other.handle()));
                EXPECT_TRUE(IsWindowEnabled(window));
                if (c.find == findOptions) {
                    EXPECT_EQ(GetFocus(), childrenInOrder(window).front()) << "the focus in Text1";
                    SetWindowTextW(optionsText3(window), L"typed later");
                }
            })
            .then([&] { click(lastControl(window)); });
        ParseCommandAnswer first = command(c.command, L"first");
        script.expectFinished();
        EXPECT_EQ(first.hr, S_OK);
        EXPECT_TRUE(first.recognised);
        EXPECT_FALSE(IsWindow(window));
        if (c.find == findOptions) {
            // The window went on working: Save stored what was typed.
            EXPECT_EQ(SettingsStore().ReadSetting(keys::CurrentTag), L"typed later");
        }
    }
}

TEST_F(ParseCommandWindowsTest, AboutOpenedFromTheOptionsWindowIsOwnedByIt) {
    HWND options = nullptr, about = nullptr;
    bool aboutReturned = false;
    ParseCommandAnswer inner;
    ModalScript script;
    script.waitFor("the Options window", [&] { return (options = findOptions()) != nullptr; })
        .waitFor("the Options window active", [&] { return GetActiveWindow() == options; })
        .then([&] {
            // A host call made while the Options window is active.
            inner = command(L"/xwinampabout", L"inner");
            aboutReturned = true;
        })
        .waitFor("the About window", [&] { return (about = findAbout()) != nullptr; })
        .then([&] {
            EXPECT_EQ(GetWindow(about, GW_OWNER), options);
            EXPECT_FALSE(IsWindowEnabled(options));
            EXPECT_FALSE(aboutReturned);
            click(lastControl(about));
        })
        .waitFor("the About call to return", [&] { return aboutReturned; })
        .then([&] {
            EXPECT_FALSE(IsWindow(about));
            EXPECT_TRUE(IsWindowEnabled(options));
            EXPECT_EQ(GetActiveWindow(), options) << "activation goes back to the owner";
            click(lastControl(options));
        });
    ParseCommandAnswer outer = command(L"/xwinampoptions", L"outer");
    script.expectFinished();
    EXPECT_TRUE(inner.recognised);
    EXPECT_EQ(inner.sResult, L"inner");
    EXPECT_TRUE(outer.recognised);
    EXPECT_EQ(outer.sResult, L"");
    EXPECT_EQ(SettingsStore().ReadSetting(keys::CurrentName), L"1");
}

}  // namespace
}  // namespace sonarel::testing
