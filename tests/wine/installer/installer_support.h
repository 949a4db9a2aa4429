#pragma once
// What the installer tests share: the setup program, its folders, and what
// an installed copy leaves in the registry and the file system.
#include <windows.h>

#include <string>

#include "tests/wine/support/wine_test_support.h"

namespace sonarel::testing {

extern const std::wstring uninstallKey;
extern const std::wstring pluginSettingsKey;

std::wstring shellFolder(int csidl);
// The per-user and the all-users default folders.
extern const std::wstring userFolder;
extern const std::wstring machineFolder;

// The setup program that `make dist` built.
std::wstring setupPath();

bool exists(const std::wstring& path);
std::string fileBytes(const std::wstring& path);
void appendTo(const std::wstring& path, const std::string& bytes);

// Runs the setup silently with the switches; its exit code.
DWORD runSetup(const std::wstring& switches);

// Runs the quiet uninstall command of the entry, as the system would, and
// waits until the uninstaller has removed itself (and the folder).
enum class Folder { removed, kept };
void runUninstall(HKEY root, const std::wstring& folder, const std::wstring& extra = L"",
                  Folder after = Folder::removed);

void expectRegisteredIn(HKEY root, const std::wstring& folder);
void expectNothingRegisteredIn(HKEY root);
// The files, the registration and the installed-programs entry.
void expectInstalledIn(HKEY root, const std::wstring& folder);

}  // namespace sonarel::testing
