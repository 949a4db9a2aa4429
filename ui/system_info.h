#pragma once
// The About window's "System Info" button: finds the system's System
// Information tool through the registry and starts it.
#include <windows.h>

#include <functional>
#include <string>

namespace sonarel {

inline constexpr const char* systemInfoUnavailable = "System Information Is Unavailable At This Time";

// Starts a program; true when it started.
using ProgramStarter = std::function<bool(const std::wstring& path)>;

// Starts the program at the path with a normal, focused window, without
// waiting for it.
bool startProgram(const std::wstring& path);

// Reads a value below the root into `value` and returns true; on a key or
// value that cannot be read, empties `value` and returns false. A value of
// zero bytes throws. The key is opened for reading only.
bool GetKeyValue(HKEY root, const std::string& keyPath, const std::string& valueName, std::wstring& value);

// Starts the System Information tool through `start`; when it cannot be
// found or started, says so in a message box owned by `owner`.
void StartSysInfo(HWND owner, const ProgramStarter& start = startProgram);

}  // namespace sonarel
