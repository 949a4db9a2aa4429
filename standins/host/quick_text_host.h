#pragma once
// The host's quick texts, as far as the plug-in relies on them: Alt+0 in a
// conversation window sends the signed-in user's QuickText09 message when
// its "AutoSend" is non-zero, and a sent "/name X" makes X the display
// name. Every text sent is recorded.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "standins/messenger/standin_messenger.h"

namespace sonarel::standin {

// Below HKEY_CURRENT_USER.
std::wstring quickTextPath(std::wstring_view signinName);

struct SentText {
    std::wstring contact;  // the conversation it was sent in
    std::wstring text;
};

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
    // Called after each text is sent (and carried out).
    std::function<void(const SentText&)> onSent;

private:
    void hotKey(const ConversationInfo& conversation);

    StandInMessenger& messenger_;
    std::vector<SentText> sent_;
    int hotKeys_ = 0;
    long long sentCount_ = 0;
};

}  // namespace sonarel::standin
