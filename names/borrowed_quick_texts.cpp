#include "names/borrowed_quick_texts.h"

#include <string>
#include <vector>

#include "common/win32.h"
#include "names/quick_text_registry.h"
#include "settings/settings_store.h"

namespace sonarel {
namespace {

// The sign-in names, as their kept values name them.
std::vector<std::wstring> borrowedFrom() {
    std::vector<std::wstring> signins;
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, SettingsStore::keyPath, 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS)
        return signins;
    UniqueRegKey section(raw);
    const std::wstring_view prefix = keys::KeptQuickTextPrefix;
    wchar_t name[16384];  // the longest value name the registry allows, and its NUL
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(std::size(name));
        LSTATUS status = RegEnumValueW(section.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        // A name too long for the buffer is no kept value's; any other
        // error would repeat for every index that follows.
        if (status == ERROR_MORE_DATA) continue;
        if (status != ERROR_SUCCESS) break;
        std::wstring_view value(name, length);
        if (value.starts_with(prefix)) signins.emplace_back(value.substr(prefix.size()));
    }
    return signins;
}

}  // namespace

void giveBackBorrowedQuickTexts() {
    SettingsStore settings;
    CurrentUserQuickTexts quickTexts;
    QuickTextLoan loan(settings, quickTexts);
    // Listed first: giving back removes values, which would shift the enumeration.
    for (const std::wstring& signin : borrowedFrom()) loan.giveBack(signin);
}

}  // namespace sonarel
