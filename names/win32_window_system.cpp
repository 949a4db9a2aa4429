#include "names/win32_window_system.h"

#include <windows.h>

#include <map>
#include <string>

#include "common/no_destructor.h"
#include "common/win32.h"

namespace sonarel {
namespace {

HWND toHandle(WindowHandle window) { return reinterpret_cast<HWND>(static_cast<UINT_PTR>(window)); }

// Injected keys are delivered from the message queue, to whichever window
// has the focus when they are taken from it. A window hidden at once would
// pass the focus, and the keys with it, to another window; so the hide is
// done from a short one-shot timer, which the message loop runs only after
// the input already queued.
constexpr UINT hideDelayMs = 50;

// Per thread, since the timers are thread timers. Never destroyed: a
// thread-exit destructor would pull the threads runtime into the DLL.
std::map<UINT_PTR, HWND>& pendingHides() {
    thread_local NoDestructor<std::map<UINT_PTR, HWND>> pending;
    return pending.get();
}

VOID CALLBACK hideNow(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    auto& pending = pendingHides();
    auto it = pending.find(timer);
    if (it == pending.end()) return;
    HWND window = it->second;
    pending.erase(it);
    ShowWindow(window, SW_HIDE);
}

INPUT key(WORD virtualKey, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

}  // namespace

std::size_t pendingWindowHides() { return pendingHides().size(); }

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

void Win32WindowSystem::hide(WindowHandle window) {
    UINT_PTR timer = SetTimer(nullptr, 0, hideDelayMs, hideNow);
    if (timer == 0) {
        ShowWindow(toHandle(window), SW_HIDE);
        return;
    }
    pendingHides()[timer] = toHandle(window);
}

// Alt down, "0" down, "0" up, Alt up.
void Win32WindowSystem::pressHotKey() {
    INPUT keys[] = {key(VK_MENU, false), key('0', false), key('0', true), key(VK_MENU, true)};
    SendInput(static_cast<UINT>(std::size(keys)), keys, sizeof(INPUT));
}

}  // namespace sonarel
