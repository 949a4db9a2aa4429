// Settings survive the process: written in one, read in another.
#include <iomanip>
#include <sstream>

#include "settings/settings_store.h"
#include "tests/wine/support/plugin_environment.h"

namespace sonarel::testing {
namespace {

std::wstring hex(const std::wstring& text) {
    std::wostringstream out;
    out << std::hex;
    for (wchar_t c : text) out << std::setw(4) << std::setfill(L'0') << static_cast<unsigned>(c);
    return out.str();
}

std::wstring probe() { return besideTestProgram(L"settings_probe.exe"); }

std::string readInOtherProcess(const std::wstring& key) {
    ProgramResult result = runProgram(probe() + L" read " + key);
    EXPECT_EQ(result.exitCode, 0u) << result.output;
    return result.output;
}

std::string expectedProbeOutput(const std::wstring& value) {
    std::wstring h = hex(value);
    return "value:" + std::string(h.begin(), h.end()) + "\n";
}

class SettingsAcrossProcesses : public ::testing::TestWithParam<std::wstring> {
protected:
    CleanSettings clean;
};

TEST_P(SettingsAcrossProcesses, WrittenHereReadThere) {
    SettingsStore().WriteSetting(keys::CurrentTag, GetParam());
    EXPECT_EQ(readInOtherProcess(L"CurrentTag"), expectedProbeOutput(GetParam()));
}

TEST_P(SettingsAcrossProcesses, WrittenThereReadHere) {
    ProgramResult result = runProgram(probe() + L" write CustomNamePl " + hex(GetParam()) + L"0000");
    ASSERT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_EQ(SettingsStore().ReadSetting(keys::CustomNamePl), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Values, SettingsAcrossProcesses,
                         ::testing::Values(std::wstring(L"1"), std::wstring(L" I'm listening to: "),
                                           std::wstring(L"Zoë \u65e5\u672c \u263a"),  // beyond any ANSI code page
                                           std::wstring(4000, L'x')));

TEST(SettingsStore, AbsentKeySectionOrApplicationReadsEmpty) {
    CleanSettings clean;
    EXPECT_EQ(SettingsStore().ReadSetting(keys::CurrentName), L"");
    EXPECT_EQ(readInOtherProcess(L"CurrentName"), "value:\n");
    SettingsStore().WriteSetting(keys::onOff, L"1");
    EXPECT_EQ(SettingsStore().ReadSetting(keys::CurrentName), L"");
}

TEST(SettingsStore, EmptyTextIsStoredAndReplacesEarlierValue) {
    CleanSettings clean;
    SettingsStore store;
    store.WriteSetting(keys::CurrentTag, L"tag");
    store.WriteSetting(keys::CurrentTag, L"");
    EXPECT_EQ(store.ReadSetting(keys::CurrentTag), L"");
    EXPECT_EQ(readRegText(HKEY_CURRENT_USER, SettingsStore::keyPath, L"CurrentTag"), L"");
}

}  // namespace
}  // namespace sonarel::testing

namespace sonarel::testing {
namespace {

const std::wstring section = SettingsStore::keyPath;

TEST(SettingsStoreHostile, ValuesOfOtherTypesReadAsUnsetAndTextsOfAnyShapeReadWhole) {
    CleanSettings clean;
    DWORD one = 1;
    writeRegValue(HKEY_CURRENT_USER, section, L"onOff", REG_DWORD, &one, sizeof(one));
    EXPECT_EQ(SettingsStore().ReadSetting(keys::onOff), L"");

    const wchar_t multi[] = L"1\0second\0";
    writeRegValue(HKEY_CURRENT_USER, section, L"CurrentName", REG_MULTI_SZ, multi, sizeof(multi));
    EXPECT_EQ(SettingsStore().ReadSetting(keys::CurrentName), L"");
    writeRegValue(HKEY_CURRENT_USER, section, L"CustomName", REG_BINARY, "1", 1);
    EXPECT_EQ(SettingsStore().ReadSetting(keys::CustomName), L"");

    // Written without its terminating NUL, or with an odd number of bytes.
    writeRegValue(HKEY_CURRENT_USER, section, L"CurrentTag", REG_SZ, L"tag", 3 * sizeof(wchar_t));
    EXPECT_EQ(SettingsStore().ReadSetting(keys::CurrentTag), L"tag");
    writeRegValue(HKEY_CURRENT_USER, section, L"CurrentTag", REG_SZ, L"tag", 5);
    EXPECT_EQ(SettingsStore().ReadSetting(keys::CurrentTag), L"ta");
    // A NUL inside ends the text, as any reader of the value would see it.
    writeRegValue(HKEY_CURRENT_USER, section, L"CurrentTag", REG_SZ, L"a\0b", 4 * sizeof(wchar_t));
    EXPECT_EQ(SettingsStore().ReadSetting(keys::CurrentTag), L"a");
}

TEST(SettingsStoreHostile, AMegabyteValueRoundTrips) {
    CleanSettings clean;
    std::wstring huge(1 << 20, L'n');
    huge[12345] = L'\u00e9';
    SettingsStore().WriteSetting(keys::CustomNamePl, huge);
    EXPECT_EQ(SettingsStore().ReadSetting(keys::CustomNamePl), huge);
}

}  // namespace
}  // namespace sonarel::testing
