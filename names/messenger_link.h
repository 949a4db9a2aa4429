#pragma once
// The name switch's view of the messenger, through late-bound automation
// calls: the user's own names from oMessengerUser (created on first use),
// conversations opened through oMessengerAPI, and the recorded windows of
// oIMWindows.
#include "common/com.h"
#include "names/imessenger.h"
#include "names/name_switch.h"

namespace sonarel {

class ComMessengerLink final : public MessengerLink {
public:
    // The form's members, which the link reads at every call.
    ComMessengerLink(const ComPtr<IDispatch>& oMessengerAPI, const ComPtr<IMessenger>& oIMWindows)
        : messengerAPI_(oMessengerAPI), imWindows_(oIMWindows) {}

    std::wstring myFriendlyName() override;
    std::wstring mySigninName() override;
    std::vector<std::unique_ptr<Conversation>> conversations() override;
    std::unique_ptr<Conversation> instantMessage(std::wstring_view contact) override;

private:
    IDispatch* messengerUser();

    const ComPtr<IDispatch>& messengerAPI_;
    const ComPtr<IMessenger>& imWindows_;
    ComPtr<IDispatch> oMessengerUser;
};

// A conversation-window object of the messenger, recorded or to be recorded
// in the given collection (or in none).
std::unique_ptr<Conversation> conversationOf(ComPtr<IDispatch> window, IMessenger* record);

}  // namespace sonarel
