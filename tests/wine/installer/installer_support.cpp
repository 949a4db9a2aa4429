#include "tests/wine/installer/installer_support.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <winver.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "SonarelPL.h"
#include "sonarel_version.h"
#include "ui/developer_info.h"

namespace sonarel::testing {
namespace {

std::wstring widen(const char* text) { return std::wstring(text, text + strlen(text)); }

const std::wstring classKey = L"Software\\Classes\\CLSID\\" + guid(CLSID_winamp);
const std::wstring progIdKey = L"Software\\Classes\\SonarelPL.winamp";
const std::wstring typeLibKey = L"Software\\Classes\\TypeLib\\" + guid(LIBID_SonarelPL);
const std::wstring interfaceKey = L"Software\\Classes\\Interface\\" + guid(IID__winamp);

// The version a file's version resource gives: its four numbers, and its
// product version as text.
struct FileVersion {
    std::wstring numbers;
    std::wstring productText;
};
FileVersion fileVersion(const std::wstring& path) {
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), nullptr);
    std::vector<BYTE> info(size);
    if (!size || !GetFileVersionInfoW(path.c_str(), 0, size, info.data())) return {};
    FileVersion version;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && length >= sizeof(*fixed))
        for (DWORD part : {HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                           HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS)})
            version.numbers += (version.numbers.empty() ? L"" : L".") + std::to_wstring(part);
    wchar_t* text = nullptr;
    if (VerQueryValueW(info.data(), L"\\StringFileInfo\\040904B0\\ProductVersion", reinterpret_cast<void**>(&text),
                       &length) &&
        length > 0)
        version.productText.assign(text, wcsnlen(text, length));
    return version;
}

// The file a shell link opens; empty when it cannot be read.
std::wstring linkTarget(const std::wstring& link) {
    ComApartment apartment;
    ComPtr<IShellLinkW> shellLink;
    ComPtr<IPersistFile> file;
    wchar_t target[MAX_PATH] = {};
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&shellLink))) ||
        FAILED(shellLink.As(&file)) || FAILED(file->Load(link.c_str(), STGM_READ)) ||
        FAILED(shellLink->GetPath(target, MAX_PATH, nullptr, 0)))
        return L"";
    return target;
}

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

std::wstring startMenuFolder(HKEY root) {
    return shellFolder(root == HKEY_LOCAL_MACHINE ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS) + L"\\Sonarel Plugin";
}

std::wstring guideLink(HKEY root) { return startMenuFolder(root) + L"\\Sonarel Plugin user's guide.lnk"; }

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
    EXPECT_FALSE(exists(startMenuFolder(root))) << "the Start menu folder is left behind";
}

void expectInstalledIn(HKEY root, const std::wstring& folder) {
    for (const wchar_t* file : {L"SonarelPL-README.txt", L"SonarelPL-LICENSE.txt", L"SonarelPL-uninstall.exe"})
        EXPECT_TRUE(exists(folder + L"\\" + file)) << "missing file";
    EXPECT_EQ(fileBytes(folder + L"\\SonarelPL.dll"), fileBytes(pluginPath()));
    expectRegisteredIn(root, folder);

    // One version everywhere: three numbers, and a fourth of 0 where
    // Windows shows four.
    const std::wstring version = widen(SONAREL_VERSION_TEXT);
    for (const std::wstring& file : {folder + L"\\SonarelPL.dll", setupPath()}) {
        FileVersion shown = fileVersion(file);
        EXPECT_EQ(shown.numbers, version + L".0") << toAnsi(file);
        EXPECT_EQ(shown.productText, version) << toAnsi(file);
    }
    EXPECT_EQ(readRegText(root, uninstallKey, L"DisplayVersion"), version);

    std::wstring uninstaller = L"\"" + folder + L"\\SonarelPL-uninstall.exe\"";
    EXPECT_EQ(readRegText(root, uninstallKey, L"DisplayName"), L"Sonarel Plugin");
    EXPECT_EQ(readRegText(root, uninstallKey, L"Publisher"), L"Sonarel Team");
    EXPECT_EQ(lower(readRegText(root, uninstallKey, L"InstallLocation").value_or(L"")), lower(folder));
    EXPECT_EQ(lower(readRegText(root, uninstallKey, L"DisplayIcon").value_or(L"")),
              lower(folder + L"\\SonarelPL-uninstall.exe,0"));
    EXPECT_EQ(lower(readRegText(root, uninstallKey, L"UninstallString").value_or(L"")), lower(uninstaller));
    EXPECT_EQ(lower(readRegText(root, uninstallKey, L"QuietUninstallString").value_or(L"")),
              lower(uninstaller + L" /S"));
    // In KiB: at least the DLL itself.
    EXPECT_GE(readRegDword(root, uninstallKey, L"EstimatedSize").value_or(0), fileBytes(pluginPath()).size() / 1024);
    // The support information: the guide, and the publisher's addresses.
    const std::wstring guide = lower(folder + L"\\SonarelPL-README.txt");
    EXPECT_EQ(lower(readRegText(root, uninstallKey, L"Readme").value_or(L"")), guide);
    EXPECT_EQ(lower(readRegText(root, uninstallKey, L"HelpLink").value_or(L"")), guide);
    EXPECT_EQ(readRegText(root, uninstallKey, L"URLInfoAbout"), widen(developer::websiteLink));
    EXPECT_EQ(readRegText(root, uninstallKey, L"URLUpdateInfo"), widen(developer::bannerLink));
    // The Start menu of the scope installed in leads to the guide.
    EXPECT_EQ(lower(linkTarget(guideLink(root))), guide);
}

const std::wstring signinName = L"Ann@Example.test";
const std::wstring recordKey = pluginSettingsKey + L"\\Data";
const std::wstring hostKey = L"Software\\Verdalt";
const std::wstring quickTextKey =
    hostKey + L"\\Quorvex2\\" + signinName + L"\\Preferences\\QuickTexts\\QuickText09";
const std::wstring keptQuickTextValue = L"KeptQuickText " + lower(signinName);

namespace {

// A value as the plug-in keeps it: "-" when absent, else its type and bytes.
std::wstring keptValue(const std::optional<std::wstring>& text) {
    if (!text) return L"-";
    std::wstring kept = std::to_wstring(REG_SZ) + L":";
    wchar_t hex[3];
    for (wchar_t unit : *text + L'\0')
        for (int byte : {unit & 0xff, unit >> 8}) {
            swprintf(hex, 3, L"%02x", byte);
            kept += hex;
        }
    return kept;
}

}  // namespace

void borrowQuickText(const std::optional<std::wstring>& ownText, const std::wstring& command) {
    writeRegText(HKEY_CURRENT_USER, quickTextKey, L"Message", command);
    DWORD autoSend = 1;
    writeRegValue(HKEY_CURRENT_USER, quickTextKey, L"AutoSend", REG_DWORD, &autoSend, sizeof(autoSend));
    const std::wstring separator(1, L'\x1f');
    writeRegText(HKEY_CURRENT_USER, recordKey, keptQuickTextValue.c_str(),
                 keptValue(ownText) + separator + keptValue(std::nullopt) + separator + command);
}

}  // namespace sonarel::testing
