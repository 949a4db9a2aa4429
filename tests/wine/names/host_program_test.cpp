// The stand-in host program as a person runs it, and the demo program as
// `make demo` runs it.
#include <gtest/gtest.h>

#include "settings/settings_store.h"
#include "standins/host/quick_text_host.h"
#include "tests/wine/support/standin_player.h"
#include "tests/wine/support/wine_test_support.h"

namespace sonarel::testing {
namespace {

std::wstring program(const wchar_t* name) { return L"\"" + besideTestProgram(name) + L"\""; }
std::wstring host() { return program(L"sonarel-host.exe"); }

bool hasLine(const std::string& output, const std::string& line) {
    return ("\n" + output).find("\n" + line + "\n") != std::string::npos;
}

TEST(HostProgram, PrintsWhatThePluginPublishesAndTheResultOfEachCommand) {
    CleanSettings clean;
    ProgramResult result = runProgram(host() + L" --seconds 0 /XWinampOff xwinampon /xwinampon");
    ASSERT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_TRUE(hasLine(result.output, "plug-in: Sonarel Plugin (4 commands, 0 tags)")) << result.output;
    EXPECT_TRUE(hasLine(result.output, "command 1: Options = xwinampoptions")) << result.output;
    EXPECT_TRUE(hasLine(result.output, "command 4: Off = xwinampoff")) << result.output;
    EXPECT_TRUE(hasLine(result.output, "/XWinampOff -> True, result \"\"")) << result.output;
    EXPECT_TRUE(hasLine(result.output, "xwinampon -> False, result \"\"")) << result.output;
    EXPECT_TRUE(hasLine(result.output, "/xwinampon -> True, result \"\"")) << result.output;
    EXPECT_EQ(SettingsStore().ReadSetting(keys::onOff), L"1");
}

TEST(HostProgram, DemoSwitchesToTheListeningNameAndBack) {
    CleanSettings clean;
    ProgramResult result = runProgram(program(L"sonarel-demo.exe"), 180s);
    EXPECT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_NE(result.output.find("sent \"/name Ann I'm listening to: (!WAT)\""), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("final name \"Ann\" - OK"), std::string::npos) << result.output;
}

// A host that crashes while a song plays leaves the listening name
// showing, as the messenger's server keeps it, and, with a slow server, the
// user's own quick text borrowed; the next start, with the player closed,
// puts the plain name back and gives the user's text back.
TEST(HostProgram, AListeningNameLeftByACrashIsPutBackAtTheNextStart) {
    CleanSettings clean;
    SettingsStore settings;
    settings.WriteSetting(keys::CurrentName, flagSet);
    settings.WriteSetting(keys::CurrentTag, L"I'm listening to:");
    const std::wstring signin = L"ann@example.test";
    standin::putQuickText(signin, L"brb, 5 min");
    const standin::QuickTextEntry usersText = standin::readQuickText(signin);
    StandInPlayer player;
    player.run("open2");
    player.run("play2 Song");
    keepUserPresent();  // a user away gets no name switched
    {
        ChildProcess first(host() + L" --friendly Ann --slow-server");
        ASSERT_TRUE(first.waitForLine("sent in Debug.Window: /name Ann I'm listening to: (!WAT)", 15s))
            << ::testing::PrintToString(first.lines());
        ASSERT_NE(standin::readQuickText(signin), usersText) << "borrowed when the host ends";
        ASSERT_NE(settings.ReadSetting(L"KeptQuickText " + signin), L"") << "kept while borrowed";
        first.sendLine("crash");
        EXPECT_EQ(first.waitForExit(), 3u);
    }
    player.run("close2");
    ChildProcess next(host() + L" --friendly \"Ann I'm listening to: (!WAT)\"");
    EXPECT_TRUE(next.waitForLine("sent in Debug.Window: /name Ann", 15s));
    EXPECT_TRUE(next.waitForLine("display name: Ann"));
    EXPECT_TRUE(waitUntil([&] { return standin::readQuickText(signin) == usersText; }, 5s));
}

}  // namespace
}  // namespace sonarel::testing
