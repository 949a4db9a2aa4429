#pragma once
// Inside the stand-in messenger: the state its windows and automation
// objects share. All on one thread.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <memory>
#include <string>
#include <vector>

#include "common/com.h"
#include "standins/messenger/standin_messenger.h"

namespace sonarel::standin {

// Event ids, as in the stand-in's type library.
inline constexpr DISPID dispidOnIMWindowCreated = 0x1A0;
inline constexpr DISPID dispidOnIMWindowDestroyed = 0x1A1;

class MessengerState;

// A window thread of the messenger's own, beside the thread of its
// automation objects and of the host: conversations opened while it runs
// live there.
class ConversationThread {
public:
    explicit ConversationThread(MessengerState& state);
    ConversationThread(const ConversationThread&) = delete;
    ConversationThread& operator=(const ConversationThread&) = delete;
    ~ConversationThread();
    HWND create(const std::wstring& contact, int cascade);

private:
    static DWORD WINAPI run(void* self);
    MessengerState& state_;
    HWND factory_ = nullptr;
    HANDLE ready_ = nullptr;
    HANDLE thread_ = nullptr;
};

class MessengerState : public std::enable_shared_from_this<MessengerState> {
public:
    MessengerState(std::wstring signinName, std::wstring friendlyName);
    MessengerState(const MessengerState&) = delete;
    MessengerState& operator=(const MessengerState&) = delete;
    ~MessengerState();

    std::wstring signinName;
    std::wstring friendlyName;
    HotKeyHandler hotKey;

    // Opens a conversation window; its created event follows later.
    ComPtr<IDispatch> open(std::wstring contact);
    // InstantMessage: the open conversation with the contact, shown again,
    // or else a new one. Only a new window raises the created event.
    ComPtr<IDispatch> openOrShow(std::wstring contact);
    void close(HWND window);
    std::vector<ConversationInfo> openConversations() const;
    bool isConversation(HWND window) const;

    // Called by the conversation windows, from whichever thread they live
    // on; runs on the messenger's own thread.
    void fromWindowThread(const std::function<void()>& call);
    void windowDestroyed(HWND window);
    void hotKeyPressed(HWND window);
    // Messages sent in conversations, which reached their contacts.
    void messageSent(HWND window, std::wstring text);
    std::vector<ConversationText> messagesToContacts;

    // Event sinks, per automation object that connected them.
    DWORD advise(const void* source, ComPtr<IDispatch> sink);
    bool unadvise(DWORD cookie);
    void dropSinks(const void* source);
    void raisePendingEvents();
    void raise(DISPID id, Variant argument);

    // Test switches (see StandInMessenger).
    std::map<Member, Answer> answers;
    HRESULT creationFailure = S_OK;
    bool closeOnContactsRead = false;
    bool shortenLongNames = false;
    bool refuseLinks = false;
    bool paceChanges = false;
    bool collapseBlanks = false;
    std::chrono::milliseconds showDelay{0};
    std::vector<RefusedName> refusals;
    // The server's side of a "/name" command (see StandInMessenger).
    bool requestName(std::wstring name);
    // Shows the names in flight whose time has come.
    void landDueNames();
    size_t namesInFlight() const { return inFlight_.size(); }
    bool failNextHandleRead = false;
    // How the member answers this call; asUsual when no switch is set. A
    // one-shot failure is used up by the call it fails.
    Answer answerFor(Member member);

    // Automation calls: counted, and optionally letting messages through.
    class Call {
    public:
        explicit Call(MessengerState& state, std::chrono::milliseconds letMessagesThrough = {});
        Call(const Call&) = delete;
        Call& operator=(const Call&) = delete;
        ~Call();

    private:
        MessengerState& state_;
    };
    std::chrono::milliseconds messagesDuringFriendlyName{0};
    int calls = 0;
    int instantMessages = 0;
    int nesting = 0;
    int deepestNesting = 0;
    bool refuseActivation = false;
    // Conversations on a thread of their own, leaving their input unread
    // for this long whenever they come to the front.
    std::atomic<int> unreadMs{0};
    std::atomic<bool> busy{false};
    std::atomic<bool> peekWhileBusy{false};
    std::atomic<int> busyAfterHotKeyMs{0};
    // The conversation a contact's message brings forward when the command
    // conversation next comes to the front.
    std::atomic<HWND> contactMessageTo{nullptr};
    std::atomic<int> contactMessages{0};
    std::atomic<int> hotKeyKeysElsewhere{0};
    std::unique_ptr<ConversationThread> conversationThread;
    bool vtableOnlyEvents = false;
    // The foreground lock: the window in front and when it got there.
    bool lockForeground = false;
    HWND foregroundWindow = nullptr;
    DWORD foregroundSince = 0;
    void noteForeground(HWND window);

private:
    struct Conversation {
        HWND window;
        std::wstring contact;
        ComPtr<IDispatch> object;
    };
    struct Sink {
        DWORD cookie;
        const void* source;
        ComPtr<IDispatch> sink;
    };
    struct Event {
        DISPID id;
        Variant argument;  // VT_EMPTY: the event carries no argument
    };
    void queue(DISPID id, ComPtr<IDispatch> window);
    std::vector<Conversation>::iterator find(HWND window);
    std::optional<std::wstring> refusal(const std::wstring& name) const;
    void show(std::wstring name);

    struct NameInFlight {
        DWORD due;  // tick count
        std::wstring name;
    };
    std::deque<NameInFlight> inFlight_;
    std::optional<DWORD> lastAccepted_;  // tick count

    std::vector<Conversation> conversations_;
    std::vector<Sink> sinks_;
    std::deque<Event> pending_;
    DWORD nextCookie_ = 1;
    HWND notifier_ = nullptr;
    HHOOK activationHook_ = nullptr;
    bool closing_ = false;
    int cascade_ = 0;
};

// The conversation window class and the event notifier window.
HWND createConversationWindow(MessengerState& state, const std::wstring& contact, int cascade);
// A conversation window's input box.
HWND inputBoxOf(HWND conversation);
HWND createNotifierWindow(MessengerState& state);
// Runs the call on the notifier's thread, waiting for it.
void callOnNotifierThread(HWND notifier, const std::function<void()>& call);
void postEventNotice(HWND notifier);
// Keeps the conversation's thread busy for that long, from when it takes
// the notice.
void postBusyNotice(HWND conversation, DWORD milliseconds);
// Asks the notifier to land the names in flight after the delay.
void landNamesAfter(HWND notifier, DWORD milliseconds);
HHOOK installActivationGuard(MessengerState& state);
void removeActivationGuard(HHOOK hook);

// Automation objects (messenger_objects.cpp).
ComPtr<IDispatch> makeConversationObject(std::weak_ptr<MessengerState> state, HWND window, std::wstring contact);
// An automation object of the stand-in that has no members a window has.
ComPtr<IDispatch> makeObjectWithoutMembers();
// Sets the result of a member that answers badly; returns the HRESULT.
HRESULT misanswer(Answer how, VARIANT* result);
std::atomic<long>& liveStandInObjects();
ComPtr<IClassFactory> makeMessengerFactory(std::weak_ptr<MessengerState> state);

}  // namespace sonarel::standin
