#pragma once
// The user at the keyboard and the mouse, as the demo, the bench and the
// tests play it.
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
// The first extra mouse button (X1) held down, as for a drag or a
// push-to-talk, over the middle of the window in front; and let go, with the
// pointer put back where it was. X1 clicks nothing: the window system makes
// only an application command ("back") of it, which no window here takes,
// where the left button would select or drag and the right one open a
// menu. It is pressed over the window in front because a press activates
// the window under the pointer: over the bare screen, the desktop window
// would take the foreground.
void holdMouseButton();
void releaseMouseButton();
// The menu of the window in front opened from the keyboard (Alt+Space, the
// window menu), and closed again with Esc twice: the first closes the
// menu's list, the second leaves the menu. The two keys that open it reach
// the window, the ones inside the menu do not.
void openWindowMenu();
void closeMenu();
// A mouse move of no distance: the user at the desk, as far as the window
// system can tell, with nothing moved or clicked.
void moveMouseByNothing();
// True when the window system has seen no input for over a second, so that
// the plug-in no longer takes the user to be at work.
bool inputQuiet();
// The window system's last-input time: it moves when input is injected.
DWORD lastInputTick();

}  // namespace sonarel
