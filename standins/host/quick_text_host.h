#pragma once
// The host's quick texts, as far as the plug-in relies on them: Alt+0 in a
// conversation window, when the signed-in user's QuickText09 has a
// non-zero "AutoSend", puts its message into the conversation's input box
// at the caret, over any selection, and sends the whole box, which it
// empties. A sent text that begins with "/name " is a command: the rest
// becomes the display name, and no contact sees it. Any other text is a
// message to the contact. Every text sent is recorded.
//
// The entry is the user's: a user may keep a text of their own there, and
// the plug-in borrows it for a moment on each change. So the host notes
// the entry as it read it at each hot key, for tests that check what the
// plug-in stored there.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "standins/messenger/standin_messenger.h"

namespace sonarel::standin {

// Below HKEY_CURRENT_USER.
std::wstring quickTextPath(std::wstring_view signinName);

using SentText = ConversationText;

// A registry value as stored: its type and its bytes.
struct StoredValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    bool operator==(const StoredValue&) const = default;
};

// The hot key's entry: its "Message" and "AutoSend", each nothing when the
// value does not exist.
struct QuickTextEntry {
    std::optional<StoredValue> message;
    std::optional<StoredValue> autoSend;
    bool operator==(const QuickTextEntry&) const = default;
    // The message when it is text; AutoSend when it is a number.
    std::optional<std::wstring> messageText() const;
    std::optional<DWORD> autoSendNumber() const;
};

QuickTextEntry readQuickText(std::wstring_view signinName);
// Puts the user's own text on the hot key, to be sent at once (a non-zero
// AutoSend) or not.
void putQuickText(std::wstring_view signinName, const std::wstring& message, DWORD autoSend = 1);

class QuickTextHost {
public:
    explicit QuickTextHost(StandInMessenger& messenger);
    QuickTextHost(const QuickTextHost&) = delete;
    QuickTextHost& operator=(const QuickTextHost&) = delete;
    ~QuickTextHost();

    const std::vector<SentText>& sent() const { return sent_; }
    // Texts sent since the start, also those forgotten since.
    long long sentCount() const { return sentCount_; }
    // Drops the record of the texts sent so far (a long run keeps counts only).
    void forgetSent() { sent_.clear(); }
    // Hot-key presses seen, whether or not they sent anything.
    int hotKeys() const { return hotKeys_; }
    // The next hot key is seen and counted, but nothing is put into the box
    // or sent, as by a host busy at that moment; the ones after it work.
    void dropNextHotKey() { dropNextHotKey_ = true; }
    // The entry as the host read it at the last hot key it handled.
    const QuickTextEntry& entryAtLastHotKey() const { return entryRead_; }
    // Called after each text is sent (and carried out).
    std::function<void(const SentText&)> onSent;

private:
    void hotKey(const ConversationInfo& conversation);
    std::wstring insertAndTakeAll(HWND conversation, const std::wstring& quickText);
    void send(const ConversationInfo& conversation, std::wstring text);

    StandInMessenger& messenger_;
    std::vector<SentText> sent_;
    int hotKeys_ = 0;
    QuickTextEntry entryRead_;
    bool dropNextHotKey_ = false;
    long long sentCount_ = 0;
};

}  // namespace sonarel::standin
