#pragma once
// The user at the keyboard, as the demo, the bench and the tests play it.
#include <windows.h>

#include <string_view>
#include <vector>

namespace sonarel {

// One key going down or up, as a keyboard would send it.
void pressKey(WORD key, bool up);
// One key typed: down, then up.
void typeKey(WORD key);
// Keys typed together, such as Alt+N: down in order, then up in reverse
// order, in one batch that no other input can split.
void typeChord(const std::vector<WORD>& keys);
// Text typed as characters, whatever the keyboard layout.
void typeText(std::wstring_view text);
// True when the window system has seen no input for over a second, so that
// the plug-in no longer takes the user to be at work.
bool inputQuiet();

}  // namespace sonarel
