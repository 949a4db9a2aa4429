#include "ui/system_info.h"

#include <optional>
#include <vector>

#include "common/com.h"
#include "common/win32.h"
#include "ui/registry_value_text.h"

namespace sonarel {
namespace {

constexpr DWORD valueBufferSize = 1024;

// A plain file: not a folder, not hidden, not a system file.
bool isNormalFile(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
}

std::optional<std::wstring> systemInfoProgram() {
    std::wstring path;
    if (GetKeyValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", path)) return path;
    if (GetKeyValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO", path)) {
        std::wstring program = path + L"\\MSINFO32.EXE";
        if (isNormalFile(program)) return program;
    }
    return std::nullopt;
}

}  // namespace

bool startProgram(const std::wstring& path) {
    if (path.empty()) return false;
    // Quoted, so that a path with blanks names the program and nothing else.
    std::wstring commandLine = path.front() == L'"' ? path : L"\"" + path + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    UniqueHandle thread(process.hThread), started(process.hProcess);
    // Let the tool take the foreground from us.
    AllowSetForegroundWindow(process.dwProcessId);
    return true;
}

bool GetKeyValue(HKEY root, const std::string& keyPath, const std::string& valueName, std::wstring& value) {
    HKEY raw = nullptr;
    // Read access is all the lookup needs, and all that users without
    // administrative rights get on these keys.
    if (RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS) {
        value.clear();
        return false;
    }
    UniqueRegKey key(raw);
    std::vector<char> buffer(valueBufferSize, '\0');
    DWORD size = valueBufferSize, type = 0;
    if (RegQueryValueExA(key.get(), valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                         &size) != ERROR_SUCCESS) {
        value.clear();
        return false;
    }
    if (size == 0) throw HResultError(HRESULT_FROM_WIN32(ERROR_INVALID_DATA));
    std::string_view characters = valueCharacters({buffer.data(), buffer.size()}, size);
    if (type == REG_SZ)
        value = fromAnsi(characters);
    else if (type == REG_DWORD)
        value = numberValueText(characters);
    // Any other type leaves the value as it was.
    return true;
}

void StartSysInfo(HWND owner, const ProgramStarter& start) {
    bool started = false;
    try {
        if (auto program = systemInfoProgram()) started = start(*program);
    } catch (...) {
        started = false;
    }
    if (!started) MessageBoxA(owner, systemInfoUnavailable, nullptr, MB_OK);
}

}  // namespace sonarel
