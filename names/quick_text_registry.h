#pragma once
// The host's quick-text entry lies below HKEY_CURRENT_USER; modReg does the work.
#include "names/mod_reg.h"
#include "names/quick_text_entry.h"

namespace sonarel {

class CurrentUserQuickTexts final : public QuickTextRegistry {
public:
    std::int32_t readDword(std::wstring_view keyPath, std::wstring_view valueName) override {
        return ReadRegDword(HKEY_CURRENT_USER, keyPath, valueName);
    }
    bool writeDword(std::wstring_view keyPath, std::wstring_view valueName, std::int32_t data) override {
        return WriteRegDword(HKEY_CURRENT_USER, keyPath, valueName, data);
    }
    bool writeString(std::wstring_view keyPath, std::wstring_view valueName, std::wstring_view data) override {
        return WriteRegString(HKEY_CURRENT_USER, keyPath, valueName, data);
    }
    std::optional<RegistryValue> read(std::wstring_view keyPath, std::wstring_view valueName) override {
        return ReadRegValue(HKEY_CURRENT_USER, keyPath, valueName);
    }
    bool write(std::wstring_view keyPath, std::wstring_view valueName, const RegistryValue& value) override {
        return WriteRegValue(HKEY_CURRENT_USER, keyPath, valueName, value);
    }
    bool remove(std::wstring_view keyPath, std::wstring_view valueName) override {
        return DeleteRegValue(HKEY_CURRENT_USER, keyPath, valueName);
    }
};

}  // namespace sonarel
