// End to end under Wine: the real plug-in and its one-second timer, a player
// window, the stand-in messenger and the host's quick texts. Each test runs
// on a thread of its own, so the plug-in starts afresh for it.
#include <gtest/gtest.h>

#include "settings/settings_store.h"
#include "standins/support/debug_trace.h"
#include "standins/support/user_input.h"
#include "tests/wine/names/chain_support.h"
#include "tests/wine/support/plugin_environment.h"
#include "tests/wine/support/standin_player.h"

namespace sonarel::testing {
namespace {

[[maybe_unused]] auto* const environment = ::testing::AddGlobalTestEnvironment(new PluginEnvironment);

// A tick comes every second and a switch is seen within two: a deadline well
// above that, for a machine that delays the ticks.
constexpr auto kSwitch = 10s;

// The class of the window in front, when the keyboard is not where it
// should be ("#32769" is the desktop's).
std::wstring classOfForeground() {
    wchar_t name[256] = {};
    GetClassNameW(GetForegroundWindow(), name, 256);
    return name;
}

// The user at work in another program: typing, holding a key or a mouse
// button, in a menu, watching a full-screen video, or just working there
// while the window system locks the foreground. Nothing is opened, stored
// or sent meanwhile; once the user lets it, the name follows, and that
// program has the keyboard again with no key but the user's own.
TEST(NameChain, TheNameWaitsWhileTheUserIsAtWorkAndFollowsAfter) {
    struct Case {
        const char* what;
        std::function<void(Chain&, StandInPlayer&)> atWork;  // before the song; then the song shows
        std::function<void(Chain&)> meanwhile;               // the name must wait through it
        std::function<void(StandInPlayer&)> letGo;
        int userKeys;
        bool waits = true;
        const char* reason = nullptr;  // as the trace gives it
    };
    auto typeFor = [](Chain& chain, int keys) {
        for (int i = 0; i < keys; ++i) {
            typeKey('A');
            pumpMessagesFor(300ms);
            ASSERT_TRUE(chain.host.sent().empty()) << "key " << i;
        }
    };
    const Case cases[] = {
        {"foreground locked", [](Chain& chain, StandInPlayer&) { chain.messenger.lockForeground(true); },
         [](Chain&) {}, [](StandInPlayer&) {}, 0, false},
        {"typing", [](Chain&, StandInPlayer&) {}, [&](Chain& chain) { typeFor(chain, 10); },
         [](StandInPlayer&) {}, 10},
        // Pressed once the document has settled in front: under Wine a window
        // that takes the focus resets the keys to the X server's own state.
        {"Shift held", [](Chain&, StandInPlayer&) {},
         [](Chain& chain) {
             pressKey(VK_SHIFT, false);
             ASSERT_TRUE(chain.passTicks(3));
         },
         [](StandInPlayer&) { pressKey(VK_SHIFT, true); }, 1},
        {"full screen", [](Chain&, StandInPlayer& desk) { desk.run("fullscreen"); },
         [](Chain& chain) { ASSERT_TRUE(chain.passTicks(3)); }, [](StandInPlayer& desk) { desk.run("work"); }, 0},
        {"mouse button held", [](Chain&, StandInPlayer&) {},
         [](Chain& chain) {
             holdMouseButton();
             ASSERT_TRUE(chain.passTicks(3));
         },
         [](StandInPlayer&) { releaseMouseButton(); }, 0},
        // Alt and Space reach the document; the keys inside the menu do not.
        {"a menu open", [](Chain&, StandInPlayer&) {},
         [](Chain& chain) {
             openWindowMenu();
             ASSERT_TRUE(chain.passTicks(3));
         },
         [](StandInPlayer&) { closeMenu(); }, 2},
        // The menu bar made active, no drop-down open.
        {"the menu bar made active with F10", [](Chain&, StandInPlayer&) {},
         [](Chain& chain) {
             typeKey(VK_F10);
             ASSERT_TRUE(chain.passTicks(3));
         },
         [](StandInPlayer&) { typeKey(VK_ESCAPE); }, 1, true, "listening name waits: a menu"},
    };
    for (const Case& c : cases) {
        onNewApartmentThread([&] {
            SCOPED_TRACE(c.what);
            DebugTraceReader trace;
            ASSERT_TRUE(trace.reading());
            TraceShownOnFailure shown(trace);
            Chain chain;
            StandInPlayer desk;
            chain.player.show(L"");  // no title yet: nothing to decide
            chain.startPlugin();
            desk.run("work");
            c.atWork(chain, desk);
            ASSERT_TRUE(waitForInputQuiet());
            chain.player.show(L"1. First Song - Winamp");
            c.meanwhile(chain);
            if (c.waits) {
                EXPECT_TRUE(chain.host.sent().empty());
                EXPECT_TRUE(chain.messenger.conversations().empty()) << "not even opened";
            }
            c.letGo(desk);
            ASSERT_TRUE(waitUntil([&] { return chain.messenger.friendlyName() == kListeningName; }, kSwitch));
            std::string expected = "ok keys=" + std::to_string(c.userKeys) + " front=document";
            EXPECT_TRUE(waitUntil([&] { return desk.reply("desk") == expected; }, 3s))
                << desk.reply("desk") << ", in front: " << toAnsi(classOfForeground());
            EXPECT_EQ(sentTexts(chain), std::vector<std::wstring>{kListeningCommand});
            if (c.reason) {
                EXPECT_TRUE(trace.contains(c.reason));
            }
        });
    }
}

// A user away from the desk gets no input of the plug-in's, so that the
// screen saver and the lock come as set: a stop a minute after the last
// input waits. The name follows within two seconds of the user's return.
TEST(NameChain, NothingIsInjectedWhileTheUserIsAway) {
    onNewApartmentThread([] {
        Chain chain;
        StandInPlayer desk;
        chain.player.show(L"1. First Song - Winamp");
        desk.run("work");  // after the player, whose window takes the front as it opens
        chain.startPlugin();
        ASSERT_TRUE(waitUntil([&] { return chain.messenger.friendlyName() == kListeningName; }, kSwitch));
        ASSERT_TRUE(waitUntil([] { return GetTickCount() - lastInputTick() > 61000; }, 75s));

        const DWORD lastInput = lastInputTick();
        chain.player.show(L"1. First Song - Winamp [Stopped]");
        ASSERT_TRUE(chain.passTicks(3));
        EXPECT_EQ(chain.messenger.friendlyName(), kListeningName) << "the plain name waits";
        EXPECT_EQ(lastInputTick(), lastInput) << "nothing injected";
        EXPECT_TRUE(chain.messenger.conversations().size() == 1 && !chain.anyVisible(chain.commandConversations()));

        typeKey(VK_SHIFT);  // the user is back
        const int ticksBefore = chain.player.titleReads();
        ASSERT_TRUE(waitUntil([&] { return chain.messenger.friendlyName() == kPlainName; }, kSwitch));
        // A second of quiet after the key, then the next tick: within two
        // ticks, or three where a tick that came late is followed at once
        // by the next. Counted in ticks, which a busy machine delays.
        EXPECT_LE(chain.player.titleReads() - ticksBefore, 3);
        EXPECT_EQ(sentTexts(chain), (std::vector<std::wstring>{kListeningCommand, L"/name Ann"}));
        EXPECT_TRUE(waitUntil([&] { return desk.reply("desk") == "ok keys=1 front=document"; }, 3s))
            << desk.reply("desk");
    });
}

// The first song opens the hidden command conversation and is sent through
// it as soon as the messenger reports it: one send for each decision.
TEST(NameChain, FirstSongShowsTheListeningNameAndStopRestoresItWithOneSendEach) {
    onNewApartmentThread([] {
        Chain chain;
        chain.startPlugin();
        chain.player.show(L"1. First Song - Winamp");
        // Opened, it is hidden at once: it gets no keys on this tick.
        ASSERT_TRUE(waitUntil([&] { return chain.commandConversations().size() == 1; }, kSwitch));
        EXPECT_TRUE(waitUntil([&] { return !chain.anyVisible(chain.commandConversations()); }, 1s));
        ASSERT_TRUE(waitUntil([&] { return chain.messenger.friendlyName() == kListeningName; }, kSwitch));
        ASSERT_EQ(chain.host.sent().size(), 1u);
        EXPECT_EQ(chain.host.sent()[0].contact, L"Debug.Window");
        EXPECT_EQ(chain.host.entryAtLastHotKey().autoSendNumber(), 1u);
        EXPECT_TRUE(waitUntil([&] { return !chain.anyVisible(chain.commandConversations()); }));
        ASSERT_EQ(chain.commandConversations().size(), 1u);
        HWND command = chain.commandConversations()[0];
        EXPECT_TRUE(waitUntil([&] { return GetForegroundWindow() != command; })) << "the keyboard is not left hidden";

        chain.player.show(L"1. First Song - Winamp [Stopped]");
        ASSERT_TRUE(waitUntil([&] { return chain.messenger.friendlyName() == kPlainName; }, kSwitch));
        ASSERT_TRUE(chain.passTicks(2));
        chain.player.show(L"2. Second Song - Winamp");
        ASSERT_TRUE(waitUntil([&] { return chain.messenger.friendlyName() == kListeningName; }, kSwitch));
        EXPECT_EQ(sentTexts(chain), (std::vector<std::wstring>{kListeningCommand, L"/name Ann", kListeningCommand}));
        EXPECT_EQ(chain.player.strayHotKeys(), 0);
        EXPECT_EQ(chain.commandConversations().size(), 1u);
    });
}

// The server refuses the next song's name, which holds a link: it is given
// up, traced with the name and when it is tried again, and not asked for
// again meanwhile (the waits themselves are counted on a simulated clock).
// A stop, another name, still brings the plain name at once.
TEST(NameChain, ANameTheServerRefusesIsGivenUpAndAStopStillBringsThePlainName) {
    onNewApartmentThread([] {
        DebugTraceReader trace;
        ASSERT_TRUE(trace.reading());
        Chain chain;
        chain.messenger.refuseLinks(true);
        chain.startPlugin();
        chain.player.show(L"1. First Song - Winamp");
        ASSERT_TRUE(waitUntil([&] { return chain.messenger.friendlyName() == kListeningName; }, kSwitch));

        SettingsStore().WriteSetting(keys::CurrentTag, L"on www.radio.test");
        const std::wstring refused = L"/name Ann on www.radio.test (!WAT)";
        chain.player.show(L"2. Second Song - Winamp");
        const std::string givenUp =
            "Sonarel: listening name \"Ann on www.radio.test (!WAT)\" not confirmed; next try in 10 s\n";
        ASSERT_TRUE(waitUntil([&] { return !trace.linesStartingWith(givenUp).empty(); }, 3 * kSwitch))
            << ::testing::PrintToString(trace.linesStartingWith("Sonarel: "));
        ASSERT_TRUE(chain.passTicks(2));
        EXPECT_EQ(sentTexts(chain), (std::vector<std::wstring>{kListeningCommand, refused}));
        EXPECT_EQ(chain.messenger.refusedNames(), 1);
        EXPECT_EQ(chain.messenger.friendlyName(), kListeningName) << "the name before stays";

        keepUserPresent();
        chain.player.show(L"2. Second Song - Winamp [Stopped]");
        ASSERT_TRUE(waitUntil([&] { return chain.messenger.friendlyName() == kPlainName; }, kSwitch));
        EXPECT_EQ(sentTexts(chain), (std::vector<std::wstring>{kListeningCommand, refused, L"/name Ann"}));
    });
}

// The user closes the command conversation while a song plays: the stop
// opens a new one and is sent through it.
TEST(NameChain, StopAfterTheCommandConversationWasClosedRestoresThePlainName) {
    onNewApartmentThread([] {
        Chain chain;
        chain.startPlugin();
        chain.player.show(L"1. First Song - Winamp");
        ASSERT_TRUE(waitUntil([&] { return chain.messenger.friendlyName() == kListeningName; }, kSwitch));
        HWND closed = chain.commandConversations().at(0);
        chain.messenger.closeConversation(closed);

        chain.player.show(L"1. First Song - Winamp [Stopped]");
        ASSERT_TRUE(waitUntil([&] { return chain.messenger.friendlyName() == kPlainName; }, kSwitch));
        EXPECT_EQ(sentTexts(chain), (std::vector<std::wstring>{kListeningCommand, L"/name Ann"}));
        ASSERT_EQ(chain.commandConversations().size(), 1u);
        EXPECT_NE(chain.commandConversations()[0], closed);
        EXPECT_EQ(chain.player.strayHotKeys(), 0);
    });
}

// Hiding the conversation passes the focus on; the keys already pressed
// must still reach the conversation, not the window that comes next.
TEST(NameChain, CommandConversationShownAgainGetsTheKeysBeforeItIsHidden) {
    onNewApartmentThread([] {
        Chain chain;
        chain.startPlugin();
        chain.player.show(L"1. First Song - Winamp");
        ASSERT_TRUE(waitUntil([&] { return chain.commandConversations().size() == 1; }, kSwitch));
        HWND command = chain.commandConversations()[0];
        ASSERT_TRUE(waitUntil([&] { return !IsWindowVisible(command); }));
        ShowWindow(command, SW_SHOWNOACTIVATE);  // the user brings it back on screen

        chain.player.show(L"2. Second Song - Winamp");
        ASSERT_TRUE(waitUntil([&] { return chain.host.sent().size() == 1; }, kSwitch));
        EXPECT_EQ(chain.host.sent()[0].contact, L"Debug.Window");
        EXPECT_TRUE(waitUntil([&] { return !IsWindowVisible(command); }));
        EXPECT_EQ(chain.player.strayHotKeys(), 0);
    });
}

TEST(NameChain, ClosingThePlayerRestoresThePlainName) {
    onNewApartmentThread([] {
        Chain chain;
        HWND bob = chain.messenger.openConversation(L"bob@example.test");
        chain.startPlugin();
        SetForegroundWindow(bob);
        chain.player.show(L"1. First Song - Winamp");
        SetForegroundWindow(bob);
        ASSERT_TRUE(waitUntil([&] { return chain.messenger.friendlyName() == kListeningName; }, kSwitch));
        chain.player.close();
        ASSERT_TRUE(waitUntil([&] { return chain.messenger.friendlyName() == kPlainName; }, kSwitch));
        EXPECT_EQ(sentTexts(chain), (std::vector<std::wstring>{kListeningCommand, L"/name Ann"}));
    });
}

// The user writes to a contact and stops in the middle of a sentence: the
// name follows through the hidden conversation, never the user's, so the
// contact gets nothing, and the draft, its caret and the keyboard are as
// the user left them.
TEST(NameChain, TheUsersDraftStaysAndTheContactGetsNothing) {
    onNewApartmentThread([] {
        Chain chain;
        chain.player.show(L"");  // opened first: it takes the front as it opens
        chain.startPlugin();
        const std::wstring draft = L"see you at";
        HWND bob = userWritesToBob(chain, draft);
        ASSERT_TRUE(bob);

        chain.player.show(L"1. First Song - Winamp");
        ASSERT_TRUE(waitUntil([&] { return chain.messenger.friendlyName() == kListeningName; }, kSwitch));
        ASSERT_EQ(chain.host.sent().size(), 1u);
        EXPECT_EQ(chain.host.sent()[0].contact, L"Debug.Window");
        EXPECT_TRUE(chain.messenger.messagesToContacts().empty());
        EXPECT_TRUE(waitUntil(
            [&] { return GetForegroundWindow() == bob && chain.messenger.inputBoxHasFocus(bob); }, 2s));
        EXPECT_EQ(chain.messenger.draft(bob), draft);
        EXPECT_EQ(chain.messenger.selection(bob), (standin::Selection{10, 10}));
        EXPECT_FALSE(chain.anyVisible(chain.commandConversations()));

        typeText(L" 5");  // the user goes on where they stopped
        EXPECT_TRUE(waitUntil([&] { return chain.messenger.draft(bob) == draft + L" 5"; }, 2s));
        EXPECT_TRUE(chain.messenger.messagesToContacts().empty());
    });
}

// The messenger's conversations live on a thread of their own, busy for a
// while whenever one comes to the front: the keys wait unread in its queue.
// The user's conversation gets the keyboard back only once the command
// conversation has read them, so the draft is not sent with the command;
// a pause that comes while they wait unread is sent after them. A thread
// busy for longer than it takes to find keys that never came holds them
// still: they are read, and the name is never given up.
TEST(NameChain, ABusyMessengerReadsTheKeysInTheCommandConversation) {
    struct Case {
        const char* what;
        std::chrono::milliseconds busy;
        bool pauseWhileUnread = false;
    };
    const Case cases[] = {
        {"busy 0.3 s", 300ms},
        {"busy 2 s, a pause while the keys are unread", 2000ms, true},
        {"busy 2.5 s, longer than it takes to find keys that never came", 2500ms},
    };
    for (const Case& c : cases) {
        onNewApartmentThread([&] {
            SCOPED_TRACE(c.what);
            DebugTraceReader trace;
            TraceShownOnFailure shown(trace);
            Chain chain;
            chain.player.show(L"");
            chain.startPlugin();
            const std::wstring draft = L"see you at";
            HWND bob = userWritesToBob(chain, draft);
            ASSERT_TRUE(bob);
            chain.messenger.leaveInputUnread(c.busy);

            chain.player.show(L"1. First Song - Winamp");
            if (c.pauseWhileUnread) {
                ASSERT_TRUE(waitUntil([&] { return trace.contains("Sonarel: listening name sent"); }, kSwitch));
                chain.player.show(L"1. First Song - Winamp [Paused]");
                ASSERT_TRUE(waitUntil([&] {
                    return sentTexts(chain).size() == 2 && chain.messenger.friendlyName() == kPlainName;
                }, 3 * kSwitch));
                EXPECT_TRUE(trace.contains("plain name waits: another name is on its way"));
                // The host here reads the entry on its own thread, after the
                // keys: the first hot key may already find the plain name.
                EXPECT_EQ(sentTexts(chain).back(), L"/name Ann");
            } else {
                ASSERT_TRUE(
                    waitUntil([&] { return chain.messenger.friendlyName() == kListeningName; }, 5 * c.busy + kSwitch));
                EXPECT_EQ(sentTexts(chain), std::vector<std::wstring>{kListeningCommand});
            }
            EXPECT_TRUE(chain.messenger.messagesToContacts().empty());
            EXPECT_EQ(chain.messenger.hotKeyKeysInUserConversations(), 0);
            EXPECT_FALSE(trace.contains("not confirmed"));
            EXPECT_TRUE(waitUntil([&] { return GetForegroundWindow() == bob && chain.messenger.inputBoxHasFocus(bob); },
                                  c.busy + 3s));
            EXPECT_EQ(chain.messenger.draft(bob), draft);
            EXPECT_EQ(chain.player.strayHotKeys(), 0);
        });
    }
}

TEST(NameChain, AutoSendAsTextBecomesTheNumberOneAndANonZeroNumberStays) {
    struct Case {
        const char* what;
        std::function<void(const std::wstring& path)> prepare;
        DWORD expected;
    };
    const Case cases[] = {
        {"text", [](const std::wstring& path) { writeRegText(HKEY_CURRENT_USER, path, L"AutoSend", L"1"); }, 1},
        {"seven",
         [](const std::wstring& path) {
             DWORD seven = 7;
             writeRegValue(HKEY_CURRENT_USER, path, L"AutoSend", REG_DWORD, &seven, sizeof(seven));
         },
         7},
    };
    for (const Case& c : cases) {
        onNewApartmentThread([&] {
            Chain chain;
            c.prepare(chain.quickTextPath());
            HWND bob = chain.messenger.openConversation(L"bob@example.test");
            chain.startPlugin();
            chain.player.show(L"1. First Song - Winamp");
            SetForegroundWindow(bob);
            ASSERT_TRUE(waitUntil([&] { return chain.host.sent().size() == 1; }, kSwitch)) << c.what;
            EXPECT_EQ(chain.host.entryAtLastHotKey().autoSendNumber(), c.expected) << c.what;
        });
    }
}

// A messenger started after the plug-in is connected by a later retry:
// conversations are tracked and the command conversation carries the name.
// Meanwhile no key is pressed, so the host's own entry is never sent.
TEST(NameChain, MessengerStartedLaterIsUsed) {
    onNewApartmentThread([] {
        Chain chain(ChainOptions{.messengerRunning = false});
        writeRegText(HKEY_CURRENT_USER, chain.quickTextPath(), L"Message", L"/name Preset");
        DWORD one = 1;
        writeRegValue(HKEY_CURRENT_USER, chain.quickTextPath(), L"AutoSend", REG_DWORD, &one, sizeof(one));
        HWND bob = chain.messenger.openConversation(L"bob@example.test");
        chain.startPlugin();
        chain.player.show(L"1. First Song - Winamp");
        SetForegroundWindow(bob);
        ASSERT_TRUE(chain.passTicks(3));
        EXPECT_EQ(chain.host.hotKeys(), 0);

        chain.messenger.closeConversation(bob);
        chain.messenger.registerClassObject();
        ASSERT_TRUE(waitUntil([&] { return chain.messenger.friendlyName() == kListeningName; }, 20s));
        ASSERT_EQ(chain.host.sent().size(), 1u);
        EXPECT_EQ(chain.host.sent()[0].contact, L"Debug.Window");
        EXPECT_EQ(chain.commandConversations().size(), 1u);
    });
}

// Until the user has chosen a mode nothing is composed, stored or pressed.
TEST(NameChain, NothingIsSentBeforeACommandHasBeenComposed) {
    onNewApartmentThread([] {
        Chain chain(ChainOptions{.currentNameMode = false});
        chain.startPlugin();
        chain.player.show(L"1. First Song - Winamp");
        ASSERT_TRUE(chain.passTicks(2));
        chain.player.show(L"2. Second Song - Winamp");
        ASSERT_TRUE(chain.passTicks(1));
        EXPECT_FALSE(regKeyExists(HKEY_CURRENT_USER, L"Software\\Verdalt"));
        EXPECT_TRUE(chain.messenger.conversations().empty());
        EXPECT_EQ(chain.player.strayHotKeys(), 0);

        // Once a mode is chosen, the very same ticks switch the name.
        SettingsStore().WriteSetting(keys::CurrentName, L"1");
        chain.player.show(L"3. Third Song - Winamp");
        EXPECT_TRUE(waitUntil([&] { return chain.commandConversations().size() == 1; }, kSwitch));
    });
}

// Keys pressed while the conversation is not in front would reach whatever
// window is; none are pressed, and the conversation stays hidden.
TEST(NameChain, ConversationThatCannotComeToTheFrontGetsNoKeys) {
    onNewApartmentThread([] {
        Chain chain;
        chain.messenger.refuseActivation(true);
        chain.startPlugin();
        chain.player.show(L"1. First Song - Winamp");
        ASSERT_TRUE(waitUntil([&] { return chain.commandConversations().size() == 1; }, kSwitch));
        chain.player.show(L"2. Second Song - Winamp");
        ASSERT_TRUE(chain.passTicks(2));
        EXPECT_EQ(chain.host.hotKeys(), 0);
        EXPECT_EQ(chain.player.strayHotKeys(), 0);
        EXPECT_FALSE(chain.anyVisible(chain.commandConversations()));
        EXPECT_EQ(chain.commandConversations().size(), 1u) << "the recorded conversation was found again";
    });
}

// Such a name would write into another key of the host, or be cut there;
// the entry cannot be stored, and the keys would send whatever it held.
TEST(NameChain, UnusableSigninNameWritesAndPressesNothing) {
    for (const std::wstring& signin : {std::wstring(), std::wstring(L"ann\\..\\bob"), std::wstring(L"ann@x\0y", 7)}) {
        onNewApartmentThread([&] {
            Chain chain(ChainOptions{.signinName = signin});
            HWND bob = chain.messenger.openConversation(L"bob@example.test");
            chain.startPlugin();
            chain.player.show(L"1. First Song - Winamp");
            SetForegroundWindow(bob);
            ASSERT_TRUE(chain.passTicks(3));
            EXPECT_FALSE(regKeyExists(HKEY_CURRENT_USER, L"Software\\Verdalt"));
            EXPECT_EQ(chain.host.hotKeys(), 0);
        });
    }
}

// A tick that comes while a switch is still running (here the messenger
// lets messages through while it answers) must not start a second one.
TEST(NameChain, TickDuringASwitchDoesNothing) {
    onNewApartmentThread([] {
        Chain chain;
        chain.messenger.letMessagesThroughWhileReadingFriendlyName(1600ms);
        chain.startPlugin();
        chain.player.show(L"1. First Song - Winamp");
        ASSERT_TRUE(waitUntil([&] { return chain.commandConversations().size() == 1; }, 3 * kSwitch));
        ASSERT_TRUE(chain.passTicks(2));
        EXPECT_EQ(chain.messenger.deepestCallNesting(), 1);
        EXPECT_EQ(chain.commandConversations().size(), 1u);
    });
}

TEST(NameChain, NoCharacterOfTheTitleOrTheCommandIsLost) {
    onNewApartmentThread([] {
        Chain chain(ChainOptions{.currentNameMode = false});
        const std::wstring name = L"Zo\u00eb \u65e5\u672c\u8a9e";
        const std::wstring tag = L"\u266a h\u00f6rt";
        SettingsStore().WriteSetting(keys::CustomName, L"1");
        SettingsStore().WriteSetting(keys::CustomNamePl, name);
        SettingsStore().WriteSetting(keys::CustomTagPl, tag);
        HWND bob = chain.messenger.openConversation(L"bob@example.test");
        chain.startPlugin();
        chain.player.show(L"1. Ирина - Утро - Winamp");
        SetForegroundWindow(bob);
        ASSERT_TRUE(waitUntil([&] { return chain.host.sent().size() == 1; }, kSwitch));
        EXPECT_EQ(chain.host.sent()[0].text, L"/name " + name + L" " + tag + L" (!WAT)");
        EXPECT_EQ(chain.messenger.friendlyName(), name + L" " + tag + L" (!WAT)");
        // Titles that differ only in letters outside the ANSI code page are
        // a new song, which shows the listening name again after the user
        // set another name by hand (once the plug-in saw its name show).
        ASSERT_TRUE(chain.passTicks(1));
        chain.messenger.setFriendlyName(name);
        chain.player.show(L"1. Ирина - Ночь - Winamp");
        EXPECT_TRUE(waitUntil([&] { return chain.host.sent().size() == 2; }, kSwitch));
    });
}

}  // namespace
}  // namespace sonarel::testing
