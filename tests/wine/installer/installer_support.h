#pragma once
// What the installer tests share: the setup program, its folders, and what
// an installed copy leaves in the registry and the file system.
#include <windows.h>

#include <optional>
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

// The scope's Start menu folder of the plug-in, and its entry of the
// user's guide.
std::wstring startMenuFolder(HKEY root);
std::wstring guideLink(HKEY root);

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
// Nor an installed-programs entry, nor a Start menu folder.
void expectNothingRegisteredIn(HKEY root);
// The files, their version, the registration, the installed-programs
// entry and the Start menu entry.
void expectInstalledIn(HKEY root, const std::wstring& folder);

// What the plug-in keeps of the user's own quick text on Alt+0 while it
// borrows the entry, and the entry itself.
extern const std::wstring signinName;
extern const std::wstring recordKey;
extern const std::wstring hostKey;
extern const std::wstring quickTextKey;
extern const std::wstring keptQuickTextValue;
// The entry holds the plug-in's command; the user's own text (none: the
// entry had no message) is kept.
void borrowQuickText(const std::optional<std::wstring>& ownText, const std::wstring& command);

}  // namespace sonarel::testing
