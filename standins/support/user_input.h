#pragma once
// The user at the keyboard, as the demo, the bench and the tests play it.
#include <windows.h>

namespace sonarel {

// One key going down or up, as a keyboard would send it.
void pressKey(WORD key, bool up);
// One key typed: down, then up.
void typeKey(WORD key);
// True when the window system has seen no input for over a second, so that
// the plug-in no longer takes the user to be at work.
bool inputQuiet();

}  // namespace sonarel
