#include "names/quick_text_entry.h"

#include <algorithm>

#include "names/name_composition.h"

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

// A name command in the entry is the plug-in's: one of an earlier version
// (which never gave the user's text back), or one whose successor could
// not be written. It is never taken for the user's text.
bool holdsNameCommand(const std::optional<RegistryValue>& message) {
    auto text = message ? textOf(*message) : std::nullopt;
    return text && text->starts_with(nameCommandPrefix);
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
    if (!path) return false;
    try {
        std::optional<RegistryValue> message = registry_.read(*path, messageValue);
        std::optional<KeptQuickText> loan = kept(signinName);
        // A text the user wrote since the last command is the one to keep.
        if (!loan || !(holdsText(message, loan->written) || holdsNameCommand(message))) {
            if (holdsNameCommand(message)) message.reset();
            loan = KeptQuickText{std::move(message), registry_.read(*path, autoSendValue), {}};
        }
        loan->written = command;
        settings_.WriteSetting(keptQuickTextKey(signinName), encodeKeptQuickText(*loan));
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

}  // namespace sonarel
