#pragma once
// What the player watcher asks of the name switch, and what the switch
// answers: whether the host's hot key was pressed, or why not. Free of
// windows.h.
#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace sonarel {

using WatchClock = std::chrono::steady_clock;
using ClockReader = std::function<WatchClock::time_point()>;

enum class SendOutcome {
    sent,                    // the hot key was pressed in the command conversation
    onItsWay,                // the name composed is the one on its way: the decision joins it
    alreadyShows,            // the name composed is the display name showing: nothing to send
    noModeChosen,            // no naming mode chosen yet: there is nothing to send
    notListeningNameEmpty,   // the name for not listening is empty: there is nothing to send
    plainNameEmpty,          // the plain name would be empty: there is nothing to send
    displayNameUnreadable,   // current-name mode without a readable display name
    notStored,               // the command could not be stored in the quick-text entry
    quickTextNotKept,        // the user's quick text could not be kept before the entry is borrowed
    recordNotStored,         // the record of the listening name could not be stored
    conversationOpened,      // the command conversation had to be opened first
    conversationUnreadable,  // the command conversation's window could not be read
    notInFront,              // the conversation could not be brought to the front
    keysRefused,             // the window system injected fewer keys than given
    lastKeysUnread,          // the command conversation in front has not read the last keys yet
    messengerUnavailable,    // no conversation could be opened
    // The user is at work or away; nothing was touched.
    userAway,            // no input for a minute, or the session locked or elsewhere
    userTyping,          // input in the last second
    keyHeld,             // Shift, Ctrl, Alt or a Windows key is down
    mouseButtonHeld,     // a drag, a selection, a push-to-talk button
    menuOpen,            // a menu or a drop-down of the window in front
    windowMovedOrSized,  // the window in front is being moved or sized
    mouseCaptured,       // the window in front holds the mouse
    fullScreenInFront,   // a full-screen program would lose the foreground
    // The messenger sets the pace; nothing was touched.
    tooManyNames,        // five names went out in the last minute while the messenger refuses names
    otherNameOnItsWay,   // another name is on its way: one name at a time
    retryNotDue,         // this name did not show when last sent, and its next try is not due
};

// True when the decision is done with: the name shows already, or there is
// nothing to send. After "sent" (or "onItsWay") the decision follows the
// name on its way; any other outcome leaves the name possibly wrong, and the
// decision is tried again.
inline bool isSettled(SendOutcome outcome) {
    return outcome == SendOutcome::alreadyShows || outcome == SendOutcome::noModeChosen ||
           outcome == SendOutcome::notListeningNameEmpty || outcome == SendOutcome::plainNameEmpty;
}

// True when the decision's name is the one on its way.
inline bool followsNameOnItsWay(SendOutcome outcome) {
    return outcome == SendOutcome::sent || outcome == SendOutcome::onItsWay;
}

// True when the decision waits (for the user, the messenger's pace or the
// name on its way) rather than failing: it is tried on every tick and does
// not count towards the slower retries.
inline bool waits(SendOutcome outcome) { return outcome >= SendOutcome::userAway; }

// The outcome as a user reads it in the trace.
std::wstring_view describe(SendOutcome outcome);

// Whether the display name showing is the listening name recorded as sent
// for the user signed in, and not restored since.
enum class LeftBehind { no, yes, cannotTell };

// What became of the name on its way, told once a tick.
struct FlightNews {
    enum class What {
        nothing,        // no name is on its way
        underWay,       // its keys are unread, or the name is looked for
        shown,          // the name shows: the send is through
        unconfirmed,    // not shown by the third tick after its keys were read
        lost,           // its keys never reached the command conversation
        shownLate,      // a name given up as unconfirmed shows after all
        otherAccount,   // another account signed in: what it shows is decided afresh
    };
    What what = What::nothing;
    bool plain = false;   // it was the plain name
    std::wstring name{};  // the name, for the trace
    std::chrono::seconds nextTry{};  // unconfirmed: when the same name may go again
};

// Switches the display name to the listening name, or back to the plain one.
// One name is on its way at a time: from the quick text borrowed to the name
// shown, nothing else is written or pressed.
class NameSwitcher {
public:
    virtual ~NameSwitcher() = default;
    virtual SendOutcome changeName() = 0;
    virtual SendOutcome changeNameBack() = 0;
    // Asked at start-up: a process that ended while a song played may have
    // left the listening name behind. cannotTell while the messenger cannot
    // give the names.
    virtual LeftBehind listeningNameLeftBehind() = 0;
    // Once a tick: follows the name on its way, and the account signed in.
    virtual FlightNews followNameOnItsWay() = 0;
    // At start-up, before anything is sent: every user's quick text that a
    // process which ended still kept is put back.
    virtual void giveBackEveryQuickText() = 0;
};

}  // namespace sonarel
