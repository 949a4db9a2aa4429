#pragma once
// What the player watcher asks of the name switch, and what the switch
// answers: whether the host's hot key was pressed, or why not. Free of
// windows.h.
#include <string_view>

namespace sonarel {

enum class SendOutcome {
    sent,                    // the hot key was pressed in the command conversation
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
    tooManyNames,        // five names went out in the last minute while the messenger refuses names
};

// True when the decision is done with: the name shows already, or there is
// nothing to send. After "sent" the name is looked for on the next ticks;
// any other outcome leaves the name possibly wrong, and the decision is
// tried again.
inline bool isSettled(SendOutcome outcome) {
    return outcome == SendOutcome::alreadyShows || outcome == SendOutcome::noModeChosen ||
           outcome == SendOutcome::notListeningNameEmpty || outcome == SendOutcome::plainNameEmpty;
}

// True when the decision waits (for the user, or for the minute to allow
// another name) rather than failing: it is tried on every tick and does
// not count towards the slower retries.
inline bool waitsForUser(SendOutcome outcome) {
    return outcome >= SendOutcome::userAway && outcome <= SendOutcome::tooManyNames;
}

// The outcome as a user reads it in the trace.
std::wstring_view describe(SendOutcome outcome);

// Whether the display name showing is the listening name recorded as sent
// for the user signed in, and not restored since.
enum class LeftBehind { no, yes, cannotTell };

// Switches the display name to the listening name, or back to the plain one.
class NameSwitcher {
public:
    virtual ~NameSwitcher() = default;
    virtual SendOutcome changeName() = 0;
    virtual SendOutcome changeNameBack() = 0;
    // Asked at start-up: a process that ended while a song played may have
    // left the listening name behind. cannotTell while the messenger cannot
    // give the names.
    virtual LeftBehind listeningNameLeftBehind() = 0;
    // True once the display name shows the name last sent: keys can reach
    // another window, or a busy host can drop them.
    virtual bool nameSentShows() = 0;
    // Puts the user's own quick text back in the hot key's entry: once a
    // send is given up, when the watch is off, and at start.
    virtual void giveBackQuickText() = 0;
};

}  // namespace sonarel
