#include "names/frm_send_text.h"

#include "names/messenger_contract.h"

namespace sonarel {

frmSendText::frmSendText(const Settings& settings, ConversationWindows& imWindows)
    : imWindows_(imWindows), nameSwitch_(settings, messenger_, windowSystem_, quickTexts_) {}

frmSendText::~frmSendText() = default;

void frmSendText::load() {
    oIMWindows = makeComObject<IMessenger>(imWindows_);
    // Without a messenger the form still loads: the ticks go on, and no
    // conversation window is recorded.
    callbackBoundary([&] {
        oMessengerAPI = createMessenger();
        events_ = std::make_unique<MessengerEventConnection>(
            oMessengerAPI.Get(), [this](IDispatch* window) { oMessengerAPI_OnIMWindowCreated(window); },
            [this](IDispatch* window) { oMessengerAPI_OnIMWindowDestroyed(window); });
    });
}

void frmSendText::changeName() { callbackBoundary([&] { nameSwitch_.changeName(); }); }

void frmSendText::changeNameBack() { callbackBoundary([&] { nameSwitch_.changeNameBack(); }); }

void frmSendText::oMessengerAPI_OnIMWindowCreated(IDispatch* pIMWindow) {
    callbackBoundary([&] {
        if (!oIMWindows) return;
        IDispatch* window = pIMWindow;
        ComPtr<IDispatch> added;
        oIMWindows->AddWindow(&window, &added);  // a failure records nothing
    });
}

void frmSendText::oMessengerAPI_OnIMWindowDestroyed(IDispatch* pIMWindow) {
    callbackBoundary([&] {
        if (!oIMWindows) return;
        Variant key(conversationWindowKey(pIMWindow));
        oIMWindows->RemoveWindow(key.get());
    });
}

}  // namespace sonarel
