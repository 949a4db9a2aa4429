#pragma once
// Removing the plug-in must not leave its "/name " command on the user's
// hot key: every quick text it still holds is given back.
namespace sonarel {

// For the current user, every sign-in name's; failures are stepped past.
void giveBackBorrowedQuickTexts();

}  // namespace sonarel
