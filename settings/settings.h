#pragma once
// The user's stored choices, read afresh on every use. Free of windows.h so
// that the watcher and the name composition can be tested with a fake.
#include <string>
#include <string_view>
#include <vector>

namespace sonarel {

namespace keys {
inline constexpr std::wstring_view onOff = L"onOff";
inline constexpr std::wstring_view CurrentName = L"CurrentName";
inline constexpr std::wstring_view CustomName = L"CustomName";
inline constexpr std::wstring_view CurrentTag = L"CurrentTag";
inline constexpr std::wstring_view CustomNameNotPl = L"CustomNameNotPl";
inline constexpr std::wstring_view CustomNamePl = L"CustomNamePl";
inline constexpr std::wstring_view CustomTagPl = L"CustomTagPl";
}  // namespace keys

// Flags are texts; only the exact text "1" counts as set.
inline constexpr std::wstring_view flagSet = L"1";
inline constexpr std::wstring_view flagClear = L"0";
inline bool isSet(std::wstring_view flag) { return flag == flagSet; }

class Settings {
public:
    virtual ~Settings() = default;
    // The stored text, or the empty text when nothing was stored.
    virtual std::wstring ReadSetting(std::wstring_view key) const = 0;
    // Stores the text; throws HResultError when the store refuses it.
    virtual void WriteSetting(std::wstring_view key, std::wstring_view value) = 0;
    // Removes the value, so that it reads as the empty text; throws
    // HResultError when the store refuses it. One that is absent is fine.
    virtual void RemoveSetting(std::wstring_view key) = 0;
    // The keys that begin with the prefix (as stored: letter case ignored by
    // the registry); empty when there are none or they cannot be listed.
    virtual std::vector<std::wstring> ListSettings(std::wstring_view prefix) const = 0;
};

}  // namespace sonarel
