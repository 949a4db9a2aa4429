#pragma once
// modReg: three small registry operations for the host's quick-text entry.
// Each call opens or creates its key and closes it again. A write reports
// whether the value was stored: the hot key would otherwise send what the
// entry held before. Texts go through the Unicode functions so that no
// character of a command is lost on the way to the host.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string_view>

#include "settings/kept_quick_text.h"

namespace sonarel {

// Stores a REG_SZ value, creating the key path as needed. False when the
// key could not be opened or created or the value not written.
bool WriteRegString(HKEY nRootKey, std::wstring_view sKeyPath, std::wstring_view sValueName, std::wstring_view sData);

// A 4-byte REG_DWORD value; 0 for anything else (key or value missing,
// another type, another size, any failure).
std::int32_t ReadRegDword(HKEY nRootKey, std::wstring_view sKeyPath, std::wstring_view sValueName);

// Stores a REG_DWORD value, creating the key path as needed; false as above.
bool WriteRegDword(HKEY nRootKey, std::wstring_view sKeyPath, std::wstring_view sValueName, std::int32_t nData);

// A value exactly as stored, for giving it back later; none when it does
// not exist. Throws HResultError when it exists but cannot be read.
std::optional<RegistryValue> ReadRegValue(HKEY nRootKey, std::wstring_view sKeyPath, std::wstring_view sValueName);

// Stores the value as it was read, creating the key path as needed.
bool WriteRegValue(HKEY nRootKey, std::wstring_view sKeyPath, std::wstring_view sValueName, const RegistryValue& value);

// True once the value is gone, or when it (or its key) was not there.
bool DeleteRegValue(HKEY nRootKey, std::wstring_view sKeyPath, std::wstring_view sValueName);

}  // namespace sonarel
