#include "standins/host/quick_text_host.h"

#include <optional>
#include <utility>

namespace sonarel::standin {
namespace {

constexpr std::wstring_view nameCommand = L"/name ";

std::optional<std::wstring> readText(const std::wstring& path, const wchar_t* name) {
    DWORD bytes = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_REG_SZ, nullptr, nullptr, &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
    if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_REG_SZ, nullptr, text.data(), &bytes) !=
        ERROR_SUCCESS)
        return std::nullopt;
    text.resize(wcsnlen(text.c_str(), text.size()));
    return text;
}

DWORD readNumber(const std::wstring& path, const wchar_t* name) {
    DWORD value = 0, bytes = sizeof(value);
    if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &bytes) !=
        ERROR_SUCCESS)
        return 0;
    return value;
}

}  // namespace

std::wstring quickTextPath(std::wstring_view signinName) {
    return L"Software\\Verdalt\\Quorvex2\\" + std::wstring(signinName) + L"\\Preferences\\QuickTexts\\QuickText09";
}

QuickTextHost::QuickTextHost(StandInMessenger& messenger) : messenger_(messenger) {
    messenger_.onHotKey([this](const ConversationInfo& conversation) { hotKey(conversation); });
}

QuickTextHost::~QuickTextHost() { messenger_.onHotKey(nullptr); }

void QuickTextHost::hotKey(const ConversationInfo& conversation) {
    ++hotKeys_;
    if (std::exchange(dropNextHotKey_, false)) return;
    std::wstring path = quickTextPath(messenger_.signinName());
    auto message = readText(path, L"Message");
    if (!message || readNumber(path, L"AutoSend") == 0) return;  // nothing to send at once
    send(conversation, insertAndTakeAll(conversation.window, *message));
}

// The quick text goes in at the caret, and the whole box comes out, which
// leaves it empty.
std::wstring QuickTextHost::insertAndTakeAll(HWND conversation, const std::wstring& quickText) {
    HWND box = messenger_.inputBox(conversation);
    if (!box) return quickText;
    SendMessageW(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(quickText.c_str()));
    std::wstring text = messenger_.draft(conversation);
    SetWindowTextW(box, L"");
    return text;
}

// An empty box sends nothing.
void QuickTextHost::send(const ConversationInfo& conversation, std::wstring text) {
    if (text.empty()) return;
    sent_.push_back({conversation.contact, text});
    ++sentCount_;
    if (text.starts_with(nameCommand))
        messenger_.requestFriendlyName(text.substr(nameCommand.size()));
    else
        messenger_.sendMessage(conversation.window, std::move(text));
    if (onSent) onSent(sent_.back());
}

}  // namespace sonarel::standin
