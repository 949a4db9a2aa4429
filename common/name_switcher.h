#pragma once
// What the player watcher asks of the name switch, and what the switch
// answers: whether the host's hot key was pressed, or why not. Free of
// windows.h.
#include <string_view>

namespace sonarel {

enum class SendOutcome {
    sent,                    // the hot key was pressed in a conversation window
    alreadyShows,            // the name composed is the display name showing: nothing to send
    noModeChosen,            // no naming mode chosen yet: there is nothing to send
    displayNameUnreadable,   // current-name mode without a readable display name
    notStored,               // the command could not be stored in the quick-text entry
    conversationOpened,      // the command conversation had to be opened first
    conversationUnreadable,  // the command conversation's window could not be read
    notInFront,              // the conversation could not be brought to the front
    keysRefused,             // the window system injected fewer keys than given
    messengerUnavailable,    // no conversation could be opened
    // The user is at work; nothing was touched.
    userTyping,          // input in the last second
    keyHeld,             // Shift, Ctrl, Alt or a Windows key is down
    fullScreenInFront,   // a full-screen program would lose the foreground
};

// True when the decision is done with: the hot key was pressed, or there
// is nothing to send. Any other outcome leaves the name possibly wrong, and
// the decision is tried again.
inline bool isSettled(SendOutcome outcome) {
    return outcome == SendOutcome::sent || outcome == SendOutcome::alreadyShows ||
           outcome == SendOutcome::noModeChosen;
}

// True when the decision waits for the user rather than failing: it is
// tried on every tick and does not count towards the slower retries.
inline bool waitsForUser(SendOutcome outcome) {
    return outcome == SendOutcome::userTyping || outcome == SendOutcome::keyHeld ||
           outcome == SendOutcome::fullScreenInFront;
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
};

}  // namespace sonarel
