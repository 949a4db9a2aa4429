#include "names/quick_text_entry.h"

#include <algorithm>

namespace sonarel {
namespace {

bool namesOneKey(std::wstring_view signinName) {
    return !signinName.empty() &&
           std::none_of(signinName.begin(), signinName.end(), [](wchar_t c) { return c < L' ' || c == L'\\'; });
}

bool holdsText(const std::optional<RegistryValue>& value, std::wstring_view text) {
    auto held = value ? textOf(*value) : std::nullopt;
    return held && *held == text;
}

}  // namespace

std::optional<std::wstring> quickTextKeyPath(std::wstring_view signinName) {
    if (!namesOneKey(signinName)) return std::nullopt;
    return L"Software\\Verdalt\\Quorvex2\\" + std::wstring(signinName) + L"\\Preferences\\QuickTexts\\QuickText09";
}

std::optional<KeptQuickText> QuickTextLoan::kept(std::wstring_view signinName) {
    return decodeKeptQuickText(settings_.ReadSetting(keptQuickTextKey(signinName)));
}

bool QuickTextLoan::borrow(std::wstring_view signinName, std::wstring_view command) {
    auto path = quickTextKeyPath(signinName);
    if (!path || !giveBack(signinName)) return false;
    try {
        KeptQuickText loan{registry_.read(*path, messageValue), registry_.read(*path, autoSendValue),
                           std::wstring(command)};
        settings_.WriteSetting(keptQuickTextKey(signinName), encodeKeptQuickText(loan));
        return true;
    } catch (...) {
        return false;
    }
}

bool QuickTextLoan::putBack(std::wstring_view path, std::wstring_view valueName,
                            const std::optional<RegistryValue>& value) {
    return value ? registry_.write(path, valueName, *value) : registry_.remove(path, valueName);
}

bool QuickTextLoan::giveBack(std::wstring_view signinName) {
    auto loan = kept(signinName);
    if (!loan) return true;
    auto path = quickTextKeyPath(signinName);
    try {
        if (path && holdsText(registry_.read(*path, messageValue), loan->written)) {
            if (!putBack(*path, autoSendValue, loan->autoSend) || !putBack(*path, messageValue, loan->message))
                return false;
        }
        settings_.RemoveSetting(keptQuickTextKey(signinName));
        return true;
    } catch (...) {
        return false;
    }
}

// Listed first: a give-back removes its key, which would shift a listing.
std::vector<std::wstring> QuickTextLoan::giveBackEvery() {
    std::vector<std::wstring> failed;
    for (const std::wstring& key : settings_.ListSettings(keys::KeptQuickTextPrefix)) {
        std::wstring signin = key.substr(keys::KeptQuickTextPrefix.size());
        if (!giveBack(signin)) failed.push_back(std::move(signin));
    }
    return failed;
}

}  // namespace sonarel
