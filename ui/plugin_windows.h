#pragma once
// The plug-in's own windows, shown by the host commands.
namespace sonarel {

// Shows the thread's Options window modally, owned by the plug-in's active
// window if there is one, and returns when it closes: true when the user
// saved. When it is open already (a call made from inside its modal loop),
// it comes to the front and the call returns false at once. Throws
// HResultError when it cannot be shown.
bool showOptionsWindow();
// The same for the thread's About window.
void showAboutWindow();

}  // namespace sonarel
