#include "names/name_switch.h"

#include <algorithm>

#include "settings/stored_fields.h"

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

// A listening name of the record's: the one sent last, or one sent before
// it, which shows until the new one does or may land late.
bool showsRecordedListeningName(const std::optional<std::wstring>& showing, const NameRecord& record) {
    return showsName(showing, record.listeningName) ||
           std::any_of(record.earlierListeningNames.begin(), record.earlierListeningNames.end(),
                       [&](const std::wstring& earlier) { return showsName(showing, earlier); });
}

}  // namespace

// A step that fails is stepped past and traced once, until it works again:
// a failure that lasts does not fill the trace.
template <class Step>
void NameSwitch::tracingFailure(std::wstring_view what, Step&& step) {
    bool worked = false;
    try {
        step();
        worked = true;
    } catch (...) {
    }
    noteWhetherItWorked(what, worked);
}

void NameSwitch::noteWhetherItWorked(std::wstring_view what, bool worked) {
    if (!worked) {
        traceFailure(what);
    } else {
        failing_.erase(what);
    }
}

void NameSwitch::traceFailure(std::wstring_view what) {
    if (!failing_.insert(what) || !trace_) return;
    trace_(L"Sonarel: " + std::wstring(what) + L" failed\n");
}

// Nothing is sent that shows already: a run of songs sends the listening
// name once, and the messenger is not asked to change the name again and
// again, which its servers refuse. What shows is read only while no name
// is on its way: one that is may land after the look.
SendOutcome NameSwitch::changeName() {
    if (!nameModeChosen(settings_)) return SendOutcome::noModeChosen;
    ShowingName showing = nameShowing();
    auto listening = composeListeningName(settings_, showing);
    if (!listening) return SendOutcome::displayNameUnreadable;
    if (auto waiting = whileOnItsWay(listening->name)) return *waiting;
    if (showsName(showing.displayName, listening->name)) return SendOutcome::alreadyShows;
    if (!unconfirmed_.due(listening->name, now_())) return SendOutcome::retryNotDue;
    return send(listening->name, &*listening);
}

SendOutcome NameSwitch::changeNameBack() {
    if (!nameModeChosen(settings_)) return SendOutcome::noModeChosen;
    ShowingName showing = nameShowing();
    auto plain = composePlainName(settings_, showing);
    if (!plain) return SendOutcome::displayNameUnreadable;
    if (isBlankName(*plain)) return emptyName();
    if (auto waiting = whileOnItsWay(*plain)) return *waiting;
    if (showsName(showing.displayName, *plain)) {
        if (auto signin = signinName()) notePlainNameBack(*signin);
        return SendOutcome::alreadyShows;
    }
    if (!unconfirmed_.due(*plain, now_())) return SendOutcome::retryNotDue;
    return send(*plain, nullptr);
}

// One name at a time: a decision for the name on its way joins it, and any
// other waits for it to end.
std::optional<SendOutcome> NameSwitch::whileOnItsWay(std::wstring_view name) const {
    if (!flight_) return std::nullopt;
    return showsName(flight_->name, name) ? SendOutcome::onItsWay : SendOutcome::otherNameOnItsWay;
}

// "/name " alone would ask the messenger for an empty name, again and
// again: it is never sent.
SendOutcome NameSwitch::emptyName() {
    return isSet(settings_.ReadSetting(keys::CustomName)) ? SendOutcome::notListeningNameEmpty
                                                          : SendOutcome::plainNameEmpty;
}

FlightNews NameSwitch::followNameOnItsWay() {
    if (auto news = otherAccount()) return *news;
    giveBackOwed();
    return flight_ ? followFlight() : lookForLateName();
}

// The keys first: until the conversation has read them, the host has not
// read the entry. Then the name, on a few ticks.
FlightNews NameSwitch::followFlight() {
    Flight& flight = *flight_;
    if (!flight.keysRead) {
        KeysFate keys = windows_.lastKeys();
        if (keys == KeysFate::unread) return FlightNews{FlightNews::What::underWay, flight.plain, flight.name};
        if (keys == KeysFate::lost || flight.keysRefused) return endFlight(FlightNews::What::lost);
        flight.keysRead = true;
    }
    if (showsName(displayName(), flight.name)) return endFlight(FlightNews::What::shown);
    if (++flight.ticksLookedFor < confirmationTicks)
        return FlightNews{FlightNews::What::underWay, flight.plain, flight.name};
    return endFlight(FlightNews::What::unconfirmed);
}

// The send is over: the quick text is the user's again. A name that did not
// show waits before it is asked for again, and may still land.
FlightNews NameSwitch::endFlight(FlightNews::What how) {
    Flight flight = std::move(*flight_);
    flight_.reset();
    FlightNews news{how, flight.plain, flight.name};
    if (how == FlightNews::What::shown) {
        unconfirmed_.shown(flight.name);
        lateName_.reset();
        if (flight.plain) notePlainNameBack(flight.signin);
    } else if (how == FlightNews::What::unconfirmed) {
        news.nextTry = unconfirmed_.note(flight.name, now_());
        lateName_ = LateName{flight.signin, flight.name, flight.plain, now_() + lateNameWatch};
    }
    giveBack(flight.signin);
    return news;
}

FlightNews NameSwitch::lookForLateName() {
    if (!lateName_) return {};
    if (now_() >= lateName_->until) {
        lateName_.reset();
        return {};
    }
    if (!showsName(displayName(), lateName_->name)) return {};
    FlightNews news{FlightNews::What::shownLate, lateName_->plain, lateName_->name};
    unconfirmed_.shown(lateName_->name);
    lateName_.reset();
    return news;
}

// Another account signed in: the one that left gets its quick text back at
// once, and its name on its way is no longer followed. Signed out, there is
// no account to compare.
std::optional<FlightNews> NameSwitch::otherAccount() {
    std::optional<std::wstring> signin;
    skippingFailure([&] { signin = messenger_.mySigninName(); });
    if (!signin || signin->empty()) return std::nullopt;
    std::wstring account = foldedSignin(*signin);
    if (!account_ || *account_ == account) {
        account_ = std::move(account);
        return std::nullopt;
    }
    std::wstring left = std::exchange(*account_, account);
    FlightNews news{FlightNews::What::otherAccount};
    if (flight_ && foldedSignin(flight_->signin) != account) {
        news.plain = flight_->plain;
        news.name = flight_->name;
        // The server may have refused it: asked for again, it waits as one given up.
        if (flight_->keysRead || windows_.lastKeys() == KeysFate::read)
            news.nextTry = unconfirmed_.note(flight_->name, now_());
        giveBack(flight_->signin);
        flight_.reset();
    }
    if (lateName_ && foldedSignin(lateName_->signin) != account) lateName_.reset();
    giveBack(left);
    return news;
}

void NameSwitch::giveBack(std::wstring_view signin) {
    bool givenBack = loan_.giveBack(signin);
    noteWhetherItWorked(L"giving back the user's quick text", givenBack);
    if (givenBack) {
        giveBacksOwed_.erase(foldedSignin(signin));
    } else {
        giveBacksOwed_.insert(foldedSignin(signin));
    }
}

// A give-back that failed is tried again on the next ticks, but never for
// the account whose name is on its way: its entry is lent still.
void NameSwitch::giveBackOwed() {
    std::vector<std::wstring> owed = giveBacksOwed_.texts();
    for (const std::wstring& signin : owed)
        if (!flight_ || foldedSignin(flight_->signin) != signin) giveBack(signin);
}

void NameSwitch::giveBackEveryQuickText() {
    for (const std::wstring& signin : loan_.giveBackEvery()) giveBacksOwed_.insert(foldedSignin(signin));
}

// Whether the name showing is the listening name recorded for the user
// signed in; a name the user changed, or a record of another sign-in
// name, is no such name.
LeftBehind NameSwitch::listeningNameLeftBehind() {
    auto signin = signinName();
    if (!signin) return LeftBehind::cannotTell;
    auto record = readNameRecord(settings_, *signin);
    if (!record) return LeftBehind::no;
    auto showing = displayName();
    if (!showing) return LeftBehind::cannotTell;
    return showsRecordedListeningName(showing, *record) ? LeftBehind::yes : LeftBehind::no;
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

std::optional<std::wstring> NameSwitch::signinName() {
    std::optional<std::wstring> signin;
    tracingFailure(L"reading the sign-in name", [&] { signin = messenger_.mySigninName(); });
    return signin;
}

// A listening name this plug-in sent for the user signed in is no name of
// the user's own: what it replaced is.
ShowingName NameSwitch::nameShowing() {
    ShowingName showing{displayName(), std::nullopt};
    auto signin = showing.displayName ? signinName() : std::nullopt;
    auto record = signin ? readNameRecord(settings_, *signin) : std::nullopt;
    if (record && showsRecordedListeningName(showing.displayName, *record)) showing.replacedName = record->plainName;
    return showing;
}

// Shared by both: have the host send the name composed in this call. The
// keys always go to the hidden command conversation: in a conversation of
// the user's, the host would send the quick text with the user's draft to
// a contact. An older command is never sent again in its place: a restore
// must not send the listening name, nor a switch the plain one.
SendOutcome NameSwitch::send(const std::wstring& name, const ListeningNameChoice* listening) {
    // Hiding the conversation before its thread has read our last keys
    // would pass them to the window that gets the keyboard next.
    bool lastHideDone = true;
    tracingFailure(L"finishing the last hide", [&] { lastHideDone = windows_.finishPendingHide(); });
    if (!lastHideDone) return SendOutcome::lastKeysUnread;
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
    tracingFailure(L"hiding the command conversation", [&] { windows_.hide(conversation->hWnd(), front); });
    return outcome;
}

// Keys pressed while another window is in front would go to that window,
// so they are pressed only once the conversation is there. The entry is
// borrowed only by the attempt that goes on to press the keys: one that
// waits writes nothing. One that presses nothing gives it back at once.
SendOutcome NameSwitch::pressIn(Conversation& conversation, const std::wstring& name,
                                const ListeningNameChoice* listening) {
    if (!bringToFront(conversation)) return SendOutcome::notInFront;
    // Bringing it forward takes a while: the user may have begun meanwhile.
    if (auto waiting = waitForTheUser()) return *waiting;
    commandText_ = nameCommand(name);
    auto signin = signinName();
    if (!signin || !quickTextKeyPath(*signin)) return SendOutcome::notStored;
    if (!loan_.borrow(*signin, *commandText_)) return SendOutcome::quickTextNotKept;
    SendOutcome outcome = writeAndPress(conversation, *signin, name, listening);
    if (!flight_) giveBack(*signin);
    return outcome;
}

// A listening name is recorded before it is sent: without its record it
// could never be given back exactly. The hot key would send whatever the
// entry held before, so nothing is pressed unless all of it is stored.
// Keys that went in only in part may still be read: until they are, the
// send is on its way.
SendOutcome NameSwitch::writeAndPress(Conversation& conversation, const std::wstring& signin,
                                      const std::wstring& name, const ListeningNameChoice* listening) {
    if (listening && !remember(signin, *listening)) return SendOutcome::recordNotStored;
    bool stored = false;
    tracingFailure(L"storing the command", [&] { stored = storeMessage(*commandText_); });
    if (!stored) return SendOutcome::notStored;
    // The writes and the messenger's calls take a while: the user may have
    // brought another window forward meanwhile.
    WindowHandle window = 0;
    skippingFailure([&] { window = conversation.hWnd(); });
    if (!window || windows_.foregroundWindow() != window) return SendOutcome::notInFront;
    bool pressed = false;
    tracingFailure(L"pressing the hot key", [&] { pressed = windows_.pressHotKey(window); });
    if (pressed || windows_.lastKeys() == KeysFate::unread) flight_.emplace(Flight{signin, name, !listening, !pressed});
    return pressed ? SendOutcome::sent : SendOutcome::keysRefused;
}

bool NameSwitch::remember(const std::wstring& signin, const ListeningNameChoice& listening) {
    bool stored = false;
    tracingFailure(L"storing the record of the name", [&] {
        writeNameRecord(settings_, nextNameRecord(readNameRecord(settings_, signin),
                                                  NameRecord{signin, listening.replacedName, listening.name}));
        stored = true;
    });
    return stored;
}

// A listening name given up that may still land keeps the record's claim.
void NameSwitch::notePlainNameBack(std::wstring_view signin) {
    if (lateName_ && !lateName_->plain && foldedSignin(lateName_->signin) == foldedSignin(signin)) return;
    tracingFailure(L"clearing the record of the name", [&] { markPlainNameBack(settings_, signin); });
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
    tracingFailure(L"listing the conversations", [&] { conversations = messenger_.conversations(); });
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
        tracingFailure(L"forgetting a closed conversation", [&] { conversation->forget(); });
    }
    return nullptr;
}

// The conversation is recorded at once: the messenger reports only a window
// that is new, and hands back one that is open already without a word. The
// decision is sent through it once the messenger reports it, or next time.
SendOutcome NameSwitch::openCommandConversation(WindowHandle front) {
    std::unique_ptr<Conversation> conversation;
    tracingFailure(L"opening the command conversation",
                   [&] { conversation = messenger_.instantMessage(commandContact); });
    if (!conversation) return SendOutcome::messengerUnavailable;
    tracingFailure(L"recording the command conversation", [&] { conversation->record(); });
    bringToFront(*conversation);
    tracingFailure(L"hiding the command conversation", [&] { windows_.hide(conversation->hWnd(), front); });
    return SendOutcome::conversationOpened;
}

// The window system may keep the foreground elsewhere, so the attempts are
// bounded, from when the conversation's thread is free. A program that did
// not make the last input is refused the foreground while another program
// has it; after the first refusal the switch makes the last input its own
// and asks again. The handle is read afresh for every call and every test.
bool NameSwitch::bringToFront(Conversation& conversation) {
    using Clock = std::chrono::steady_clock;
    bool inputClaimed = false;
    try {
        const auto waitsEnd = Clock::now() + limit_.threadWait;
        if (!waitForItsThread(conversation, waitsEnd)) return false;
        const auto until = Clock::now() + limit_.duration;
        for (int attempt = 0; attempt < limit_.attempts; ++attempt) {
            bool asked = windows_.setForegroundWindow(conversation.hWnd());
            // Another thread's window is in front only once that thread took
            // the activation. Asked again before that, the window system may
            // queue the activation anew, taking it from the window first:
            // the foreground is nobody's for a moment, and the keys' check
            // would find it so.
            if (asked && windows_.foregroundWindow() != conversation.hWnd()) waitForItsThread(conversation, waitsEnd);
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

// Within what is left of the waits' time, never unbounded.
bool NameSwitch::waitForItsThread(Conversation& conversation, std::chrono::steady_clock::time_point until) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
    return left.count() > 0 && windows_.waitUntilAnswering(conversation.hWnd(), left);
}

// The reason to wait while the user is at work or away; none when the user
// can be left to it.
std::optional<SendOutcome> NameSwitch::waitForTheUser() {
    UserActivity activity = UserActivity::idle;
    tracingFailure(L"looking at the user's activity", [&] { activity = windows_.userActivity(); });
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
    tracingFailure(L"looking for a full-screen program", [&] { fullScreen = windows_.fullScreenInFront(); });
    return fullScreen;
}

}  // namespace sonarel
