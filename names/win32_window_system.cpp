#include "names/win32_window_system.h"

#include <windows.h>
#include <shellapi.h>

#include <iterator>
#include <string>

#include "common/one_shot_timer.h"

namespace sonarel {
namespace {

HWND toHandle(WindowHandle window) { return reinterpret_cast<HWND>(static_cast<UINT_PTR>(window)); }

// Injected keys are delivered from the message queue, to whichever window
// has the focus when they are taken from it. A window hidden at once would
// pass the focus, and the keys with it, to another window; so the hide
// runs from a short one-shot timer, after the input already queued.
constexpr unsigned hideDelayMs = 50;

// Input within this long counts as the user at work.
constexpr DWORD userInputQuietMs = 1000;

// The span of tick counts in which the last input event was our own: the
// window system counts injected input as input, but the user made none.
// Injected input may be stamped a little after SendInput returns.
struct OwnInput {
    DWORD from = 0;
    DWORD until = 0;
    bool any = false;
};
OwnInput ownInput;
constexpr DWORD ownInputSlackMs = 50;

UINT sendOwnInput(INPUT* inputs, UINT count) {
    DWORD before = GetTickCount();
    UINT sent = SendInput(count, inputs, sizeof(INPUT));
    ownInput = {before, GetTickCount() + ownInputSlackMs, true};
    return sent;
}

bool isOwnInput(DWORD time) {
    return ownInput.any && time - ownInput.from <= ownInput.until - ownInput.from;
}

// A key as a keyboard reports it: the virtual key and its scan code.
INPUT key(WORD virtualKey, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

bool isDown(int virtualKey) { return (GetAsyncKeyState(virtualKey) & 0x8000) != 0; }

// A 250-character buffer, NUL-filled; the name ends at the first NUL, and
// is empty when it cannot be read.
std::wstring classOf(HWND window) {
    wchar_t buffer[250] = {};
    if (GetClassNameW(window, buffer, static_cast<int>(std::size(buffer))) == 0) return {};
    return std::wstring(buffer, wcsnlen(buffer, std::size(buffer)));
}

// The desktop and the shell's windows cover the monitor without being a
// program in full screen.
bool isDesktopOrShell(HWND window) {
    if (window == GetDesktopWindow() || window == GetShellWindow()) return true;
    std::wstring name = classOf(window);
    return name == L"Progman" || name == L"WorkerW";
}

bool shellReportsFullScreen() {
    QUERY_USER_NOTIFICATION_STATE state{};
    if (FAILED(SHQueryUserNotificationState(&state))) return false;
    return state == QUNS_BUSY || state == QUNS_RUNNING_D3D_FULL_SCREEN || state == QUNS_PRESENTATION_MODE;
}

// A window covering its whole monitor. A maximised window with a caption
// also overlaps the monitor's edges with its frame when the task bar hides.
bool coversItsMonitor(HWND window) {
    if (IsZoomed(window) && (GetWindowLongW(window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION) return false;
    RECT area{};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (!GetWindowRect(window, &area) ||
        !GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor))
        return false;
    const RECT& screen = monitor.rcMonitor;
    return area.left <= screen.left && area.top <= screen.top && area.right >= screen.right &&
           area.bottom >= screen.bottom;
}

struct ActivationCandidate {
    DWORD excludedProcess;
    HWND found = nullptr;
};

BOOL CALLBACK firstWindowOfAnotherProcess(HWND window, LPARAM data) {
    auto* candidate = reinterpret_cast<ActivationCandidate*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == candidate->excludedProcess || !IsWindowVisible(window) || IsIconic(window)) return TRUE;
    candidate->found = window;
    return FALSE;
}

// Where the keyboard goes when the hidden conversation still has it: the
// window that had it before the switch, or else the first visible window
// of another program in the Z order, or else the shell's window.
HWND windowToReactivate(HWND hidden, HWND previous) {
    if (previous && previous != hidden && IsWindow(previous) && IsWindowVisible(previous)) return previous;
    ActivationCandidate candidate{};
    GetWindowThreadProcessId(hidden, &candidate.excludedProcess);
    EnumWindows(firstWindowOfAnotherProcess, reinterpret_cast<LPARAM>(&candidate));
    return candidate.found ? candidate.found : GetShellWindow();
}

}  // namespace

WindowHandle Win32WindowSystem::foregroundWindow() {
    return static_cast<WindowHandle>(reinterpret_cast<UINT_PTR>(GetForegroundWindow()));
}

std::wstring Win32WindowSystem::className(WindowHandle window) { return classOf(toHandle(window)); }

void Win32WindowSystem::setForegroundWindow(WindowHandle window) { SetForegroundWindow(toHandle(window)); }

bool Win32WindowSystem::exists(WindowHandle window) { return IsWindow(toHandle(window)) != FALSE; }

void Win32WindowSystem::hide(WindowHandle window, WindowHandle previousForeground) {
    HWND handle = toHandle(window);
    HWND previous = toHandle(previousForeground);
    auto hideNow = [handle, previous] {
        ShowWindow(handle, SW_HIDE);
        // Hiding a window that was hidden already passes the activation on
        // to nobody (or, under Wine, to the desktop): the user would type
        // into the invisible conversation, or into nothing.
        HWND front = GetForegroundWindow();
        if (front && front != handle && front != GetDesktopWindow()) return;
        if (HWND next = windowToReactivate(handle, previous)) SetForegroundWindow(next);
    };
    if (!runOnceAfter(hideDelayMs, hideNow)) hideNow();
}

// Alt down, "0" down, "0" up, Alt up. Another program's input, or a desktop
// that blocks input, can make the system take fewer.
bool Win32WindowSystem::pressHotKey() {
    INPUT keys[] = {key(VK_MENU, false), key('0', false), key('0', true), key(VK_MENU, true)};
    return sendOwnInput(keys, static_cast<UINT>(std::size(keys))) == std::size(keys);
}

UserActivity Win32WindowSystem::userActivity() {
    for (int modifier : {VK_SHIFT, VK_CONTROL, VK_MENU, VK_LWIN, VK_RWIN})
        if (isDown(modifier)) return UserActivity::keyHeld;
    LASTINPUTINFO last{};
    last.cbSize = sizeof(last);
    if (!GetLastInputInfo(&last) || isOwnInput(last.dwTime)) return UserActivity::idle;
    return GetTickCount() - last.dwTime < userInputQuietMs ? UserActivity::typing : UserActivity::idle;
}

bool Win32WindowSystem::fullScreenInFront() {
    if (shellReportsFullScreen()) return true;
    HWND front = GetForegroundWindow();
    return front && !isDesktopOrShell(front) && coversItsMonitor(front);
}

// A mouse move of no distance: no program takes it as a move or a click.
void Win32WindowSystem::claimLastInput() {
    INPUT move{};
    move.type = INPUT_MOUSE;
    move.mi.dwFlags = MOUSEEVENTF_MOVE;
    sendOwnInput(&move, 1);
}

}  // namespace sonarel
