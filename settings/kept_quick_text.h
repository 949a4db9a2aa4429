#pragma once
// What the host's quick-text entry held before the plug-in first borrowed
// it, kept in the settings store per sign-in name until it is given back.
// Free of windows.h.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "settings/settings.h"

namespace sonarel {

namespace keys {
// + the sign-in name in lower case; present while the entry is borrowed.
inline constexpr std::wstring_view KeptQuickTextPrefix = L"KeptQuickText ";
}  // namespace keys

// A registry value exactly as stored: its type and its bytes.
struct RegistryValue {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    bool operator==(const RegistryValue&) const = default;
};

inline constexpr std::uint32_t registryText = 1;    // REG_SZ
inline constexpr std::uint32_t registryNumber = 4;  // REG_DWORD

RegistryValue textValue(std::wstring_view text);
// The text of a REG_SZ value up to its first NUL; none for another type.
std::optional<std::wstring> textOf(const RegistryValue& value);

struct KeptQuickText {
    std::optional<RegistryValue> message;   // none: the value did not exist
    std::optional<RegistryValue> autoSend;  // none: the value did not exist
    std::wstring written;                   // the command the plug-in stored last
    bool operator==(const KeptQuickText&) const = default;
};

std::wstring keptQuickTextKey(std::wstring_view signinName);

// Each value as "-" or "<type>:<hex bytes>", then the command written.
std::wstring encodeKeptQuickText(const KeptQuickText& kept);
std::optional<KeptQuickText> decodeKeptQuickText(std::wstring_view text);

}  // namespace sonarel
