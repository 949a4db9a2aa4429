// The plug-in's keys on their way under Wine: where the keyboard goes
// after the hide, what became of the keys when the conversation's thread
// is busy, stops answering, looks at its queue or is closed, whose input
// the last input was; and, through the real plug-in and its timer, a
// contact's conversation brought forward before the keys are read, and
// keys another program's hook swallows. Each test runs on a thread of its
// own, so the plug-in starts afresh for it.
#include <gtest/gtest.h>

#include "names/win32_window_system.h"
#include "standins/support/debug_trace.h"
#include "standins/support/key_counting_window.h"
#include "standins/support/user_input.h"
#include "standins/support/window_class.h"
#include "standins/support/windows_answers.h"
#include "tests/wine/names/chain_support.h"
#include "tests/wine/support/plugin_environment.h"
#include "tests/wine/support/standin_player.h"

namespace sonarel::testing {
namespace {

[[maybe_unused]] auto* const environment = ::testing::AddGlobalTestEnvironment(new PluginEnvironment);

// A tick comes every second; a switch is seen within a few.
constexpr auto kSwitch = 5s;

WindowHandle handle(HWND window) { return static_cast<WindowHandle>(reinterpret_cast<UINT_PTR>(window)); }

HWND theDocument() { return FindWindowW(nullptr, L"Document - Editor"); }

// The window system around the plug-in's keys, on its own: where the
// keyboard goes after the hide, what became of the keys, and whose input
// the last input was.
TEST(OurKeys, TheKeyboardAroundThem) {
    struct Case {
        const char* what;
        std::function<void()> body;
    };
    const Case cases[] = {
        {"the window before is gone: another program gets the keyboard",
         [] {
             StandInPlayer desk;
             desk.run("work");
             standin::StandInMessenger messenger(kSignin, kPlainName);
             HWND command = messenger.openConversation(L"Debug.Window");
             HWND before = messenger.openConversation(L"bob@example.test");
             ShowWindow(command, SW_HIDE);  // as it is between switches
             SetForegroundWindow(command);
             ASSERT_TRUE(waitUntil([&] { return GetForegroundWindow() == command; }));
             messenger.closeConversation(before);
             Win32WindowSystem().hide(handle(command), handle(before));
             EXPECT_TRUE(waitUntil([&] { return desk.reply("desk") == "ok keys=0 front=document"; }, 3s))
                 << desk.reply("desk");
             EXPECT_FALSE(IsWindowVisible(command));
         }},
        {"the window before is gone, the program behind shows a dialog: the dialog gets the keyboard",
         [] {
             standin::StandInMessenger messenger(kSignin, kPlainName);
             HWND command = messenger.openConversation(L"Debug.Window");
             HWND before = messenger.openConversation(L"bob@example.test");
             KeyCountingWindow editor(L"Editor", WS_OVERLAPPEDWINDOW, RECT{820, 300, 1220, 500});
             editor.bringToFront();
             registerWindowClass(L"SonarelTestDialog", DefWindowProcW);
             UniqueWindow dialog(CreateWindowExW(WS_EX_DLGMODALFRAME, L"SonarelTestDialog", L"Save As",
                                                 WS_POPUP | WS_CAPTION | WS_VISIBLE, 860, 340, 300, 120,
                                                 editor.handle(), nullptr, GetModuleHandleW(nullptr), nullptr));
             SetForegroundWindow(dialog.get());
             ASSERT_TRUE(waitUntil([&] { return GetForegroundWindow() == dialog.get(); }));
             ShowWindow(command, SW_HIDE);
             SetForegroundWindow(command);
             ASSERT_TRUE(waitUntil([&] { return GetForegroundWindow() == command; }));
             messenger.closeConversation(before);
             Win32WindowSystem().hide(handle(command), handle(before));
             EXPECT_TRUE(waitUntil([&] { return GetForegroundWindow() == dialog.get(); }, 3s));
         }},
        {"the command conversation closed while its keys are unread: the keyboard back within a second",
         [] {
             StandInPlayer desk;
             desk.run("work");
             standin::StandInMessenger messenger(kSignin, kPlainName);
             messenger.leaveInputUnread(3000ms);
             messenger.peekWhileBusy(true);  // so that it can be closed meanwhile
             HWND command = messenger.openConversation(L"Debug.Window");
             KeyCountingWindow behind(L"Notes", WS_OVERLAPPEDWINDOW, RECT{40, 600, 400, 800});
             behind.bringToFront();  // the window the window system picks once the conversation closes
             SetForegroundWindow(command);
             ASSERT_TRUE(waitUntil([&] { return GetForegroundWindow() == command; }));
             Win32WindowSystem windows;
             ASSERT_TRUE(windows.pressHotKey(handle(command)));
             windows.hide(handle(command), handle(theDocument()));
             pumpMessagesFor(300ms);
             ASSERT_EQ(windows.lastKeys(), KeysFate::unread);
             messenger.closeConversation(command);
             EXPECT_TRUE(waitUntil([&] { return GetForegroundWindow() == theDocument(); }, 1s));
             EXPECT_EQ(windows.lastKeys(), KeysFate::lost);
         }},
        {"the conversation stops answering, and the user brings another window forward: its keys stay unread",
         [] {
             StandInPlayer desk;
             desk.run("work");
             standin::StandInMessenger messenger(kSignin, kPlainName);
             messenger.leaveInputUnread(0ms);  // its own thread, not busy yet
             HWND command = messenger.openConversation(L"Debug.Window");
             SetForegroundWindow(command);
             ASSERT_TRUE(waitUntil([&] { return GetForegroundWindow() == command; }));
             Win32WindowSystem windows;
             messenger.keepBusy(command, 6000ms);
             const DWORD busyFrom = GetTickCount();
             ASSERT_TRUE(windows.pressHotKey(handle(command)));
             windows.hide(handle(command), handle(theDocument()));
             // Hung by Windows' rule: no message taken for 5 s.
             ASSERT_TRUE(waitUntil([&] { return GetTickCount() - busyFrom > 5200; }, 7s));
             desk.run("work");
             ASSERT_TRUE(waitUntil([&] { return GetTickCount() - busyFrom > 5600; }, 2s));
             EXPECT_EQ(windows.lastKeys(), KeysFate::unread);
             // Answering again, it can no longer read them: they are taken out.
             EXPECT_TRUE(waitUntil([&] { return windows.lastKeys() == KeysFate::lost; }, 4s));
             EXPECT_TRUE(waitUntil([&] { return desk.reply("desk") == "ok keys=0 front=document"; }, 2s))
                 << desk.reply("desk");
         }},
        {"our keys sent again without our mark: lost at once, never taken for read, and no hot key read",
         [] {
             standin::StandInMessenger messenger(kSignin, kPlainName);
             int hotKeys = 0;
             messenger.onHotKey([&](const standin::ConversationInfo&) { ++hotKeys; });
             HWND command = messenger.openConversation(L"Debug.Window");
             SetForegroundWindow(command);
             ASSERT_TRUE(waitUntil([&] { return GetForegroundWindow() == command; }));
             standin::WindowsAnswers answers(nullptr, standin::pictures::keysSentAgainUnmarked());
             Win32WindowSystem windows;
             ASSERT_TRUE(windows.pressHotKey(handle(command)));
             // Input after the batch tells at once: no need to wait for keys that never come.
             KeysFate fate = KeysFate::unread;
             EXPECT_TRUE(waitUntil([&] { return (fate = windows.lastKeys()) != KeysFate::unread; }, 1s));
             EXPECT_EQ(fate, KeysFate::lost);
             EXPECT_EQ(standin::WindowsAnswers::batchesTaken() > 0, true);
             // The entry may be the user's again by the time they are read.
             pumpMessagesFor(300ms);
             EXPECT_EQ(hotKeys, 0);
         }},
        {"its thread busy after the hot key, looking at its queue meanwhile: unread until it takes the last key",
         [] {
             standin::StandInMessenger messenger(kSignin, kPlainName);
             messenger.leaveInputUnread(0ms);
             messenger.peekWhileBusy(true);
             messenger.keepBusyAfterTheHotKey(2500ms);
             HWND command = messenger.openConversation(L"Debug.Window");
             SetForegroundWindow(command);
             ASSERT_TRUE(waitUntil([&] { return GetForegroundWindow() == command; }));
             Win32WindowSystem windows;
             ASSERT_TRUE(windows.pressHotKey(handle(command)));
             pumpMessagesFor(2200ms);  // past the time after which keys not watched count as read
             EXPECT_EQ(windows.lastKeys(), KeysFate::unread);
             EXPECT_TRUE(waitUntil([&] { return windows.lastKeys() == KeysFate::read; }, 2s));
         }},
        {"our keys swallowed, the user's Alt let go just before them and read after: lost, not taken for read",
         [] {
             standin::StandInMessenger messenger(kSignin, kPlainName);
             messenger.leaveInputUnread(0ms);
             HWND command = messenger.openConversation(L"Debug.Window");
             SetForegroundWindow(command);
             ASSERT_TRUE(waitUntil([&] { return GetForegroundWindow() == command; }));
             messenger.keepBusy(command, 800ms);
             const DWORD before = lastInputTick();
             typeKey(VK_MENU);
             ASSERT_TRUE(waitUntil([&] { return lastInputTick() != before; }, 1s));
             pumpMessagesFor(50ms);  // our keys stamped after the user's
             standin::WindowsAnswers answers(nullptr, standin::pictures::keysSwallowed());
             Win32WindowSystem windows;
             ASSERT_TRUE(windows.pressHotKey(handle(command)));
             KeysFate fate = KeysFate::unread;
             EXPECT_TRUE(waitUntil([&] { return (fate = windows.lastKeys()) != KeysFate::unread; }, 4s));
             EXPECT_EQ(fate, KeysFate::lost);
         }},
        {"the user's key just before our own input: still typing",
         [] {
             ASSERT_TRUE(waitForInputQuiet());
             Win32WindowSystem windows;
             EXPECT_NE(windows.userActivity(), UserActivity::typing);
             const DWORD before = lastInputTick();
             typeKey(VK_SHIFT);
             ASSERT_TRUE(waitUntil([&] { return lastInputTick() != before; }, 2s));
             windows.claimLastInput();
             EXPECT_EQ(windows.userActivity(), UserActivity::typing);
         }},
        {"our own input, claimed and read again and again: never typing",
         [] {
             ASSERT_TRUE(waitForInputQuiet());
             Win32WindowSystem windows;
             for (int i = 0; i < 300; ++i) {
                 windows.claimLastInput();
                 ASSERT_NE(windows.userActivity(), UserActivity::typing) << i;
             }
         }},
    };
    for (const Case& c : cases) {
        onNewApartmentThread([&] {
            SCOPED_TRACE(c.what);
            c.body();
        });
    }
}

// A contact's message arrives as the plug-in's keys go out, and the
// messenger brings that conversation forward before its thread reads them:
// no key of ours reaches it, so the contact gets neither the command nor
// the draft; the keys count as lost, and the name still follows.
TEST(OurKeys, AContactsMessageMovesTheFocusBeforeTheyAreRead) {
    onNewApartmentThread([] {
        DebugTraceReader trace;
        TraceShownOnFailure shown(trace);
        Chain chain;
        chain.player.show(L"");
        chain.startPlugin();
        chain.player.show(L"1. First Song - Winamp");
        ASSERT_TRUE(waitUntil([&] { return chain.messenger.friendlyName() == kListeningName; }, kSwitch));
        const std::wstring draft = L"see you at";
        HWND bob = userWritesToBob(chain, draft);
        ASSERT_TRUE(bob);
        ASSERT_TRUE(waitForInputQuiet());
        chain.messenger.messageFromContactWhenCommandComesForward(bob);

        chain.player.show(L"1. First Song - Winamp [Paused]");
        ASSERT_TRUE(waitUntil([&] { return chain.messenger.messagesFromContacts() == 1; }, kSwitch));
        // Pressed again on the next tick: the server never saw the name.
        ASSERT_TRUE(waitUntil([&] { return chain.messenger.friendlyName() == kPlainName; }, 8s));
        EXPECT_TRUE(trace.contains("did not reach the command conversation"));
        EXPECT_EQ(chain.messenger.hotKeyKeysInUserConversations(), 0);
        EXPECT_TRUE(chain.messenger.messagesToContacts().empty());
        EXPECT_EQ(chain.messenger.draft(bob), draft);
        EXPECT_EQ(sentTexts(chain).back(), L"/name Ann");
        EXPECT_EQ(chain.player.strayHotKeys(), 0);
    });
}

// Another program's hook swallows the plug-in's keys on their way, once:
// the hidden conversation, in front, never reads them. Within two and a
// half seconds, at once when the user types meanwhile, they count as lost
// and the keyboard goes back to the user's program, if only until they
// are pressed again; the user's keys reach it, none the hidden
// conversation; the keys pressed again bring the name.
TEST(OurKeys, SwallowedOnTheirWayTheyLeaveTheUsersKeysToTheUser) {
    struct Case {
        const char* what;
        std::optional<std::chrono::milliseconds> typeAfter;  // the user types a key that long after ours
    };
    const Case cases[] = {{"the user waits", std::nullopt}, {"the user types meanwhile", 600ms}};
    for (const Case& c : cases) {
        onNewApartmentThread([&] {
            SCOPED_TRACE(c.what);
            DebugTraceReader trace;
            TraceShownOnFailure shown(trace);
            Chain chain;
            chain.player.show(L"1. First Song - Winamp");
            UsersProgram program;
            ASSERT_TRUE(program.bringToFront());
            chain.startPlugin();
            ASSERT_TRUE(waitUntil([&] { return chain.messenger.friendlyName() == kListeningName; }, kSwitch));
            ASSERT_TRUE(waitUntil([&] { return GetForegroundWindow() == program.window(); }, 3s));
            standin::WindowsAnswers answers(L"SonarelPL.dll", standin::pictures::keysSwallowed());
            ASSERT_TRUE(waitForInputQuiet());
            const int taken = standin::WindowsAnswers::batchesTaken();
            chain.player.show(L"1. First Song - Winamp [Stopped]");
            ASSERT_TRUE(waitUntil([&] { return standin::WindowsAnswers::batchesTaken() > taken; }, kSwitch));
            const DWORD swallowed = standin::WindowsAnswers::lastBatchTakenAt();
            answers.show(standin::pictures::windows10Active());  // the keys pressed again go through
            int typed = 0;
            if (c.typeAfter) {
                waitUntil([&] { return GetTickCount() - swallowed >= c.typeAfter->count(); }, 2s);
                typeKey('A');
                ++typed;
            }
            ASSERT_TRUE(waitUntil([&] { return program.activatedSince(swallowed).has_value(); }, 3s));
            EXPECT_LE(*program.activatedSince(swallowed) - swallowed, 2500u);
            EXPECT_TRUE(waitUntil([&] { return chain.messenger.friendlyName() == kPlainName; }, kSwitch));
            EXPECT_TRUE(waitUntil([&] { return GetForegroundWindow() == program.window() && program.keys() == typed; }, 3s))
                << program.keys();
            EXPECT_EQ(sentTexts(chain).back(), L"/name Ann");
            EXPECT_EQ(chain.player.strayHotKeys(), 0);
        });
    }
}

}  // namespace
}  // namespace sonarel::testing
