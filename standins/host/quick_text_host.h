#pragma once
// The host's quick texts, as far as the plug-in relies on them: Alt+0 in a
// conversation window, when the signed-in user's QuickText09 has a
// non-zero "AutoSend", puts its message into the conversation's input box
// at the caret, over any selection, and sends the whole box, which it
// empties. A sent text that begins with "/name " is a command: the rest
// becomes the display name, and no contact sees it. Any other text is a
// message to the contact. Every text sent is recorded.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "standins/messenger/standin_messenger.h"

namespace sonarel::standin {

// Below HKEY_CURRENT_USER.
std::wstring quickTextPath(std::wstring_view signinName);

using SentText = ConversationText;

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
    // Called after each text is sent (and carried out).
    std::function<void(const SentText&)> onSent;

private:
    void hotKey(const ConversationInfo& conversation);
    std::wstring insertAndTakeAll(HWND conversation, const std::wstring& quickText);
    void send(const ConversationInfo& conversation, std::wstring text);

    StandInMessenger& messenger_;
    std::vector<SentText> sent_;
    int hotKeys_ = 0;
    bool dropNextHotKey_ = false;
    long long sentCount_ = 0;
};

}  // namespace sonarel::standin
