#include "names/win32_window_system.h"

#include <windows.h>
#include <dwmapi.h>
#include <shellapi.h>
#include <wtsapi32.h>

#include <array>
#include <atomic>
#include <iterator>
#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "common/one_shot_timer.h"
#include "common/win32.h"
#include "names/desktop_rules.h"

namespace sonarel {
namespace {

HWND toHandle(WindowHandle window) { return reinterpret_cast<HWND>(static_cast<UINT_PTR>(window)); }
WindowHandle fromHandle(HWND window) { return static_cast<WindowHandle>(reinterpret_cast<UINT_PTR>(window)); }

// Injected keys are delivered from the message queue, to whichever window
// has the focus when they are taken from it. A window hidden before its
// thread has read them would pass the focus, and the keys with it, to
// another window, so the hide waits until the conversation's thread has
// read the last of them. Where that cannot be watched, it waits this long.
constexpr DWORD keysReadFallbackMs = 2000;
constexpr unsigned keysReadPollMs = 10;
constexpr unsigned keysReadSlowPollMs = 250;
constexpr DWORD keysReadLongestWaitMs = 30000;

// The plug-in's own keys carry this mark, which tells them from the user's.
constexpr ULONG_PTR ownKeyMark = 0x536E726C;

// Sees the conversation's thread take the plug-in's Alt-up from its queue:
// the last of its keys, read when nothing can carry them elsewhere. The
// host runs inside the messenger's process, so the conversation's thread
// is a thread of this process, and a hook on that thread alone needs no
// DLL of its own (hMod null). A global or low-level hook would see the key
// as it enters the queue, which is too early.
class KeyReadWatch {
public:
    // Watches the thread of the window; false when it cannot.
    bool watch(HWND window) {
        stop();
        read_ = false;
        DWORD process = 0;
        DWORD thread = GetWindowThreadProcessId(window, &process);
        if (!thread || process != GetCurrentProcessId()) return false;
        hook_ = SetWindowsHookExW(WH_GETMESSAGE, seen, nullptr, thread);
        return hook_ != nullptr;
    }
    bool watching() const { return hook_ != nullptr; }
    bool read() const { return read_; }
    void stop() {
        if (hook_) UnhookWindowsHookEx(std::exchange(hook_, nullptr));
    }

private:
    static LRESULT CALLBACK seen(int code, WPARAM removal, LPARAM message) {
        // Below HC_ACTION the message is only passed on, unread.
        const auto* msg = code == HC_ACTION ? reinterpret_cast<const MSG*>(message) : nullptr;
        bool altUp = msg && (msg->message == WM_KEYUP || msg->message == WM_SYSKEYUP);
        if (altUp && (removal & PM_REMOVE) && msg->wParam == VK_MENU &&
            static_cast<ULONG_PTR>(GetMessageExtraInfo()) == ownKeyMark)
            read_ = true;
        return CallNextHookEx(nullptr, code, removal, message);
    }
    static inline std::atomic<bool> read_{false};
    HHOOK hook_ = nullptr;
};

KeyReadWatch keyReads;

// Input is process-wide, and so is the record of our own.
UserInputClock inputClock;

// Reads the last-input stamp into the clock; the user's input is new only
// when the stamp moved since the last reading.
std::optional<std::uint32_t> readSinceUserInput() {
    LASTINPUTINFO last{};
    last.cbSize = sizeof(last);
    if (!GetLastInputInfo(&last)) return std::nullopt;
    return inputClock.sinceUserInput(last.dwTime, GetTickCount());
}

// Each event carries the stamp of its batch, so that the window system's
// last-input time tells our input from the user's. A window system that
// stamps input as it arrives (Wine does) gives it a tick of the call.
// The user's input since the last reading is read first: our own stamp
// would hide it.
UINT sendOwnInput(INPUT* inputs, UINT count) {
    readSinceUserInput();
    DWORD stamp = GetTickCount();
    if (stamp == 0) stamp = 1;  // 0 asks the window system for its own stamp
    for (UINT i = 0; i < count; ++i) {
        if (inputs[i].type == INPUT_KEYBOARD) {
            inputs[i].ki.time = stamp;
            inputs[i].ki.dwExtraInfo = ownKeyMark;
        }
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

// The extended session information (WTSINFOEXW), which older headers lack:
// a level, then a union that holds 64-bit times and so is 8-aligned.
constexpr int sessionInfoEx = 25;  // WTSSessionInfoEx
struct SessionInfoLevel1 {
    ULONG sessionId;
    WTS_CONNECTSTATE_CLASS sessionState;
    LONG sessionFlags;
    WCHAR winStationName[WINSTATIONNAME_LENGTH + 1];
    WCHAR userName[USERNAME_LENGTH + 1];
    WCHAR domainName[DOMAIN_LENGTH + 1];
    LARGE_INTEGER logonTime, connectTime, disconnectTime, lastInputTime, currentTime;
    DWORD counters[6];
};
struct SessionInfoEx {
    DWORD level;
    union {
        SessionInfoLevel1 level1;
    } data;
};
static_assert(offsetof(SessionInfoEx, data) == sessionIdOffset);
static_assert(offsetof(SessionInfoEx, data.level1.sessionState) == sessionStateOffset);
static_assert(offsetof(SessionInfoEx, data.level1.sessionFlags) == sessionFlagsOffset);

// The version the system reports. Resolved at run time: it is ntdll's,
// and no import library of the toolchain declares it.
std::optional<WindowsVersion> systemVersion() {
    using RtlGetVersionCall = LONG(WINAPI*)(RTL_OSVERSIONINFOW*);
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    auto call = ntdll ? reinterpret_cast<RtlGetVersionCall>(
                            reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                      : nullptr;
    RTL_OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!call || call(&version) != 0) return std::nullopt;
    return WindowsVersion{version.dwMajorVersion, version.dwMinorVersion};
}

std::optional<std::wstring> desktopName(HDESK desktop) {
    wchar_t name[256] = {};
    DWORD needed = 0;
    if (!desktop || !GetUserObjectInformationW(desktop, UOI_NAME, name, sizeof(name), &needed)) return std::nullopt;
    return name;
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
        SessionFacts session =
            sessionFacts(std::span(reinterpret_cast<const std::byte*>(buffer), buffer ? bytes : 0), systemVersion());
        facts.sessionLocked = session.locked;
        facts.sessionNotActive = session.notActive;
    }
    UniqueDesktop input(OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS));
    if (!input) {
        facts.otherDesktopTakesInput = GetLastError() == ERROR_ACCESS_DENIED;
        return;
    }
    // Input on a desktop of its own (a log-on or elevation prompt, or one a
    // desktop switcher made) does not reach the messenger's windows.
    auto ours = desktopName(GetThreadDesktop(GetCurrentThreadId()));
    auto taking = desktopName(input.get());
    if (ours && taking) facts.otherDesktopTakesInput = _wcsicmp(ours->c_str(), taking->c_str()) != 0;
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
    return {fromHandle(window),
            IsWindowVisible(window) != FALSE,
            IsWindowEnabled(window) != FALSE,
            IsIconic(window) != FALSE,
            cloaked != 0,
            (extended & WS_EX_TOOLWINDOW) != 0,
            (extended & WS_EX_NOACTIVATE) != 0,
            classOf(window) == L"Shell_TrayWnd",
            fromHandle(root ? root : window),
            fromHandle(GetLastActivePopup(window))};
}

// No exception may pass through the window system's frames: short of
// memory, the list stops where it is.
BOOL CALLBACK collectTopLevel(HWND window, LPARAM list) noexcept {
    try {
        reinterpret_cast<std::vector<TopLevelWindow>*>(list)->push_back(topLevelFacts(window));
        return TRUE;
    } catch (...) {
        return FALSE;
    }
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

// Where the hide stands with the keys pressed before it.
enum class KeysAfterPress {
    mayBeUnread,  // the hide waits
    read,         // read, or taken for read where that cannot be watched: the hide runs
    lost,         // gone elsewhere, or the window is gone: the hide runs
    givenUp,      // unread for too long: the watch ends, and the window stays
};

// The keys are read once the conversation's thread has read them; lost
// once another window took the foreground while the conversation still
// answers, or the window is gone.
// Without a watch they count as read after the fallback time. With one,
// the hide never hands the keyboard on while they may be unread; after the
// longest wait the watch ends and the window is left as it is.
KeysAfterPress keysAfterPress(HWND window, DWORD pressedAt) {
    if (keyReads.read()) return KeysAfterPress::read;
    if (!IsWindow(window)) return KeysAfterPress::lost;
    DWORD waited = GetTickCount() - pressedAt;
    if (waited < keysReadFallbackMs) return KeysAfterPress::mayBeUnread;
    if (!keyReads.watching()) return KeysAfterPress::read;
    // A conversation that stopped answering is shown by a ghost window in
    // front, and still holds the keys: the wait goes on.
    if (GetForegroundWindow() != window && !IsHungAppWindow(window)) return KeysAfterPress::lost;
    return waited < keysReadLongestWaitMs ? KeysAfterPress::mayBeUnread : KeysAfterPress::givenUp;
}

// Ends the watch: the hide runs, unless the keys were given up on.
void endKeyWatch(const std::shared_ptr<std::function<void()>>& action, KeysAfterPress keys) {
    keyReads.stop();
    if (keys == KeysAfterPress::givenUp) *action = nullptr;
    runOnce(action);
}

// A messenger that stops answering may leave the keys unread for long:
// the watch then looks less often.
void afterKeysRead(HWND window, std::shared_ptr<std::function<void()>> action, DWORD pressedAt) {
    if (!action || !*action) return;
    KeysAfterPress keys = keysAfterPress(window, pressedAt);
    unsigned poll = GetTickCount() - pressedAt < keysReadFallbackMs ? keysReadPollMs : keysReadSlowPollMs;
    if (keys == KeysAfterPress::mayBeUnread &&
        runOnceAfter(poll, [window, action, pressedAt] { afterKeysRead(window, action, pressedAt); }))
        return;
    endKeyWatch(action, keys);
}

// The hot key: Alt down, "0" down, "0" up, Alt up.
constexpr std::array<KeyEvent, 4> hotKeyBatch{{{VK_MENU, false}, {'0', false}, {'0', true}, {VK_MENU, true}}};

}  // namespace

WindowHandle Win32WindowSystem::foregroundWindow() { return fromHandle(GetForegroundWindow()); }

void Win32WindowSystem::setForegroundWindow(WindowHandle window) { SetForegroundWindow(toHandle(window)); }

// A messenger whose thread is busy takes the activation only once it is
// free again: the bring-to-front waits for the thread to answer (at once
// when it is this thread, free, or not answering at all), so that its
// short run of attempts is not spent while the activation sits unread.
constexpr UINT busyThreadWaitMs = 500;

void Win32WindowSystem::waitUntilAnswering(WindowHandle window) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(toHandle(window), WM_NULL, 0, 0, SMTO_BLOCK | SMTO_ABORTIFHUNG, busyThreadWaitMs, &ignored);
}

bool Win32WindowSystem::exists(WindowHandle window) { return IsWindow(toHandle(window)) != FALSE; }

void Win32WindowSystem::hide(WindowHandle window, WindowHandle previousForeground) {
    finishPendingHide();  // done already: the switch found it so before it began
    HWND handle = toHandle(window);
    HWND previous = toHandle(previousForeground);
    auto hideNow = std::make_shared<std::function<void()>>([handle, previous] {
        keyReads.stop();
        bool hadTheKeyboard = GetForegroundWindow() == handle;
        // Posted: a conversation thread that stopped answering (the user
        // took the keyboard elsewhere meanwhile) must not stop this one.
        ShowWindowAsync(handle, SW_HIDE);
        // The window system passes the activation on to the next window in
        // its order, or, for a window that was hidden already, to nobody
        // (under Wine, to the desktop): the keyboard goes back to where the
        // user had it. A window the user brought forward meanwhile keeps it.
        HWND front = GetForegroundWindow();
        if (!hadTheKeyboard && front && front != handle && front != GetDesktopWindow()) return;
        if (HWND next = windowToReactivate(handle, previous)) SetForegroundWindow(next);
    });
    // Keys pressed wait until they are read, or the fallback time where that
    // cannot be watched; without keys the hide runs at once.
    bool pressed = std::exchange(keysPressed_, false);
    if (!pressed) keyReads.stop();
    pendingHide_ = hideNow;
    pendingWindow_ = window;
    pendingSince_ = pressed ? GetTickCount() : GetTickCount() - keysReadFallbackMs;
    afterKeysRead(handle, hideNow, pendingSince_);
}

bool Win32WindowSystem::finishPendingHide() {
    if (!pendingHide_ || !*pendingHide_) return true;
    KeysAfterPress keys = keysAfterPress(toHandle(pendingWindow_), pendingSince_);
    if (keys == KeysAfterPress::mayBeUnread) return false;
    endKeyWatch(std::exchange(pendingHide_, nullptr), keys);
    return true;
}

// The foreground is checked once more right before the keys, and the watch
// for their reading set before they can be read. Another program's input,
// or a desktop that blocks input, can make the system take fewer keys: what
// went down is let go at once, and the hide waits the fallback time.
bool Win32WindowSystem::pressHotKey(WindowHandle into) {
    HWND window = toHandle(into);
    if (GetForegroundWindow() != window) return false;
    keyReads.watch(window);
    keysPressed_ = true;
    batchWindow_ = into;
    batchPressedAt_ = GetTickCount();
    batchFate_ = KeysFate::unread;
    bool all = pressKeys({hotKeyBatch.begin(), hotKeyBatch.end()}, [](const std::vector<KeyEvent>& batch) {
        std::vector<INPUT> keys;
        for (const KeyEvent& event : batch) keys.push_back(key(event.key, event.up));
        return std::size_t{sendOwnInput(keys.data(), static_cast<UINT>(keys.size()))};
    });
    if (!all) keyReads.stop();
    batchPartial_ = !all;
    return all;
}

// Known once: a batch read stays read after its watch has ended.
KeysFate Win32WindowSystem::lastKeys() {
    if (batchFate_ != KeysFate::unread) return batchFate_;
    // Of a batch taken only in part, what went in may still be read for a
    // while; whatever it did, the name was not asked for.
    if (batchPartial_)
        return GetTickCount() - batchPressedAt_ < keysReadFallbackMs ? KeysFate::unread : batchFate_ = KeysFate::lost;
    switch (keysAfterPress(toHandle(batchWindow_), batchPressedAt_)) {
        case KeysAfterPress::mayBeUnread: return KeysFate::unread;
        case KeysAfterPress::read: return batchFate_ = KeysFate::read;
        case KeysAfterPress::lost:
        case KeysAfterPress::givenUp: return batchFate_ = KeysFate::lost;
    }
    return KeysFate::unread;
}

UserActivity Win32WindowSystem::userActivity() {
    DesktopFacts facts;
    facts.sinceUserInput = readSinceUserInput();
    facts.modifierHeld = anyDown({VK_SHIFT, VK_CONTROL, VK_MENU, VK_LWIN, VK_RWIN});
    facts.mouseButtonHeld = anyDown({VK_LBUTTON, VK_RBUTTON, VK_MBUTTON, VK_XBUTTON1, VK_XBUTTON2});
    readFrontThread(facts);
    readSession(facts);
    facts.shellSaysNotPresent = shellState() == QUNS_NOT_PRESENT;
    return sonarel::userActivity(facts);
}

bool Win32WindowSystem::fullScreenInFront() {
    if (shellSaysFullScreen(shellState())) return true;
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
