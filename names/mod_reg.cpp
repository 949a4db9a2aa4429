#include "names/mod_reg.h"

#include <string>

#include "common/hresult_error.h"
#include "common/win32.h"

namespace sonarel {
namespace {

UniqueRegKey createKey(HKEY root, std::wstring_view path) {
    HKEY raw = nullptr;
    if (RegCreateKeyExW(root, std::wstring(path).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw, nullptr) !=
        ERROR_SUCCESS)
        return {};
    return UniqueRegKey(raw);
}

bool setValue(HKEY root, std::wstring_view path, std::wstring_view name, DWORD type, const void* data, DWORD bytes) {
    UniqueRegKey key = createKey(root, path);
    return key && RegSetValueExW(key.get(), std::wstring(name).c_str(), 0, type, static_cast<const BYTE*>(data),
                                 bytes) == ERROR_SUCCESS;
}

}  // namespace

bool WriteRegString(HKEY nRootKey, std::wstring_view sKeyPath, std::wstring_view sValueName, std::wstring_view sData) {
    std::wstring data(sData);  // with its terminating NUL
    return setValue(nRootKey, sKeyPath, sValueName, REG_SZ, data.c_str(),
                    static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}

std::int32_t ReadRegDword(HKEY nRootKey, std::wstring_view sKeyPath, std::wstring_view sValueName) {
    HKEY raw = nullptr;
    if (RegOpenKeyExW(nRootKey, std::wstring(sKeyPath).c_str(), 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS) return 0;
    UniqueRegKey key(raw);
    DWORD type = REG_NONE;
    DWORD value = 0;
    DWORD bytes = sizeof(value);
    LSTATUS status = RegQueryValueExW(key.get(), std::wstring(sValueName).c_str(), nullptr, &type,
                                      reinterpret_cast<BYTE*>(&value), &bytes);
    if (status != ERROR_SUCCESS || type != REG_DWORD || bytes != sizeof(value)) return 0;
    return static_cast<std::int32_t>(value);
}

std::optional<RegistryValue> ReadRegValue(HKEY nRootKey, std::wstring_view sKeyPath, std::wstring_view sValueName) {
    HKEY raw = nullptr;
    LSTATUS status = RegOpenKeyExW(nRootKey, std::wstring(sKeyPath).c_str(), 0, KEY_QUERY_VALUE, &raw);
    if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
    if (status != ERROR_SUCCESS) throw HResultError(HRESULT_FROM_WIN32(status));
    UniqueRegKey key(raw);
    std::wstring name(sValueName);
    RegistryValue value;
    for (;;) {
        DWORD type = REG_NONE;
        DWORD bytes = static_cast<DWORD>(value.data.size());
        status = RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, value.data.empty() ? nullptr : value.data.data(),
                                  &bytes);
        if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
        // Asked without a buffer, or the value grew since: ask again with its size.
        if ((status == ERROR_SUCCESS && value.data.size() < bytes) || status == ERROR_MORE_DATA) {
            value.data.resize(bytes);
            continue;
        }
        if (status != ERROR_SUCCESS) throw HResultError(HRESULT_FROM_WIN32(status));
        value.type = type;
        value.data.resize(bytes);
        return value;
    }
}

bool WriteRegValue(HKEY nRootKey, std::wstring_view sKeyPath, std::wstring_view sValueName, const RegistryValue& value) {
    return setValue(nRootKey, sKeyPath, sValueName, value.type, value.data.data(),
                    static_cast<DWORD>(value.data.size()));
}

bool DeleteRegValue(HKEY nRootKey, std::wstring_view sKeyPath, std::wstring_view sValueName) {
    HKEY raw = nullptr;
    LSTATUS status = RegOpenKeyExW(nRootKey, std::wstring(sKeyPath).c_str(), 0, KEY_SET_VALUE, &raw);
    if (status == ERROR_FILE_NOT_FOUND) return true;
    if (status != ERROR_SUCCESS) return false;
    UniqueRegKey key(raw);
    status = RegDeleteValueW(key.get(), std::wstring(sValueName).c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool WriteRegDword(HKEY nRootKey, std::wstring_view sKeyPath, std::wstring_view sValueName, std::int32_t nData) {
    DWORD data = static_cast<DWORD>(nData);
    return setValue(nRootKey, sKeyPath, sValueName, REG_DWORD, &data, sizeof(data));
}

}  // namespace sonarel
