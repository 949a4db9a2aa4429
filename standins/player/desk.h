#pragma once
// The other programs on the user's desktop, living in the player's process:
// a document the user works in, and a video that can fill the screen. They
// count the keys that reach them, so that a test can tell whether keys
// meant for a conversation, or typed by the user, went astray.
#include <windows.h>

#include <string>

#include "common/win32.h"

namespace sonarel::player {

class Desk {
public:
    // The document comes to the front; it lies away from the screen's
    // centre, where the pointer rests.
    void work();
    // The video covers the whole screen, in front.
    void fullScreen();
    // "keys=N front=document|video|other".
    std::string report() const;

private:
    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND ensure(UniqueWindow& window, const wchar_t* title, DWORD style, const RECT& area);

    UniqueWindow document_;
    UniqueWindow video_;
    int keys_ = 0;
};

}  // namespace sonarel::player
