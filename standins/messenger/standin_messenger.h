#pragma once
// A stand-in for the instant messenger, living on the calling thread: the
// signed-in user, conversation windows of class "IMWindowClass", and an
// automation class registered as the class object of the messenger class,
// so that the plug-in's CoCreateInstance reaches it. Events reach their
// sinks only while the thread processes messages, as a messenger in its own
// process would deliver them.
#include <windows.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace sonarel::standin {

class MessengerState;

struct ConversationInfo {
    HWND window;
    std::wstring contact;
};

// A text sent in a conversation.
struct ConversationText {
    std::wstring contact;  // the conversation it was sent in
    std::wstring text;
    bool operator==(const ConversationText&) const = default;
};

// The caret and the selection in an input box, as EM_GETSEL gives them: a
// bare caret has start == end.
struct Selection {
    DWORD start = 0;
    DWORD end = 0;
    bool operator==(const Selection&) const = default;
};

// Test switches: members of the automation objects that answer badly.
enum class Member { MyFriendlyName, MySigninName, InstantMessage, hWnd, Contacts, FirstContact, SigninName };
enum class Answer {
    asUsual,
    failure,     // a failing HRESULT
    number,      // the number 42
    text,        // the text "not a handle"
    object,      // an object that has no default member
    nullObject,  // an object reference that is null
    nothing,     // success, and an empty result
};
// The argument that a raised window event carries.
enum class EventArgument { objectWithoutHwnd, nullObject, number, text, none };
enum class WindowEvent { created, destroyed };

// Called when Alt+0 is pressed in a conversation window.
using HotKeyHandler = std::function<void(const ConversationInfo& conversation)>;

// The longest display name the messenger keeps, in UTF-16 units.
inline constexpr size_t longestDisplayName = 129;
// With changes paced, a change this soon after the last accepted one is refused.
inline constexpr std::chrono::milliseconds shortestChangeInterval{10000};
// How long a slow server takes to show a name.
inline constexpr std::chrono::milliseconds slowServerDelay{2500};

// A name the messenger's server refused, and why.
struct RefusedName {
    std::wstring name;
    std::wstring reason;  // "too long", "a link", "too soon"
    bool operator==(const RefusedName&) const = default;
};

class StandInMessenger {
public:
    StandInMessenger(std::wstring signinName, std::wstring friendlyName);
    StandInMessenger(const StandInMessenger&) = delete;
    StandInMessenger& operator=(const StandInMessenger&) = delete;
    // Closes its windows and revokes its class object; automation objects
    // still held by others then fail as if the messenger had quit.
    ~StandInMessenger();

    // Makes the messenger class creatable in this thread's apartment.
    void registerClassObject();
    void revokeClassObject();

    std::wstring friendlyName() const;
    void setFriendlyName(std::wstring name);
    // The user's own request for a new display name, as a "/name" command
    // makes it: one longer than the messenger keeps is refused, and the
    // name stays, or it is cut to fit where the messenger is told to. The
    // switches below make the server refuse, pace, delay or rewrite names
    // as servers do. False when the name was refused.
    bool requestFriendlyName(std::wstring name);
    void shortenLongNames(bool shorten);
    // Names holding "www" or "http", in any letter case, are refused.
    void refuseLinks(bool refuse);
    // A change less than shortestChangeInterval after the last accepted one
    // is refused.
    void paceChanges(bool pace);
    // An accepted name shows only this long after its command; accepted
    // names land in the order of their commands.
    void showNamesAfter(std::chrono::milliseconds delay);
    // Runs of blanks inside a name show as one blank.
    void collapseBlanks(bool collapse);
    // Refused names so far, for any reason, and each noted with its reason.
    int refusedNames() const;
    std::vector<RefusedName> refusals() const;
    // Names accepted that have not shown yet.
    size_t namesInFlight() const;
    std::wstring signinName() const;

    // Opens a conversation as the user would; returns its window.
    HWND openConversation(std::wstring contact);
    // Closes it as the user would.
    void closeConversation(HWND window);
    // The open conversations, oldest first.
    std::vector<ConversationInfo> conversations() const;

    // A conversation's input box, a single-line edit control that holds
    // the user's draft. The window hands the keyboard to it whenever it
    // gets the keyboard, and Alt+0 there is the host's hot key, as in the
    // window. Null when the window is no open conversation.
    HWND inputBox(HWND conversation) const;
    // The text in the input box.
    std::wstring draft(HWND conversation) const;
    Selection selection(HWND conversation) const;
    // Whether the input box is the keyboard focus of its thread; from any
    // thread.
    bool inputBoxHasFocus(HWND conversation) const;
    // Sends a message in the conversation, as the send button does: it
    // reaches the contact.
    void sendMessage(HWND conversation, std::wstring text);
    // Every message that reached a contact, oldest first.
    std::vector<ConversationText> messagesToContacts() const;

    void onHotKey(HotKeyHandler handler);

    // Keeps the conversation windows from being activated, as a window
    // system that refuses to hand over the foreground would.
    void refuseActivation(bool refuse);
    // Conversations opened from now on live on a window thread of their
    // own, as a messenger's windows do beside the host's thread, and leave
    // their input unread for this long whenever they come to the front, as
    // a busy messenger's thread would.
    void leaveInputUnread(std::chrono::milliseconds duration);
    // The thread of the conversation, one of leaveInputUnread's, is busy for
    // this long from the next message it takes.
    void keepBusy(HWND conversation, std::chrono::milliseconds duration);
    // After the host's hot key, from its "0" going up, the conversation's
    // thread is busy for this long, as a host sending the quick text may
    // keep it; the Alt key going up waits meanwhile.
    void keepBusyAfterTheHotKey(std::chrono::milliseconds duration);
    // While busy, the thread looks at its queue now and then without taking
    // anything (PeekMessage with PM_NOREMOVE), as a busy loop that keeps a
    // window answering does.
    void peekWhileBusy(bool peek);
    // The next time the command conversation comes to the front, a message
    // arrives from the contact of this conversation, which lives on the
    // same thread: posted, it is handled before the keys that follow the
    // activation, and it brings that conversation to the front.
    void messageFromContactWhenCommandComesForward(HWND conversation);
    // Messages from contacts that arrived so far.
    int messagesFromContacts() const;
    // Key-downs of the hot key's keys (Alt, "0") that reached a conversation
    // other than the command conversation.
    int hotKeyKeysInUserConversations() const;
    // Refuses them the way the window system's foreground lock does: while
    // another program is in front, unless an input event arrived after
    // that program took the foreground.
    void lockForeground(bool lock);
    // Reading MyFriendlyName processes the thread's messages for this long,
    // as a call into another process may.
    void letMessagesThroughWhileReadingFriendlyName(std::chrono::milliseconds duration);
    // Bad input, for the tests of the plug-in's hardening.
    void answer(Member member, Answer how);
    // Creating a messenger object fails with this result (S_OK: it works).
    void failCreation(HRESULT result);
    // The class information names a source interface served through a
    // vtable of its own instead of the dispatch interface of the events.
    void offerVtableOnlyEvents(bool offer);
    // The next read of a conversation's Contacts closes that conversation
    // first, as a user closing it at that moment would.
    void closeConversationWhenContactsAreRead();
    // The next read of a conversation's hWnd fails, as a busy messenger may
    // reject a call; the reads after it answer as usual.
    void failNextHandleRead();
    // Raises an event whose argument is not a usable window.
    void raiseWindowEvent(WindowEvent event, EventArgument argument);
    // Automation objects of the stand-in alive now, in this process.
    static long liveObjects();

    // Automation calls on messenger objects so far, and the deepest nesting
    // of such calls seen.
    int automationCalls() const;
    int deepestCallNesting() const;
    // InstantMessage calls answered so far, whether they opened a window or
    // handed back one that was open.
    int instantMessageCalls() const;

private:
    std::shared_ptr<MessengerState> state_;
    DWORD classCookie_ = 0;
};

}  // namespace sonarel::standin
