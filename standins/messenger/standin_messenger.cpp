#include "standins/messenger/standin_messenger.h"

#include <algorithm>
#include <cwctype>

#include "StandInMessenger.h"
#include "standins/messenger/messenger_state.h"

namespace sonarel::standin {
namespace {

void pumpMessagesFor(std::chrono::milliseconds duration) {
    auto end = std::chrono::steady_clock::now() + duration;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left.count()), QS_ALLINPUT);
    }
}

bool holdsLink(std::wstring name) {
    for (wchar_t& c : name) c = static_cast<wchar_t>(towlower(c));
    return name.find(L"www") != std::wstring::npos || name.find(L"http") != std::wstring::npos;
}

// Blanks at either end stay; a run between other characters becomes one.
std::wstring collapsedBlanks(const std::wstring& name) {
    size_t first = name.find_first_not_of(L' '), last = name.find_last_not_of(L' ');
    if (first == std::wstring::npos) return name;
    std::wstring result = name.substr(0, first);
    for (size_t i = first; i <= last; ++i)
        if (name[i] != L' ' || name[i - 1] != L' ') result += name[i];
    return result + name.substr(last + 1);
}

}  // namespace

// ---- MessengerState

MessengerState::MessengerState(std::wstring signin, std::wstring friendly)
    : signinName(std::move(signin)), friendlyName(std::move(friendly)) {
    notifier_ = createNotifierWindow(*this);
    activationHook_ = installActivationGuard(*this);
}

MessengerState::~MessengerState() {
    closing_ = true;
    for (auto& conversation : std::vector<Conversation>(conversations_)) close(conversation.window);
    conversationThread.reset();
    removeActivationGuard(activationHook_);
    if (notifier_) DestroyWindow(notifier_);
}

ComPtr<IDispatch> MessengerState::open(std::wstring contact) {
    int cascade = cascade_++ % 8;
    HWND window = conversationThread ? conversationThread->create(contact, cascade)
                                     : createConversationWindow(*this, contact, cascade);
    if (!window) throw HResultError(HRESULT_FROM_WIN32(GetLastError()));
    ComPtr<IDispatch> object = makeConversationObject(weak_from_this(), window, contact);
    conversations_.push_back({window, std::move(contact), object});
    queue(dispidOnIMWindowCreated, object);
    ShowWindow(window, SW_SHOW);
    return object;
}

ComPtr<IDispatch> MessengerState::openOrShow(std::wstring contact) {
    auto it = std::find_if(conversations_.begin(), conversations_.end(),
                           [&](const Conversation& c) { return c.contact == contact; });
    if (it == conversations_.end()) return open(std::move(contact));
    ShowWindow(it->window, SW_SHOW);
    return it->object;
}

// A window of another thread is closed by that thread.
void MessengerState::close(HWND window) {
    if (!isConversation(window)) return;
    if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId())
        DestroyWindow(window);
    else
        SendMessageW(window, WM_CLOSE, 0, 0);
}

void MessengerState::fromWindowThread(const std::function<void()>& call) {
    if (GetWindowThreadProcessId(notifier_, nullptr) == GetCurrentThreadId())
        call();
    else
        callOnNotifierThread(notifier_, call);
}

std::vector<ConversationInfo> MessengerState::openConversations() const {
    std::vector<ConversationInfo> result;
    for (const auto& conversation : conversations_) result.push_back({conversation.window, conversation.contact});
    return result;
}

bool MessengerState::isConversation(HWND window) const {
    return std::any_of(conversations_.begin(), conversations_.end(),
                       [&](const Conversation& c) { return c.window == window; });
}

std::vector<MessengerState::Conversation>::iterator MessengerState::find(HWND window) {
    return std::find_if(conversations_.begin(), conversations_.end(),
                        [&](const Conversation& c) { return c.window == window; });
}

void MessengerState::windowDestroyed(HWND window) {
    auto it = find(window);
    if (it == conversations_.end()) return;
    ComPtr<IDispatch> object = it->object;
    conversations_.erase(it);
    if (!closing_) queue(dispidOnIMWindowDestroyed, object);
}

void MessengerState::hotKeyPressed(HWND window) {
    auto it = find(window);
    if (it != conversations_.end() && hotKey) hotKey({it->window, it->contact});
}

void MessengerState::messageSent(HWND window, std::wstring text) {
    auto it = find(window);
    if (it != conversations_.end()) messagesToContacts.push_back({it->contact, std::move(text)});
}

DWORD MessengerState::advise(const void* source, ComPtr<IDispatch> sink) {
    DWORD cookie = nextCookie_++;
    sinks_.push_back({cookie, source, std::move(sink)});
    return cookie;
}

bool MessengerState::unadvise(DWORD cookie) {
    auto it = std::find_if(sinks_.begin(), sinks_.end(), [&](const Sink& s) { return s.cookie == cookie; });
    if (it == sinks_.end()) return false;
    sinks_.erase(it);
    return true;
}

void MessengerState::dropSinks(const void* source) {
    std::erase_if(sinks_, [&](const Sink& s) { return s.source == source; });
}

void MessengerState::queue(DISPID id, ComPtr<IDispatch> window) {
    Variant argument;
    argument.get()->vt = VT_DISPATCH;
    argument.get()->pdispVal = window.Detach();
    raise(id, std::move(argument));
}

void MessengerState::raise(DISPID id, Variant argument) {
    pending_.push_back({id, std::move(argument)});
    postEventNotice(notifier_);
}

void MessengerState::noteForeground(HWND window) {
    if (window == foregroundWindow) return;
    foregroundWindow = window;
    foregroundSince = GetTickCount();
}

std::optional<std::wstring> MessengerState::refusal(const std::wstring& name) const {
    if (name.size() > longestDisplayName && !shortenLongNames) return L"too long";
    if (refuseLinks && holdsLink(name)) return L"a link";
    if (paceChanges && lastAccepted_ && std::chrono::milliseconds(GetTickCount() - *lastAccepted_) < shortestChangeInterval)
        return L"too soon";
    return std::nullopt;
}

bool MessengerState::requestName(std::wstring name) {
    if (auto reason = refusal(name)) {
        refusals.push_back({std::move(name), std::move(*reason)});
        return false;
    }
    lastAccepted_ = GetTickCount();
    if (name.size() > longestDisplayName) name.resize(longestDisplayName);
    if (collapseBlanks) name = collapsedBlanks(name);
    if (showDelay.count() <= 0 && inFlight_.empty()) {
        show(std::move(name));
        return true;
    }
    inFlight_.push_back({*lastAccepted_ + static_cast<DWORD>(showDelay.count()), std::move(name)});
    if (inFlight_.size() == 1) landNamesAfter(notifier_, static_cast<DWORD>(showDelay.count()));
    return true;
}

void MessengerState::show(std::wstring name) { friendlyName = std::move(name); }

void MessengerState::landDueNames() {
    while (!inFlight_.empty() && static_cast<LONG>(GetTickCount() - inFlight_.front().due) >= 0) {
        show(std::move(inFlight_.front().name));
        inFlight_.pop_front();
    }
    if (!inFlight_.empty()) landNamesAfter(notifier_, inFlight_.front().due - GetTickCount());
}

Answer MessengerState::answerFor(Member member) {
    if (member == Member::hWnd && std::exchange(failNextHandleRead, false)) return Answer::failure;
    auto it = answers.find(member);
    return it == answers.end() ? Answer::asUsual : it->second;
}

void MessengerState::raisePendingEvents() {
    while (!pending_.empty()) {
        Event event = std::move(pending_.front());
        pending_.pop_front();
        // A sink may connect or disconnect while it handles the event.
        std::vector<ComPtr<IDispatch>> sinks;
        for (const auto& s : sinks_) sinks.push_back(s.sink);
        for (const auto& sink : sinks) {
            bool hasArgument = event.argument.type() != VT_EMPTY;
            DISPPARAMS params{hasArgument ? event.argument.get() : nullptr, nullptr, hasArgument ? 1u : 0u, 0};
            sink->Invoke(event.id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                         nullptr);
        }
    }
}

MessengerState::Call::Call(MessengerState& state, std::chrono::milliseconds letMessagesThrough) : state_(state) {
    ++state_.calls;
    state_.deepestNesting = std::max(state_.deepestNesting, ++state_.nesting);
    if (letMessagesThrough.count() > 0) pumpMessagesFor(letMessagesThrough);
}

MessengerState::Call::~Call() { --state_.nesting; }

// ---- StandInMessenger

StandInMessenger::StandInMessenger(std::wstring signinName, std::wstring friendlyName)
    : state_(std::make_shared<MessengerState>(std::move(signinName), std::move(friendlyName))) {}

StandInMessenger::~StandInMessenger() {
    revokeClassObject();
    state_.reset();
}

void StandInMessenger::registerClassObject() {
    if (classCookie_) return;
    ComPtr<IClassFactory> factory = makeMessengerFactory(state_);
    throwIfFailed(CoRegisterClassObject(CLSID_Messenger, factory.Get(), CLSCTX_LOCAL_SERVER | CLSCTX_INPROC_SERVER,
                                        REGCLS_MULTIPLEUSE, &classCookie_));
}

void StandInMessenger::revokeClassObject() {
    if (classCookie_) CoRevokeClassObject(std::exchange(classCookie_, 0));
}

std::wstring StandInMessenger::friendlyName() const { return state_->friendlyName; }
void StandInMessenger::setFriendlyName(std::wstring name) { state_->friendlyName = std::move(name); }
bool StandInMessenger::requestFriendlyName(std::wstring name) { return state_->requestName(std::move(name)); }

void StandInMessenger::shortenLongNames(bool shorten) { state_->shortenLongNames = shorten; }
void StandInMessenger::refuseLinks(bool refuse) { state_->refuseLinks = refuse; }
void StandInMessenger::paceChanges(bool pace) { state_->paceChanges = pace; }
void StandInMessenger::showNamesAfter(std::chrono::milliseconds delay) { state_->showDelay = delay; }
void StandInMessenger::collapseBlanks(bool collapse) { state_->collapseBlanks = collapse; }
int StandInMessenger::refusedNames() const { return static_cast<int>(state_->refusals.size()); }
std::vector<RefusedName> StandInMessenger::refusals() const { return state_->refusals; }
size_t StandInMessenger::namesInFlight() const { return state_->namesInFlight(); }

std::wstring StandInMessenger::signinName() const { return state_->signinName; }

HWND StandInMessenger::openConversation(std::wstring contact) {
    ComPtr<IDispatch> object = state_->open(std::move(contact));
    return state_->openConversations().back().window;
}

void StandInMessenger::closeConversation(HWND window) { state_->close(window); }

std::vector<ConversationInfo> StandInMessenger::conversations() const { return state_->openConversations(); }

HWND StandInMessenger::inputBox(HWND conversation) const {
    return state_->isConversation(conversation) ? inputBoxOf(conversation) : nullptr;
}

std::wstring StandInMessenger::draft(HWND conversation) const {
    HWND box = inputBox(conversation);
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(box)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(box, text.data(), static_cast<int>(text.size()))));
    return text;
}

Selection StandInMessenger::selection(HWND conversation) const {
    Selection selection;
    SendMessageW(inputBox(conversation), EM_GETSEL, reinterpret_cast<WPARAM>(&selection.start),
                 reinterpret_cast<LPARAM>(&selection.end));
    return selection;
}

bool StandInMessenger::inputBoxHasFocus(HWND conversation) const {
    HWND box = inputBox(conversation);
    GUITHREADINFO thread{};
    thread.cbSize = sizeof(thread);
    return box && GetGUIThreadInfo(GetWindowThreadProcessId(box, nullptr), &thread) && thread.hwndFocus == box;
}

void StandInMessenger::sendMessage(HWND conversation, std::wstring text) {
    state_->messageSent(conversation, std::move(text));
}

std::vector<ConversationText> StandInMessenger::messagesToContacts() const { return state_->messagesToContacts; }

void StandInMessenger::onHotKey(HotKeyHandler handler) { state_->hotKey = std::move(handler); }

void StandInMessenger::refuseActivation(bool refuse) { state_->refuseActivation = refuse; }

void StandInMessenger::leaveInputUnread(std::chrono::milliseconds duration) {
    state_->unreadMs = static_cast<int>(duration.count());
    if (!state_->conversationThread) state_->conversationThread = std::make_unique<ConversationThread>(*state_);
}

void StandInMessenger::keepBusy(HWND conversation, std::chrono::milliseconds duration) {
    if (state_->isConversation(conversation)) postBusyNotice(conversation, static_cast<DWORD>(duration.count()));
}

void StandInMessenger::peekWhileBusy(bool peek) { state_->peekWhileBusy = peek; }

void StandInMessenger::keepBusyAfterTheHotKey(std::chrono::milliseconds duration) {
    state_->busyAfterHotKeyMs = static_cast<int>(duration.count());
}

void StandInMessenger::messageFromContactWhenCommandComesForward(HWND conversation) {
    state_->contactMessageTo = conversation;
}

int StandInMessenger::messagesFromContacts() const { return state_->contactMessages; }
int StandInMessenger::hotKeyKeysInUserConversations() const { return state_->hotKeyKeysElsewhere; }

// The window in front now counts as having taken the foreground now.
void StandInMessenger::lockForeground(bool lock) {
    state_->lockForeground = lock;
    state_->noteForeground(GetForegroundWindow());
}

void StandInMessenger::letMessagesThroughWhileReadingFriendlyName(std::chrono::milliseconds duration) {
    state_->messagesDuringFriendlyName = duration;
}

void StandInMessenger::answer(Member member, Answer how) { state_->answers[member] = how; }
void StandInMessenger::failCreation(HRESULT result) { state_->creationFailure = result; }

void StandInMessenger::offerVtableOnlyEvents(bool offer) { state_->vtableOnlyEvents = offer; }
void StandInMessenger::closeConversationWhenContactsAreRead() { state_->closeOnContactsRead = true; }
void StandInMessenger::failNextHandleRead() { state_->failNextHandleRead = true; }

void StandInMessenger::raiseWindowEvent(WindowEvent event, EventArgument argument) {
    Variant value;
    switch (argument) {
        case EventArgument::objectWithoutHwnd:
            value.get()->vt = VT_DISPATCH;
            value.get()->pdispVal = makeObjectWithoutMembers().Detach();
            break;
        case EventArgument::nullObject:
            value.get()->vt = VT_DISPATCH;
            value.get()->pdispVal = nullptr;
            break;
        case EventArgument::number: value = Variant(42L); break;
        case EventArgument::text: value = Variant(std::wstring_view(L"HWND42")); break;
        case EventArgument::none: break;
    }
    state_->raise(event == WindowEvent::created ? dispidOnIMWindowCreated : dispidOnIMWindowDestroyed,
                  std::move(value));
}

long StandInMessenger::liveObjects() { return liveStandInObjects(); }

int StandInMessenger::automationCalls() const { return state_->calls; }
int StandInMessenger::instantMessageCalls() const { return state_->instantMessages; }
int StandInMessenger::deepestCallNesting() const { return state_->deepestNesting; }

}  // namespace sonarel::standin
