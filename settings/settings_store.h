#pragma once
#include "settings/settings.h"

namespace sonarel {

// The per-user application settings, kept as REG_SZ values in the classic
// per-user location for application settings, so that values written by
// earlier versions of the plug-in carry over.
class SettingsStore final : public Settings {
public:
    static constexpr const wchar_t* keyPath =
        L"Software\\VB and VBA Program Settings\\Olvar's Sonarel Plugin\\Data";

    std::wstring ReadSetting(std::wstring_view key) const override;
    void WriteSetting(std::wstring_view key, std::wstring_view value) override;
    void RemoveSetting(std::wstring_view key) override;
    std::vector<std::wstring> ListSettings(std::wstring_view prefix) const override;
};

}  // namespace sonarel
