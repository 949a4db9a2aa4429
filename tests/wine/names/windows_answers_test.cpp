// The whole chain with the answers Windows gives where Wine answers
// otherwise: the plug-in DLL's imports are replaced, one consistent desktop
// at a time. Where the user is away or a presentation or game has the
// screen, nothing is opened, stored, sent or injected; once that ends, the
// name follows within two seconds.
#include <gtest/gtest.h>

#include "standins/support/user_input.h"
#include "standins/support/windows_answers.h"
#include "tests/wine/names/chain_support.h"
#include "tests/wine/support/plugin_environment.h"

namespace sonarel::testing {
namespace {

[[maybe_unused]] auto* const environment = ::testing::AddGlobalTestEnvironment(new PluginEnvironment);

using standin::WindowsAnswers;
using standin::WindowsPicture;
namespace pictures = standin::pictures;

std::string narrow(const wchar_t* text) { return std::string(text, text + wcslen(text)); }

TEST(WindowsAnswers, EachDesktopAsWindowsAnswersIt) {
    struct Case {
        WindowsPicture picture;
        std::chrono::milliseconds idleBefore = 1100ms;  // before the song
    };
    const Case cases[] = {
        // First: the plug-in's first reading of the last input in this process.
        {pictures::unattendedForAMonth()},
        {pictures::windows10Active()},
        {pictures::windows11Locked()},
        {pictures::disconnected()},
        {pictures::windows7Unlocked()},
        {pictures::windows7Locked()},
        {pictures::compatibilityMode()},
        {pictures::presentation()},
        {pictures::game()},
        {pictures::busyFullScreen()},
        {pictures::overlayAtTheDesktop()},
        {pictures::startOpen()},
        {pictures::storeAppInFront()},
        {pictures::otherDesktop()},
        {pictures::messengerOnASwitchersDesktop()},
        {pictures::screenSaverRunning()},
        {pictures::elevationPrompt()},
        // A quarter of 8 s: away after 2 s.
        {pictures::screenSaverAfter(8), 2500ms},
    };
    for (const Case& c : cases) {
        const WindowsPicture& picture = c.picture;
        onNewApartmentThread([&] {
            SCOPED_TRACE(narrow(picture.name));
            Chain chain;
            chain.player.show(L"");
            chain.startPlugin();
            WindowsAnswers answers(L"SonarelPL.dll", picture);
            ASSERT_EQ(answers.replaced().size(), 12u) << "every import of the list but GetVersionExW";
            ASSERT_TRUE(waitForInputQuiet());
            ASSERT_TRUE(waitUntil([&] { return GetTickCount() - lastInputTick() >= c.idleBefore.count(); }, 5s));
            const DWORD lastInput = lastInputTick();
            chain.player.show(L"1. First Song - Winamp");
            if (picture.waits()) {
                ASSERT_TRUE(chain.passTicks(2));
                EXPECT_TRUE(chain.host.sent().empty());
                EXPECT_TRUE(chain.messenger.conversations().empty()) << "not even opened";
                EXPECT_EQ(lastInputTick(), lastInput) << "nothing injected";
                // The session unlocks, the presentation or the game ends, the
                // user comes back to the messenger's desktop, Start closes.
                answers.show(picture.major == 6 ? pictures::windows7Unlocked() : pictures::windows11Unlocked());
            }
            const int ticksBefore = chain.player.titleReads();
            ASSERT_TRUE(waitUntil([&] { return chain.messenger.friendlyName() == kListeningName; }, 10s));
            // The first switch opens the command conversation and sends on the
            // tick that sees it reported: within two ticks, counted as ticks,
            // which a busy machine delays.
            EXPECT_LE(chain.player.titleReads() - ticksBefore, 2);
            EXPECT_EQ(chain.player.strayHotKeys(), 0);
        });
    }
}

}  // namespace
}  // namespace sonarel::testing
