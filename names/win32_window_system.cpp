#include "names/win32_window_system.h"

#include <windows.h>
#include <dwmapi.h>
#include <shellapi.h>
#include <wtsapi32.h>

#include <array>
#include <iterator>
#include <memory>
#include <string>

#include "common/one_shot_timer.h"
#include "names/desktop_rules.h"

namespace sonarel {
namespace {

HWND toHandle(WindowHandle window) { return reinterpret_cast<HWND>(static_cast<UINT_PTR>(window)); }
WindowHandle fromHandle(HWND window) { return static_cast<WindowHandle>(reinterpret_cast<UINT_PTR>(window)); }

// Injected keys are delivered from the message queue, to whichever window
// has the focus when they are taken from it. A window hidden at once would
// pass the focus, and the keys with it, to another window; so the hide
// runs from a short one-shot timer, after the input already queued.
constexpr unsigned hideDelayMs = 50;

// Input is process-wide, and so is the record of our own.
UserInputClock inputClock;

// Each event carries the stamp of its batch, so that the window system's
// last-input time tells our input from the user's. A window system that
// stamps input as it arrives (Wine does) gives it a tick of the call.
UINT sendOwnInput(INPUT* inputs, UINT count) {
    DWORD stamp = GetTickCount();
    if (stamp == 0) stamp = 1;  // 0 asks the window system for its own stamp
    for (UINT i = 0; i < count; ++i) {
        if (inputs[i].type == INPUT_KEYBOARD) inputs[i].ki.time = stamp;
        if (inputs[i].type == INPUT_MOUSE) inputs[i].mi.time = stamp;
    }
    UINT sent = SendInput(count, inputs, sizeof(INPUT));
    inputClock.noteOwnInput(stamp, GetTickCount());
    return sent;
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

bool anyDown(std::initializer_list<int> virtualKeys) {
    for (int virtualKey : virtualKeys)
        if (GetAsyncKeyState(virtualKey) & 0x8000) return true;
    return false;
}

// A 250-character buffer, NUL-filled; the name ends at the first NUL, and
// is empty when it cannot be read.
std::wstring classOf(HWND window) {
    wchar_t buffer[250] = {};
    if (GetClassNameW(window, buffer, static_cast<int>(std::size(buffer))) == 0) return {};
    return std::wstring(buffer, wcsnlen(buffer, std::size(buffer)));
}

QUERY_USER_NOTIFICATION_STATE shellState() {
    QUERY_USER_NOTIFICATION_STATE state{};
    if (FAILED(SHQueryUserNotificationState(&state))) return QUNS_ACCEPTS_NOTIFICATIONS;
    return state;
}

// The thread of the window in front: a menu, a move or size loop, or a
// mouse capture means the user is in the middle of something there.
void readFrontThread(DesktopFacts& facts) {
    HWND front = GetForegroundWindow();
    DWORD thread = front ? GetWindowThreadProcessId(front, nullptr) : 0;
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (!thread || !GetGUIThreadInfo(thread, &info)) return;
    facts.frontInMenu = (info.flags & GUI_INMENUMODE) != 0;
    facts.frontInPopupMenu = (info.flags & GUI_POPUPMENUMODE) != 0;
    facts.frontMovingOrSizing = (info.flags & GUI_INMOVESIZE) != 0;
    facts.frontCapturesMouse = info.hwndCapture != nullptr;
}

// The extended session information, as the system documents it; older
// headers lack it.
constexpr int sessionInfoEx = 25;  // WTSSessionInfoEx
constexpr LONG sessionStateLock = 0;
constexpr LONG sessionStateUnlock = 1;
struct SessionInfoEx {
    DWORD level;
    ULONG sessionId;
    WTS_CONNECTSTATE_CLASS sessionState;
    LONG sessionFlags;
};

// Windows 7 reports the lock flags the other way round.
bool lockFlagsInverted() {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(&version)) return false;
#pragma GCC diagnostic pop
    return version.dwMajorVersion == 6 && version.dwMinorVersion == 1;
}

// Locked, disconnected, switched out, or the input on another desktop (the
// secure desktop of a log-on or elevation prompt). What cannot be read
// counts as present, so that the name never waits for good.
void readSession(DesktopFacts& facts) {
    LPWSTR buffer = nullptr;
    DWORD bytes = 0;
    if (WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, WTS_CURRENT_SESSION,
                                    static_cast<WTS_INFO_CLASS>(sessionInfoEx), &buffer, &bytes)) {
        std::unique_ptr<void, decltype(&WTSFreeMemory)> owned(buffer, &WTSFreeMemory);
        auto* info = reinterpret_cast<const SessionInfoEx*>(buffer);
        if (bytes >= sizeof(SessionInfoEx) && info->level == 1) {
            facts.sessionNotActive = info->sessionState != WTSActive;
            facts.sessionLocked =
                info->sessionFlags == (lockFlagsInverted() ? sessionStateUnlock : sessionStateLock);
        }
    }
    HDESK input = OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS);
    if (!input) {
        facts.otherDesktopTakesInput = GetLastError() == ERROR_ACCESS_DENIED;
        return;
    }
    wchar_t name[64] = {};
    DWORD needed = 0;
    if (GetUserObjectInformationW(input, UOI_NAME, name, sizeof(name), &needed))
        facts.otherDesktopTakesInput = _wcsicmp(name, L"Default") != 0;
    CloseDesktop(input);
}

FrontWindowFacts frontWindowFacts(HWND window) {
    FrontWindowFacts facts;
    std::wstring name = classOf(window);
    facts.desktopOrShell = window == GetDesktopWindow() || window == GetShellWindow() || name == L"Progman" ||
                           name == L"WorkerW";
    facts.maximisedWithCaption = IsZoomed(window) && (GetWindowLongW(window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION;
    RECT area{};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (GetWindowRect(window, &area) &&
        GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) {
        facts.window = {area.left, area.top, area.right, area.bottom};
        const RECT& m = monitor.rcMonitor;
        facts.monitor = {m.left, m.top, m.right, m.bottom};
    }
    return facts;
}

TopLevelWindow topLevelFacts(HWND window) {
    LONG extended = GetWindowLongW(window, GWL_EXSTYLE);
    DWORD cloaked = 0;
    if (FAILED(DwmGetWindowAttribute(window, DWMWA_CLOAKED, &cloaked, sizeof(cloaked)))) cloaked = 0;
    HWND root = GetAncestor(window, GA_ROOTOWNER);
    HWND shownFor = root ? GetLastActivePopup(root) : window;
    return {fromHandle(window),
            IsWindowVisible(window) != FALSE,
            IsWindowEnabled(window) != FALSE,
            IsIconic(window) != FALSE,
            cloaked != 0,
            (extended & WS_EX_TOOLWINDOW) != 0,
            (extended & WS_EX_NOACTIVATE) != 0,
            classOf(window) == L"Shell_TrayWnd",
            fromHandle(shownFor)};
}

BOOL CALLBACK collectTopLevel(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<TopLevelWindow>*>(list)->push_back(topLevelFacts(window));
    return TRUE;
}

// Where the keyboard goes when the hidden conversation still has it: the
// window that had it before the switch, or else where Alt+Tab would go, or
// else the shell's window.
HWND windowToReactivate(HWND hidden, HWND previous) {
    if (previous && previous != hidden && IsWindow(previous) && IsWindowVisible(previous)) return previous;
    std::vector<TopLevelWindow> zOrder;
    EnumWindows(collectTopLevel, reinterpret_cast<LPARAM>(&zOrder));
    if (auto choice = altTabChoice(zOrder, fromHandle(hidden))) return toHandle(*choice);
    return GetShellWindow();
}

// Runs an action once, from whichever comes first: its timer or the next
// switch.
void runOnce(const std::shared_ptr<std::function<void()>>& action) {
    if (!action || !*action) return;
    std::function<void()> run = std::move(*action);
    *action = nullptr;
    run();
}

// The hot key: Alt down, "0" down, "0" up, Alt up.
constexpr std::array<KeyEvent, 4> hotKeyBatch{{{VK_MENU, false}, {'0', false}, {'0', true}, {VK_MENU, true}}};

}  // namespace

WindowHandle Win32WindowSystem::foregroundWindow() { return fromHandle(GetForegroundWindow()); }

void Win32WindowSystem::setForegroundWindow(WindowHandle window) { SetForegroundWindow(toHandle(window)); }

bool Win32WindowSystem::exists(WindowHandle window) { return IsWindow(toHandle(window)) != FALSE; }

void Win32WindowSystem::hide(WindowHandle window, WindowHandle previousForeground) {
    finishPendingHide();
    HWND handle = toHandle(window);
    HWND previous = toHandle(previousForeground);
    auto hideNow = std::make_shared<std::function<void()>>([handle, previous] {
        bool hadTheKeyboard = GetForegroundWindow() == handle;
        ShowWindow(handle, SW_HIDE);
        // The window system passes the activation on to the next window in
        // its order, or, for a window that was hidden already, to nobody
        // (under Wine, to the desktop): the keyboard goes back to where the
        // user had it. A window the user brought forward meanwhile keeps it.
        HWND front = GetForegroundWindow();
        if (!hadTheKeyboard && front && front != handle && front != GetDesktopWindow()) return;
        if (HWND next = windowToReactivate(handle, previous)) SetForegroundWindow(next);
    });
    pendingHide_ = hideNow;
    if (!runOnceAfter(hideDelayMs, [hideNow] { runOnce(hideNow); })) finishPendingHide();
}

void Win32WindowSystem::finishPendingHide() { runOnce(std::exchange(pendingHide_, nullptr)); }

// Another program's input, or a desktop that blocks input, can make the
// system take fewer keys: what went down is let go at once, so that no
// Alt key stays held for the user.
bool Win32WindowSystem::pressHotKey() {
    std::array<INPUT, hotKeyBatch.size()> keys{};
    for (std::size_t i = 0; i < keys.size(); ++i) keys[i] = key(hotKeyBatch[i].key, hotKeyBatch[i].up);
    UINT taken = sendOwnInput(keys.data(), static_cast<UINT>(keys.size()));
    if (taken == keys.size()) return true;
    std::vector<INPUT> releases;
    for (const KeyEvent& release :
         releasesAfterPartialInput(std::vector<KeyEvent>(hotKeyBatch.begin(), hotKeyBatch.end()), taken))
        releases.push_back(key(release.key, true));
    if (!releases.empty()) sendOwnInput(releases.data(), static_cast<UINT>(releases.size()));
    return false;
}

UserActivity Win32WindowSystem::userActivity() {
    DesktopFacts facts;
    LASTINPUTINFO last{};
    last.cbSize = sizeof(last);
    if (GetLastInputInfo(&last)) facts.sinceUserInput = inputClock.sinceUserInput(last.dwTime, GetTickCount());
    facts.modifierHeld = anyDown({VK_SHIFT, VK_CONTROL, VK_MENU, VK_LWIN, VK_RWIN});
    facts.mouseButtonHeld = anyDown({VK_LBUTTON, VK_RBUTTON, VK_MBUTTON, VK_XBUTTON1, VK_XBUTTON2});
    readFrontThread(facts);
    readSession(facts);
    facts.shellSaysNotPresent = shellState() == QUNS_NOT_PRESENT;
    return sonarel::userActivity(facts);
}

bool Win32WindowSystem::fullScreenInFront() {
    QUERY_USER_NOTIFICATION_STATE state = shellState();
    if (state == QUNS_BUSY || state == QUNS_RUNNING_D3D_FULL_SCREEN || state == QUNS_PRESENTATION_MODE) return true;
    HWND front = GetForegroundWindow();
    return front && coversItsMonitor(frontWindowFacts(front));
}

// A mouse move of no distance: no program takes it as a move or a click.
void Win32WindowSystem::claimLastInput() {
    INPUT move{};
    move.type = INPUT_MOUSE;
    move.mi.dwFlags = MOUSEEVENTF_MOVE;
    sendOwnInput(&move, 1);
}

}  // namespace sonarel
