#include "standins/host/quick_text_host.h"

#include <cstring>
#include <optional>
#include <utility>

#include "common/com.h"
#include "common/win32.h"

namespace sonarel::standin {
namespace {

constexpr std::wstring_view nameCommand = L"/name ";

std::optional<StoredValue> readStored(const std::wstring& path, const wchar_t* name) {
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS) return std::nullopt;
    UniqueRegKey key(raw);
    StoredValue value;
    DWORD bytes = 0;
    if (RegQueryValueExW(key.get(), name, nullptr, &value.type, nullptr, &bytes) != ERROR_SUCCESS) return std::nullopt;
    value.data.resize(bytes);
    if (RegQueryValueExW(key.get(), name, nullptr, &value.type, value.data.data(), &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    value.data.resize(bytes);
    return value;
}

}  // namespace

std::optional<std::wstring> QuickTextEntry::messageText() const {
    if (!message || message->type != REG_SZ) return std::nullopt;
    std::wstring text(message->data.size() / sizeof(wchar_t), L'\0');
    memcpy(text.data(), message->data.data(), text.size() * sizeof(wchar_t));
    text.resize(wcsnlen(text.c_str(), text.size()));
    return text;
}

std::optional<DWORD> QuickTextEntry::autoSendNumber() const {
    if (!autoSend || autoSend->type != REG_DWORD || autoSend->data.size() != sizeof(DWORD)) return std::nullopt;
    DWORD value = 0;
    memcpy(&value, autoSend->data.data(), sizeof(value));
    return value;
}

QuickTextEntry readQuickText(std::wstring_view signinName) {
    std::wstring path = quickTextPath(signinName);
    return {readStored(path, L"Message"), readStored(path, L"AutoSend")};
}

void putQuickText(std::wstring_view signinName, const std::wstring& message, DWORD autoSend) {
    HKEY raw = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, quickTextPath(signinName).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &raw, nullptr) != ERROR_SUCCESS)
        throw HResultError(E_ACCESSDENIED);
    UniqueRegKey key(raw);
    RegSetValueExW(key.get(), L"Message", 0, REG_SZ, reinterpret_cast<const BYTE*>(message.c_str()),
                   static_cast<DWORD>((message.size() + 1) * sizeof(wchar_t)));
    RegSetValueExW(key.get(), L"AutoSend", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&autoSend), sizeof(autoSend));
}

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
    entryRead_ = readQuickText(messenger_.signinName());
    auto message = entryRead_.messageText();
    if (!message || entryRead_.autoSendNumber().value_or(0) == 0) return;  // nothing to send at once
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
