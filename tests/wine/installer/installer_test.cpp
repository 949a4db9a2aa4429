// The setup program and its uninstaller, run silently as a user would, in a
// Wine prefix of their own. Wine's COM reads no per-user class
// registrations, so per-user registration is checked by its registry
// entries, and creation by ProgID only in the all-users scope.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <fstream>
#include <iostream>
#include <map>
#include <vector>

#include "common/dispatch.h"
#include "settings/settings_store.h"
#include "tests/wine/installer/installer_support.h"

namespace sonarel::testing {
namespace {

// The files in a folder, by name, with a hash of their bytes.
using FolderContents = std::map<std::wstring, size_t>;
FolderContents folderContents(const std::wstring& folder) {
    FolderContents contents;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return contents;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            contents[found.cFileName] = std::hash<std::string>{}(fileBytes(folder + L"\\" + found.cFileName));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return contents;
}

// Writes the files, and returns what folderContents then reads.
FolderContents writeFiles(const std::wstring& folder, const std::map<std::wstring, std::string>& files) {
    CreateDirectoryW(folder.c_str(), nullptr);
    FolderContents written;
    for (const auto& [name, bytes] : files) {
        std::ofstream((folder + L"\\" + name).c_str(), std::ios::binary) << bytes;
        written[name] = std::hash<std::string>{}(bytes);
    }
    return written;
}

// The plug-in's published name, from a new process that creates it by
// ProgID and calls it through IDispatch, as the messenger does.
ProgramResult publishedNameFromNewProcess() {
    return runProgram(L"\"" + besideTestProgram(L"installer_test.exe") + L"\" --published-name");
}

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

TEST(InstallerTest, SharedFolderKeepsWhatOthersPutThere) {
    const std::wstring shared = shellFolder(CSIDL_LOCAL_APPDATA) + L"\\Shared";
    const FolderContents others = writeFiles(shared, {{L"README.txt", "another product's readme"},
                                                      {L"LICENSE.txt", "another product's licence"},
                                                      {L"uninstall.exe", "another product's uninstaller"},
                                                      {L"data.bin", std::string(4 << 20, 'x')}});

    ASSERT_EQ(runSetup(L"/D=" + shared), 0u);
    expectInstalledIn(HKEY_CURRENT_USER, shared);
    // In KiB: our files only, not the folder.
    EXPECT_LT(readRegDword(HKEY_CURRENT_USER, uninstallKey, L"EstimatedSize").value_or(0), 1024u);
    runUninstall(HKEY_CURRENT_USER, shared, L"", Folder::kept);
    EXPECT_EQ(folderContents(shared), others);
    expectNothingRegisteredIn(HKEY_CURRENT_USER);

    // A file with one of our names that the setup did not put there stops it.
    writeFiles(shared, {{L"SonarelPL-LICENSE.txt", "someone's copy"}});
    EXPECT_EQ(runSetup(L"/D=" + shared), 2u);
    EXPECT_EQ(fileBytes(shared + L"\\SonarelPL-LICENSE.txt"), "someone's copy");
    EXPECT_EQ(folderContents(shared).size(), others.size() + 1);
    expectNothingRegisteredIn(HKEY_CURRENT_USER);
}

TEST(InstallerTest, AllUsersInstallOnlyBelowProgramFiles) {
    const std::wstring programFiles = shellFolder(CSIDL_PROGRAM_FILES);
    for (const std::wstring& folder :
         {std::wstring(L"C:\\Sonarel"), programFiles + L"\\..\\Sonarel", programFiles + L" Sonarel", programFiles}) {
        const bool existed = exists(folder);
        EXPECT_EQ(runSetup(L"/ALLUSERS /D=" + folder), 2u) << std::string(folder.begin(), folder.end());
        EXPECT_EQ(exists(folder), existed);
        EXPECT_FALSE(exists(folder + L"\\SonarelPL.dll"));
        expectNothingRegisteredIn(HKEY_LOCAL_MACHINE);
    }
}

// A loaded DLL, as the messenger holds it: mapped as an image.
struct LoadedLibrary {
    explicit LoadedLibrary(const std::wstring& path)
        : module(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
    ~LoadedLibrary() { FreeLibrary(module); }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;
    HMODULE module;
};

TEST(InstallerTest, FailedUpgradeLeavesTheInstalledCopyWorking) {
    ASSERT_EQ(runSetup(L"/ALLUSERS"), 0u);
    // Marked, so that what is there afterwards is known to be the installed copy.
    appendTo(machineFolder + L"\\SonarelPL.dll", "installed copy");
    appendTo(machineFolder + L"\\SonarelPL-README.txt", "installed copy");
    const FolderContents installed = folderContents(machineFolder);
    {
        // The messenger has the DLL loaded, and the uninstaller is held open
        // without sharing its deletion: the upgrade fails at the last file,
        // after replacing the others.
        LoadedLibrary loaded(machineFolder + L"\\SonarelPL.dll");
        ASSERT_TRUE(loaded.module);
        UniqueHandle held(CreateFileW((machineFolder + L"\\SonarelPL-uninstall.exe").c_str(), GENERIC_READ,
                                      FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_NE(held.get(), INVALID_HANDLE_VALUE);
        EXPECT_EQ(runSetup(L"/ALLUSERS"), 2u);
        EXPECT_EQ(folderContents(machineFolder), installed);
    }
    expectRegisteredIn(HKEY_LOCAL_MACHINE, machineFolder);
    ProgramResult created = publishedNameFromNewProcess();
    EXPECT_EQ(created.output, "Sonarel Plugin\n");

    runUninstall(HKEY_LOCAL_MACHINE, machineFolder);
    expectNothingRegisteredIn(HKEY_LOCAL_MACHINE);
}

// The files that Windows deletes or renames when it restarts, in lower case.
std::vector<std::wstring> pendingAtRestart() {
    const wchar_t* key = L"System\\CurrentControlSet\\Control\\Session Manager";
    DWORD bytes = 0;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key, L"PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ, nullptr, nullptr,
                     &bytes) != ERROR_SUCCESS)
        return {};
    std::wstring text(bytes / sizeof(wchar_t), L'\0');
    RegGetValueW(HKEY_LOCAL_MACHINE, key, L"PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ, nullptr, text.data(),
                 &bytes);
    // Pairs of a file and its new name, empty for a deletion.
    std::vector<std::wstring> names;
    for (size_t at = 0; at < text.size(); at += wcslen(text.c_str() + at) + 1)
        if (text[at]) names.push_back(lower(text.c_str() + at));
    return names;
}

TEST(InstallerTest, LoadedDllIsDeletedAtRestartUnderANameOfItsOwn) {
    const std::wstring dll = lower(L"\\??\\" + machineFolder + L"\\SonarelPL.dll");
    ASSERT_EQ(runSetup(L"/ALLUSERS"), 0u);
    // Wine deletes a loaded DLL at once. A folder in its place, like a loaded
    // DLL on Windows, can be renamed but not deleted.
    const std::wstring path = machineFolder + L"\\SonarelPL.dll";
    ASSERT_TRUE(DeleteFileW(path.c_str()));
    ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
    runUninstall(HKEY_LOCAL_MACHINE, machineFolder, L"", Folder::kept);
    EXPECT_FALSE(exists(path));
    // The folder, which the setup made, goes at the restart too: last of all.
    const std::wstring folder = lower(L"\\??\\" + machineFolder + L"\\");
    std::vector<std::wstring> pending;
    ASSERT_TRUE(waitUntil([&] {
        pending = pendingAtRestart();
        return std::count(pending.begin(), pending.end(), folder) == 1;
    }));
    EXPECT_EQ(std::count(pending.begin(), pending.end(), dll), 0);
    EXPECT_EQ(std::count_if(pending.begin(), pending.end(),
                            [&](const std::wstring& name) { return name.starts_with(dll + L"."); }),
              1);

    // As an uninstaller of an earlier version did with a loaded DLL.
    ASSERT_TRUE(MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));

    // Installed again before the restart: nothing deletes the new DLL then,
    // and what else is due at the restart stays.
    ASSERT_EQ(runSetup(L"/ALLUSERS"), 0u);
    expectInstalledIn(HKEY_LOCAL_MACHINE, machineFolder);
    auto after = pendingAtRestart();
    EXPECT_EQ(after, pending);
    runUninstall(HKEY_LOCAL_MACHINE, machineFolder, L"", Folder::kept);
}

// A program started as a user's own start runs on Windows: the
// Administrators group only for denying. Wine grants the verb that asks for
// the rights without a prompt, and with the same token.
struct LimitedRun {
    DWORD exitCode = STILL_ACTIVE;
    DWORD programs = 0;  // it and those it started
};
LimitedRun runWithoutAdministrators(std::wstring command) {
    HANDLE own = nullptr, limited = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &own);
    UniqueHandle ownToken(own);
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0,
                             0, &administrators);
    SID_AND_ATTRIBUTES denyOnly{administrators, 0};
    BOOL restricted = CreateRestrictedToken(own, 0, 1, &denyOnly, 0, nullptr, 0, nullptr, &limited);
    FreeSid(administrators);
    UniqueHandle token(limited);
    LimitedRun run;
    if (!restricted) return run;

    UniqueHandle job(CreateJobObjectW(nullptr, nullptr));
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!CreateProcessAsUserW(token.get(), nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                              nullptr, &startup, &started))
        return run;
    UniqueHandle process(started.hProcess), thread(started.hThread);
    AssignProcessToJobObject(job.get(), process.get());
    ResumeThread(thread.get());
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION counts{};
    waitUntil(
        [&] {
            return QueryInformationJobObject(job.get(), JobObjectBasicAccountingInformation, &counts, sizeof(counts),
                                             nullptr) &&
                   counts.ActiveProcesses == 0;
        },
        60s);
    GetExitCodeProcess(process.get(), &run.exitCode);
    run.programs = counts.TotalProcesses;
    return run;
}

// In place, so that its exit code is the uninstall's; "_?=" comes last.
std::wstring uninstallInPlace(HKEY root, const std::wstring& folder, const std::wstring& switches = L"") {
    return readRegText(root, uninstallKey, L"QuietUninstallString").value_or(L"") + L" " + switches + L" _?=" + folder;
}

TEST(InstallerTest, OnlyAnAllUsersCopyAsksForAdministratorRightsToUninstall) {
    // A folder that an earlier test left goes only at the restart.
    const Folder machineFolderAfter = exists(machineFolder) ? Folder::kept : Folder::removed;
    ASSERT_EQ(runSetup(L"/ALLUSERS"), 0u);
    ASSERT_EQ(runSetup(L""), 0u);

    // The user's own part comes first, in the user's account: the quick
    // text that the plug-in borrowed goes back before the rights are asked
    // for. The second start, silent too, ends: it got the switches. Under
    // Wine it lacks the rights again, fails, and does not ask once more;
    // the user's settings, to go once the plug-in is removed, stay.
    borrowQuickText(L"see you soon", L"/name Ann I'm listening to: (!WAT)");
    writeRegText(HKEY_CURRENT_USER, recordKey, L"onOff", L"0");
    LimitedRun machine =
        runWithoutAdministrators(uninstallInPlace(HKEY_LOCAL_MACHINE, machineFolder, L"/REMOVESETTINGS"));
    EXPECT_EQ(machine.programs, 2u) << "a second start, asking for the rights";
    EXPECT_EQ(machine.exitCode, 2u) << "the second start's exit code";
    expectInstalledIn(HKEY_LOCAL_MACHINE, machineFolder);
    EXPECT_EQ(readRegText(HKEY_CURRENT_USER, quickTextKey, L"Message"), L"see you soon");
    EXPECT_FALSE(readRegText(HKEY_CURRENT_USER, recordKey, keptQuickTextValue.c_str()));
    EXPECT_EQ(readRegText(HKEY_CURRENT_USER, recordKey, L"onOff"), L"0") << "the settings went; the plug-in stays";
    deleteRegTree(HKEY_CURRENT_USER, hostKey);
    deleteRegTree(HKEY_CURRENT_USER, pluginSettingsKey);

    LimitedRun user = runWithoutAdministrators(uninstallInPlace(HKEY_CURRENT_USER, userFolder));
    EXPECT_EQ(user.programs, 1u) << "a per-user copy never asks";
    // Done; run in place, it cannot delete itself, so its folder goes at
    // the restart.
    EXPECT_EQ(user.exitCode, 3010u);
    expectNothingRegisteredIn(HKEY_CURRENT_USER);
    DeleteFileW((userFolder + L"\\SonarelPL-uninstall.exe").c_str());
    RemoveDirectoryW(userFolder.c_str());

    runUninstall(HKEY_LOCAL_MACHINE, machineFolder, L"", machineFolderAfter);
    expectNothingRegisteredIn(HKEY_LOCAL_MACHINE);
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
