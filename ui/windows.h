#pragma once
// The plug-in's own windows, shown by the host commands.
namespace sonarel {

// Shows the thread's Options window modally and returns when it closes.
void showOptionsWindow();
// Shows the thread's About window modally and returns when it closes.
void showAboutWindow();

}  // namespace sonarel
