#include "tests/wine/installer/installer_support.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "SonarelPL.h"
#include "sonarel_version.h"

namespace sonarel::testing {
namespace {

std::wstring widen(const char* text) { return std::wstring(text, text + strlen(text)); }

const std::wstring classKey = L"Software\\Classes\\CLSID\\" + guid(CLSID_winamp);
const std::wstring progIdKey = L"Software\\Classes\\SonarelPL.winamp";
const std::wstring typeLibKey = L"Software\\Classes\\TypeLib\\" + guid(LIBID_SonarelPL);
const std::wstring interfaceKey = L"Software\\Classes\\Interface\\" + guid(IID__winamp);

}  // namespace

const std::wstring uninstallKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\SonarelPL";
const std::wstring pluginSettingsKey = L"Software\\VB and VBA Program Settings\\Olvar's Sonarel Plugin";

std::wstring shellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

const std::wstring userFolder = shellFolder(CSIDL_LOCAL_APPDATA) + L"\\Programs\\Sonarel";
const std::wstring machineFolder = shellFolder(CSIDL_PROGRAM_FILES) + L"\\Sonarel";

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

void appendTo(const std::wstring& path, const std::string& bytes) {
    std::ofstream(path.c_str(), std::ios::binary | std::ios::app) << bytes;
}

DWORD runSetup(const std::wstring& switches) {
    return runProgram(L"\"" + setupPath() + L"\" /S " + switches, 120s).exitCode;
}

// The uninstaller goes on in a copy of itself and removes itself and then
// the folder (when the setup made it) last, so their going away marks its end.
void runUninstall(HKEY root, const std::wstring& folder, const std::wstring& extra, Folder after) {
    auto command = readRegText(root, uninstallKey, L"QuietUninstallString");
    ASSERT_TRUE(command);
    runProgram(*command + L" " + extra, 60s);
    std::wstring uninstaller = folder + L"\\SonarelPL-uninstall.exe";
    ASSERT_TRUE(waitUntil([&] { return !exists(uninstaller) && (after == Folder::kept || !exists(folder)); }, 60s))
        << "the uninstaller left its files or the folder";
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
    for (const wchar_t* file : {L"SonarelPL-README.txt", L"SonarelPL-LICENSE.txt", L"SonarelPL-uninstall.exe"})
        EXPECT_TRUE(exists(folder + L"\\" + file)) << "missing file";
    EXPECT_EQ(fileBytes(folder + L"\\SonarelPL.dll"), fileBytes(pluginPath()));
    expectRegisteredIn(root, folder);

    std::wstring uninstaller = L"\"" + folder + L"\\SonarelPL-uninstall.exe\"";
    EXPECT_EQ(readRegText(root, uninstallKey, L"DisplayName"), L"Sonarel Plugin");
    EXPECT_EQ(readRegText(root, uninstallKey, L"Publisher"), L"Sonarel Team");
    EXPECT_EQ(readRegText(root, uninstallKey, L"DisplayVersion"), widen(SONAREL_VERSION_TEXT));
    EXPECT_EQ(lower(readRegText(root, uninstallKey, L"InstallLocation").value_or(L"")), lower(folder));
    EXPECT_EQ(lower(readRegText(root, uninstallKey, L"DisplayIcon").value_or(L"")),
              lower(folder + L"\\SonarelPL-uninstall.exe,0"));
    EXPECT_EQ(lower(readRegText(root, uninstallKey, L"UninstallString").value_or(L"")), lower(uninstaller));
    EXPECT_EQ(lower(readRegText(root, uninstallKey, L"QuietUninstallString").value_or(L"")),
              lower(uninstaller + L" /S"));
    // In KiB: at least the DLL itself.
    EXPECT_GE(readRegDword(root, uninstallKey, L"EstimatedSize").value_or(0), fileBytes(pluginPath()).size() / 1024);
}

}  // namespace sonarel::testing
