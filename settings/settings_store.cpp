#include "settings/settings_store.h"

#include <vector>

#include "common/com.h"
#include "common/win32.h"

namespace sonarel {
namespace {

std::wstring textOf(const std::vector<wchar_t>& data, DWORD bytes) {
    size_t length = bytes / sizeof(wchar_t);
    std::wstring text(data.data(), length);
    // The stored data normally ends in a NUL; some writers leave it off.
    if (auto nul = text.find(L'\0'); nul != std::wstring::npos) text.resize(nul);
    return text;
}

}  // namespace

std::wstring SettingsStore::ReadSetting(std::wstring_view key) const {
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath, 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS) return {};
    UniqueRegKey section(raw);
    std::wstring name(key);
    std::vector<wchar_t> data(64);
    for (;;) {
        DWORD type = 0;
        DWORD bytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        LSTATUS status = RegQueryValueExW(section.get(), name.c_str(), nullptr, &type,
                                          reinterpret_cast<BYTE*>(data.data()), &bytes);
        if (status == ERROR_MORE_DATA) {
            data.resize(bytes / sizeof(wchar_t) + 1);
            continue;
        }
        // Only text values are settings; anything else reads as unset.
        if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return {};
        return textOf(data, bytes);
    }
}

void SettingsStore::WriteSetting(std::wstring_view key, std::wstring_view value) {
    HKEY raw = nullptr;
    LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw,
                                     nullptr);
    if (status != ERROR_SUCCESS) throw HResultError(HRESULT_FROM_WIN32(status));
    UniqueRegKey section(raw);
    std::wstring name(key);
    std::wstring data(value);
    status = RegSetValueExW(section.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                            static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    if (status != ERROR_SUCCESS) throw HResultError(HRESULT_FROM_WIN32(status));
}

void SettingsStore::RemoveSetting(std::wstring_view key) {
    HKEY raw = nullptr;
    LSTATUS status = RegOpenKeyExW(HKEY_CURRENT_USER, keyPath, 0, KEY_SET_VALUE, &raw);
    if (status == ERROR_FILE_NOT_FOUND) return;
    if (status != ERROR_SUCCESS) throw HResultError(HRESULT_FROM_WIN32(status));
    UniqueRegKey section(raw);
    status = RegDeleteValueW(section.get(), std::wstring(key).c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) throw HResultError(HRESULT_FROM_WIN32(status));
}

std::vector<std::wstring> SettingsStore::ListSettings(std::wstring_view prefix) const {
    std::vector<std::wstring> keys;
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath, 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS) return keys;
    UniqueRegKey section(raw);
    std::vector<wchar_t> name(16384);  // the longest value name the registry allows, and its NUL
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(name.size());
        LSTATUS status = RegEnumValueW(section.get(), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        // A name too long for the buffer is no key of ours; any other error
        // would repeat for every index that follows.
        if (status == ERROR_MORE_DATA) continue;
        if (status != ERROR_SUCCESS) break;
        std::wstring_view key(name.data(), length);
        if (key.size() >= prefix.size() && _wcsnicmp(key.data(), prefix.data(), prefix.size()) == 0)
            keys.emplace_back(key);
    }
    return keys;
}

}  // namespace sonarel
