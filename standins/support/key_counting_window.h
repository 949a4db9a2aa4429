#pragma once
// A window of a program the user works in. It counts the keys that reach
// it, so that the demo and the tests can tell whether keys typed by the
// user, or meant for a conversation, went astray.
#include <windows.h>

#include "common/win32.h"

namespace sonarel {

class KeyCountingWindow {
public:
    // A top-level window of this thread, not yet shown; handle() is null
    // when it could not be made.
    KeyCountingWindow(const wchar_t* title, DWORD style, const RECT& area);
    KeyCountingWindow(const KeyCountingWindow&) = delete;
    KeyCountingWindow& operator=(const KeyCountingWindow&) = delete;

    HWND handle() const { return window_.get(); }
    // Key-downs that reached it, the system's (with Alt) included.
    int keys() const { return keys_; }
    // Shown, in front, and with the keyboard.
    void bringToFront();

private:
    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    UniqueWindow window_;
    int keys_ = 0;
};

}  // namespace sonarel
