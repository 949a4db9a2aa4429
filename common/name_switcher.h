#pragma once
// What the player watcher asks of the name switch, and what the switch
// answers: whether the host's hot key was pressed, or why not. Free of
// windows.h.

namespace sonarel {

enum class SendOutcome {
    sent,                  // the hot key was pressed in a conversation window
    nothingToSend,         // no naming mode chosen yet: nothing to compose
    nothingComposed,       // current-name mode without a readable display name
    noUsableSigninName,    // the command could not be stored under the user's own key
    conversationOpened,    // the command conversation had to be opened first
    notInFront,            // the conversation could not be brought to the front
    keysRefused,           // the window system injected fewer keys than given
    messengerUnavailable,  // no conversation could be opened
};

// True when the name on screen may still be the wrong one, so that the
// decision should be tried again.
inline bool isPending(SendOutcome outcome) {
    return outcome != SendOutcome::sent && outcome != SendOutcome::nothingToSend;
}

// Switches the display name to the listening name, or back to the plain one.
class NameSwitcher {
public:
    virtual ~NameSwitcher() = default;
    virtual SendOutcome changeName() = 0;
    virtual SendOutcome changeNameBack() = 0;
};

}  // namespace sonarel
