#include "standins/support/windows_answers.h"

#include <dwmapi.h>
#include <wtsapi32.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace sonarel::standin {
namespace {

std::mutex pictureLock;
WindowsPicture current;
HDESK createdDesktop = nullptr;  // the desktop the picture names, once made

WindowsPicture now() {
    std::lock_guard<std::mutex> hold(pictureLock);
    return current;
}

// The extended session information as Windows lays it out for a 32-bit
// program: the level, padding up to the 8-aligned union, then the level-1
// members. The rest of the 288 bytes (names, times, counters) stays zero.
constexpr int sessionInfoEx = 25;
constexpr std::size_t sessionInfoExSize = 288;

// Buffers of the real call go back to it; the answers below are local memory.
std::mutex ownLock;
std::vector<void*> ownBuffers;

BOOL WINAPI querySession(HANDLE server, DWORD session, WTS_INFO_CLASS what, LPWSTR* buffer, DWORD* bytes) {
    if (static_cast<int>(what) != sessionInfoEx) return WTSQuerySessionInformationW(server, session, what, buffer, bytes);
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
    WTSFreeMemory(memory);
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
    return GetThreadDesktop(thread);
}

HDESK WINAPI openInputDesktop(DWORD flags, BOOL inherit, ACCESS_MASK access) {
    WindowsPicture picture = now();
    if (picture.inputDesktopRefused) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    if (picture.inputDesktop) return OpenDesktopW(picture.inputDesktop, flags, inherit, access);
    return OpenInputDesktop(flags, inherit, access);
}

// A window on another virtual desktop is cloaked by the shell; any other
// is not, and the call succeeds with 0.
HRESULT WINAPI windowAttribute(HWND window, DWORD attribute, PVOID value, DWORD size) {
    if (attribute != DWMWA_CLOAKED || size != sizeof(DWORD))
        return DwmGetWindowAttribute(window, attribute, value, size);
    auto cloaked = now().cloaked;
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
    return SetForegroundWindow(window);
}

template <class Function>
void* address(Function* function) {
    return reinterpret_cast<void*>(function);
}

FARPROC WINAPI getProcAddress(HMODULE module, LPCSTR name) {
    bool byName = reinterpret_cast<UINT_PTR>(name) > 0xFFFF;
    if (byName && std::strcmp(name, "RtlGetVersion") == 0) return reinterpret_cast<FARPROC>(address(rtlGetVersion));
    if (byName && std::strcmp(name, "GetVersionExW") == 0) return reinterpret_cast<FARPROC>(address(getVersionEx));
    return GetProcAddress(module, name);
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
    return locked || sessionState != 0 || inputDesktopRefused || otherDesktopInFront || shellState == QUNS_NOT_PRESENT ||
           shellState == QUNS_BUSY || shellState == QUNS_RUNNING_D3D_FULL_SCREEN ||
           shellState == QUNS_PRESENTATION_MODE;
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
WindowsPicture disconnected() {
    WindowsPicture p = withoutTheUser({}, L"Windows 10, disconnected", -1);
    p.sessionState = 4;  // WTSDisconnected
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

}  // namespace pictures

WindowsAnswers::WindowsAnswers(const wchar_t* module, WindowsPicture picture) {
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

void WindowsAnswers::show(WindowsPicture picture) {
    if (picture.inputDesktop && !otherDesktop_)
        otherDesktop_.reset(CreateDesktopW(picture.inputDesktop, nullptr, nullptr, 0, GENERIC_ALL, nullptr));
    std::lock_guard<std::mutex> hold(pictureLock);
    createdDesktop = otherDesktop_.get();
    current = std::move(picture);
}

}  // namespace sonarel::standin
