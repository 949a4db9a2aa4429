#include "names/name_switch.h"

#include <algorithm>

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

bool namesOneKey(std::wstring_view signinName) {
    return !signinName.empty() &&
           std::none_of(signinName.begin(), signinName.end(), [](wchar_t c) { return c < L' ' || c == L'\\'; });
}

}  // namespace

std::optional<std::wstring> quickTextKeyPath(std::wstring_view signinName) {
    if (!namesOneKey(signinName)) return std::nullopt;
    return L"Software\\Verdalt\\Quorvex2\\" + std::wstring(signinName) + L"\\Preferences\\QuickTexts\\QuickText09";
}

// Nothing is sent that shows already: a run of songs sends the listening
// name once, and the messenger is not asked to change the name again and
// again, which its servers refuse.
SendOutcome NameSwitch::changeName() {
    if (!nameModeChosen(settings_)) return SendOutcome::noModeChosen;
    ShowingName showing = nameShowing();
    auto listening = composeListeningName(settings_, showing);
    if (!listening) return SendOutcome::displayNameUnreadable;
    if (showsName(showing.displayName, listening->name)) return SendOutcome::alreadyShows;
    return send(listening->name, &*listening);
}

SendOutcome NameSwitch::changeNameBack() {
    if (!nameModeChosen(settings_)) return SendOutcome::noModeChosen;
    ShowingName showing = nameShowing();
    auto plain = composePlainName(settings_, showing);
    if (!plain) return SendOutcome::displayNameUnreadable;
    if (!showsName(showing.displayName, *plain)) return send(*plain, nullptr);
    notePlainNameBack();
    return SendOutcome::alreadyShows;
}

bool NameSwitch::nameSentShows() {
    if (!sent_) return true;
    if (!showsName(displayName(), sent_->first)) return false;
    if (sent_->second) notePlainNameBack();
    sent_.reset();
    return true;
}

LeftBehind NameSwitch::listeningNameLeftBehind() {
    auto record = readNameRecord(settings_);
    return record ? recordedListeningNameShows(displayName(), record) : LeftBehind::no;
}

// Whether the name showing is the listening name recorded for the user
// signed in; a name the user changed, or a record of another sign-in
// name, is no such name.
LeftBehind NameSwitch::recordedListeningNameShows(const std::optional<std::wstring>& showing,
                                                  const std::optional<NameRecord>& record) {
    if (!record) return LeftBehind::no;
    if (!showing) return LeftBehind::cannotTell;
    if (!showsName(showing, record->listeningName)) return LeftBehind::no;
    std::optional<std::wstring> signin;
    skippingFailure([&] { signin = messenger_.mySigninName(); });
    if (!signin) return LeftBehind::cannotTell;
    return *signin == record->signinName ? LeftBehind::yes : LeftBehind::no;
}

// None when it cannot be read. Text functions end a name at a NUL, so what
// follows one is no part of it; an empty name is no name the messenger
// shows.
std::optional<std::wstring> NameSwitch::displayName() {
    std::optional<std::wstring> name;
    skippingFailure([&] { name = messenger_.myFriendlyName(); });
    if (name) name->resize(std::min(name->size(), name->find(L'\0')));
    if (name && name->empty()) name.reset();
    return name;
}

// A listening name this plug-in sent for the user signed in is no name of
// the user's own: what it replaced is.
ShowingName NameSwitch::nameShowing() {
    ShowingName showing{displayName(), std::nullopt};
    auto record = showing.displayName ? readNameRecord(settings_) : std::nullopt;
    if (recordedListeningNameShows(showing.displayName, record) == LeftBehind::yes)
        showing.replacedName = record->plainName;
    return showing;
}

// Shared by both: have the host send the name composed in this call. The
// keys always go to the hidden command conversation: in a conversation of
// the user's, the host would send the quick text with the user's draft to
// a contact. An older command is never sent again in its place: a restore
// must not send the listening name, nor a switch the plain one.
SendOutcome NameSwitch::send(const std::wstring& name, const ListeningNameChoice* listening) {
    skippingFailure([&] { windows_.finishPendingHide(); });
    // Nothing is stored, pressed, opened or brought forward while the user
    // is at work or away.
    if (auto waiting = waitForTheUser()) return *waiting;
    // Bringing the conversation forward would take the foreground from a
    // program in full screen.
    if (fullScreenInFront()) return SendOutcome::fullScreenInFront;
    WindowHandle front = 0;
    skippingFailure([&] { front = windows_.foregroundWindow(); });
    std::optional<SendOutcome> unusable;
    std::unique_ptr<Conversation> conversation = commandConversation(unusable);
    if (unusable) return *unusable;
    if (!conversation) return openCommandConversation(front);
    SendOutcome outcome = pressIn(*conversation, name, listening);
    skippingFailure([&] { windows_.hide(conversation->hWnd(), front); });
    return outcome;
}

// Keys pressed while another window is in front would go to that window,
// so they are pressed only once the conversation is there. The entry is
// written only by the attempt that goes on to press the keys: one that
// waits writes nothing.
SendOutcome NameSwitch::pressIn(Conversation& conversation, const std::wstring& name,
                                const ListeningNameChoice* listening) {
    if (!bringToFront(conversation)) return SendOutcome::notInFront;
    // Bringing it forward takes a while: the user may have begun meanwhile.
    if (auto waiting = waitForTheUser()) return *waiting;
    commandText_ = nameCommand(name);
    bool stored = false;
    // A listening name without its record could never be given back exactly.
    skippingFailure([&] { stored = storeMessage(*commandText_) && (!listening || remember(*listening)); });
    // The hot key would send whatever the entry held before.
    if (!stored) return SendOutcome::notStored;
    // The writes and the messenger's calls take a while: the user may have
    // brought another window forward meanwhile.
    WindowHandle window = 0;
    skippingFailure([&] { window = conversation.hWnd(); });
    if (!window || windows_.foregroundWindow() != window) return SendOutcome::notInFront;
    bool pressed = false;
    skippingFailure([&] { pressed = windows_.pressHotKey(window); });
    if (!pressed) return SendOutcome::keysRefused;
    sent_.emplace(name, listening == nullptr);
    return SendOutcome::sent;
}

bool NameSwitch::remember(const ListeningNameChoice& listening) {
    writeNameRecord(settings_, NameRecord{messenger_.mySigninName(), listening.replacedName, listening.name});
    return true;
}

void NameSwitch::notePlainNameBack() {
    skippingFailure([&] {
        if (listeningNameRecorded(settings_)) markPlainNameBack(settings_);
    });
}

// The path is built afresh, with a fresh sign-in name, for every use.
std::optional<std::wstring> NameSwitch::keyPath() { return quickTextKeyPath(messenger_.mySigninName()); }

// True when the entry sends at once: AutoSend was non-zero already, or 1
// was written.
bool NameSwitch::markAutoSend() {
    auto path = keyPath();
    if (!path) return false;
    if (registry_.readDword(*path, autoSendValue) != 0) return true;
    auto again = keyPath();
    return again && registry_.writeDword(*again, autoSendValue, 1);
}

// Stored only when both values are: otherwise the hot key would send the
// message stored before, or nothing at all.
bool NameSwitch::storeMessage(const std::wstring& command) {
    bool marked = false;
    skippingFailure([&] { marked = markAutoSend(); });
    auto path = keyPath();
    return path && registry_.writeString(*path, messageValue, command) && marked;
}

// The first recorded conversation with the command contact whose window is
// still there. One whose window is gone is dropped from the record, so that
// it is not tried again and again. One whose handle cannot be read now is
// kept, and the decision waits: its window may well be there, and the
// messenger would hand it back to a new opening without reporting it
// again. After a few such reads in a row it counts as gone.
std::unique_ptr<Conversation> NameSwitch::commandConversation(std::optional<SendOutcome>& unusable) {
    std::vector<std::unique_ptr<Conversation>> conversations;
    skippingFailure([&] { conversations = messenger_.conversations(); });
    for (auto& conversation : conversations) {
        std::wstring contact;
        skippingFailure([&] { contact = conversation->firstContactSigninName(); });
        if (contact != commandContact) continue;
        std::optional<WindowHandle> window;
        skippingFailure([&] { window = conversation->hWnd(); });
        if (!window && ++unreadableReads_ < unreadableReadsBeforeForgetting) {
            unusable = SendOutcome::conversationUnreadable;
            return nullptr;
        }
        unreadableReads_ = 0;
        bool present = window.has_value();
        if (window) skippingFailure([&] { present = windows_.exists(*window); });
        if (present) return std::move(conversation);
        skippingFailure([&] { conversation->forget(); });
    }
    return nullptr;
}

// The conversation is recorded at once: the messenger reports only a window
// that is new, and hands back one that is open already without a word. The
// decision is sent through it once the messenger reports it, or next time.
SendOutcome NameSwitch::openCommandConversation(WindowHandle front) {
    std::unique_ptr<Conversation> conversation;
    skippingFailure([&] { conversation = messenger_.instantMessage(commandContact); });
    if (!conversation) return SendOutcome::messengerUnavailable;
    skippingFailure([&] { conversation->record(); });
    bringToFront(*conversation);
    skippingFailure([&] { windows_.hide(conversation->hWnd(), front); });
    return SendOutcome::conversationOpened;
}

// The window system may keep the foreground elsewhere, so the attempts are
// bounded. A program that did not make the last input is refused the
// foreground while another program has it; after the first refusal the
// switch makes the last input its own and asks again. The handle is read
// afresh for every call and every test.
bool NameSwitch::bringToFront(Conversation& conversation) {
    auto until = std::chrono::steady_clock::now() + limit_.duration;
    bool inputClaimed = false;
    try {
        for (int attempt = 0; attempt < limit_.attempts; ++attempt) {
            windows_.setForegroundWindow(conversation.hWnd());
            if (windows_.foregroundWindow() == conversation.hWnd()) return true;
            if (!inputClaimed) {
                windows_.claimLastInput();
                inputClaimed = true;
            } else if (std::chrono::steady_clock::now() >= until) {
                break;
            }
        }
    } catch (...) {
        // No handle: the conversation cannot be brought to the front.
    }
    return false;
}

// The reason to wait while the user is at work or away; none when the user
// can be left to it.
std::optional<SendOutcome> NameSwitch::waitForTheUser() {
    UserActivity activity = UserActivity::idle;
    skippingFailure([&] { activity = windows_.userActivity(); });
    switch (activity) {
        case UserActivity::idle: return std::nullopt;
        case UserActivity::away: return SendOutcome::userAway;
        case UserActivity::typing: return SendOutcome::userTyping;
        case UserActivity::keyHeld: return SendOutcome::keyHeld;
        case UserActivity::mouseButtonHeld: return SendOutcome::mouseButtonHeld;
        case UserActivity::menuOpen: return SendOutcome::menuOpen;
        case UserActivity::movingOrSizing: return SendOutcome::windowMovedOrSized;
        case UserActivity::mouseCaptured: return SendOutcome::mouseCaptured;
    }
    return std::nullopt;
}

bool NameSwitch::fullScreenInFront() {
    bool fullScreen = false;
    skippingFailure([&] { fullScreen = windows_.fullScreenInFront(); });
    return fullScreen;
}

}  // namespace sonarel
