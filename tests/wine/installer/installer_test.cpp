// The setup program and its uninstaller, run silently as a user would, in a
// Wine prefix of their own. Wine's COM reads no per-user class
// registrations, so per-user registration is checked by its registry
// entries, and creation by ProgID only in the all-users scope.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <fstream>
#include <iostream>
#include <iterator>

#include "SonarelPL.h"
#include "common/dispatch.h"
#include "settings/settings_store.h"
#include "sonarel_version.h"
#include "tests/wine/support/wine_test_support.h"

namespace sonarel::testing {
namespace {

std::wstring widen(const char* text) { return std::wstring(text, text + strlen(text)); }

const std::wstring classKey = L"Software\\Classes\\CLSID\\" + guid(CLSID_winamp);
const std::wstring progIdKey = L"Software\\Classes\\SonarelPL.winamp";
const std::wstring typeLibKey = L"Software\\Classes\\TypeLib\\" + guid(LIBID_SonarelPL);
const std::wstring interfaceKey = L"Software\\Classes\\Interface\\" + guid(IID__winamp);
const std::wstring uninstallKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\SonarelPL";
const std::wstring pluginSettingsKey = L"Software\\VB and VBA Program Settings\\Olvar's Sonarel Plugin";

std::wstring shellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::wstring setupPath() {
    wchar_t full[MAX_PATH] = {};
    GetFullPathNameW(besideTestProgram(L"..\\dist\\" SETUP_NAME).c_str(), MAX_PATH, full, nullptr);
    return full;
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string fileBytes(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

DWORD runSetup(const std::wstring& switches) {
    return runProgram(L"\"" + setupPath() + L"\" /S " + switches, 120s).exitCode;
}

// Runs the quiet uninstall command of the entry, as the system would. The
// uninstaller goes on in a copy of itself and removes the folder last, so
// the folder going away marks its end.
void runUninstall(HKEY root, const std::wstring& folder, const std::wstring& extra = L"") {
    auto command = readRegText(root, uninstallKey, L"QuietUninstallString");
    ASSERT_TRUE(command);
    runProgram(*command + L" " + extra, 60s);
    ASSERT_TRUE(waitUntil([&] { return !exists(folder); }, 60s)) << "the uninstaller left the folder";
}

void expectRegisteredIn(HKEY root, const std::wstring& folder) {
    std::wstring dll = lower(folder + L"\\SonarelPL.dll");
    EXPECT_EQ(lower(readRegText(root, classKey + L"\\InprocServer32", nullptr).value_or(L"")), dll);
    EXPECT_EQ(readRegText(root, progIdKey + L"\\CLSID", nullptr), guid(CLSID_winamp));
    EXPECT_EQ(lower(readRegText(root, typeLibKey + L"\\1.0\\409\\win32", nullptr).value_or(L"")), dll);
    EXPECT_TRUE(regKeyExists(root, interfaceKey));
}

void expectNothingRegisteredIn(HKEY root) {
    for (const auto& key : {classKey, progIdKey, typeLibKey, interfaceKey, uninstallKey})
        EXPECT_FALSE(regKeyExists(root, key)) << "left behind: " << std::string(key.begin(), key.end());
}

void expectInstalledIn(HKEY root, const std::wstring& folder) {
    for (const wchar_t* file : {L"README.txt", L"LICENSE.txt", L"uninstall.exe"})
        EXPECT_TRUE(exists(folder + L"\\" + file)) << "missing file";
    EXPECT_EQ(fileBytes(folder + L"\\SonarelPL.dll"), fileBytes(pluginPath()));
    expectRegisteredIn(root, folder);

    std::wstring uninstaller = L"\"" + folder + L"\\uninstall.exe\"";
    EXPECT_EQ(readRegText(root, uninstallKey, L"DisplayName"), L"Sonarel Plugin");
    EXPECT_EQ(readRegText(root, uninstallKey, L"Publisher"), L"Sonarel Team");
    EXPECT_EQ(readRegText(root, uninstallKey, L"DisplayVersion"), widen(SONAREL_VERSION_TEXT));
    EXPECT_EQ(lower(readRegText(root, uninstallKey, L"InstallLocation").value_or(L"")), lower(folder));
    EXPECT_EQ(lower(readRegText(root, uninstallKey, L"DisplayIcon").value_or(L"")),
              lower(folder + L"\\uninstall.exe,0"));
    EXPECT_EQ(lower(readRegText(root, uninstallKey, L"UninstallString").value_or(L"")), lower(uninstaller));
    EXPECT_EQ(lower(readRegText(root, uninstallKey, L"QuietUninstallString").value_or(L"")),
              lower(uninstaller + L" /S"));
    // In KiB: at least the DLL itself.
    EXPECT_GE(readRegDword(root, uninstallKey, L"EstimatedSize").value_or(0), fileBytes(pluginPath()).size() / 1024);
}

// The plug-in's published name, from a new process that creates it by
// ProgID and calls it through IDispatch, as the messenger does.
ProgramResult publishedNameFromNewProcess() {
    return runProgram(L"\"" + besideTestProgram(L"installer_test.exe") + L"\" --published-name");
}

const std::wstring userFolder = shellFolder(CSIDL_LOCAL_APPDATA) + L"\\Programs\\Sonarel";
const std::wstring machineFolder = shellFolder(CSIDL_PROGRAM_FILES) + L"\\Sonarel";

TEST(InstallerTest, PerUserInstallReinstallAndUninstall) {
    ASSERT_EQ(runSetup(L""), 0u);
    expectInstalledIn(HKEY_CURRENT_USER, userFolder);
    expectNothingRegisteredIn(HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(exists(machineFolder));

    // Installing over it keeps the user's settings.
    writeRegText(HKEY_CURRENT_USER, SettingsStore::keyPath, L"onOff", L"0");
    ASSERT_EQ(runSetup(L""), 0u);
    expectInstalledIn(HKEY_CURRENT_USER, userFolder);
    EXPECT_EQ(readRegText(HKEY_CURRENT_USER, SettingsStore::keyPath, L"onOff"), L"0");

    // Uninstalling keeps them too, unless asked.
    runUninstall(HKEY_CURRENT_USER, userFolder);
    expectNothingRegisteredIn(HKEY_CURRENT_USER);
    EXPECT_EQ(readRegText(HKEY_CURRENT_USER, SettingsStore::keyPath, L"onOff"), L"0");

    ASSERT_EQ(runSetup(L""), 0u);
    runUninstall(HKEY_CURRENT_USER, userFolder, L"/REMOVESETTINGS");
    expectNothingRegisteredIn(HKEY_CURRENT_USER);
    EXPECT_FALSE(regKeyExists(HKEY_CURRENT_USER, pluginSettingsKey));
}

TEST(InstallerTest, AllUsersInstallIsCreatableByProgIdUntilUninstalled) {
    ASSERT_EQ(runSetup(L"/ALLUSERS"), 0u);
    expectInstalledIn(HKEY_LOCAL_MACHINE, machineFolder);
    EXPECT_FALSE(regKeyExists(HKEY_CURRENT_USER, uninstallKey));
    ProgramResult created = publishedNameFromNewProcess();
    EXPECT_EQ(created.exitCode, 0u) << created.output;
    EXPECT_EQ(created.output, "Sonarel Plugin\n");

    runUninstall(HKEY_LOCAL_MACHINE, machineFolder);
    expectNothingRegisteredIn(HKEY_LOCAL_MACHINE);
    EXPECT_NE(publishedNameFromNewProcess().exitCode, 0u);
}

TEST(InstallerTest, FolderThatCannotBeMadeFailsAndRegistersNothing) {
    // A file where the folder would go.
    std::wstring blocked = shellFolder(CSIDL_LOCAL_APPDATA) + L"\\Blocked";
    std::ofstream(blocked.c_str()) << "in the way";
    EXPECT_EQ(runSetup(L"/D=" + blocked), 2u) << "the setup's exit code for a failure";
    expectNothingRegisteredIn(HKEY_CURRENT_USER);
    expectNothingRegisteredIn(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(fileBytes(blocked), "in the way");
    DeleteFileW(blocked.c_str());
}

// Creates the plug-in by ProgID and prints its published name.
int printPublishedName() {
    try {
        ComApartment apartment;
        CLSID clsid{};
        throwIfFailed(CLSIDFromProgID(L"SonarelPL.winamp", &clsid));
        ComPtr<IDispatch> plugin;
        throwIfFailed(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&plugin)));
        ByRef<std::wstring> name(L"");
        ByRef<long> commands(0), tags(0);
        callMethod(plugin.Get(), L"GetPublishInfo", {&name.arg, &commands.arg, &tags.arg});
        std::wstring text = name.str();
        std::cout << std::string(text.begin(), text.end()) << std::endl;
        return 0;
    } catch (const HResultError& error) {
        std::cout << "failed: 0x" << std::hex << error.code() << std::endl;
        return 1;
    }
}

}  // namespace
}  // namespace sonarel::testing

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--published-name") return sonarel::testing::printPublishedName();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
