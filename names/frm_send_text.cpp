#include "names/frm_send_text.h"

#include "common/one_shot_timer.h"
#include "names/messenger_contract.h"

namespace sonarel {
namespace {

// After the hide of the newly opened conversation, which runs at once, so
// that the send brings it to the front afresh.
constexpr unsigned conversationReadyDelayMs = 100;

}  // namespace

frmSendText::frmSendText(Settings& settings, ConversationWindows& imWindows)
    : imWindows_(imWindows), nameSwitch_(settings, messenger_, windowSystem_, quickTexts_) {}

frmSendText::~frmSendText() = default;

void frmSendText::load() {
    oIMWindows = makeComObject<IMessenger>(imWindows_);
    connectMessenger();
}

// Without a messenger the form still loads and the ticks go on. A messenger
// whose events cannot be connected still serves: the switch records the
// command conversation it opens itself, and finds it gone by its window.
void frmSendText::connectMessenger() {
    lastConnectAttempt_ = GetTickCount64();
    callbackBoundary([&] { oMessengerAPI = createMessenger(); });
    callbackBoundary([&] {
        if (!oMessengerAPI) return;
        events_ = std::make_unique<MessengerEventConnection>(
            oMessengerAPI.Get(), [this](IDispatch* window) { oMessengerAPI_OnIMWindowCreated(window); },
            [this](IDispatch* window) { oMessengerAPI_OnIMWindowDestroyed(window); });
    });
}

// A messenger started after the plug-in is taken up by a later switch.
void frmSendText::reconnectIfDue() {
    if (oMessengerAPI || GetTickCount64() - lastConnectAttempt_ < messengerRetryIntervalMs) return;
    connectMessenger();
}

template <class Answer>
Answer frmSendText::throughMessenger(Answer (NameSwitch::*call)(), Answer otherwise) {
    Answer answer = otherwise;
    callbackBoundary([&] {
        reconnectIfDue();
        answer = (nameSwitch_.*call)();
    });
    return answer;
}

SendOutcome frmSendText::changeName() {
    return throughMessenger(&NameSwitch::changeName, SendOutcome::messengerUnavailable);
}

SendOutcome frmSendText::changeNameBack() {
    return throughMessenger(&NameSwitch::changeNameBack, SendOutcome::messengerUnavailable);
}

LeftBehind frmSendText::listeningNameLeftBehind() {
    return throughMessenger(&NameSwitch::listeningNameLeftBehind, LeftBehind::cannotTell);
}

FlightNews frmSendText::followNameOnItsWay() {
    return throughMessenger(&NameSwitch::followNameOnItsWay, FlightNews{FlightNews::What::underWay});
}

void frmSendText::giveBackEveryQuickText() {
    callbackBoundary([&] { nameSwitch_.giveBackEveryQuickText(); });
}

void frmSendText::oMessengerAPI_OnIMWindowCreated(IDispatch* pIMWindow) {
    callbackBoundary([&] {
        if (!oIMWindows) return;
        // A conversation the switch opened is recorded already; its event
        // still tells that it is ready.
        if (FAILED(oIMWindows->recordWindow(pIMWindow))) return;  // recorded nothing
        noteCommandConversation(pIMWindow);
    });
}

void frmSendText::oMessengerAPI_OnIMWindowDestroyed(IDispatch* pIMWindow) {
    callbackBoundary([&] {
        if (!oIMWindows) return;
        Variant key(conversationWindowKey(pIMWindow));
        oIMWindows->RemoveWindow(key.get());
    });
}

void frmSendText::whenCommandConversationOpens(std::function<void()> handler) {
    conversationReady_ = std::make_shared<std::function<void()>>(std::move(handler));
}

// Nothing is sent inside the messenger's event call: the handler runs from
// the message loop once the event has returned.
void frmSendText::noteCommandConversation(IDispatch* window) {
    if (!conversationReady_) return;
    if (conversationOf(ComPtr<IDispatch>(window), nullptr)->firstContactSigninName() != commandContact) return;
    std::weak_ptr<std::function<void()>> handler = conversationReady_;
    runOnceAfter(conversationReadyDelayMs, [handler] {
        if (auto run = handler.lock()) (*run)();
    });
}

}  // namespace sonarel
