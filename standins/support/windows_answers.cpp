#include "standins/support/windows_answers.h"

#include <dwmapi.h>
#include <wtsapi32.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <string_view>

#include "standins/support/window_class.h"

namespace sonarel::standin {
namespace {

std::mutex pictureLock;
WindowsPicture current;
HDESK createdDesktop = nullptr;  // the desktop the picture names, once made
DWORD pictureShownAt = 0;        // GetTickCount when the picture showed
DWORD lastInputWhenShown = 0;    // the real last-input stamp then
std::atomic<int> batchesTaken{0};
std::atomic<DWORD> lastBatchTakenAt{0};

// The calls the answers replace, resolved before any import is replaced:
// the answers reach the real calls whichever module they answer for, this
// program's own included.
struct RealCalls {
    decltype(&WTSQuerySessionInformationW) querySession;
    decltype(&WTSFreeMemory) freeMemory;
    decltype(&GetThreadDesktop) threadDesktop;
    decltype(&OpenInputDesktop) openInputDesktop;
    decltype(&DwmGetWindowAttribute) windowAttribute;
    decltype(&SetForegroundWindow) setForegroundWindow;
    decltype(&SendInput) sendInput;
    decltype(&SystemParametersInfoW) systemParameters;
    decltype(&GetLastInputInfo) lastInputInfo;
    decltype(&GetProcAddress) getProcAddress;
};

template <class Function>
Function resolve(const wchar_t* dll, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(LoadLibraryW(dll), name)));
}

const RealCalls& real() {
    static const RealCalls calls{
        resolve<decltype(&WTSQuerySessionInformationW)>(L"wtsapi32.dll", "WTSQuerySessionInformationW"),
        resolve<decltype(&WTSFreeMemory)>(L"wtsapi32.dll", "WTSFreeMemory"),
        resolve<decltype(&GetThreadDesktop)>(L"user32.dll", "GetThreadDesktop"),
        resolve<decltype(&OpenInputDesktop)>(L"user32.dll", "OpenInputDesktop"),
        resolve<decltype(&DwmGetWindowAttribute)>(L"dwmapi.dll", "DwmGetWindowAttribute"),
        resolve<decltype(&SetForegroundWindow)>(L"user32.dll", "SetForegroundWindow"),
        resolve<decltype(&SendInput)>(L"user32.dll", "SendInput"),
        resolve<decltype(&SystemParametersInfoW)>(L"user32.dll", "SystemParametersInfoW"),
        resolve<decltype(&GetLastInputInfo)>(L"user32.dll", "GetLastInputInfo"),
        resolve<decltype(&GetProcAddress)>(L"kernel32.dll", "GetProcAddress"),
    };
    return calls;
}

// "A store app is running", from Windows 8 on (QUNS_APP).
constexpr auto storeAppState = static_cast<QUERY_USER_NOTIFICATION_STATE>(7);

WindowsPicture now() {
    std::lock_guard<std::mutex> hold(pictureLock);
    return current;
}

// The extended session information as Windows lays it out for a 32-bit
// program: the level, padding up to the 8-aligned union, then the level-1
// members. The rest of its 232 bytes (names, times, counters) stays zero.
constexpr int sessionInfoEx = 25;
constexpr std::size_t sessionInfoExSize = 232;

// Buffers of the real call go back to it; the answers below are local memory.
std::mutex ownLock;
std::vector<void*> ownBuffers;

BOOL WINAPI querySession(HANDLE server, DWORD session, WTS_INFO_CLASS what, LPWSTR* buffer, DWORD* bytes) {
    if (static_cast<int>(what) != sessionInfoEx) return real().querySession(server, session, what, buffer, bytes);
    WindowsPicture picture = now();
    auto* info = static_cast<BYTE*>(LocalAlloc(LPTR, sessionInfoExSize));
    if (!info) return FALSE;
    DWORD level = 1, id = 1;
    std::memcpy(info + 0, &level, 4);
    std::memcpy(info + 8, &id, 4);
    std::memcpy(info + 12, &picture.sessionState, 4);
    std::memcpy(info + 16, &picture.sessionFlags, 4);
    *buffer = reinterpret_cast<LPWSTR>(info);
    *bytes = sessionInfoExSize;
    std::lock_guard<std::mutex> hold(ownLock);
    ownBuffers.push_back(info);
    return TRUE;
}

void WINAPI freeMemory(PVOID memory) {
    {
        std::lock_guard<std::mutex> hold(ownLock);
        auto it = std::find(ownBuffers.begin(), ownBuffers.end(), memory);
        if (it != ownBuffers.end()) {
            ownBuffers.erase(it);
            LocalFree(memory);
            return;
        }
    }
    real().freeMemory(memory);
}

HRESULT WINAPI notificationState(QUERY_USER_NOTIFICATION_STATE* state) {
    *state = now().shellState;
    return S_OK;
}

HDESK WINAPI threadDesktop(DWORD thread) {
    {
        std::lock_guard<std::mutex> hold(pictureLock);
        if (current.messengerOnInputDesktop) return createdDesktop;
    }
    return real().threadDesktop(thread);
}

HDESK WINAPI openInputDesktop(DWORD flags, BOOL inherit, ACCESS_MASK access) {
    WindowsPicture picture = now();
    if (picture.inputDesktopRefused) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    if (picture.inputDesktop) return OpenDesktopW(picture.inputDesktop, flags, inherit, access);
    return real().openInputDesktop(flags, inherit, access);
}

// A window on another virtual desktop is cloaked by the shell; any other
// is not, and the call succeeds with 0. Before Windows 8 the attribute is
// not known.
HRESULT WINAPI windowAttribute(HWND window, DWORD attribute, PVOID value, DWORD size) {
    if (attribute != DWMWA_CLOAKED || size != sizeof(DWORD))
        return real().windowAttribute(window, attribute, value, size);
    WindowsPicture picture = now();
    if (picture.before8()) return E_INVALIDARG;
    const auto& cloaked = picture.cloaked;
    constexpr DWORD cloakedByShell = 0x2;  // DWM_CLOAKED_SHELL
    *static_cast<DWORD*>(value) =
        std::find(cloaked.begin(), cloaked.end(), window) != cloaked.end() ? cloakedByShell : 0;
    return S_OK;
}

LONG WINAPI rtlGetVersion(RTL_OSVERSIONINFOW* version) {
    WindowsPicture picture = now();
    version->dwMajorVersion = picture.rtlVersionTold ? picture.toldMajor : picture.major;
    version->dwMinorVersion = picture.rtlVersionTold ? picture.toldMinor : picture.minor;
    version->dwBuildNumber = picture.rtlVersionTold && picture.toldMajor == 6 ? 7601 : picture.build;
    version->dwPlatformId = VER_PLATFORM_WIN32_NT;
    return 0;  // STATUS_SUCCESS
}

BOOL WINAPI getVersionEx(OSVERSIONINFOW* version) {
    if (version->dwOSVersionInfoSize < sizeof(OSVERSIONINFOW)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    WindowsPicture picture = now();
    version->dwMajorVersion = picture.toldMajor;
    version->dwMinorVersion = picture.toldMinor;
    version->dwBuildNumber = picture.toldMajor == 6 ? 7601 : picture.build;
    version->dwPlatformId = VER_PLATFORM_WIN32_NT;
    return TRUE;
}

BOOL WINAPI setForegroundWindow(HWND window) {
    if (now().foregroundRefused) return FALSE;
    return real().setForegroundWindow(window);
}

// Another program's low-level hook sees the keys on their way and may take
// them: SendInput put them into the stream all the same. Only the
// plug-in's batches, which carry its mark, are touched.
UINT WINAPI sendInput(UINT count, LPINPUT inputs, int size) {
    KeysOnTheirWay way = now().keys;
    bool plugins = std::any_of(inputs, inputs + count, [](const INPUT& input) {
        return input.type == INPUT_KEYBOARD && input.ki.dwExtraInfo != 0;
    });
    if (way == KeysOnTheirWay::delivered || !plugins) return real().sendInput(count, inputs, size);
    ++batchesTaken;
    lastBatchTakenAt = GetTickCount();
    if (way == KeysOnTheirWay::swallowed) return count;
    std::vector<INPUT> again(inputs, inputs + count);
    for (INPUT& input : again) {
        if (input.type != INPUT_KEYBOARD) continue;
        input.ki.dwExtraInfo = 0;
        input.ki.time = 0;
    }
    real().sendInput(count, again.data(), size);
    return count;
}

// Windows answers at once, by its rule of five seconds: hung is a thread
// that has taken no message for 5 s and is not waiting for one. Wine's
// server keeps that rule for SMTO_ABORTIFHUNG, which then fails at once; a
// thread merely busy lets the short wait run out.
constexpr UINT hungProbeMs = 40;

BOOL WINAPI isHungAppWindow(HWND window) {
    if (!IsWindow(window)) return FALSE;
    DWORD_PTR ignored = 0;
    DWORD before = GetTickCount();
    if (SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, hungProbeMs, &ignored)) return FALSE;
    return GetTickCount() - before < hungProbeMs / 2;
}

BOOL WINAPI systemParameters(UINT action, UINT param, PVOID value, UINT flags) {
    UINT seconds = now().screenSaverSeconds;
    if (seconds && value && action == SPI_GETSCREENSAVEACTIVE) {
        *static_cast<BOOL*>(value) = TRUE;
        return TRUE;
    }
    if (seconds && value && action == SPI_GETSCREENSAVETIMEOUT) {
        *static_cast<int*>(value) = static_cast<int>(seconds);
        return TRUE;
    }
    return real().systemParameters(action, param, value, flags);
}

// The machine unattended: the last input long before the picture showed,
// until new input comes.
BOOL WINAPI lastInputInfo(PLASTINPUTINFO info) {
    if (!real().lastInputInfo(info)) return FALSE;
    std::lock_guard<std::mutex> hold(pictureLock);
    if (current.lastInputDaysAgo && info->dwTime == lastInputWhenShown)
        info->dwTime = pictureShownAt - current.lastInputDaysAgo * 86'400'000u;
    return TRUE;
}

template <class Function>
void* address(Function* function) {
    return reinterpret_cast<void*>(function);
}

FARPROC WINAPI getProcAddress(HMODULE module, LPCSTR name) {
    bool byName = reinterpret_cast<UINT_PTR>(name) > 0xFFFF;
    if (byName && std::strcmp(name, "RtlGetVersion") == 0) return reinterpret_cast<FARPROC>(address(rtlGetVersion));
    if (byName && std::strcmp(name, "GetVersionExW") == 0) return reinterpret_cast<FARPROC>(address(getVersionEx));
    return real().getProcAddress(module, name);
}

struct Replacement {
    const char* name;
    void* function;
};

const Replacement replacements[] = {
    {"WTSQuerySessionInformationW", address(querySession)},
    {"WTSFreeMemory", address(freeMemory)},
    {"SHQueryUserNotificationState", address(notificationState)},
    {"OpenInputDesktop", address(openInputDesktop)},
    {"GetThreadDesktop", address(threadDesktop)},
    {"DwmGetWindowAttribute", address(windowAttribute)},
    {"GetVersionExW", address(getVersionEx)},
    {"SetForegroundWindow", address(setForegroundWindow)},
    {"GetProcAddress", address(getProcAddress)},
    {"SendInput", address(sendInput)},
    {"IsHungAppWindow", address(isHungAppWindow)},
    {"SystemParametersInfoW", address(systemParameters)},
    {"GetLastInputInfo", address(lastInputInfo)},
};

void* replacementFor(const char* name) {
    for (const Replacement& r : replacements)
        if (std::strcmp(r.name, name) == 0) return r.function;
    return nullptr;
}

void writeEntry(void** entry, void* value) {
    DWORD was = 0;
    VirtualProtect(entry, sizeof(void*), PAGE_READWRITE, &was);
    *entry = value;
    VirtualProtect(entry, sizeof(void*), was, &was);
}

}  // namespace

bool WindowsPicture::waits() const {
    bool reversed = major == 6 && minor == 1;
    bool locked = sessionFlags == (reversed ? 1 : 0);
    bool otherDesktopInFront = inputDesktop && !messengerOnInputDesktop;
    std::wstring_view front = frontClass ? frontClass : L"";
    bool shellInFront = front == L"Windows.UI.Core.CoreWindow";
    bool programInFront = !shellInFront && front != L"WorkerW" && front != L"Progman";
    bool fullScreen = (shellState == QUNS_BUSY && programInFront) || shellState == QUNS_RUNNING_D3D_FULL_SCREEN ||
                      shellState == QUNS_PRESENTATION_MODE;
    bool startOrSearch = shellState == storeAppState && shellInFront;
    bool idleTooLong = screenSaverSeconds != 0 || lastInputDaysAgo != 0;
    return locked || sessionState != 0 || inputDesktopRefused || otherDesktopInFront ||
           shellState == QUNS_NOT_PRESENT || fullScreen || startOrSearch || idleTooLong;
}

namespace pictures {

namespace {

// The user gone from the session: the lock screen's desktop (or none) takes
// the input, the shell says "not present", and the lock screen holds the
// foreground.
WindowsPicture withoutTheUser(WindowsPicture p, const wchar_t* name, LONG flags) {
    p.name = name;
    p.sessionFlags = flags;
    p.inputDesktopRefused = true;
    p.shellState = QUNS_NOT_PRESENT;
    p.foregroundRefused = true;
    return p;
}

}  // namespace

WindowsPicture windows10Active() { return {}; }

WindowsPicture windows11Locked() { return withoutTheUser(windows11Unlocked(), L"Windows 11, locked", 0); }

WindowsPicture windows11Unlocked() {
    WindowsPicture p;
    p.name = L"Windows 11, unlocked";
    p.build = 22631;
    return p;
}

// A remote session whose client went away: no lock known (-1), no input.
// Its input desktop is the one that takes the input once the user
// reconnects.
WindowsPicture disconnected() {
    WindowsPicture p = withoutTheUser({}, L"Windows 10, disconnected", -1);
    p.sessionState = 4;  // WTSDisconnected
    p.inputDesktopRefused = false;
    return p;
}

// Windows 7 reports the lock flag the other way round.
WindowsPicture windows7Unlocked() {
    WindowsPicture p;
    p.name = L"Windows 7, unlocked";
    p.major = p.toldMajor = 6;
    p.minor = p.toldMinor = 1;
    p.build = 7601;
    p.sessionFlags = 0;
    return p;
}

WindowsPicture windows7Locked() { return withoutTheUser(windows7Unlocked(), L"Windows 7, locked", 1); }

WindowsPicture compatibilityMode() {
    WindowsPicture p;
    p.name = L"Windows 10, Windows 7 compatibility mode";
    p.toldMajor = 6;
    p.toldMinor = 1;
    p.rtlVersionTold = true;
    return p;
}

WindowsPicture presentation() {
    WindowsPicture p;
    p.name = L"Windows 10, presentation";
    p.shellState = QUNS_PRESENTATION_MODE;
    return p;
}

WindowsPicture game() {
    WindowsPicture p;
    p.name = L"Windows 10, a game in exclusive full screen";
    p.shellState = QUNS_RUNNING_D3D_FULL_SCREEN;
    return p;
}

WindowsPicture otherDesktop() {
    WindowsPicture p;
    p.name = L"Windows 10, another desktop in front";
    p.inputDesktop = L"SonarelOtherDesktop";
    return p;
}

WindowsPicture messengerOnASwitchersDesktop() {
    WindowsPicture p = otherDesktop();
    p.name = L"Windows 10, the messenger on a desktop switcher's desktop, in front";
    p.messengerOnInputDesktop = true;
    return p;
}

WindowsPicture screenSaverRunning() {
    WindowsPicture p;
    p.name = L"Windows 10, the screen saver running: only the shell says so";
    p.shellState = QUNS_NOT_PRESENT;
    return p;
}

WindowsPicture elevationPrompt() {
    WindowsPicture p;
    p.name = L"Windows 10, an elevation prompt on the secure desktop: only the input desktop says so";
    p.inputDesktopRefused = true;
    return p;
}

WindowsPicture startOpen() {
    WindowsPicture p = windows11Unlocked();
    p.name = L"Windows 11, Start open: the shell says a store app";
    p.shellState = storeAppState;
    p.frontClass = L"Windows.UI.Core.CoreWindow";
    return p;
}

WindowsPicture storeAppInFront() {
    WindowsPicture p = windows11Unlocked();
    p.name = L"Windows 11, a store app's window in front";
    p.shellState = storeAppState;
    p.frontClass = L"ApplicationFrameWindow";
    return p;
}

WindowsPicture overlayAtTheDesktop() {
    WindowsPicture p;
    p.name = L"Windows 10, the desktop in front, a graphics driver's overlay: the shell says busy";
    p.shellState = QUNS_BUSY;
    p.frontClass = L"WorkerW";
    return p;
}

WindowsPicture busyFullScreen() {
    WindowsPicture p;
    p.name = L"Windows 10, a program in full screen: the shell says busy";
    p.shellState = QUNS_BUSY;
    return p;
}

WindowsPicture screenSaverAfter(UINT seconds) {
    WindowsPicture p;
    p.name = L"Windows 10, a screen saver on";
    p.screenSaverSeconds = seconds;
    return p;
}

WindowsPicture unattendedForAMonth() {
    WindowsPicture p;
    p.name = L"Windows 10, the last input 30 days ago";
    p.lastInputDaysAgo = 30;
    return p;
}

WindowsPicture keysSwallowed() {
    WindowsPicture p;
    p.name = L"Windows 10, another program's hook swallows the plug-in's keys";
    p.keys = KeysOnTheirWay::swallowed;
    return p;
}

WindowsPicture keysSentAgainUnmarked() {
    WindowsPicture p;
    p.name = L"Windows 10, another program's hook sends the plug-in's keys again without its mark";
    p.keys = KeysOnTheirWay::sentAgainUnmarked;
    return p;
}

}  // namespace pictures

WindowsAnswers::WindowsAnswers(const wchar_t* module, WindowsPicture picture) {
    real();
    show(std::move(picture));
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(module));
    if (!base) return;
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!imports.VirtualAddress) return;
    for (auto* dll = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); dll->Name; ++dll) {
        if (!dll->OriginalFirstThunk) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->OriginalFirstThunk);
        auto* entries = reinterpret_cast<void**>(base + dll->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++entries) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const char* name = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name;
            void* replacement = replacementFor(name);
            if (!replacement) continue;
            patches_.push_back({entries, *entries});
            replaced_.emplace_back(name);
            writeEntry(entries, replacement);
        }
    }
}

WindowsAnswers::~WindowsAnswers() {
    for (const Patch& patch : patches_) writeEntry(patch.entry, patch.original);
    otherDesktop_.reset();
    show(WindowsPicture{});
}

namespace {

// Away from the screen's centre, where the pointer rests.
UniqueWindow frontWindow(const wchar_t* windowClass) {
    registerWindowClass(windowClass, DefWindowProcW);
    UniqueWindow window(CreateWindowExW(0, windowClass, L"", WS_POPUP | WS_BORDER | WS_VISIBLE, 40, 620, 320, 200,
                                        nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
    if (window) SetForegroundWindow(window.get());
    return window;
}

DWORD realLastInput() {
    LASTINPUTINFO last{};
    last.cbSize = sizeof(last);
    return real().lastInputInfo(&last) ? last.dwTime : 0;
}

}  // namespace

void WindowsAnswers::show(WindowsPicture picture) {
    if (picture.inputDesktop && !otherDesktop_)
        otherDesktop_.reset(CreateDesktopW(picture.inputDesktop, nullptr, nullptr, 0, GENERIC_ALL, nullptr));
    front_.reset();
    if (picture.frontClass) front_ = frontWindow(picture.frontClass);
    std::lock_guard<std::mutex> hold(pictureLock);
    createdDesktop = otherDesktop_.get();
    current = std::move(picture);
    pictureShownAt = GetTickCount();
    lastInputWhenShown = realLastInput();
}

int WindowsAnswers::batchesTaken() { return standin::batchesTaken; }
DWORD WindowsAnswers::lastBatchTakenAt() { return standin::lastBatchTakenAt; }

}  // namespace sonarel::standin
