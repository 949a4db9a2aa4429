#include "names/win32_window_system.h"

#include <windows.h>
#include <dwmapi.h>
#include <shellapi.h>
#include <wtsapi32.h>

#include <algorithm>
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
#include "names/key_read_watch.h"

namespace sonarel {
namespace {

HWND toHandle(WindowHandle window) { return reinterpret_cast<HWND>(static_cast<UINT_PTR>(window)); }
WindowHandle fromHandle(HWND window) { return static_cast<WindowHandle>(reinterpret_cast<UINT_PTR>(window)); }

// While the keys may be unread the hide is looked at often at first, and
// less often once a messenger is slow to read them.
constexpr unsigned keysReadPollMs = 10;
constexpr unsigned keysReadSlowPollMs = 250;
// How far the window system's clock may run ahead of this process's.
constexpr DWORD ownClockAheadMs = 16;
// How long a thread is given to answer when asked whether it does.
constexpr UINT threadAnswerMs = 50;

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

// The stamp of a batch of our own input; 0 asks the window system for its own.
DWORD ownStamp() {
    DWORD stamp = GetTickCount();
    return stamp ? stamp : 1;
}

// When our input has arrived, by the latest. A window system that stamps
// input as it arrives stamps it by its own clock, which may run a tick or
// so ahead of this process's: the stamp it shows right after the call,
// when only that little later, is our input's.
DWORD arrivedBy() {
    DWORD now = GetTickCount();
    LASTINPUTINFO last{};
    last.cbSize = sizeof(last);
    bool littleLater = GetLastInputInfo(&last) && static_cast<LONG>(last.dwTime - now) > 0 &&
                       last.dwTime - now <= ownClockAheadMs;
    return littleLater ? last.dwTime : now;
}

// Each event carries the stamp of its batch, so that the window system's
// last-input time tells our input from the user's, and each key our mark.
// A window system that stamps input as it arrives (Wine does) gives it a
// tick of the call. The user's input since the last reading is read first:
// our own stamp would hide it.
UINT sendOwnInput(INPUT* inputs, UINT count, DWORD stamp, ULONG_PTR mark) {
    readSinceUserInput();
    for (UINT i = 0; i < count; ++i) {
        if (inputs[i].type == INPUT_KEYBOARD) {
            inputs[i].ki.time = stamp;
            inputs[i].ki.dwExtraInfo = mark;
        }
        if (inputs[i].type == INPUT_MOUSE) inputs[i].mi.time = stamp;
    }
    UINT sent = SendInput(count, inputs, sizeof(INPUT));
    inputClock.noteOwnInput(stamp, arrivedBy());
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
static_assert(sizeof(SessionInfoEx) == 232, "WTSINFOEXW as Windows gives it to a 32-bit program");
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
// secure desktop of a log-on or elevation prompt, or another a desktop
// switcher shows). What cannot be read counts as present, so that the name
// never waits for good.
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
    bool refused = !input && GetLastError() == ERROR_ACCESS_DENIED;
    std::optional<std::wstring> messengers, taking;
    if (input) {
        messengers = desktopName(GetThreadDesktop(GetCurrentThreadId()));
        taking = desktopName(input.get());
    }
    facts.otherDesktopTakesInput = inputOnAnotherDesktop(refused, messengers, taking);
}

// The time-outs that injected input would put off: the screen saver's while
// it is on, and the machine's inactivity limit (a policy of Windows 8 and
// later, kept in the 64-bit view of the registry).
LockTimeouts lockTimeouts() {
    LockTimeouts timeouts;
    BOOL active = FALSE;
    int seconds = 0;
    if (SystemParametersInfoW(SPI_GETSCREENSAVEACTIVE, 0, &active, 0) && active &&
        SystemParametersInfoW(SPI_GETSCREENSAVETIMEOUT, 0, &seconds, 0) && seconds > 0)
        timeouts.screenSaverSeconds = static_cast<std::uint32_t>(seconds);
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", 0,
                      KEY_QUERY_VALUE | KEY_WOW64_64KEY, &raw) != ERROR_SUCCESS)
        return timeouts;
    UniqueRegKey policies(raw);
    DWORD limit = 0, type = 0, size = sizeof(limit);
    if (RegQueryValueExW(policies.get(), L"InactivityTimeoutSecs", nullptr, &type, reinterpret_cast<BYTE*>(&limit),
                         &size) == ERROR_SUCCESS &&
        type == REG_DWORD && size == sizeof(limit) && limit > 0)
        timeouts.inactivityLimitSeconds = limit;
    return timeouts;
}

// The desktop and the shell's windows are no program in full screen; a
// window not known is taken for a program.
FrontKind frontKindOf(HWND window) {
    if (!window) return FrontKind::program;
    return frontKind(classOf(window), window == GetDesktopWindow() || window == GetShellWindow());
}

FrontWindowFacts frontWindowFacts(HWND window) {
    FrontWindowFacts facts;
    facts.desktopOrShell = frontKindOf(window) != FrontKind::program;
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
    // The desktop window has the foreground only while nobody has it, as
    // while an activation passes from one window to another.
    bool usersWindow = previous && previous != hidden && previous != GetDesktopWindow();
    if (usersWindow && IsWindow(previous) && IsWindowVisible(previous)) return previous;
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

// At once when it is this thread, free, or hung (no message taken for five
// seconds). A time-out of 0 with SMTO_ABORTIFHUNG would wait without end.
bool answers(HWND window, UINT withinMs = threadAnswerMs) {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_BLOCK | SMTO_ABORTIFHUNG, std::max(withinMs, 1u),
                               &ignored) != 0;
}

// Asked twice, so that a thread that only now came back from being busy
// had the chance to look at its queue in between. Windows does not promise
// that answering means the queue was looked at (a thread waiting in a call
// of its own answers sent messages too); keys that come after their batch
// was given up meet a hidden conversation, and a next batch waits for the
// hide, so the watch takes them out wherever they are taken.
bool answersWithNothingArrived(HWND window, ULONG_PTR mark) {
    return answers(window) && answers(window) && !keyReads.seen(mark).arrived;
}

}  // namespace

// The last batch pressed: shared by lastKeys and the hide that waits for it.
struct KeyBatch {
    HWND window = nullptr;
    ULONG_PTR mark = 0;
    DWORD pressedAt = 0;
    bool partial = false;
    bool watched = false;
    std::optional<BatchFate> fate;  // once known, for good
};

namespace {

// Cheap while the watch settles it; the window system is asked only where
// the answer matters, and whether the conversation stopped answering at
// most once.
BatchFate fateOf(KeyBatch& batch) {
    if (batch.fate) return *batch.fate;
    std::optional<bool> hung;
    BatchFacts facts{keyReads.seen(batch.mark),
                     !IsWindow(batch.window),
                     batch.partial,
                     batch.watched,
                     batch.pressedAt,
                     GetTickCount(),
                     [&] {
                         HWND front = GetForegroundWindow();
                         return front && front != batch.window;
                     },
                     [&] { return answersWithNothingArrived(batch.window, batch.mark); },
                     [&] {
                         // A window that is gone answers no more than a hung one.
                         if (!hung) hung = !IsWindow(batch.window) || IsHungAppWindow(batch.window);
                         return *hung;
                     }};
    BatchFate fate = batchFate(facts);
    if (fate != BatchFate::unread) batch.fate = fate;
    return fate;
}

// The user's keys that the hidden conversation would have swallowed go
// where the keyboard went, once it is there (the window system may pass
// the activation on a little later, and by way of another window): to the
// window handed the keyboard, or else to any but the conversation. Until
// then the keys the user types are kept too; none goes back into the
// conversation. A batch pressed meanwhile keeps them on, and gives them
// back after it.
void giveBackUsersKeys(HWND hidden, HWND handedTo, DWORD since, ULONG_PTR batch) {
    if (keyReads.batch() != batch) return;
    HWND front = GetForegroundWindow();
    bool there = handedTo ? front == handedTo : front && front != hidden;
    bool waiting = GetTickCount() - since < keysReadFallbackMs;
    if (!there && waiting && runOnceAfter(keysReadPollMs, [hidden, handedTo, since, batch] {
            giveBackUsersKeys(hidden, handedTo, since, batch);
        }))
        return;
    std::vector<INPUT> keys = keyReads.stopKeeping();
    if (front && front != hidden && !keys.empty()) SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT));
}

// Whether the user typed or clicked since then: a window in front then is
// the user's choice, not the window system's.
bool userActedSince(DWORD tick) {
    auto since = readSinceUserInput();
    return since && *since < GetTickCount() - tick;
}

// Where the keyboard goes once the conversation is hidden: back to where
// the user had it, unless the user chose another window meanwhile; and the
// user's keys that the hidden conversation would have swallowed with it.
void handBack(HWND hidden, HWND previous, bool hadTheKeyboard, DWORD hiddenAt) {
    HWND front = GetForegroundWindow();
    bool another = front && front != hidden && front != GetDesktopWindow();
    bool chosenByTheUser = another && (!hadTheKeyboard || userActedSince(hiddenAt));
    HWND handedTo = nullptr;
    if (!chosenByTheUser && (handedTo = windowToReactivate(hidden, previous))) SetForegroundWindow(handedTo);
    giveBackUsersKeys(hidden, handedTo, GetTickCount(), keyReads.batch());
}

// The hide last posted, until it took effect (the window hidden, or gone),
// and the hand-back that follows it then. A busy conversation's thread
// carries the hide out late, and passes the activation on as it does: a
// hand-back before it would be undone, and a bring-to-front in between
// would be undone too, with the keys pressed then going where the keyboard
// goes. A hide that has not taken effect within the longest wait (the
// messenger stopped answering) is no longer waited for.
struct HideInFlight {
    HWND window = nullptr;
    DWORD thread = 0;  // the thread whose timers watch it
    DWORD postedAt = 0;
    bool marked = false;  // a mark follows it, whose taking tells
    std::function<void()> then;
};
HideInFlight hideInFlight;

// Carried out, and the activation passed on, once the thread took the mark
// posted after the hide; without a mark, once the window is hidden and its
// thread answers.
bool hideTookEffect() {
    HWND window = hideInFlight.window;
    if (!window) return true;
    if (hideInFlight.thread != GetCurrentThreadId()) {
        hideInFlight = {};  // that thread's, and ended with it
        return true;
    }
    bool carriedOut = hideInFlight.marked ? keyReads.markTaken() : !IsWindowVisible(window) && answers(window);
    bool done = !IsWindow(window) || carriedOut || GetTickCount() - hideInFlight.postedAt >= keysReadLongestWaitMs;
    if (!done) return false;
    if (auto then = std::exchange(hideInFlight, {}).then) then();
    return true;
}

// Looked at often, so that the keyboard comes back as soon as the hide took
// effect, and a window the user shows again soon after does not pass for a
// hide still to come.
void watchTheHide() {
    if (hideTookEffect() || runOnceAfter(keysReadPollMs, watchTheHide)) return;
    if (auto then = std::exchange(hideInFlight, {}).then) then();
}

// Posted: a conversation thread that stopped answering must not stop this
// one. The window system passes the activation on to the next window in
// its order, or, for a window that was hidden already, to nobody (under
// Wine, to the desktop).
void hideAndHandBack(HWND hidden, HWND previous) {
    // A hide still being carried out hands the keyboard back first.
    hideTookEffect();
    if (auto then = std::exchange(hideInFlight, {}).then) then();
    bool hadTheKeyboard = GetForegroundWindow() == hidden || !IsWindow(hidden);
    ShowWindowAsync(hidden, SW_HIDE);
    DWORD postedAt = GetTickCount();
    // On this thread the hide is carried out at once.
    bool marked = GetWindowThreadProcessId(hidden, nullptr) != GetCurrentThreadId() && keyReads.markAfter(hidden);
    hideInFlight = {hidden, GetCurrentThreadId(), postedAt, marked,
                    [hidden, previous, hadTheKeyboard, postedAt] { handBack(hidden, previous, hadTheKeyboard, postedAt); }};
    watchTheHide();
}

// Keys pressed are read or lost before the hide runs: hidden with keys of
// ours unread, the conversation would pass the focus, and the keys with
// it, to the window that gets the keyboard next.
void afterKeysRead(const std::shared_ptr<KeyBatch>& batch, const std::shared_ptr<std::function<void()>>& action) {
    if (!action || !*action) return;
    if (batch && fateOf(*batch) == BatchFate::unread) {
        unsigned poll = GetTickCount() - batch->pressedAt < keysReadFallbackMs ? keysReadPollMs : keysReadSlowPollMs;
        if (runOnceAfter(poll, [batch, action] { afterKeysRead(batch, action); })) return;
    }
    runOnce(action);
}

// The hot key: Alt down, "0" down, "0" up, Alt up.
constexpr std::array<KeyEvent, 4> hotKeyBatch{{{VK_MENU, false}, {'0', false}, {'0', true}, {VK_MENU, true}}};

}  // namespace

WindowHandle Win32WindowSystem::foregroundWindow() { return fromHandle(GetForegroundWindow()); }

bool Win32WindowSystem::setForegroundWindow(WindowHandle window) {
    return SetForegroundWindow(toHandle(window)) != FALSE;
}

bool Win32WindowSystem::waitUntilAnswering(WindowHandle window, std::chrono::milliseconds within) {
    return answers(toHandle(window), static_cast<UINT>(std::max<std::chrono::milliseconds::rep>(within.count(), 0)));
}

bool Win32WindowSystem::exists(WindowHandle window) { return IsWindow(toHandle(window)) != FALSE; }

Win32WindowSystem::Win32WindowSystem() = default;
Win32WindowSystem::~Win32WindowSystem() = default;

void Win32WindowSystem::hide(WindowHandle window, WindowHandle previousForeground) {
    finishPendingHide();  // done already: the switch found it so before it began
    HWND handle = toHandle(window);
    HWND previous = toHandle(previousForeground);
    pendingHide_ = std::make_shared<std::function<void()>>([handle, previous] { hideAndHandBack(handle, previous); });
    // Without keys the hide runs at once.
    pendingBatch_ = std::exchange(keysPressed_, false) ? batch_ : nullptr;
    afterKeysRead(pendingBatch_, pendingHide_);
}

bool Win32WindowSystem::finishPendingHide() {
    if (!hideTookEffect()) return false;
    if (!pendingHide_ || !*pendingHide_) return true;
    if (pendingBatch_ && fateOf(*pendingBatch_) == BatchFate::unread) return false;
    runOnce(std::exchange(pendingHide_, nullptr));
    return true;
}

// The foreground is checked once more right before the keys, and the watch
// for their reading set before they can be read. Another program's input,
// or a desktop that blocks input, can make the system take fewer keys: what
// went down is let go at once.
bool Win32WindowSystem::pressHotKey(WindowHandle into) {
    HWND window = toHandle(into);
    if (GetForegroundWindow() != window || !hideTookEffect()) return false;
    auto batch = std::make_shared<KeyBatch>();
    batch->window = window;
    batch->mark = ownKeyMark(++batches_);
    batch->pressedAt = ownStamp();
    batch->watched = keyReads.watch(window, batch->mark, batch->pressedAt);
    batch_ = batch;
    keysPressed_ = true;
    bool all = pressKeys({hotKeyBatch.begin(), hotKeyBatch.end()}, [&](const std::vector<KeyEvent>& events) {
        std::vector<INPUT> keys;
        for (const KeyEvent& event : events) keys.push_back(key(event.key, event.up));
        return std::size_t{sendOwnInput(keys.data(), static_cast<UINT>(keys.size()), batch->pressedAt, batch->mark)};
    });
    batch->partial = !all;
    return all;
}

KeysFate Win32WindowSystem::lastKeys() {
    BatchFate fate = batch_ ? fateOf(*batch_) : BatchFate::read;
    keyReads.stopIfDone(GetTickCount());
    switch (fate) {
        case BatchFate::unread: return KeysFate::unread;
        case BatchFate::read: return KeysFate::read;
        case BatchFate::lost: return KeysFate::lost;
    }
    return KeysFate::unread;
}

UserActivity Win32WindowSystem::userActivity() {
    DesktopFacts facts;
    facts.sinceUserInput = readSinceUserInput();
    facts.awayAfterMs = awayAfter(lockTimeouts());
    facts.modifierHeld = anyDown({VK_SHIFT, VK_CONTROL, VK_MENU, VK_LWIN, VK_RWIN});
    facts.mouseButtonHeld = anyDown({VK_LBUTTON, VK_RBUTTON, VK_MBUTTON, VK_XBUTTON1, VK_XBUTTON2});
    readFrontThread(facts);
    QUERY_USER_NOTIFICATION_STATE shell = shellState();
    facts.shellSurfaceOpen = shellOpenInFront(shell, frontKindOf(GetForegroundWindow()));
    readSession(facts);
    facts.shellSaysNotPresent = shell == QUNS_NOT_PRESENT;
    return sonarel::userActivity(facts);
}

bool Win32WindowSystem::fullScreenInFront() {
    HWND front = GetForegroundWindow();
    if (shellSaysFullScreen(shellState(), frontKindOf(front))) return true;
    return front && coversItsMonitor(frontWindowFacts(front));
}

// A mouse move of no distance: no program takes it as a move or a click.
void Win32WindowSystem::claimLastInput() {
    INPUT move{};
    move.type = INPUT_MOUSE;
    move.mi.dwFlags = MOUSEEVENTF_MOVE;
    sendOwnInput(&move, 1, ownStamp(), 0);
}

}  // namespace sonarel
