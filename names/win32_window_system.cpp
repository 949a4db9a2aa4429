#include "names/win32_window_system.h"

#include <windows.h>

#include <string>

#include "common/one_shot_timer.h"
#include "common/win32.h"

namespace sonarel {
namespace {

HWND toHandle(WindowHandle window) { return reinterpret_cast<HWND>(static_cast<UINT_PTR>(window)); }

// Injected keys are delivered from the message queue, to whichever window
// has the focus when they are taken from it. A window hidden at once would
// pass the focus, and the keys with it, to another window; so the hide
// runs from a short one-shot timer, after the input already queued.
constexpr unsigned hideDelayMs = 50;

INPUT key(WORD virtualKey, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

}  // namespace

WindowHandle Win32WindowSystem::foregroundWindow() {
    return static_cast<WindowHandle>(reinterpret_cast<UINT_PTR>(GetForegroundWindow()));
}

// A 250-character buffer, NUL-filled; the name ends at the first NUL.
std::wstring Win32WindowSystem::className(WindowHandle window) {
    char buffer[250] = {};
    if (GetClassNameA(toHandle(window), buffer, 250) == 0) return {};
    return fromAnsi(std::string_view(buffer, strnlen(buffer, sizeof(buffer))));
}

void Win32WindowSystem::setForegroundWindow(WindowHandle window) { SetForegroundWindow(toHandle(window)); }

bool Win32WindowSystem::exists(WindowHandle window) { return IsWindow(toHandle(window)) != FALSE; }

void Win32WindowSystem::hide(WindowHandle window, WindowHandle previousForeground) {
    HWND handle = toHandle(window);
    HWND previous = toHandle(previousForeground);
    auto hideNow = [handle, previous] {
        ShowWindow(handle, SW_HIDE);
        // Hiding a window that was hidden already passes the activation on
        // to nobody: the user would type into the invisible conversation.
        if (GetForegroundWindow() == handle && previous != handle && IsWindowVisible(previous))
            SetForegroundWindow(previous);
    };
    if (!runOnceAfter(hideDelayMs, hideNow)) hideNow();
}

// Alt down, "0" down, "0" up, Alt up. Another program's input, or a desktop
// that blocks input, can make the system take fewer.
bool Win32WindowSystem::pressHotKey() {
    INPUT keys[] = {key(VK_MENU, false), key('0', false), key('0', true), key(VK_MENU, true)};
    return SendInput(static_cast<UINT>(std::size(keys)), keys, sizeof(INPUT)) == std::size(keys);
}

}  // namespace sonarel
