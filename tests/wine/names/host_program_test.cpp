// The stand-in host program, as `make demo` and a person run it.
#include <gtest/gtest.h>

#include "settings/settings_store.h"
#include "tests/wine/support/wine_test_support.h"

namespace sonarel::testing {
namespace {

std::wstring host() { return L"\"" + besideTestProgram(L"sonarel-host.exe") + L"\""; }

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
    ProgramResult result = runProgram(host() + L" --demo", 60s);
    EXPECT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_NE(result.output.find("sent \"/name Ann I'm listening to: (!WAT)\""), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("final name \"Ann\" - OK"), std::string::npos) << result.output;
}

}  // namespace
}  // namespace sonarel::testing
