#include "common/name_switcher.h"

namespace sonarel {

std::wstring_view describe(SendOutcome outcome) {
    switch (outcome) {
    case SendOutcome::sent: return L"sent";
    case SendOutcome::onItsWay: return L"is on its way already";
    case SendOutcome::alreadyShows: return L"already shows";
    case SendOutcome::noModeChosen: return L"not sent: no naming mode is chosen";
    case SendOutcome::notListeningNameEmpty: return L"not sent: the name for not listening is empty";
    case SendOutcome::plainNameEmpty: return L"not sent: the plain name would be empty";
    case SendOutcome::displayNameUnreadable: return L"pending: the display name could not be read";
    case SendOutcome::notStored: return L"pending: the command could not be stored in the quick-text entry";
    case SendOutcome::quickTextNotKept: return L"pending: the user's quick text could not be kept";
    case SendOutcome::recordNotStored: return L"pending: the record of the name could not be stored";
    case SendOutcome::conversationOpened: return L"pending: the command conversation is opening";
    case SendOutcome::conversationUnreadable: return L"pending: the command conversation could not be read";
    case SendOutcome::notInFront: return L"pending: the conversation could not come to the front";
    case SendOutcome::keysRefused: return L"pending: the window system refused the keys";
    case SendOutcome::lastKeysUnread: return L"pending: the command conversation has not read the last keys";
    case SendOutcome::messengerUnavailable: return L"pending: the messenger is not available";
    case SendOutcome::userAway: return L"waits: the user is away";
    case SendOutcome::userTyping: return L"waits: the user is typing";
    case SendOutcome::keyHeld: return L"waits: a key is held down";
    case SendOutcome::mouseButtonHeld: return L"waits: a mouse button is held down";
    case SendOutcome::menuOpen: return L"waits: a menu is open";
    case SendOutcome::windowMovedOrSized: return L"waits: a window is being moved or sized";
    case SendOutcome::mouseCaptured: return L"waits: the mouse is held by a window";
    case SendOutcome::fullScreenInFront: return L"waits: a full-screen program is in front";
    case SendOutcome::tooManyNames: return L"waits: five names were sent in the last minute";
    case SendOutcome::otherNameOnItsWay: return L"waits: another name is on its way";
    case SendOutcome::retryNotDue: return L"waits: it did not show when last sent; its next try is not due";
    }
    return L"pending";
}

}  // namespace sonarel
