#include "names/name_switch.h"

#include "names/name_composition.h"

namespace sonarel {
namespace {

// The name switch reports nothing: a step that fails is skipped and the
// routine goes on with the next one.
template <class Step>
void skippingFailure(Step&& step) {
    try {
        step();
    } catch (...) {
    }
}

}  // namespace

std::optional<std::wstring> quickTextKeyPath(std::wstring_view signinName) {
    if (signinName.empty() || signinName.find(L'\\') != std::wstring_view::npos) return std::nullopt;
    return L"Software\\Verdalt\\Quorvex2\\" + std::wstring(signinName) + L"\\Preferences\\QuickTexts\\QuickText09";
}

void NameSwitch::changeName() {
    if (auto command = composeListeningCommand(settings_, [&] { return messenger_.myFriendlyName(); }))
        commandText_ = std::move(command);
    sendCommand();
}

void NameSwitch::changeNameBack() {
    if (auto command = composePlainCommand(settings_, [&] { return messenger_.myFriendlyName(); }))
        commandText_ = std::move(command);
    sendCommand();
}

// Shared by both: store the command and have the host send it.
void NameSwitch::sendCommand() {
    // Nothing composed yet: there is nothing the host should send.
    if (!commandText_) return;
    skippingFailure([&] { markAutoSend(); });
    skippingFailure([&] { storeMessage(); });
    if (pressInForegroundConversation()) return;
    if (useCommandConversation()) return;
    skippingFailure([&] { openCommandConversation(); });
}

// The path is built afresh, with a fresh sign-in name, for every use.
std::optional<std::wstring> NameSwitch::keyPath() { return quickTextKeyPath(messenger_.mySigninName()); }

void NameSwitch::markAutoSend() {
    auto path = keyPath();
    if (!path || registry_.readDword(*path, autoSendValue) != 0) return;
    if (auto again = keyPath()) registry_.writeDword(*again, autoSendValue, 1);
}

void NameSwitch::storeMessage() {
    if (auto path = keyPath()) registry_.writeString(*path, messageValue, *commandText_);
}

// A conversation the user has in front takes the keys; nothing moves.
bool NameSwitch::pressInForegroundConversation() {
    bool inFront = false;
    skippingFailure([&] { inFront = windows_.className(windows_.foregroundWindow()) == conversationWindowClass; });
    if (!inFront) return false;
    skippingFailure([&] { windows_.pressHotKey(); });
    return true;
}

// The first recorded conversation with the command contact, if any.
bool NameSwitch::useCommandConversation() {
    std::vector<std::unique_ptr<Conversation>> conversations;
    skippingFailure([&] { conversations = messenger_.conversations(); });
    for (auto& conversation : conversations) {
        bool matches = false;
        skippingFailure([&] { matches = conversation->firstContactSigninName() == commandContact; });
        if (!matches) continue;
        // Keys pressed while another window is in front would go to that
        // window, so they are pressed only once the conversation is there.
        if (bringToFront(*conversation)) skippingFailure([&] { windows_.pressHotKey(); });
        skippingFailure([&] { windows_.hide(conversation->hWnd()); });
        return true;
    }
    return false;
}

// The new conversation is recorded when the messenger reports it, and a
// later switch uses it; nothing is sent this time.
void NameSwitch::openCommandConversation() {
    std::unique_ptr<Conversation> conversation = messenger_.instantMessage(commandContact);
    if (!conversation) return;
    bringToFront(*conversation);
    skippingFailure([&] { windows_.hide(conversation->hWnd()); });
}

// The window system may keep the foreground elsewhere, so the attempts are
// bounded. The handle is read afresh for every call and every test.
bool NameSwitch::bringToFront(Conversation& conversation) {
    auto until = std::chrono::steady_clock::now() + limit_.duration;
    try {
        for (int attempt = 0; attempt < limit_.attempts; ++attempt) {
            windows_.setForegroundWindow(conversation.hWnd());
            if (windows_.foregroundWindow() == conversation.hWnd()) return true;
            if (std::chrono::steady_clock::now() >= until) break;
        }
    } catch (...) {
        // No handle: the conversation cannot be brought to the front.
    }
    return false;
}

}  // namespace sonarel
